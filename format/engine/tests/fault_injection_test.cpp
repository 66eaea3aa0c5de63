// Every device call of a format job made to fail, one at a time: what the
// user sees is always a row of the failure tables, the disk holds what the
// calls that got through put there, and the dialog, the handles and the volume
// lock are always left as an idle dialog leaves them.
//
// Each mode and flavour is its own test (Low also by kind of fault), so that
// the runner can spread them over the cores.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include "format/engine/tests/job_fixture.h"

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#define KV_LEAK_CHECK 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/lsan_interface.h>
#define KV_LEAK_CHECK 1
#endif
#endif

namespace kerfa::testing {
namespace {

using win32::sim::Call;

constexpr std::uint32_t kSectorBytes = 512;
constexpr std::uint32_t kChunkSectors = 32;  // the surface test's chunk
constexpr std::uint8_t kPattern = 0xFF;

// 9x requests, told apart by their registers.
constexpr win32::REGISTER kLockRequest = 0x484A;
constexpr win32::REGISTER kUnlockRequest = 0x486A;
constexpr win32::REGISTER kParamsRequest = 0x0860;
constexpr win32::REGISTER kWriteFlags = 0x6001;

// System-area sectors of the four classes, by size in MiB.
const std::map<std::uint32_t, std::uint32_t> kSystemAreaSectors = {
    {31, 157}, {63, 285}, {95, 413}, {127, 541}};
const std::map<std::uint32_t, std::uint32_t> kSectorsPerFat = {
    {31, 62}, {63, 126}, {95, 190}, {127, 254}};
// NT capacity probes, 1 sector each.
const std::set<std::uint32_t> kProbeSectors = {227328, 161792, 96256, 32768};

// The disk's earlier format: a system area of the largest class, all zero
// but for the bad-cluster mark in these FAT 1 entries.
constexpr std::uint32_t kOldSystemAreaSectors = 541;
constexpr std::uint32_t kOldBadEntries[] = {5, 700};

constexpr std::uint64_t MiB(std::uint64_t n) {
    return n << 20;
}

using SectorBytes = std::array<std::uint8_t, kSectorBytes>;

const SectorBytes& PatternSector() {
    static const SectorBytes bytes = [] {
        SectorBytes b{};
        b.fill(kPattern);
        return b;
    }();
    return bytes;
}

// What a sector held before the job: the earlier system area, then data
// that differs from sector to sector and never holds the test pattern.
void PristineSector(std::uint64_t sector, std::uint8_t* out) {
    if (sector < kOldSystemAreaSectors) {
        std::memset(out, 0, kSectorBytes);
        for (std::uint32_t entry : kOldBadEntries) {
            const std::uint64_t at = kSectorBytes + 2 * std::uint64_t{entry};
            if (at / kSectorBytes != sector) continue;
            out[at % kSectorBytes] = 0xF7;
            out[at % kSectorBytes + 1] = 0xFF;
        }
        return;
    }
    static const SectorBytes base = [] {
        SectorBytes b{};
        for (std::uint32_t i = 0; i < kSectorBytes; ++i)
            b[i] = static_cast<std::uint8_t>((i * 37 + 11) & 0x7F);
        return b;
    }();
    // Seven-bit bytes: never 0xFF.
    const auto mix = static_cast<std::uint8_t>(((sector * 2654435761u) >> 13) & 0x7F);
    for (std::uint32_t i = 0; i < kSectorBytes; ++i) out[i] = base[i] ^ mix;
}

// A medium that keeps, for each sector, whether it is untouched, holds the
// test pattern, or holds bytes of its own: a fresh disk per run costs
// nothing, and a Low format's 0xFF costs no memory.
class SparseDisk : public win32::sim::Disk {
  public:
    explicit SparseDisk(std::uint64_t size)
        : size_(size), slots_(static_cast<std::size_t>(size / kSectorBytes), kUntouched) {}

    std::uint64_t Size() const override { return size_; }

    bool Read(std::uint64_t offset, void* buffer, std::size_t size) const override {
        if (offset > size_ || size > size_ - offset) return false;
        auto* out = static_cast<std::uint8_t*>(buffer);
        while (size > 0) {
            const std::uint64_t sector = offset / kSectorBytes;
            const std::size_t at = static_cast<std::size_t>(offset % kSectorBytes);
            const std::size_t part = std::min<std::size_t>(size, kSectorBytes - at);
            if (part == kSectorBytes) {
                Current(sector, out);
            } else {
                SectorBytes whole;
                Current(sector, whole.data());
                std::memcpy(out, whole.data() + at, part);
            }
            offset += part;
            out += part;
            size -= part;
        }
        return true;
    }

