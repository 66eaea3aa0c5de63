#include "format/layout/tests/tool_runner.h"

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

namespace kerfa::layout::testing {

std::string FindTool(const std::string& name) {
    std::string dirs = std::getenv("PATH") ? std::getenv("PATH") : "";
    dirs += ":/usr/sbin:/sbin";
    std::istringstream in(dirs);
    std::string dir;
    while (std::getline(in, dir, ':')) {
        if (dir.empty()) continue;
        const std::filesystem::path candidate = std::filesystem::path(dir) / name;
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) return candidate.string();
    }
    return {};
}

ToolResult RunTool(const std::string& tool, const std::string& arguments) {
    const std::string path = FindTool(tool);
    if (path.empty()) return {127, tool + ": not installed (scripts/setup.sh installs it)"};
    const std::string command = "MTOOLS_SKIP_CHECK=1 '" + path + "' " + arguments + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return {-1, "popen failed: " + command};
    std::string output;
    std::array<char, 4096> chunk{};
    std::size_t n = 0;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) > 0)
        output.append(chunk.data(), n);
    const int status = pclose(pipe);
    const int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return {exitCode, output};
}

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "kerfa-layout-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

}  // namespace kerfa::layout::testing
