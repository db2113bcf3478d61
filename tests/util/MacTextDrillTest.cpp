// SPDX-License-Identifier: MIT
// Inputs found by fuzzing the Mac text decoding, kept as regression cases.
#include "util/MacText.h"

#include <gtest/gtest.h>

#include <string>

namespace kelda {
namespace {

// An undecodable byte shows as U+FFFD; only the control bytes of the input appear as controls.
TEST(MacTextDrill, UndecodableBytesShowAsReplacementNotAsControls) {
    const std::string kReplacement = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string bytes;
        std::string utf8;
    };
    const Case cases[] = {
        {"lone lead byte", "\x81", kReplacement},
        {"lead byte before a tab", "\x81\t", kReplacement + "\t"},
        {"lead byte before NUL", std::string("\x82\x00", 2), kReplacement + std::string(1, '\0')},
        {"bytes no code page 932 character starts with", "a\xFD\xFF", "a" + kReplacement + kReplacement},
        {"fuzzer input", std::string("\x81\x09\x82\x00\xFD\xFE\xFF\xA0\x80", 9), ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string out = MacTextToUtf8(c.bytes, TMacEncoding::Japanese);
        EXPECT_EQ(out.find('\x1A'), std::string::npos);
        if (!c.utf8.empty()) {
            EXPECT_EQ(out, c.utf8);
        }
        std::string controlsIn;
        std::string controlsOut;
        for (const char ch : c.bytes) {
            controlsIn += static_cast<unsigned char>(ch) < 0x20 ? std::string(1, ch) : "";
        }
        for (const char ch : out) {
            controlsOut += static_cast<unsigned char>(ch) < 0x20 ? std::string(1, ch) : "";
        }
        EXPECT_EQ(controlsOut, controlsIn);
    }
}

} // namespace
} // namespace kelda
