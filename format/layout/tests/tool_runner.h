// Runs the real programs that read what we write (fsck.fat, mtools, objdump).
#pragma once

#include <filesystem>
#include <string>

namespace kerfa::layout::testing {

struct ToolResult {
    int exitCode;
    std::string output;  // stdout and stderr together
};

// Full path of a program on PATH or in /usr/sbin, /sbin (fsck.fat lives there
// and is often not on a user's PATH); empty when not installed.
std::string FindTool(const std::string& name);

// Runs `tool arguments` (arguments already quoted for the shell) with mtools'
// geometry check off. A tool that is not installed gives exit code 127.
ToolResult RunTool(const std::string& tool, const std::string& arguments);

// A fresh directory under the system's temp directory, removed with everything
// in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace kerfa::layout::testing
