#include "tools/format_com/format_request.h"

#include <cctype>
#include <string_view>

#include "format/layout/volume_label.h"

namespace format_com {

namespace {

constexpr char kSwitchMark = '/';
constexpr std::string_view kRedirection = "<";
constexpr unsigned kLargestClusterBytes = 32768;

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

bool StartsWithDrive(std::string_view token) {
    return token.size() >= 2 && token[1] == ':' &&
           std::isalpha(static_cast<unsigned char>(token[0])) != 0;
}

// A power of two from one sector up to 32 KiB, in decimal digits only.
std::optional<unsigned> ClusterBytes(std::string_view digits) {
    if (digits.empty() || digits.size() > 5) return std::nullopt;
    unsigned value = 0;
    for (const char c : digits) {
        if (std::isdigit(static_cast<unsigned char>(c)) == 0) return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    for (unsigned size = kSectorBytes; size <= kLargestClusterBytes; size *= 2) {
        if (value == size) return value;
    }
    return std::nullopt;
}

class Parser {
  public:
    bool Token(std::string_view token) {
        if (request_.drive == 0) {
            if (!StartsWithDrive(token)) return Fail("Required parameter missing - drive");
            request_.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
            token.remove_prefix(2);
        }
        if (!token.empty() && token.front() != kSwitchMark) {
            return Fail("Invalid parameter - " + std::string(token));
        }
        // Every switch starts at a '/'; no switch value may hold one.
        while (!token.empty()) {
            token.remove_prefix(1);
            const std::size_t next = token.find(kSwitchMark);
            if (!Switch(token.substr(0, next))) return false;
            token = next == std::string_view::npos ? std::string_view() : token.substr(next);
        }
        return true;
    }

    bool AnswersFile(std::string_view path) {
        if (path.empty()) return Fail("Required parameter missing - answers file after <");
        request_.answersPath = std::string(path);
        return true;
    }

    ParseResult Result() {
        if (!error_.empty()) return {std::nullopt, error_};
        if (request_.drive == 0) return {std::nullopt, "Required parameter missing - drive"};
        return {request_, {}};
    }

    bool Fail(std::string sentence) {
        if (error_.empty()) error_ = std::move(sentence);
        return false;
    }

  private:
    bool Switch(std::string_view piece) {
        const std::size_t colon = piece.find(':');
        const std::string name = Lower(piece.substr(0, colon));
        const std::string_view value =
            colon == std::string_view::npos ? std::string_view() : piece.substr(colon + 1);
        const bool hasValue = colon != std::string_view::npos;
        if (name == "q" && !hasValue) {
            request_.quick = true;
            return true;
        }
        if (name == "fs" && hasValue) {
            if (Lower(value) == "fat") return true;
            return Fail("The file system " + std::string(value) + " is not supported");
        }
        if (name == "a" && hasValue) {
            const auto bytes = ClusterBytes(value);
            if (!bytes) return Fail("Invalid allocation unit size - " + std::string(value));
            request_.clusterBytes = *bytes;
            return true;
        }
        if (name == "v" && hasValue) {
            const std::string label(value);
            if (!kerfa::layout::IsValidLabel(label)) return Fail("Invalid volume label - " + label);
            request_.label = kerfa::layout::UpperCaseLabel(label);
            return true;
        }
        return Fail("Invalid parameter - /" + std::string(piece));
    }

    FormatRequest request_;
    std::string error_;
};

std::string Trimmed(std::string line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    std::size_t first = 0;
    while (first < line.size() && std::isspace(static_cast<unsigned char>(line[first]))) ++first;
    return line.substr(first);
}

}  // namespace

ParseResult ParseArguments(const std::vector<std::string>& arguments) {
    Parser parser;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view token = arguments[i];
        // Started without an interpreter, the redirection reaches us as
        // arguments: "<" FILE or "<FILE", and nothing after it.
        if (token.substr(0, 1) == kRedirection) {
            token.remove_prefix(1);
            const bool glued = !token.empty();
            if (!glued && i + 1 < arguments.size()) token = arguments[++i];
            if (parser.AnswersFile(token) && i + 1 < arguments.size()) {
                parser.Fail("Invalid parameter - " + arguments[i + 1]);
            }
            break;
        }
        if (!parser.Token(token)) break;
    }
    return parser.Result();
}

Confirmation AskToProceed(std::istream& answers, std::ostream& prompts) {
    std::string line;
    for (;;) {
        prompts << "Proceed with Format (Y/N)? " << std::flush;
        if (!std::getline(answers, line)) {
            prompts << '\n';
            return Confirmation::No;
        }
        const std::string answer = Trimmed(line);
        prompts << answer << '\n';
        if (answer == "y" || answer == "Y") return Confirmation::Yes;
        if (answer == "n" || answer == "N") return Confirmation::No;
    }
}

}  // namespace format_com
