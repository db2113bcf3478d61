// SPDX-License-Identifier: MIT
#include "util/Myutil.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kelda::TTextEncoding;
using Fields = std::vector<std::string>;

namespace {

struct SplitCase {
    std::string line;
    Fields fields;
};

TEST(Myutil, SplitFields) {
    const SplitCase cases[] = {
        {"", {""}},
        {"\t", {"", ""}},
        {"a\t\tb", {"a", "", "b"}},
        {"a\tb\t", {"a", "b", ""}},
        {"\"x\",\"y\"\tz,w", {"\"x\",\"y\"", "z,w"}}, // tabs win over quotes and commas
        {"\"abc\"", {"abc"}},
        {"\"a\",\"b\"", {"a", "b"}},
        {"\"\"", {""}},
        {"\"", {""}},
        {"\"abc", {"ab"}}, // no closing quote: the last character goes all the same
        {"\"a\",\"b\",\"", {"a", "b", ""}},
        {"\"a\"\"b\"", {"a\"\"b"}}, // doubled quotes are not unescaped
        {"\"a,b\"", {"a,b"}},
        {"\"a\",b", {"a\","}}, // quoted rule, last character dropped
        {"a,,b", {"a", "", "b"}},
        {"a,b,", {"a", "b", ""}},
        {"x\"a\"", {"x\"a\""}}, // a quote not at the start: whole line
        {"plain", {"plain"}},
        {"\"\xE3\x81\x82", {""}}, // unclosed: the whole last character goes
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.line));
        Fields out{"kept"};
        kelda::SplitFields(c.line, out);
        Fields expected{"kept"};
        expected.insert(expected.end(), c.fields.begin(), c.fields.end());
        EXPECT_EQ(out, expected);
    }
}

struct TrailCase {
    std::string path;
    TTextEncoding enc;
    bool backslash;
};

TEST(Myutil, HasTrailingBackslash) {
    const TrailCase cases[] = {
        {"ab\\", TTextEncoding::Utf8, true},
        {"\\", TTextEncoding::Utf8, false},
        {"a\\", TTextEncoding::Utf8, false},
        {"abc", TTextEncoding::Utf8, false},
        {"", TTextEncoding::Utf8, false},
        {"a\x95\x5C", TTextEncoding::Cp932, false}, // 0x5C is the trail byte of "表"
        {"a\x95\x5C", TTextEncoding::Utf8, true},
        {"a\x95\x5C\\", TTextEncoding::Cp932, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.path));
        EXPECT_EQ(kelda::HasTrailingBackslash(c.path, c.enc), c.backslash);
    }
    EXPECT_TRUE(kelda::HasTrailingSeparator("/"));
    EXPECT_TRUE(kelda::HasTrailingSeparator("a/"));
    EXPECT_FALSE(kelda::HasTrailingSeparator("a/b"));
    EXPECT_FALSE(kelda::HasTrailingSeparator(""));
}

class ListFolderTest : public testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("kelda-list-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "sub" / "deep");
        for (const char* name : {"a.txt", "b.txt", ".hidden", "ro.txt", "sub/c.txt"}) {
            std::ofstream(root_ / name) << "x";
        }
        fs::create_symlink(root_ / "sub", root_ / "link"); // would loop if followed
        fs::permissions(root_ / "ro.txt", fs::perms::owner_read | fs::perms::group_read);
        dir_ = root_.string() + "/";
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(root_ / "ro.txt", fs::perms::owner_all, ec);
        fs::remove_all(root_, ec);
    }
    Fields List(std::uint16_t mask, bool recurse, bool markFolders, bool clearProtection = false) {
        Fields out;
        kelda::ListFolder(root_.string(), mask, false, true, out, recurse, markFolders, clearProtection);
        return out;
    }
    fs::path root_;
    std::string dir_;
};

TEST_F(ListFolderTest, ListsByMaskRecursionAndMarking) {
    struct Case {
        std::uint16_t mask;
        bool recurse;
        bool markFolders;
        Fields names;
    };
    const Case cases[] = {
        {kelda::faAnyFile, false, false, {".hidden", "a.txt", "b.txt", "link", "ro.txt", "sub"}},
        {kelda::faAnyFile, false, true, {".hidden", "a.txt", "b.txt", "link", "ro.txt", "sub/"}},
        {kelda::faAnyFile,
         true,
         false,
         {".hidden", "a.txt", "b.txt", "link", "ro.txt", "sub", "sub/c.txt", "sub/deep/"}},
        {kelda::faDirectory, true, false, {"sub", "sub/deep/"}},
        {kelda::faReadOnly, false, false, {"ro.txt"}},
        {kelda::faHidden, false, false, {".hidden"}},
        {kelda::faSysFile, false, false, {"link"}},
        {kelda::faVolumeID, true, false, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << c.mask << " recurse " << c.recurse);
        Fields expected;
        for (const auto& n : c.names) {
            expected.push_back(dir_ + n);
        }
        EXPECT_EQ(List(c.mask, c.recurse, c.markFolders), expected);
    }
}

TEST_F(ListFolderTest, AppendsUnlessClearFirstAndAcceptsATrailingSeparator) {
    Fields out{"old"};
    kelda::ListFolder(dir_, kelda::faDirectory, false, false, out, false, false, false);
    EXPECT_EQ(out, (Fields{"old", dir_ + "sub"}));
    kelda::ListFolder(dir_ + "missing", kelda::faAnyFile, false, true, out, true, true, false);
    EXPECT_TRUE(out.empty());
    out = {"old"};
    kelda::ListFolder("", kelda::faAnyFile, false, false, out, true, true, false);
    EXPECT_EQ(out, Fields{"old"});
}

TEST_F(ListFolderTest, ClearProtectionMakesEntriesWritableButReportsTheOldAttributes) {
    EXPECT_EQ(List(kelda::faReadOnly, false, false, true), Fields{dir_ + "ro.txt"});
    EXPECT_EQ(kelda::FileAttributes(root_ / "ro.txt"), kelda::faArchive);
}

TEST(Myutil, FileAttributesOfOtherKinds) {
    const fs::path fifo = fs::temp_directory_path() / ("kelda-fifo-" + std::to_string(::getpid()));
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_EQ(kelda::FileAttributes(fifo), kelda::faSysFile);
    fs::remove(fifo);
    EXPECT_EQ(kelda::FileAttributes(fifo), 0);
}

} // namespace
