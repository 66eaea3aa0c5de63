// Small helpers the tests share: temporary folders, files and running the
// real tools that check our results.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CommandResult {
    int exitCode = -1;   // the exit status, or -1 when it did not exit normally
    std::string output;  // standard output and standard error together
};

// Runs a shell command line and collects what it prints.
CommandResult RunCommand(const std::string& commandLine);

// Quotes one word for the shell.
std::string ShellQuote(const std::string& word);

// True when `program` is found on PATH.
bool HaveProgram(const std::string& program);

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
// A sparse file of `size` zero bytes.
void MakeSparseFile(const std::filesystem::path& path, std::uint64_t size);

}  // namespace testing_support
