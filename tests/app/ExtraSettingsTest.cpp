// SPDX-License-Identifier: MIT
// The name encoding choice, kept in a section of its own after the design's seven.
#include "app/Settings.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace kelda {
namespace {

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(ExtraSettings, TheChoiceFollowsTheSevenSectionsAndLeavesTheirKeysAlone) {
    test::TempDir dir;
    const auto ini = dir / "kelda.INI";
    TSettings s;
    s.Japanese = false;
    ASSERT_TRUE(WriteSettings(ini, s, true));
    const std::string before = Slurp(ini);
    ASSERT_TRUE(WriteExtraSettings(ini, TExtraSettings{2}));
    const std::string after = Slurp(ini);
    EXPECT_EQ(after.substr(0, before.size()), before); // the 37 keys byte for byte
    EXPECT_EQ(after.substr(before.size()), "\n\n[Names]\nEncoding=2\n");
    EXPECT_EQ(ReadExtraSettings(ini).NameEncoding, 2);
    // Writing the design's keys again keeps the section.
    ASSERT_TRUE(WriteSettings(ini, s, true));
    EXPECT_EQ(ReadExtraSettings(ini).NameEncoding, 2);
    EXPECT_EQ(ReadSettings(ini), s);
}

TEST(ExtraSettings, MissingOrOutOfRangeValuesGiveTheHeadersOwnRule) {
    test::TempDir dir;
    const auto ini = dir / "kelda.INI";
    EXPECT_EQ(ReadExtraSettings(ini).NameEncoding, 0);
    for (const char* text : {"[Names]\nEncoding=3\n", "[Names]\nEncoding=-1\n", "[Names]\nEncoding=x\n"}) {
        std::ofstream(ini, std::ios::binary | std::ios::trunc) << text;
        EXPECT_EQ(ReadExtraSettings(ini).NameEncoding, 0) << text;
    }
    std::ofstream(ini, std::ios::binary | std::ios::trunc) << "[Names]\nEncoding=1\n";
    EXPECT_EQ(ReadExtraSettings(ini).NameEncoding, 1);
}

} // namespace
} // namespace kelda
