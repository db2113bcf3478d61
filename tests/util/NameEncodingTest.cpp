// SPDX-License-Identifier: MIT
#include "util/NameEncoding.h"

#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;

const std::string kSjisTest = "\x83\x65\x83\x58\x83\x67"; // テスト
const std::string kSjisShow = "\x95\x5C\x8E\xA6";         // 表示, whose first trail byte is a backslash

TEST(NameEncoding, ReadableNames) {
    struct Case {
        const char* label;
        std::string bytes;
        std::optional<std::string> readable;
    };
    const Case cases[] = {
        {"ASCII", "Photo.bin", "Photo.bin"},
        {"UTF-8", "テスト.bin", "テスト.bin"},
        {"empty", "", ""},
        {"Shift-JIS", kSjisTest + ".bin", "テスト.bin"},
        {"Shift-JIS with a backslash byte", kSjisShow, "表示"},
        {"half-width katakana", "\xB6\xC5", "ｶﾅ"},
        {"neither", "\xFF\xFE.bin", std::nullopt},
        {"UTF-8 cut short that reads as code page 932", "\xE3\x83", "繝"},
        {"UTF-8 cut short, then no code page 932", "\xE3\x83\xFF", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(ReadableName(c.bytes), c.readable);
        EXPECT_EQ(IsUtf8Text(c.bytes), c.readable && *c.readable == c.bytes);
    }
}

TEST(NameEncoding, FindNamedPathFindsEntriesByTheirReadableNames) {
    test::TempDir dir;
    const std::string root = dir.path().string();
    fs::create_directories(dir / "データ" / kSjisTest);
    test::WriteBytes(dir / "データ" / kSjisTest / (kSjisShow + ".bin"), {1});
    test::WriteBytes(dir / "both.bin", {2});
    test::WriteBytes(dir / "\xFF\xFE.bin", {3});
    struct Case {
        const char* label;
        std::string text;
        std::string path;
    };
    const Case cases[] = {
        {"Shift-JIS folder and file below a UTF-8 folder", root + "/データ/テスト/表示.bin",
         root + "/データ/" + kSjisTest + "/" + kSjisShow + ".bin"},
        {"a name that exists as it is", root + "/both.bin", root + "/both.bin"},
        {"bytes that are no text", root + "/\xFF\xFE.bin", root + "/\xFF\xFE.bin"},
        {"a file still to be made", root + "/データ/テスト/new.bin",
         root + "/データ/" + kSjisTest + "/new.bin"},
        {"below a missing folder", root + "/none/テスト", root + "/none/テスト"},
        {"folder with a trailing separator", root + "/データ/テスト/", root + "/データ/" + kSjisTest + "/"},
        {"doubled separators and dots", root + "//データ/./テスト", root + "//データ/./" + kSjisTest},
        {"no name at all", "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(FindNamedPath(c.text).string(), c.path);
    }
}

} // namespace
} // namespace kelda
