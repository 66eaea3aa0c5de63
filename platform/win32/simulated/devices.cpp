// Devices and byte transfers of the simulated machine: the VWIN32 device of
// Windows 98/ME, the volumes of Windows 2000/XP ("\\.\E:") and the reads,
// writes and seeks on volumes and files.
#include <algorithm>
#include <cstring>

#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

constexpr const char* kVwin32Name = "VWIN32";
// The geometry a volume reports: 64 heads of 32 sectors per cylinder.
constexpr DWORD kTracksPerCylinder = 64;
constexpr DWORD kSectorsPerTrack = 32;
// Interrupt 21h functions the VWIN32 requests carry.
constexpr REGISTER kDosDeviceIoctl = 0x440D;
constexpr REGISTER kDosAbsoluteDiskIo = 0x7305;
constexpr REGISTER kGetDeviceParameters = 0x0860;
// The part of DEVICEPARAMS a caller must provide room for.
constexpr std::size_t kDeviceParamsBytes = 40;

REGISTER Low16(REGISTER value) {
    return value & 0xFFFF;
}

// The drive a VWIN32 request names: BL for 440Dh, DL for 7305h; 0 when none.
char RequestDrive(DWORD code, const DIOC_REGISTERS& registers) {
    const REGISTER number =
        code == VWIN32_DIOC_DOS_IOCTL ? (registers.reg_EBX & 0xFF) : (registers.reg_EDX & 0xFF);
    return number >= 1 && number <= 26 ? static_cast<char>('@' + number) : 0;
}

// Bytes of a transfer that fault injection shortens: half, in whole units.
std::uint64_t Shortened(std::uint64_t bytes, std::uint64_t unit) {
    return bytes / 2 / unit * unit;
}

}  // namespace

