// SPDX-License-Identifier: MIT
#include "log/LogSave.h"

#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace kelda {
namespace {

namespace fs = std::filesystem;

std::string Text(const fs::path& file) {
    const test::Bytes bytes = test::ReadBytes(file);
    return std::string(bytes.begin(), bytes.end());
}

TEST(LogFileText, EachLineStaysOneCrlfLine) {
    const std::vector<std::string> lines = {"FileName : a\rb", "x\ny\tz", "", "plain"};
    EXPECT_EQ(LogFileText(lines), "FileName : a\\x0db\r\nx\\x0ay\tz\r\n\r\nplain\r\n");
    EXPECT_EQ(LogFileText({}), "");
}

// The guards, in the order the window meets them: a source under any name is refused, a read-only
// file waits for leave, everything else is written.
TEST(SaveLog, RefusesSourcesAndAsksBeforeAReadOnlyFile) {
    test::TempDir dir;
    const fs::path source = dir / "source.bin";
    test::WriteBytes(source, {1, 2, 3});
    fs::create_symlink(source, dir / "link");
    const fs::path locked = dir / "locked.txt";
    test::WriteBytes(locked, {'o', 'l', 'd'});
    fs::permissions(locked, fs::perms::owner_read);
    const std::vector<std::string> lines = {"one", "two"};
    const struct {
        fs::path Output;
        bool Leave;
        TConvertStatus Status;
        std::string After; // the output's text afterwards
    } cases[] = {
        {source, true, TConvertStatus::SourceIsOutput, "\x01\x02\x03"},
        {dir / "link", true, TConvertStatus::SourceIsOutput, "\x01\x02\x03"},
        {locked, false, TConvertStatus::OutputReadOnly, "old"},
        {locked, true, TConvertStatus::Written, "one\r\ntwo\r\n"},
        {dir / "new.txt", false, TConvertStatus::Written, "one\r\ntwo\r\n"},
    };
    // An empty and a missing source are no sources.
    const std::vector<fs::path> sources = {fs::path(), dir / "missing", source};
    for (const auto& c : cases) {
        EXPECT_EQ(SaveLog(c.Output, sources, lines, c.Leave), c.Status) << c.Output;
        EXPECT_EQ(Text(c.Output), c.After) << c.Output;
    }
    EXPECT_EQ(Text(source), "\x01\x02\x03");
}

} // namespace
} // namespace kelda
