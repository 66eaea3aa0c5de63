// The file-open dialog's filter, "Name(*.x)|*.x|All(*.*)|*.*||", made into
// the toolkit's wildcard. On this desktop patterns are case-sensitive globs,
// while the programs expect names to match in any letter case and "*.*" to
// mean every file, with or without an extension.
#pragma once

#include <string>
#include <vector>

namespace dlg::desktop {

struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;  // as the desktop matches them
};

std::vector<FilterEntry> ParseFileFilter(const std::string& filter);

// "*.vrk" -> "*.[vV][rR][kK]"; "*.*" and "*" -> "*".
std::string CaseFreePattern(const std::string& pattern);

// Entries joined in the toolkit's "description|p1;p2|..." form.
std::string WildcardOf(const std::vector<FilterEntry>& entries);

}  // namespace dlg::desktop
