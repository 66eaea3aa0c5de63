// What format.com is asked to do: its command line, read as the system
// formatter reads it ("E:/fs:fat /a:2048/q/v:MUSIC"), and the answers to its
// one question.
#pragma once

#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace format_com {

constexpr unsigned kSectorBytes = 512;
// The player's allocation unit, taken when no /a: is given.
constexpr unsigned kDefaultClusterBytes = 2048;

struct FormatRequest {
    char drive = 0;  // upper case
    bool quick = false;
    std::optional<std::string> label;  // /v: given; "" asks for no label
    unsigned clusterBytes = kDefaultClusterBytes;
    // The answers come from this file (a trailing "< FILE"); empty: standard input.
    std::string answersPath;
};

struct ParseResult {
    std::optional<FormatRequest> request;
    std::string error;  // the sentence to print when there is no request
};

// Reads argv[1..]. Switches follow the drive or each other without blanks;
// a blank may stand between any two. The file system may only be FAT (the
// 16-bit FAT of the player's disk).
ParseResult ParseArguments(const std::vector<std::string>& arguments);

enum class Confirmation { Yes, No };

// Asks "Proceed with Format (Y/N)?" on `prompts` and reads answer lines: an
// empty line asks again (it answers the "press ENTER" prompt that comes
// first on some systems), Y goes on, N or the end of the answers stops.
Confirmation AskToProceed(std::istream& answers, std::ostream& prompts);

}  // namespace format_com
