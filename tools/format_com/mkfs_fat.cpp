#include "tools/format_com/mkfs_fat.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

extern char** environ;

namespace format_com {

namespace {

constexpr char kMkfsFat[] = "mkfs.fat";
constexpr const char* kSystemFolders[] = {"/usr/sbin", "/sbin"};

bool IsExecutable(const std::string& path) {
    return ::access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::vector<std::string> MkfsArguments(const FormatRequest& request, const std::string& medium) {
    std::vector<std::string> arguments = {kMkfsFat,
                                          "-F",
                                          "16",
                                          "-S",
                                          std::to_string(kSectorBytes),
                                          "-s",
                                          std::to_string(request.clusterBytes / kSectorBytes),
                                          "--mbr=n"};
    if (!request.quick) arguments.emplace_back("-c");
    if (request.label && !request.label->empty()) {
        arguments.emplace_back("-n");
        arguments.push_back(*request.label);
    }
    arguments.emplace_back("--");
    arguments.push_back(medium);
    return arguments;
}

std::string FindMkfsFat() {
    std::vector<std::string> folders;
    if (const char* path = std::getenv("PATH"); path != nullptr) {
        std::string_view rest = path;
        while (!rest.empty()) {
            const std::size_t colon = rest.find(':');
            const std::string_view folder = rest.substr(0, colon);
            if (!folder.empty()) folders.emplace_back(folder);
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
        }
    }
    folders.insert(folders.end(), std::begin(kSystemFolders), std::end(kSystemFolders));
    for (const std::string& folder : folders) {
        const std::string candidate = folder + "/" + kMkfsFat;
        if (IsExecutable(candidate)) return candidate;
    }
    return {};
}

int RunAndWait(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    pid_t pid = -1;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace format_com
