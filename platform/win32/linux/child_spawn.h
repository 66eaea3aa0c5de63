// Starting one child program directly, without a shell.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace win32::linux_host {

struct SpawnRequest {
    std::string program;                 // a path with a slash, else a name searched on PATH
    std::vector<std::string> arguments;  // argv, argv[0] included
    const std::vector<std::string>* environment = nullptr;  // "NAME=value"; nullptr: ours
    std::string directory;        // the child's working directory; empty: ours
    std::string inputPath;        // the child's standard input; empty: ours
    bool outputToErrors = false;  // the child's standard output is our standard error
};

struct SpawnResult {
    pid_t pid = -1;
    int error = 0;  // errno of the failed start (program, directory or input file)
};

SpawnResult SpawnChild(const SpawnRequest& request);

}  // namespace win32::linux_host
