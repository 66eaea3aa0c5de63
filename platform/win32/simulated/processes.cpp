// Programs started on the simulated machine: each does what the test's
// program description says, and ends after a number of waits.
#include "platform/win32/simulated/machine_state.h"

namespace win32::sim {

namespace {

constexpr UINT kWinExecFileNotFound = 2;  // WinExec's "file not found" result
constexpr UINT kWinExecLastFailure = 31;  // WinExec results up to this one are failures
constexpr DWORD kFirstProcessId = 0x400;

}  // namespace

BOOL SimulatedMachine::CreateProcessA(const char* applicationName, char* commandLine,
                                      void* processAttributes, void* threadAttributes,
                                      BOOL inheritHandles, DWORD creationFlags, void* environment,
                                      const char* currentDirectory, STARTUPINFOA* startupInfo,
                                      PROCESS_INFORMATION* processInformation) {
    Call call = state_->Begin("CreateProcessA");
    call.name = commandLine != nullptr ? commandLine : "";
    call.target = applicationName != nullptr ? applicationName : "";
    call.hasSecurity = processAttributes != nullptr || threadAttributes != nullptr;
    call.inheritHandles = inheritHandles;
    call.flags = creationFlags;
    call.hasEnvironment = environment != nullptr;
    if (currentDirectory != nullptr) call.currentDirectory = currentDirectory;
    if (startupInfo != nullptr) call.startupInfo = *startupInfo;
    if (state_->Decide(call).fail) {
        state_->FinishInjected(call);
        return FALSE;
    }
    if (startupInfo == nullptr || processInformation == nullptr ||
        (commandLine == nullptr && applicationName == nullptr)) {
        state_->Finish(call, false, ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const std::string line = commandLine != nullptr ? call.name : call.target;
    const SimulatedProcess program = state_->program ? state_->program(line) : SimulatedProcess{};
    if (program.startFails) {
        state_->Finish(call, false, program.startError);
        return FALSE;
    }
    if (program.atStart) program.atStart();
    auto process = std::make_shared<ProcessState>();
    process->commandLine = line;
    process->pollsLeft = program.runningPolls;
    OpenObject object;
    object.kind = HandleKind::Process;
    object.name = line;
    object.process = process;
    processInformation->hProcess = state_->Open(object);
    object.kind = HandleKind::Thread;
    processInformation->hThread = state_->Open(object);
    const auto started = static_cast<DWORD>(state_->calls.size());
    processInformation->dwProcessId = kFirstProcessId + 8 * started;
    processInformation->dwThreadId = kFirstProcessId + 8 * started + 4;
    call.handle = processInformation->hProcess;
    state_->Finish(call, true);
    return TRUE;
}

DWORD SimulatedMachine::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
    Call call = state_->Begin("WaitForSingleObject");
    call.handle = handle;
    call.timeout = milliseconds;
    OpenObject* object = state_->Find(handle);
    if (object != nullptr) call.name = object->name;
    const Fault fault = state_->Decide(call);
    if (object == nullptr || fault.fail ||
        (object->kind != HandleKind::Process && object->kind != HandleKind::Thread)) {
        call.result = WAIT_FAILED;
        if (fault.fail && object != nullptr) {
            state_->FinishInjected(call);
        } else {
            state_->Finish(call, false, ERROR_INVALID_HANDLE);
        }
        return WAIT_FAILED;
    }
    ProcessState& process = *object->process;
    if (process.pollsLeft > 0 && milliseconds == INFINITE) process.pollsLeft = 0;
    if (process.pollsLeft > 0) {
        // Every wait with a time-out counts as one poll of a running program.
        --process.pollsLeft;
        call.result = WAIT_TIMEOUT;
    } else {
        call.result = WAIT_OBJECT_0;
    }
    state_->Finish(call, true);
    return call.result;
}

UINT SimulatedMachine::WinExec(const char* commandLine, UINT show) {
    Call call = state_->Begin("WinExec");
    call.name = commandLine != nullptr ? commandLine : "";
    call.show = show;
    if (state_->Decide(call).fail) {
        call.result = 0;
        state_->FinishInjected(call);
        return 0;
    }
    const SimulatedProcess program =
        state_->program ? state_->program(call.name) : SimulatedProcess{};
    if (program.startFails) {
        call.result = kWinExecFileNotFound;
        state_->Finish(call, false, program.startError);
        return kWinExecFileNotFound;
    }
    if (program.atStart) program.atStart();
    call.result = state_->winExecResult;
    state_->Finish(call, call.result > kWinExecLastFailure, ERROR_GEN_FAILURE);
    return call.result;
}

int SimulatedMachine::system(const char* command) {
    Call call = state_->Begin("system");
    call.name = command != nullptr ? command : "";
    if (state_->Decide(call).fail) {
        call.result = static_cast<DWORD>(-1);
        state_->FinishInjected(call);
        return -1;
    }
    if (command == nullptr) {  // asks whether a command interpreter exists
        call.result = 1;
        state_->Finish(call, true);
        return 1;
    }
    const SimulatedProcess program =
        state_->program ? state_->program(call.name) : SimulatedProcess{};
    if (program.startFails) {
        call.result = static_cast<DWORD>(-1);
        state_->Finish(call, false, program.startError);
        return -1;
    }
    if (program.atStart) program.atStart();  // system waits: the program has run to its end
    call.result = static_cast<DWORD>(state_->systemResult);
    state_->Finish(call, state_->systemResult != -1, ERROR_GEN_FAILURE);
    return state_->systemResult;
}

}  // namespace win32::sim