    bool Write(std::uint64_t offset, const void* buffer, std::size_t size) override {
        if (offset > size_ || size > size_ - offset) return false;
        const auto* in = static_cast<const std::uint8_t*>(buffer);
        while (size > 0) {
            const std::uint64_t sector = offset / kSectorBytes;
            const std::size_t at = static_cast<std::size_t>(offset % kSectorBytes);
            const std::size_t part = std::min<std::size_t>(size, kSectorBytes - at);
            std::uint32_t& slot = slots_[static_cast<std::size_t>(sector)];
            if (slot < kFirstStored && part == kSectorBytes &&
                std::memcmp(in, PatternSector().data(), kSectorBytes) == 0) {
                slot = kPatternFill;
            } else {
                if (slot < kFirstStored) {
                    SectorBytes now;
                    Current(sector, now.data());
                    stored_.push_back(now);
                    slot = static_cast<std::uint32_t>(stored_.size() - 1) + kFirstStored;
                }
                std::memcpy(stored_[slot - kFirstStored].data() + at, in, part);
            }
            offset += part;
            in += part;
            size -= part;
        }
        return true;
    }

    std::uint64_t Sectors() const { return slots_.size(); }
    bool HoldsPattern(std::uint64_t sector) const {
        const std::uint32_t slot = slots_[static_cast<std::size_t>(sector)];
        return slot == kPatternFill ||
               (slot >= kFirstStored && std::memcmp(stored_[slot - kFirstStored].data(),
                                                    PatternSector().data(), kSectorBytes) == 0);
    }
    bool Unchanged(std::uint64_t sector) const {
        const std::uint32_t slot = slots_[static_cast<std::size_t>(sector)];
        if (slot == kUntouched) return true;
        if (slot == kPatternFill) return false;  // what it held was never the pattern
        SectorBytes before;
        PristineSector(sector, before.data());
        return std::memcmp(stored_[slot - kFirstStored].data(), before.data(), kSectorBytes) == 0;
    }
    bool Holds(std::uint64_t sector, const std::uint8_t* bytes) const {
        SectorBytes now;
        Current(sector, now.data());
        return std::memcmp(now.data(), bytes, kSectorBytes) == 0;
    }

  private:
    static constexpr std::uint32_t kUntouched = 0;
    static constexpr std::uint32_t kPatternFill = 1;
    static constexpr std::uint32_t kFirstStored = 2;

    void Current(std::uint64_t sector, std::uint8_t* out) const {
        const std::uint32_t slot = slots_[static_cast<std::size_t>(sector)];
        if (slot == kUntouched)
            PristineSector(sector, out);
        else if (slot == kPatternFill)
            std::memset(out, kPattern, kSectorBytes);
        else
            std::memcpy(out, stored_[slot - kFirstStored].data(), kSectorBytes);
    }

