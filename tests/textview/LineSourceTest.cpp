// SPDX-License-Identifier: MIT
// Lines read from a file on demand (index, decoding, measuring) against the pane's whole-text
// reading: decode all bytes at once, then split.
#include "textview/TEditor.h"
#include "textview/TFileLines.h"
#include "textview/TLineIndex.h"
#include "textview/TLineLayout.h"
#include "util/MacText.h"

#include <QCoreApplication>
#include <QStringDecoder>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace kelda {
namespace {

using TRange = TLineIndex::TRange;

} // namespace

void PrintTo(const TLineIndex::TRange& r, std::ostream* os) {
    *os << "[" << r.Begin << ", " << r.End << ")";
}

namespace {

std::vector<TRange> Index(const std::string& bytes, std::size_t piece) {
    TLineIndex index;
    for (std::size_t at = 0; at < bytes.size(); at += piece) {
        index.Feed(bytes.data() + at, std::min(piece, bytes.size() - at));
    }
    index.Finish();
    std::vector<TRange> lines;
    for (std::int64_t i = 0; i < index.LineCount(); ++i) {
        lines.push_back(index.Line(i));
    }
    return lines;
}

TEST(LineIndexTest, FindsEveryKindOfLineBreakWhereverThePiecesEnd) {
    const struct {
        std::string bytes;
        std::vector<TRange> lines;
    } cases[] = {
        {"", {}},
        {"a", {{0, 1}}},
        {"ab\r\ncd", {{0, 2}, {4, 6}}},
        {"a\nb\rc\r\n", {{0, 1}, {2, 3}, {4, 5}}},
        {"\r\r\n\n\r", {{0, 0}, {1, 1}, {3, 3}, {4, 4}}},
        {"a\r\r\nb", {{0, 1}, {2, 2}, {4, 5}}},
        {"\n\r", {{0, 0}, {1, 1}}},
    };
    for (const auto& c : cases) {
        for (std::size_t piece = 1; piece <= c.bytes.size() + 1; ++piece) {
            EXPECT_EQ(Index(c.bytes, piece), c.lines) << "piece " << piece << " of " << c.bytes.size();
        }
    }
}

TEST(LineIndexTest, StaysCompactAndFindsLinesAcrossItsCheckpoints) {
    TLineIndex index;
    const std::string empty(1'000'000, '\n');
    index.Feed(empty.data(), empty.size());
    // Lines of 0 to 299 bytes, long enough for two-byte numbers, across many checkpoints.
    std::string varied;
    std::vector<TRange> expected;
    for (int i = 0; i < 1000; ++i) {
        const std::uint64_t begin = empty.size() + varied.size();
        varied.append(static_cast<std::size_t>(i % 300), 'x');
        expected.push_back({begin, begin + static_cast<std::uint64_t>(i % 300)});
        varied += i % 2 != 0 ? "\r\n" : "\n";
    }
    index.Feed(varied.data(), varied.size());
    index.Finish();
    ASSERT_EQ(index.LineCount(), 1'001'000);
    EXPECT_EQ(index.Line(999'999), (TRange{999'999, 999'999}));
    EXPECT_LT(index.MemoryBytes(), std::size_t{1'400'000}); // under 1.4 bytes for each line
    for (std::int64_t i : {0, 63, 64, 65, 127, 500, 999}) {
        EXPECT_EQ(index.Line(1'000'000 + i), expected[static_cast<std::size_t>(i)]) << i;
    }
    std::vector<TRange> walked;
    index.ForEachFrom(1'000'000 + 63, [&](std::int64_t, TRange r) {
        walked.push_back(r);
        return true;
    });
    EXPECT_EQ(walked, std::vector<TRange>(expected.begin() + 63, expected.end()));
}

class FileLinesTest : public ::testing::Test {
protected:
    void TearDown() override { std::filesystem::remove(path_); }

    const std::filesystem::path& Write(const std::string& bytes) {
        std::ofstream(path_, std::ios::binary | std::ios::trunc) << bytes;
        return path_;
    }

    // The whole-text reading: all bytes decoded at once, UTF-8 when they are valid, then split.
    static QStringList WholeText(const std::string& bytes, bool* utf8) {
        QStringDecoder decoder(QStringDecoder::Utf8);
        QString text = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
        *utf8 = !decoder.hasError();
        if (!*utf8) {
            text = QString::fromStdString(MacTextToUtf8(bytes, TMacEncoding::Japanese));
        }
        TEditor editor;
        editor.SetText(text);
        return editor.Lines();
    }

    static QStringList Read(TFileLines& lines) {
        while (lines.Step()) {
        }
        QStringList out;
        for (int i = 0; i < lines.LineCount(); ++i) {
            out.append(lines.Line(i));
        }
        return out;
    }

    std::filesystem::path path_ =
        std::filesystem::temp_directory_path() /
        ("kelda_lines_" + std::to_string(QCoreApplication::applicationPid()) + ".txt");
};

TEST_F(FileLinesTest, ReadInPiecesMatchesTheWholeTextReading) {
    const std::string kanjiUtf8 = "\xE6\x97\xA5\xE6\x9C\xAC"; // 日本
    const std::string kanjiCp932 = "\x93\xFA\x96\x7B";        // 日本
    const std::string longLine = std::string(100'000, 'a') + "\t" + kanjiUtf8 + "\xCC\x81";
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"CR LF", "one\r\ntwo\r\n"},
        {"LF and CR mixed, no final break", "a\nb\rc\r\n\r\nd"},
        {"only breaks", "\r\n\n\r\r"},
        {"UTF-8 with byte order mark", "\xEF\xBB\xBF" + kanjiUtf8 + "\n\tx"},
        {"byte order mark inside is kept", "a\n\xEF\xBB\xBF"
                                           "b"},
        {"only a byte order mark", "\xEF\xBB\xBF"},
        {"unfinished UTF-8 at the end", "a\n" + kanjiUtf8.substr(0, 5)},
        {"code page 932", kanjiCp932 + "\r\n\xB6\xC0\xB6\xC5\r\n\t\x82\xA0"},
        {"invalid UTF-8 only at the end", std::string(5000, 'x') + "\n" + kanjiUtf8 + "\n" + kanjiCp932},
        {"code page 932 control bytes", "a\x1A\x00"
                                        "b\x81\r\n\x81\x40\x7F"},
        {"lead byte before a break", "\x81\n\x82\r\xA0"},
        {"very long UTF-8 line", longLine + "\r\nshort"},
        {"very long code page 932 line", std::string(70'000, '\t') + kanjiCp932 + "\n" + kanjiCp932},
    };
    for (const auto& c : cases) {
        bool utf8 = false;
        const QStringList whole = WholeText(c.bytes, &utf8);
        int widest = 0;
        for (const QString& line : whole) {
            widest = std::max(widest, TLineLayout::LineCells(line, 8));
        }
        for (const std::size_t piece :
             {std::size_t{1}, std::size_t{3}, std::size_t{4096}, std::size_t{1} << 20}) {
            Write(c.bytes);
            TFileLines lines(path_, 8, {piece, std::size_t{8} << 20});
            EXPECT_EQ(Read(lines), whole) << c.name << ", piece " << piece;
            EXPECT_EQ(lines.IsUtf8(), utf8) << c.name << ", piece " << piece;
            EXPECT_EQ(lines.MaxLineCells(), widest) << c.name << ", piece " << piece;
            EXPECT_EQ(lines.Line(-1), QString());
            EXPECT_EQ(lines.Line(lines.LineCount()), QString());
        }
    }
}

TEST_F(FileLinesTest, TabWidthAndOverlongLinesAreMeasured) {
    const struct {
        std::string bytes;
        int tabWidth;
        std::size_t measureLimit;
        int cells;
    } cases[] = {
        {"a\tb\n\t", 4, 1 << 20, 5},
        {"a\tb\n\t", 8, 1 << 20, 9},
        {std::string(300, 'x') + "\tx", 8, 16, 305},                    // ASCII past the limit: exact
        {"\xE6\x97\xA5\xE6\x9C\xAC" + std::string(40, 'x'), 8, 16, 46}, // one cell a byte past the limit
        {"\xE6\x97\xA5\xE6\x9C\xAC" + std::string(40, 'x'), 8, 64, 44}, // exact under it
    };
    for (const auto& c : cases) {
        Write(c.bytes);
        TFileLines lines(path_, 1, {8, c.measureLimit});
        Read(lines);
        lines.SetTabWidth(c.tabWidth);
        Read(lines);
        EXPECT_EQ(lines.MaxLineCells(), c.cells) << c.bytes.substr(0, 20);
    }
}

TEST_F(FileLinesTest, AFileCutOrGrownWhileShownEndsWhereItsBytesEnd) {
    std::string text;
    for (int i = 0; i < 100; ++i) {
        text += "line " + std::to_string(i) + "\n";
    }
    {
        // Cut while it is indexed: the text ends where the bytes end.
        Write(text);
        TFileLines lines(path_, 8, {64, 1 << 20});
        ASSERT_TRUE(lines.Step());
        const int early = lines.LineCount();
        EXPECT_GT(early, 0);
        std::filesystem::resize_file(path_, 200);
        Read(lines);
        EXPECT_TRUE(lines.Done());
        EXPECT_GE(lines.LineCount(), early);
        EXPECT_LT(lines.LineCount(), 30);
        EXPECT_EQ(lines.Line(0), "line 0");
    }
    Write(text);
    TFileLines lines(path_, 8, {64, 1 << 20});
    ASSERT_TRUE(lines.Step());
    // Grown while it is indexed: read up to its size at opening.
    std::ofstream(path_, std::ios::binary | std::ios::app) << std::string(2000, 'z') << "\n";
    const QStringList all = Read(lines);
    ASSERT_EQ(all.size(), 100);
    EXPECT_EQ(all.back(), "line 99");
    EXPECT_FALSE(all.join(QString()).contains(u'z'));
    // Cut after it is indexed: lines past the new end read as nothing.
    std::filesystem::resize_file(path_, 20);
    EXPECT_EQ(lines.Line(2), "line 2");
    EXPECT_EQ(lines.Line(3), QString());
    EXPECT_EQ(lines.LineCount(), 100);
}

} // namespace
} // namespace kelda
