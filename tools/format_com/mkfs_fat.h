// mkfs.fat of dosfstools, which lays the FAT16 filesystem down for us.
#pragma once

#include <string>
#include <vector>

#include "tools/format_com/format_request.h"

namespace format_com {

// argv for mkfs.fat, argv[0] included: FAT16 with 512-byte sectors, the
// request's cluster size, no partition table (the player's disk is one
// volume), the label as one argument of its own, a read check of every block
// unless Quick.
std::vector<std::string> MkfsArguments(const FormatRequest& request, const std::string& medium);

// mkfs.fat on PATH, else in the system folders that PATH often leaves out;
// empty when there is none.
std::string FindMkfsFat();

// Runs a program without a shell and waits for it: its exit status, or -1
// when it could not start or did not exit normally.
int RunAndWait(const std::string& program, const std::vector<std::string>& arguments);

}  // namespace format_com