    std::uint64_t size_;
    std::vector<std::uint32_t> slots_;
    std::vector<SectorBytes> stored_;
};

enum class FaultKind { Transient, Persistent, Short, Lost };
constexpr FaultKind kFaultKinds[] = {FaultKind::Transient, FaultKind::Persistent, FaultKind::Short,
                                     FaultKind::Lost};

const char* FaultName(FaultKind kind) {
    switch (kind) {
        case FaultKind::Transient:
            return "fails once";
        case FaultKind::Persistent:
            return "fails from here on";
        case FaultKind::Short:
            return "moves fewer bytes";
        case FaultKind::Lost:
            return "drive lost";
    }
    return "?";
}

const char* FaultTag(FaultKind kind) {
    switch (kind) {
        case FaultKind::Transient:
            return "FailsOnce";
        case FaultKind::Persistent:
            return "FailsFromThereOn";
        case FaultKind::Short:
            return "MovesFewerBytes";
        case FaultKind::Lost:
            return "DriveLost";
    }
    return "?";
}

const char* FlavourName(Flavour flavour) {
    return flavour == Flavour::Windows98 ? "Windows98" : "Windows2K";
}

// What a call is, for a failure message and the figures.
std::string Describe(const Call& call) {
    std::string text = call.function;
    if (!call.name.empty()) text += " " + call.name;
    if (call.function == "DeviceIoControl") {
        const win32::REGISTER ecx = call.registersIn.reg_ECX;
        if (call.packet)
            text += call.registersIn.reg_ESI == kWriteFlags ? " sector write" : " sector read";
        else if (ecx == kLockRequest)
            text += " lock";
        else if (ecx == kUnlockRequest)
            text += " unlock";
        else if (ecx == kParamsRequest)
            text += " device parameters";
    }
    if (call.function == "ReadFile" || call.function == "WriteFile")
        text += " " + std::to_string(call.size) + " bytes";
    if (call.packet) text += " " + std::to_string(call.packet->diSectors) + " sectors";
    return text;
}

// One sector transfer as the record shows it, with what it really moved.
struct Transfer {
    int call = 0;  // number of the call
    bool write = false;
    std::uint32_t sector = 0;
    std::uint32_t sectors = 0;  // asked for
    std::uint32_t moved = 0;    // sectors moved
    bool ok = false;
    bool Complete() const { return ok && moved == sectors; }
};

std::vector<Transfer> TransfersOf(const std::vector<Call>& calls) {
    std::vector<Transfer> transfers;
    std::map<win32::HANDLE, std::uint64_t> position;
    for (const Call& call : calls) {
        if (call.function == "SetFilePointer") {
            if (call.ok) position[call.handle] = static_cast<std::uint32_t>(call.distance);
        } else if (call.function == "ReadFile" || call.function == "WriteFile") {
            const std::uint64_t at = position[call.handle];
            transfers.push_back({call.number, call.function == "WriteFile",
                                 static_cast<std::uint32_t>(at / kSectorBytes),
                                 call.size / kSectorBytes, call.moved / kSectorBytes, call.ok});
            position[call.handle] = at + call.moved;
        } else if (call.function == "DeviceIoControl" && call.packet) {
            transfers.push_back({call.number, call.registersIn.reg_ESI == kWriteFlags,
                                 call.packet->diStartSector, call.packet->diSectors,
                                 call.moved / kSectorBytes, call.ok});
        }
    }
    return transfers;
}

using Boxes = std::vector<std::pair<std::string, std::string>>;

// The rows of the failure tables, and the results.
enum class Row { Results, Unsupported, FormatFail, LockError, SystemAreaError, Other };
constexpr int kRowCount = 6;
const char* RowName(Row row) {
    switch (row) {
        case Row::Results:
            return "[results]";
        case Row::Unsupported:
            return "[Unsupported type, Format fail!]";
        case Row::FormatFail:
            return "[Format fail!]";
        case Row::LockError:
            return "[Lock volume error!, Format fail!]";
        case Row::SystemAreaError:
            return "[System area error!, Format fail!]";
        case Row::Other:
            return "[anything else]";
    }
    return "?";
}

Row RowOf(const Boxes& boxes) {
    const std::pair<std::string, std::string> fail{"Sorry!", "Format fail!"};
    if (boxes.size() == 1 && boxes[0].first == "Format Results - Removable Disk(E:)")
        return Row::Results;
    if (boxes.size() == 1 && boxes[0] == fail) return Row::FormatFail;
    if (boxes.size() == 2 && boxes[1] == fail && boxes[0].first == "Sorry!") {
        if (boxes[0].second == "Unsupported type\xA3\xA1") return Row::Unsupported;
        if (boxes[0].second == "Lock volume error!") return Row::LockError;
        if (boxes[0].second == "System area error!") return Row::SystemAreaError;
    }
    return Row::Other;
}

struct Scenario {
    Mode mode;
    Flavour flavour;
    std::uint32_t mib;
};

std::string Name(const Scenario& s) {
    return std::string(ModeName(s.mode)) + " " + FlavourName(s.flavour) + " class " +
           std::to_string(s.mib);
}

// One run of the job on a fresh disk, and what it left behind.
struct JobRun {
    std::unique_ptr<JobRig> rig;
    std::shared_ptr<SparseDisk> disk;
    Boxes boxes;  // after the erase warning
    bool seenWarning = false;
    const std::vector<Call>& Calls() const { return rig->machine.Calls(); }
};

// `calls`: about how many calls the job makes (0: not known).
void RunJobWith(const Scenario& s, std::optional<std::pair<FaultKind, int>> fault, int calls,
                JobRun& run) {
    run.rig = std::make_unique<JobRig>(s.flavour);
    JobRig& rig = *run.rig;
    constexpr int kCallsToSpare = 64;
    if (calls > 0) rig.machine.ReserveCalls(static_cast<std::size_t>(calls + kCallsToSpare));
    run.disk = std::make_shared<SparseDisk>(MiB(s.mib));
    win32::sim::DriveSpec driveSpec;
    driveSpec.disk = run.disk;
    rig.machine.AddDrive('E', driveSpec);
    rig.host.onMessageBox = [&run](const dlg::MessageBoxRecord& box) {
        if (!run.seenWarning && box.caption == "Warning")
            run.seenWarning = true;
        else if (run.seenWarning)
            run.boxes.emplace_back(box.caption, box.text);
        return 0;  // the scripted answer
    };
    // The host logs every text a control takes and looks back through the
    // log on each change; nothing here reads it, and a Low job would make
    // it long. The boxes are taken above.
    rig.host.onPump = [&rig](int) { rig.host.ClearLogs(); };
    if (fault) {
        rig.onJobStart = [&rig, f = *fault] {
            switch (f.first) {
                case FaultKind::Transient:
                    rig.machine.FailCall(f.second);
                    break;
                case FaultKind::Persistent:
                    rig.machine.FailCallsFrom(f.second);
                    break;
                case FaultKind::Short:
                    rig.machine.ShortCall(f.second);
                    break;
                case FaultKind::Lost:
                    rig.machine.LoseDriveAt('E', f.second);
                    break;
            }
        };
    }
    rig.RunJob(s.mode);
}

// What is wrong with the dialog, the handles and the heap after a run.
std::vector<std::string> IdleProblems(const JobRig& rig) {
    std::vector<std::string> problems;
    for (int id : {kIdFormatNow, kIdDriveBox, kIdLabelBox, kIdQuick, kIdFull, kIdLow})
        if (!rig.dialog.IsItemEnabled(id))
            problems.push_back("control " + std::to_string(id) + " disabled");
    if (rig.dialog.GetDlgItemText(kIdExit) != rig.dialog.m_strQuit)
        problems.push_back("Exit reads " + rig.dialog.GetDlgItemText(kIdExit));
    if (rig.dialog.m_bBusy != 0) problems.push_back("m_bBusy is set");
    if (rig.dialog.GetDlgItemText(kIdCurrentLine) != "Current:")
        problems.push_back("progress line reads " + rig.dialog.GetDlgItemText(kIdCurrentLine));
    if (rig.host.CurrentCursor() != dlg::Cursor::Arrow)
        problems.push_back("cursor is not the arrow");
    if (rig.dialog.FocusId() != kIdDriveBox) problems.push_back("focus is not on the drive box");
    if (rig.machine.OpenHandles() != 0)
        problems.push_back(std::to_string(rig.machine.OpenHandles()) + " handles open");
    if (rig.machine.InvalidHandleUses() != 0)
        problems.push_back(std::to_string(rig.machine.InvalidHandleUses()) +
                           " invalid handle uses");
    return problems;
}

// A clean run of one mode and class: its calls, its boxes, the system area
// it wrote, and where its capacity detection and its old-FAT read end.
struct Reference {
    int calls = 0;
    Boxes boxes;
    std::vector<std::uint8_t> systemArea;
    std::vector<Transfer> transfers;
    int capacityEnd = 0;  // number of the last call of the capacity detection
    int oldFatEnd = 0;    // ... of the old-FAT read (Quick), 0: none
};

bool IsProbe(const Transfer& t) {
    return !t.write && t.sectors == 1 && kProbeSectors.count(t.sector) != 0;
}
bool IsOldFatRead(const Transfer& t, std::uint32_t mib) {
    return !t.write && t.sector == 1 && t.sectors == kSectorsPerFat.at(mib);
}

// The number of the call that closes the operation which made call `from`.
int OperationEnd(const std::vector<Call>& calls, int from) {
    for (const Call& call : calls)
        if (call.number > from && call.function == "CloseHandle") return call.number;
    return from;
}

using ReferenceKey = std::tuple<Mode, Flavour, std::uint32_t>;

Reference CleanRun(const Scenario& s) {
    JobRun run;
    RunJobWith(s, std::nullopt, 0, run);
    Reference ref;
    ref.calls = static_cast<int>(run.Calls().size());
    ref.boxes = run.boxes;
    ref.systemArea.resize(kSystemAreaSectors.at(s.mib) * kSectorBytes);
    run.disk->Read(0, ref.systemArea.data(), ref.systemArea.size());
    ref.transfers = TransfersOf(run.Calls());
    int lastMeasure = 0, oldFat = 0;
    for (const Call& call : run.Calls())
        if (call.function == "DeviceIoControl" && call.registersIn.reg_ECX == kParamsRequest)
            lastMeasure = call.number;
    for (const Transfer& t : ref.transfers) {
        if (IsProbe(t)) lastMeasure = std::max(lastMeasure, t.call);
        if (s.mode == Mode::Quick && IsOldFatRead(t, s.mib)) oldFat = t.call;
    }
    ref.capacityEnd = OperationEnd(run.Calls(), lastMeasure);
    if (oldFat != 0) ref.oldFatEnd = OperationEnd(run.Calls(), oldFat);
    return ref;
}

// The clean runs a checked run's results may be those of: its own, those
// of every lower class (a failed probe lowers the size) and, for Quick,
// those of Full (a failed old-FAT read). Made once per process, for the
// flavours asked for.
const std::map<ReferenceKey, Reference>& References(Flavour flavour, bool low) {
    static std::map<ReferenceKey, Reference> made;
    for (Mode mode : {Mode::Quick, Mode::Full})
        for (const auto& [mib, sectors] : kSystemAreaSectors)
            if (!made.count({mode, flavour, mib}))
                made[{mode, flavour, mib}] = CleanRun({mode, flavour, mib});
    if (low && !made.count({Mode::Low, flavour, 31}))
        made[{Mode::Low, flavour, 31}] = CleanRun({Mode::Low, flavour, 31});
    return made;
}

struct Figures {
    int runs = 0;
    std::set<std::tuple<Mode, Flavour, std::uint32_t, int>> faulted;  // distinct failing calls
    std::set<std::string> kindsOfCall;
    std::array<int, kRowCount> rows{};
    int lockLeftByFailedUnlock = 0;
    int lockLeftAfterOneFailure = 0;  // ... when the fault was one failing call
    int lowered = 0, quickAsFull = 0;
    int failing = 0;

