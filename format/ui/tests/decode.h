// Decodes the dialog's byte strings back to Unicode (UTF-8) with the
// system's iconv, strictly: bytes the code page does not hold fail the test.
#pragma once

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

namespace kerfa::testing_text {

inline std::string Decode(const std::string& bytes, const char* codePage) {
    iconv_t cd = iconv_open("UTF-8", codePage);
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1)) << codePage;
    if (cd == reinterpret_cast<iconv_t>(-1)) return {};
    std::string in = bytes;
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    std::size_t inLeft = in.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    const std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    EXPECT_NE(done, static_cast<std::size_t>(-1)) << "undecodable bytes in " << codePage;
    out.resize(out.size() - outLeft);
    return out;
}

}  // namespace kerfa::testing_text
