// Whole files as strings, for the tests of the Linux host.
#pragma once

#include <string>

#include "testing/test_support.h"

namespace win32::linux_host::testing {

using testing_support::TempDir;

inline void WriteText(const std::string& path, const std::string& text) {
    testing_support::WriteBytes(path, {text.begin(), text.end()});
}

inline std::string ReadText(const std::string& path) {
    const auto bytes = testing_support::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

}  // namespace win32::linux_host::testing
