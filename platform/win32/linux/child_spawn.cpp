#include "platform/win32/linux/child_spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

namespace win32::linux_host {

namespace {

std::vector<char*> PointersOf(const std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    pointers.reserve(strings.size() + 1);
    for (const std::string& s : strings) pointers.push_back(const_cast<char*>(s.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

// Owns the two posix_spawn objects for the length of one start.
class SpawnSetup {
  public:
    SpawnSetup() {
        actionsReady_ = ::posix_spawn_file_actions_init(&actions_) == 0;
        attributesReady_ = ::posix_spawnattr_init(&attributes_) == 0;
    }
    ~SpawnSetup() {
        if (actionsReady_) ::posix_spawn_file_actions_destroy(&actions_);
        if (attributesReady_) ::posix_spawnattr_destroy(&attributes_);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    // errno of the first step that failed, else 0.
    int Prepare(const SpawnRequest& request) {
        if (!actionsReady_ || !attributesReady_) return ENOMEM;
        // The child starts with nothing blocked and with the default action
        // for a broken pipe, whatever this program has set for itself.
        sigset_t none;
        sigset_t defaults;
        sigemptyset(&none);
        sigemptyset(&defaults);
        sigaddset(&defaults, SIGPIPE);
        int error = ::posix_spawnattr_setsigmask(&attributes_, &none);
        if (error == 0) error = ::posix_spawnattr_setsigdefault(&attributes_, &defaults);
        if (error == 0) {
            error = ::posix_spawnattr_setflags(&attributes_,
                                               POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
        }
        // The directory first: a relative input file is found from there.
        if (error == 0 && !request.directory.empty()) {
            error = ::posix_spawn_file_actions_addchdir_np(&actions_, request.directory.c_str());
        }
        if (error == 0 && !request.inputPath.empty()) {
            error = ::posix_spawn_file_actions_addopen(&actions_, STDIN_FILENO,
                                                       request.inputPath.c_str(), O_RDONLY, 0);
        }
        if (error == 0 && request.outputToErrors) {
            error = ::posix_spawn_file_actions_adddup2(&actions_, STDERR_FILENO, STDOUT_FILENO);
        }
        return error;
    }

    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attributes() const { return &attributes_; }

  private:
    posix_spawn_file_actions_t actions_{};
    posix_spawnattr_t attributes_{};
    bool actionsReady_ = false;
    bool attributesReady_ = false;
};

}  // namespace

SpawnResult SpawnChild(const SpawnRequest& request) {
    SpawnResult result;
    SpawnSetup setup;
    result.error = setup.Prepare(request);
    if (result.error != 0) return result;

    std::vector<char*> argv = PointersOf(request.arguments);
    std::vector<char*> envp;
    char** environment = environ;
    if (request.environment != nullptr) {
        envp = PointersOf(*request.environment);
        environment = envp.data();
    }
    // glibc reports a failed exec, chdir or open of the child as the result.
    const bool searchPath = request.program.find('/') == std::string::npos;
    pid_t pid = -1;
    result.error = searchPath ? ::posix_spawnp(&pid, request.program.c_str(), setup.actions(),
                                               setup.attributes(), argv.data(), environment)
                              : ::posix_spawn(&pid, request.program.c_str(), setup.actions(),
                                              setup.attributes(), argv.data(), environment);
    if (result.error == 0) result.pid = pid;
    return result;
}

}  // namespace win32::linux_host
