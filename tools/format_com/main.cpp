// format.com for the Linux host: the system formatter that Kerfa's hidden
// path starts. It takes the formatter's command line, asks its one question
// on standard input (or on the answers file that a trailing "< FILE" names)
// and lays a FAT16 filesystem on the drive's medium with mkfs.fat.
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "platform/win32/linux/host_path.h"
#include "tools/format_com/format_request.h"
#include "tools/format_com/medium.h"
#include "tools/format_com/mkfs_fat.h"

namespace {

// The exit codes of the system formatter.
constexpr int kExitFormatted = 0;
constexpr int kExitBadParameters = 1;
constexpr int kExitFatal = 4;
constexpr int kExitDeclined = 5;

int Run(const std::vector<std::string>& arguments) {
    using namespace format_com;
    const ParseResult parsed = ParseArguments(arguments);
    if (!parsed.request) {
        std::cerr << parsed.error << "\n";
        return kExitBadParameters;
    }
    const FormatRequest& request = *parsed.request;
    const std::string driveName = std::string(1, request.drive) + ":";
    const auto medium = MediumOf(request.drive);
    if (!medium) {
        std::cerr << "Invalid drive - " << driveName << " ("
                  << DriveVariable(request.drive) << " names no medium)\n";
        return kExitBadParameters;
    }

    std::ifstream answersFile;
    if (!request.answersPath.empty()) {
        const std::string path = win32::linux_host::SlashPath(request.answersPath);
        answersFile.open(path);
        if (!answersFile) {
            std::cerr << "Can not read the answers from " << path << "\n";
            return kExitFatal;
        }
    }
    std::istream& answers = request.answersPath.empty() ? std::cin : answersFile;

    std::cout << "The type of the file system is FAT.\n"
              << "WARNING, ALL DATA ON DRIVE " << driveName << " WILL BE LOST!\n";
    if (AskToProceed(answers, std::cout) != Confirmation::Yes) {
        std::cout << "The disk was not formatted.\n";
        return kExitDeclined;
    }

    if (const std::string why = WhyNotFormattable(*medium); !why.empty()) {
        std::cerr << why << "; unmount it first\n";
        return kExitFatal;
    }
    const MediumLock lock(*medium);
    if (!lock.held()) {
        std::cerr << *medium << ": " << std::strerror(lock.error()) << "\n";
        return kExitFatal;
    }
    const std::string mkfs = FindMkfsFat();
    if (mkfs.empty()) {
        std::cerr << "mkfs.fat (dosfstools) was not found\n";
        return kExitFatal;
    }
    std::cout << (request.quick ? "QuickFormatting " : "Formatting ") << driveName << " ("
              << *medium << ", " << request.clusterBytes << "-byte allocation units)...\n"
              << std::flush;
    if (RunAndWait(mkfs, MkfsArguments(request, *medium)) != 0) {
        std::cerr << "Format failed.\n";
        return kExitFatal;
    }
    std::cout << "Format complete.\n";
    return kExitFormatted;
}

}  // namespace

int main(int argc, char** argv) {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
}