    void Add(const Figures& other) {
        runs += other.runs;
        faulted.insert(other.faulted.begin(), other.faulted.end());
        kindsOfCall.insert(other.kindsOfCall.begin(), other.kindsOfCall.end());
        for (std::size_t r = 0; r < rows.size(); ++r) rows[r] += other.rows[r];
        lockLeftByFailedUnlock += other.lockLeftByFailedUnlock;
        lockLeftAfterOneFailure += other.lockLeftAfterOneFailure;
        lowered += other.lowered;
        quickAsFull += other.quickAsFull;
        failing += other.failing;
    }

    void Print(const std::string& title) const {
        std::printf("%s: %d runs, %zu distinct failing calls, %zu kinds of call\n", title.c_str(),
                    runs, faulted.size(), kindsOfCall.size());
        for (std::size_t r = 0; r < rows.size(); ++r)
            std::printf("  %-36s %d\n", RowName(static_cast<Row>(r)), rows[r]);
        std::printf("  results of a lower class after a failed probe: %d\n", lowered);
        std::printf("  Quick reported as Full after a failed old-FAT read: %d\n", quickAsFull);
        std::printf(
            "  lock left held by a failed unlock request: %d, of them after one failing "
            "call: %d\n",
            lockLeftByFailedUnlock + lockLeftAfterOneFailure, lockLeftAfterOneFailure);
        std::printf("  runs failing a check: %d\n", failing);
        std::fflush(stdout);
    }
};

Figures& AllFigures() {
    static Figures figures;
    return figures;
}

class FaultChecker {
  public:
    explicit FaultChecker(const std::map<ReferenceKey, Reference>& refs) : refs_(refs) {}