HANDLE SimulatedMachine::State::OpenDevice(Call& call, const std::string& device, DWORD access,
                                           DWORD share, DWORD creation, DWORD flags) {
    (void)share;  // recorded; sharing between openers is not modelled
    if (EqualsNoCase(device, kVwin32Name)) {
        if (flavour != Flavour::Windows98) {
            Finish(call, false, ERROR_FILE_NOT_FOUND);
            return INVALID_HANDLE_VALUE;
        }
        // Only the published way of opening the device is accepted, so that
        // any other open shows in a test even when it does not look at calls.
        if (access != 0 || share != 0 || creation != 0 || flags != FILE_FLAG_DELETE_ON_CLOSE) {
            Finish(call, false, ERROR_INVALID_PARAMETER);
            return INVALID_HANDLE_VALUE;
        }
        OpenObject object;
        object.kind = HandleKind::Vwin32;
        object.name = call.name;
        call.handle = Open(object);
        Finish(call, true);
        return call.handle;
    }
    // Windows 98/ME has no volume paths; Windows 2000/XP opens existing volumes only.
    if (call.drive == 0 || flavour != Flavour::Windows2K || FindDrive(call.drive) == nullptr) {
        Finish(call, false, ERROR_FILE_NOT_FOUND);
        return INVALID_HANDLE_VALUE;
    }
    if (creation != OPEN_EXISTING) {
        Finish(call, false, ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    if (!HasMedium(call.drive)) {
        Finish(call, false, ERROR_NOT_READY);
        return INVALID_HANDLE_VALUE;
    }
    OpenObject object;
    object.kind = HandleKind::Volume;
    object.name = call.name;
    object.drive = call.drive;
    object.access = access;
    call.handle = Open(object);
    Finish(call, true);
    return call.handle;
}

BOOL SimulatedMachine::DeviceIoControl(HANDLE device, DWORD code, void* in, DWORD inSize, void* out,
                                       DWORD outSize, DWORD* returned, void* overlapped) {
    Call call = state_->Begin("DeviceIoControl");
    call.handle = device;
    call.code = code;
    call.size = inSize;
    call.outSize = outSize;
    call.hasReturned = returned != nullptr;
    call.hasOverlapped = overlapped != nullptr;
    OpenObject* object = state_->Find(device);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const bool registerImage = object != nullptr && object->kind == HandleKind::Vwin32 &&
                               in != nullptr && inSize == sizeof(DIOC_REGISTERS);
    if (registerImage) {
        // What the request asks, recorded before it runs so that a test may fail it by content.
        std::memcpy(&call.registersIn, in, sizeof(DIOC_REGISTERS));
        const DIOC_REGISTERS& r = call.registersIn;
        call.drive = RequestDrive(code, r);
        if (code == VWIN32_DIOC_DOS_DRIVEINFO && Low16(r.reg_EAX) == kDosAbsoluteDiskIo &&
            r.reg_EBX != 0) {
            DISKIO packet{};
            std::memcpy(&packet, reinterpret_cast<const void*>(r.reg_EBX), sizeof(DISKIO));
            call.packet = packet;
        }
        if (code == VWIN32_DIOC_DOS_IOCTL && Low16(r.reg_EAX) == kDosDeviceIoctl &&
            Low16(r.reg_ECX) == kGetDeviceParameters && r.reg_EDX != 0) {
            DEVICEPARAMS params{};
            std::memcpy(&params, reinterpret_cast<const void*>(r.reg_EDX), kDeviceParamsBytes);
            call.params = params;
        }
    }
    const Fault fault = state_->Decide(call);
    if (object == nullptr) {
        state_->Finish(call, false, ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (fault.fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    if (returned == nullptr || overlapped != nullptr) {
        state_->Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    *returned = 0;
    if (object->kind == HandleKind::Vwin32) {
        if (code != VWIN32_DIOC_DOS_IOCTL && code != VWIN32_DIOC_DOS_DRIVEINFO) {
            state_->Finish(call, false, ERROR_NOT_SUPPORTED);
            return FALSE;
        }
        if (!registerImage || out == nullptr || outSize != sizeof(DIOC_REGISTERS)) {
            state_->Finish(call, false, ERROR_INVALID_PARAMETER);
            return FALSE;
        }
        DIOC_REGISTERS registers = call.registersIn;
        state_->Vwin32Request(call, fault, registers);
        std::memcpy(out, &registers, sizeof(DIOC_REGISTERS));
        *returned = sizeof(DIOC_REGISTERS);
        call.registersOut = registers;
        // The device call worked; `ok` tells whether the DOS function did.
        state_->Finish(call, (registers.reg_Flags & CARRY_FLAG) == 0, ERROR_SUCCESS);
        return TRUE;
    }
    if (object->kind != HandleKind::Volume || code != IOCTL_DISK_GET_DRIVE_GEOMETRY) {
        state_->Finish(call, false, ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    if (!state_->HasMedium(object->drive)) {
        state_->Finish(call, false, ERROR_NOT_READY);
        return FALSE;
    }
    if (out == nullptr || outSize < sizeof(DISK_GEOMETRY)) {
        state_->Finish(call, false, ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    const std::uint64_t sectors = state_->MediumBytes(object->drive) / kSectorBytes;
    DISK_GEOMETRY geometry{};
    geometry.Cylinders =
        static_cast<std::int64_t>(sectors / (kTracksPerCylinder * kSectorsPerTrack));
    geometry.MediaType = state_->FindDrive(object->drive)->driveSpec.mediaType;
    geometry.TracksPerCylinder = kTracksPerCylinder;
    geometry.SectorsPerTrack = kSectorsPerTrack;
    geometry.BytesPerSector = kSectorBytes;
    std::memcpy(out, &geometry, sizeof geometry);
    *returned = sizeof geometry;
    call.moved = sizeof geometry;
    state_->Finish(call, true);
    return TRUE;
}

DWORD SimulatedMachine::SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh,
                                       DWORD method) {
    Call call = state_->Begin("SetFilePointer");
    call.handle = file;
    call.distance = distance;
    call.hasHighPart = distanceHigh != nullptr;
    call.method = method;
    OpenObject* object = state_->Find(file);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const Fault fault = state_->Decide(call);
    if (object == nullptr) {
        state_->Finish(call, false, ERROR_INVALID_HANDLE);
        return INVALID_SET_FILE_POINTER;
    }
    if (fault.fail) {
        state_->FinishInjected(call);
        return INVALID_SET_FILE_POINTER;
    }
    if (object->kind != HandleKind::Volume && object->kind != HandleKind::File) {
        state_->Finish(call, false, ERROR_INVALID_FUNCTION);
        return INVALID_SET_FILE_POINTER;
    }
    if (object->drive != 0 && !state_->HasMedium(object->drive)) {
        state_->Finish(call, false, ERROR_NOT_READY);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t move =
        distanceHigh != nullptr
            ? static_cast<std::int64_t>(
                  (static_cast<std::uint64_t>(static_cast<DWORD>(*distanceHigh)) << 32) |
                  static_cast<DWORD>(distance))
            : static_cast<std::int64_t>(distance);
    std::int64_t base = 0;
    if (method == FILE_CURRENT) {
        base = static_cast<std::int64_t>(object->position);
    } else if (method == FILE_END) {
        if (object->kind == HandleKind::Volume) {
            base = static_cast<std::int64_t>(state_->MediumBytes(object->drive));
        } else {
            base = static_cast<std::int64_t>(state_->LoadFile(object->fileKey).value_or("").size());
        }
    } else if (method != FILE_BEGIN) {
        state_->Finish(call, false, ERROR_INVALID_PARAMETER);
        return INVALID_SET_FILE_POINTER;
    }
    const std::int64_t position = base + move;
    if (position < 0) {
        state_->Finish(call, false, ERROR_NEGATIVE_SEEK);
        return INVALID_SET_FILE_POINTER;
    }
    object->position = static_cast<std::uint64_t>(position);
    if (distanceHigh != nullptr) *distanceHigh = static_cast<LONG>(object->position >> 32);
    call.result = static_cast<DWORD>(object->position & 0xFFFFFFFFu);
    state_->Finish(call, true);
    return call.result;
}

namespace {

enum class Direction { Read, Write };

// The checks and the transfer that ReadFile and WriteFile share.
struct Transfer {
    SimulatedMachine::State& state;
    Call& call;
    Direction direction;

    BOOL Run(OpenObject* object, const Fault& fault, void* buffer, DWORD size, DWORD* moved,
             bool overlapped) {
        if (moved != nullptr) *moved = 0;
        if (object == nullptr) return Fail(ERROR_INVALID_HANDLE);
        if (fault.fail) {
            state.FinishInjected(call);
            return FALSE;
        }
        if (moved == nullptr || overlapped || (buffer == nullptr && size != 0)) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        const DWORD right = direction == Direction::Read ? GENERIC_READ : GENERIC_WRITE;
        if (object->kind != HandleKind::Volume && object->kind != HandleKind::File) {
            return Fail(ERROR_INVALID_FUNCTION);
        }
        if ((object->access & right) == 0) return Fail(ERROR_ACCESS_DENIED);
        if (object->drive != 0 && !state.HasMedium(object->drive)) return Fail(ERROR_NOT_READY);
        return object->kind == HandleKind::Volume ? OnVolume(*object, fault, buffer, size, moved)
                                                  : OnFile(*object, fault, buffer, size, moved);
    }

    BOOL OnVolume(OpenObject& volume, const Fault& fault, void* buffer, DWORD size, DWORD* moved) {
        // A volume moves whole sectors at sector positions only.
        if (volume.position % kSectorBytes != 0 || size % kSectorBytes != 0) {
            return Fail(ERROR_INVALID_PARAMETER);
        }
        const std::uint64_t total = state.MediumBytes(volume.drive);
        if (size != 0 && volume.position >= total) return Fail(ERROR_SECTOR_NOT_FOUND);
        std::uint64_t bytes = std::min<std::uint64_t>(size, total - volume.position);
        if (fault.shortMove) bytes = std::min(bytes, Shortened(size, kSectorBytes));
        const bool done = direction == Direction::Read
                              ? state.ReadMedium(volume.drive, volume.position, buffer, bytes)
                              : state.WriteMedium(volume.drive, volume.position, buffer, bytes);
        if (!done) return Fail(direction == Direction::Read ? ERROR_READ_FAULT : ERROR_WRITE_FAULT);
        return Moved(volume, bytes, moved);
    }

    BOOL OnFile(OpenObject& file, const Fault& fault, void* buffer, DWORD size, DWORD* moved) {
        auto contents = state.LoadFile(file.fileKey);
        if (!contents) return Fail(ERROR_FILE_NOT_FOUND);
        std::uint64_t bytes = size;
        if (direction == Direction::Read) {
            bytes = file.position >= contents->size()
                        ? 0
                        : std::min<std::uint64_t>(size, contents->size() - file.position);
        }
        if (fault.shortMove) bytes = Shortened(bytes, 1);
        if (direction == Direction::Read) {
            if (bytes != 0) std::memcpy(buffer, contents->data() + file.position, bytes);
        } else {
            if (contents->size() < file.position + bytes) contents->resize(file.position + bytes);
            if (bytes != 0) std::memcpy(contents->data() + file.position, buffer, bytes);
            if (!state.StoreFile(file.fileKey, *contents)) return Fail(ERROR_WRITE_FAULT);
        }
        return Moved(file, bytes, moved);
    }

    BOOL Moved(OpenObject& object, std::uint64_t bytes, DWORD* moved) {
        object.position += bytes;
        *moved = static_cast<DWORD>(bytes);
        call.moved = static_cast<DWORD>(bytes);
        state.Finish(call, true);
        return TRUE;
    }

    BOOL Fail(DWORD error) {
        state.Finish(call, false, error);
        return FALSE;
    }
};

}  // namespace

BOOL SimulatedMachine::ReadFile(HANDLE file, void* buffer, DWORD size, DWORD* read,
                                void* overlapped) {
    Call call = state_->Begin("ReadFile");
    call.handle = file;
    call.size = size;
    call.hasReturned = read != nullptr;
    call.hasOverlapped = overlapped != nullptr;
    OpenObject* object = state_->Find(file);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const Fault fault = state_->Decide(call);
    return Transfer{*state_, call, Direction::Read}.Run(object, fault, buffer, size, read,
                                                        overlapped != nullptr);
}

BOOL SimulatedMachine::WriteFile(HANDLE file, const void* buffer, DWORD size, DWORD* written,
                                 void* overlapped) {
    Call call = state_->Begin("WriteFile");
    call.handle = file;
    call.size = size;
    call.hasReturned = written != nullptr;
    call.hasOverlapped = overlapped != nullptr;
    OpenObject* object = state_->Find(file);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const Fault fault = state_->Decide(call);
    // The transfer only reads from the buffer when writing.
    return Transfer{*state_, call, Direction::Write}.Run(object, fault, const_cast<void*>(buffer),
                                                         size, written, overlapped != nullptr);
}

BOOL SimulatedMachine::FlushFileBuffers(HANDLE file) {
    Call call = state_->Begin("FlushFileBuffers");
    call.handle = file;
    OpenObject* object = state_->Find(file);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const Fault fault = state_->Decide(call);
    DWORD error = ERROR_SUCCESS;
    if (object == nullptr) {
        error = ERROR_INVALID_HANDLE;
    } else if (fault.fail) {
        state_->FinishInjected(call);
        return FALSE;
    } else if (object->kind != HandleKind::Volume && object->kind != HandleKind::File) {
        error = ERROR_INVALID_FUNCTION;
    } else if ((object->access & GENERIC_WRITE) == 0) {
        error = ERROR_ACCESS_DENIED;
    } else if (object->drive != 0 && !state_->HasMedium(object->drive)) {
        error = ERROR_NOT_READY;
    }
    state_->Finish(call, error == ERROR_SUCCESS, error);
    return error == ERROR_SUCCESS ? TRUE : FALSE;
}

DWORD SimulatedMachine::GetFileSize(HANDLE file, DWORD* sizeHigh) {
    Call call = state_->Begin("GetFileSize");
    call.handle = file;
    OpenObject* object = state_->Find(file);
    if (object != nullptr) {
        call.name = object->name;
        call.drive = object->drive;
    }
    const Fault fault = state_->Decide(call);
    if (object == nullptr || fault.fail || object->kind != HandleKind::File) {
        if (fault.fail && object != nullptr) {
            state_->FinishInjected(call);
        } else {
            state_->Finish(call, false,
                           object == nullptr ? ERROR_INVALID_HANDLE : ERROR_INVALID_FUNCTION);
        }
        return INVALID_FILE_SIZE;
    }
    auto contents = state_->LoadFile(object->fileKey);
    if (!contents) {
        state_->Finish(call, false, ERROR_FILE_NOT_FOUND);
        return INVALID_FILE_SIZE;
    }
    const std::uint64_t size = contents->size();
    if (sizeHigh != nullptr) *sizeHigh = static_cast<DWORD>(size >> 32);
    call.result = static_cast<DWORD>(size & 0xFFFFFFFFu);
    state_->Finish(call, true);
    return call.result;
}

}  // namespace win32::sim
