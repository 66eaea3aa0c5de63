#include "platform/dialog/desktop/file_filter.h"

#include <cctype>

namespace dlg::desktop {
namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

std::string CaseFreePattern(const std::string& pattern) {
    if (pattern == "*.*" || pattern == "*") return "*";
    std::string glob;
    for (char c : pattern) {
        const auto u = static_cast<unsigned char>(c);
        if (std::isalpha(u) && u < 0x80) {
            glob += '[';
            glob += static_cast<char>(std::tolower(u));
            glob += static_cast<char>(std::toupper(u));
            glob += ']';
        } else {
            glob += c;
        }
    }
    return glob;
}

std::vector<FilterEntry> ParseFileFilter(const std::string& filter) {
    // Pairs of description and patterns; the list ends at an empty field
    // (the "||" at its end).
    const std::vector<std::string> fields = Split(filter, '|');
    std::vector<FilterEntry> entries;
    for (std::size_t i = 0; i + 1 < fields.size(); i += 2) {
        if (fields[i].empty() && fields[i + 1].empty()) break;
        FilterEntry entry{fields[i], {}};
        for (const auto& pattern : Split(fields[i + 1], ';')) {
            const std::string p = Trimmed(pattern);
            if (!p.empty()) entry.patterns.push_back(CaseFreePattern(p));
        }
        if (entry.patterns.empty()) entry.patterns.push_back("*");
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string WildcardOf(const std::vector<FilterEntry>& entries) {
    std::string wildcard;
    for (const auto& entry : entries) {
        if (!wildcard.empty()) wildcard += '|';
        wildcard += entry.description;
        wildcard += '|';
        for (std::size_t i = 0; i < entry.patterns.size(); ++i) {
            if (i) wildcard += ';';
            wildcard += entry.patterns[i];
        }
    }
    return wildcard;
}

}  // namespace dlg::desktop