    // Checks one run whose fault began at call n; returns what is wrong
    // with it (empty: nothing).
    std::vector<std::string> Check(const Scenario& s, int n, FaultKind kind, const JobRun& run,
                                   Figures& figures) const {
        std::vector<std::string> wrong = IdleProblems(*run.rig);
        const Row row = RowOf(run.boxes);
        ++figures.rows[static_cast<std::size_t>(row)];
        const std::vector<Transfer> transfers = TransfersOf(run.Calls());
        const bool anyWrite = std::any_of(transfers.begin(), transfers.end(),
                                          [](const Transfer& t) { return t.write && t.moved > 0; });

        if (row == Row::Other) {
            std::string seen;
            for (const auto& [caption, text] : run.boxes)
                seen += "[" + caption + ": " + text + "] ";
            wrong.push_back("the user saw no row of the tables: " + seen);
        }
        // A refused size writes nothing; a refused lock keeps the disk as it
        // was before the request that needed it: untouched, or in Low mode
        // the surface test's pattern when the system-area write was refused.
        const bool imageWrite = std::any_of(
            transfers.begin(), transfers.end(),
            [](const Transfer& t) { return t.write && t.moved > 0 && t.sectors > kChunkSectors; });
        if (row == Row::Unsupported && anyWrite)
            wrong.push_back("a refused size wrote to the disk");
        if (row == Row::LockError && (imageWrite || (s.mode != Mode::Low && anyWrite)))
            wrong.push_back("a refused lock let a write through");

        // Failures that a results box may follow: in the capacity detection
        // (the size only drops) and in the old-FAT read of a Quick format (it
        // turns into a Full one), both before anything is written. Any other
        // transfer that did not move all it was asked to must end the job.
        const Reference& own = refs_.at({s.mode, s.flavour, s.mib});
        const bool faultInMeasure = n <= own.capacityEnd;
        const bool faultInOldFat = !faultInMeasure && n <= own.oldFatEnd;
        bool failedOther = false, oldFatRead = false, writeSeen = false;
        for (const Transfer& t : transfers) {
            if (t.write) writeSeen = true;
            // The old FAT lies at sector 1, with the size of the class measured.
            const bool oldFat = !writeSeen && s.mode == Mode::Quick && !t.write && t.sector == 1;
            if (oldFat && t.Complete()) oldFatRead = true;
            if (t.Complete() || (!writeSeen && IsProbe(t)) || oldFat) continue;
            failedOther = true;
        }

        // The clean run whose figures the results show.
        const Reference* shown = nullptr;
        if (row == Row::Results) {
            if (failedOther) wrong.push_back("a results box follows a failed or short transfer");
            Mode shownMode = s.mode;
            std::uint32_t shownMib = 0;
            for (const auto& [key, ref] : refs_) {
                const auto& [mode, flavour, mib] = key;
                if (flavour != s.flavour || mib > s.mib || ref.boxes != run.boxes) continue;
                if (mode != s.mode && !(s.mode == Mode::Quick && mode == Mode::Full)) continue;
                shown = &ref;
                shownMode = mode;
                shownMib = mib;
            }
            if (!shown) {
                wrong.push_back("results of no class: " + run.boxes[0].second);
            } else {
                if (shownMib != s.mib) {
                    ++figures.lowered;
                    if (!faultInMeasure)
                        wrong.push_back("a lower class without a fault in the capacity detection");
                }
                if (shownMode != s.mode) {
                    ++figures.quickAsFull;
                    if (!faultInOldFat)
                        wrong.push_back("Full results without a fault in the old-FAT read");
                }
                if (s.mode == Mode::Quick && shownMode == Mode::Quick && !oldFatRead)
                    wrong.push_back(
                        "bad marks carried over from an old FAT that could not be read");
            }
        }

        CheckDisk(s, run, transfers, row, shown, wrong);
        CheckLock(run, kind, figures, wrong);
        return wrong;
    }

  private:
    // Replays the transfers that moved bytes: the disk must hold exactly
    // what they wrote, and what it held before everywhere else.
    void CheckDisk(const Scenario& s, const JobRun& run, const std::vector<Transfer>& transfers,
                   Row row, const Reference* shown, std::vector<std::string>& wrong) const {
        enum Source : std::uint8_t { Before, PatternFill, Image };
        const std::uint64_t totalSectors = run.disk->Sectors();
        std::vector<std::uint8_t> expected(static_cast<std::size_t>(totalSectors), Before);
        std::uint32_t imageSectors = 0;
        for (const Transfer& t : transfers) {
            if (!t.write || t.moved == 0) continue;
            // The surface test writes chunks; the system area goes in one write.
            const bool image = t.sectors > kChunkSectors;
            if (image) {
                if (t.sector != 0)
                    wrong.push_back("the system area went to sector " + std::to_string(t.sector));
                imageSectors = std::max(imageSectors, t.moved);
            }
            for (std::uint32_t i = 0; i < t.moved && t.sector + i < totalSectors; ++i)
                expected[t.sector + i] = image ? Image : PatternFill;
        }
        if (s.mode == Mode::Low) {
            // The surface test covers the disk from sector 0 on, chunk after
            // chunk: what it reached is one run of sectors from the start.
            const auto reached = std::find(expected.begin(), expected.end(), Before);
            if (std::find_if(reached, expected.end(), [](std::uint8_t e) { return e != Before; }) !=
                expected.end())
                wrong.push_back("the surface test left sector " +
                                std::to_string(reached - expected.begin()) +
                                " out and went on past it");
            if (row == Row::Results && reached != expected.end())
                wrong.push_back("a Low format reported results with sector " +
                                std::to_string(reached - expected.begin()) + " untested");
        }
        if (row == Row::Results && shown && imageSectors * kSectorBytes != shown->systemArea.size())
            wrong.push_back("the results follow a system area of " + std::to_string(imageSectors) +
                            " sectors");

        // The images the written system area may come from.
        std::vector<const Reference*> images;
        if (shown) {
            images.push_back(shown);
        } else if (imageSectors > 0) {
            for (const auto& [key, ref] : refs_) {
                const auto& [mode, flavour, mib] = key;
                if (flavour != s.flavour || ref.systemArea.size() < imageSectors * kSectorBytes)
                    continue;
                if (mode == s.mode || (s.mode == Mode::Quick && mode == Mode::Full))
                    images.push_back(&ref);
            }
        }
        bool imageMatches = imageSectors == 0;
        for (const Reference* ref : images) {
            bool same = true;
            for (std::uint32_t sector = 0; same && sector < imageSectors; ++sector)
                same = expected[sector] != Image ||
                       run.disk->Holds(sector, ref->systemArea.data() + sector * kSectorBytes);
            imageMatches = imageMatches || same;
        }
        if (!imageMatches) wrong.push_back("the system area on disk is not the one of a clean run");

        for (std::uint64_t sector = 0; sector < totalSectors; ++sector) {
            const std::uint8_t e = expected[static_cast<std::size_t>(sector)];
            if (e == PatternFill && !run.disk->HoldsPattern(sector)) {
                wrong.push_back("sector " + std::to_string(sector) +
                                " does not hold the test pattern");
                return;
            }
            if (e == Before && !run.disk->Unchanged(sector)) {
                wrong.push_back("sector " + std::to_string(sector) +
                                " changed though nothing wrote it");
                return;
            }
        }
    }

    // The volume lock is held at the end only when a request that should
    // have released it never got through: a failed unlock, or a failed open
    // of the device the unlock goes through.
    static void CheckLock(const JobRun& run, FaultKind kind, Figures& figures,
                          std::vector<std::string>& wrong) {
        int granted = 0, released = 0, failedReleases = 0;
        for (const Call& call : run.Calls()) {
            const bool request = call.function == "DeviceIoControl";
            if (request && call.registersIn.reg_ECX == kLockRequest && call.ok) {
                ++granted;
            } else if (request && call.registersIn.reg_ECX == kUnlockRequest) {
                // A lost medium still lets the unlock release the lock.
                if (call.ok)
                    ++released;
                else if (granted > released)
                    ++failedReleases;
            } else if (granted > released && call.function == "CreateFileA" &&
                       call.name == "\\\\.\\VWIN32" && !call.ok) {
                ++failedReleases;
            }
        }
        const int locks = run.rig->machine.HeldLocks();
        if (locks != granted - released)
            wrong.push_back(std::to_string(locks) + " volume lock(s) held after " +
                            std::to_string(granted) + " granted and " + std::to_string(released) +
                            " released");
        if (locks > failedReleases)
            wrong.push_back(std::to_string(locks) + " volume lock(s) held with " +
                            std::to_string(failedReleases) + " failed unlock(s)");
        else if (locks > 0)
            ++(kind == FaultKind::Transient ? figures.lockLeftAfterOneFailure
                                            : figures.lockLeftByFailedUnlock);
    }

    const std::map<ReferenceKey, Reference>& refs_;
};

// The calls of a Low run to fault: everything up to the end of the first
// data chunk (the system-area pass with it), everything from the last two
// data chunks on (the marking and the final write with them), and a fixed,
// seeded sample in between.
std::vector<int> LowCallsToFault(const Scenario& s, const Reference& ref) {
    const std::uint32_t firstData = kSystemAreaSectors.at(s.mib);
    std::vector<int> dataReads;  // call numbers of the data chunks' read-backs
    for (const Transfer& t : ref.transfers)
        if (!t.write && t.sector >= firstData && t.sectors <= kChunkSectors)
            dataReads.push_back(t.call);
    const int headEnd = dataReads.front();
    const int tailStart = dataReads[dataReads.size() - 3] + 1;
    std::vector<int> calls;
    for (int n = 1; n <= headEnd; ++n) calls.push_back(n);
    std::mt19937 random(20261211);
    std::uniform_int_distribution<int> between(headEnd + 1, tailStart - 1);
    std::set<int> sample;
    constexpr std::size_t kSampleSize = 320;
    while (sample.size() < kSampleSize) sample.insert(between(random));
    calls.insert(calls.end(), sample.begin(), sample.end());
    for (int n = tailStart; n <= ref.calls; ++n) calls.push_back(n);
    return calls;
}

// One test: a mode on a flavour, over its classes, with every kind of fault
// or with one.
struct Shard {
    Mode mode;
    Flavour flavour;
    std::optional<FaultKind> kind;
};

std::string ShardName(const Shard& shard);
void PrintTo(const Shard& shard, std::ostream* out) {
    *out << ShardName(shard);
}

std::string ShardName(const Shard& shard) {
    std::string name = std::string(ModeName(shard.mode)) + "_" + FlavourName(shard.flavour);
    if (shard.kind) name += std::string("_") + FaultTag(*shard.kind);
    return name;
}

class JobFaultInjection : public ::testing::TestWithParam<Shard> {};

TEST_P(JobFaultInjection, EveryFailingCallEndsInARowOfTheFailureTables) {
    const Shard shard = GetParam();
    const auto& refs = References(shard.flavour, shard.mode == Mode::Low);
    for (const auto& [key, ref] : refs)
        ASSERT_EQ(RowOf(ref.boxes), Row::Results)
            << "clean run " << Name({std::get<0>(key), std::get<1>(key), std::get<2>(key)});

    std::vector<Scenario> scenarios;
    for (std::uint32_t mib : {31u, 127u})
        if (shard.mode != Mode::Low || mib == 31)
            scenarios.push_back({shard.mode, shard.flavour, mib});
    std::vector<FaultKind> kinds(std::begin(kFaultKinds), std::end(kFaultKinds));
    if (shard.kind) kinds = {*shard.kind};

    const FaultChecker checker(refs);
    Figures figures;
    std::vector<std::string> failures;
    for (const Scenario& s : scenarios) {
        const Reference& ref = refs.at({s.mode, s.flavour, s.mib});
        std::vector<int> calls;
        if (s.mode == Mode::Low) {
            calls = LowCallsToFault(s, ref);
        } else {
            for (int n = 1; n <= ref.calls; ++n) calls.push_back(n);
        }
        for (int n : calls) {
            for (FaultKind kind : kinds) {
                JobRun run;
                RunJobWith(s, std::make_pair(kind, n), ref.calls, run);
                ++figures.runs;
                const std::vector<std::string> wrong = checker.Check(s, n, kind, run, figures);
                const std::string call =
                    n <= static_cast<int>(run.Calls().size())
                        ? Describe(run.Calls()[static_cast<std::size_t>(n - 1)])
                        : std::string("(no such call)");
                figures.kindsOfCall.insert(call);
                figures.faulted.insert({s.mode, s.flavour, s.mib, n});
                if (wrong.empty()) continue;
                ++figures.failing;
                std::ostringstream message;
                message << Name(s) << ", call " << n << " (" << call << ") " << FaultName(kind)
                        << ":";
                for (const std::string& w : wrong) message << "\n  " << w;
                failures.push_back(message.str());
            }
        }
    }
#ifdef KV_LEAK_CHECK
    // A buffer a run did not free shows here, before the process ends.
    EXPECT_EQ(__lsan_do_recoverable_leak_check(), 0) << "memory left allocated by the runs";
#endif

    constexpr std::size_t kShownFailures = 40;
    for (std::size_t i = 0; i < std::min(failures.size(), kShownFailures); ++i)
        ADD_FAILURE() << failures[i];
    if (failures.size() > kShownFailures)
        ADD_FAILURE() << failures.size() - kShownFailures << " more failing runs";
    figures.Print("fault injection, " + ShardName(shard));
    AllFigures().Add(figures);
}

std::vector<Shard> Shards() {
    std::vector<Shard> shards;
    for (Flavour flavour : {Flavour::Windows98, Flavour::Windows2K}) {
        shards.push_back({Mode::Quick, flavour, std::nullopt});
        shards.push_back({Mode::Full, flavour, std::nullopt});
        for (FaultKind kind : kFaultKinds) shards.push_back({Mode::Low, flavour, kind});
    }
    return shards;
}

INSTANTIATE_TEST_SUITE_P(ByModeAndFlavour, JobFaultInjection, ::testing::ValuesIn(Shards()),
                         [](const auto& p) { return ShardName(p.param); });

// The figures of every shard this process ran, added up.
class TotalFigures : public ::testing::Environment {
  public:
    void TearDown() override {
        if (AllFigures().runs > 0) AllFigures().Print("fault injection, all shards run");
    }
};
[[maybe_unused]] const auto* const kTotals = ::testing::AddGlobalTestEnvironment(new TotalFigures);

}  // namespace
}  // namespace kerfa::testing
