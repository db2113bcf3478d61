// SPDX-License-Identifier: MIT
#include "macbinary/Conversion.h"

#include "macbinary/HeaderPieces.h"
#include "macbinary/TestFiles.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kelda {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::Slice;
using test::TempDir;
using test::WriteBytes;

constexpr std::size_t kBlock = kConvertBlockSize;

struct SizeCase {
    const char* name;
    std::size_t sourceSize;
};

// Sizes around the header and the copy block: empty bodies, one byte, short last blocks.
const SizeCase kSizes[] = {
    {"100 bytes", 100},
    {"128 bytes", 128},
    {"129 bytes", 129},
    {"1280 bytes", 1280},
    {"one block", 128 + kBlock},
    {"block and 1", 128 + kBlock + 1},
    {"two blocks less 1", 128 + 2 * kBlock - 1},
};

TEST(ConversionTest, MacBinaryIIAndStripCopyTheWholeBody) {
    TempDir dir;
    THeader newHeader;
    newHeader.fill(0xA5);
    for (const SizeCase& c : kSizes) {
        SCOPED_TRACE(c.name);
        const Bytes source = test::RandomBytes(c.sourceSize, static_cast<unsigned>(c.sourceSize));
        WriteBytes(dir / "src.bin", source);

        ASSERT_EQ(WriteMacBinaryII(newHeader, dir / "src.bin", dir / "mb2.bin"), TConvertStatus::Written);
        Bytes expected(newHeader.begin(), newHeader.end());
        if (c.sourceSize > 128) {
            expected.insert(expected.end(), source.begin() + 128, source.end());
        }
        EXPECT_EQ(ReadBytes(dir / "mb2.bin"), expected);

        ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", dir / "strip.bin"), TConvertStatus::Written);
        EXPECT_EQ(ReadBytes(dir / "strip.bin"), Slice(source, 128, source.size()));
    }
}

TEST(ConversionTest, DataForkCopiesExactlyTheStoredLength) {
    TempDir dir;
    struct Case {
        const char* name;
        std::uint32_t length;
        std::uint16_t secondaryHeader; // header bytes 120-121
        std::size_t sourceSize;
        std::size_t from;
        std::size_t expected;
    };
    const Case cases[] = {
        {"L = 0", 0, 0, 4000, 128, 0},
        {"L = 100", 100, 0, 4000, 128, 100},
        {"L = 1024", 1024, 0, 4000, 128, 1024},
        {"L = 1025", 1025, 0, 4000, 128, 1025},
        {"L = one block and one", static_cast<std::uint32_t>(kBlock + 1), 0, 128 + 2 * kBlock, 128,
         kBlock + 1},
        {"L past the end", 5000, 0, 4000, 128, 4000 - 128},
        // Lengths of 2^31 or more are unsigned: the source holds only the start of such a fork.
        {"L = 2^31 + 16", 0x80000010u, 0, 300, 128, 300 - 128},
        {"L = 2^32 - 1", 0xFFFFFFFFu, 0, 4000, 128, 4000 - 128},
        {"128-byte source", 100, 0, 128, 128, 0},
        {"short source", 100, 0, 50, 128, 0},
        // A secondary header, padded to 128 bytes, comes before the data fork.
        {"secondary header of 1", 100, 1, 4000, 256, 100},
        {"secondary header of 128", 100, 128, 4000, 256, 100},
        {"secondary header of 129", 100, 129, 4000, 384, 100},
        {"secondary header, fork cut", 1000, 40, 700, 256, 700 - 256},
        {"secondary header past the end", 100, 200, 300, 384, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes source = test::RandomBytes(c.sourceSize, 99);
        WriteBytes(dir / "src.bin", source);
        THeader header{};
        test::PutUInt32(header, kOffsetDataForkLength, c.length);
        header[120] = static_cast<std::uint8_t>(c.secondaryHeader >> 8);
        header[121] = static_cast<std::uint8_t>(c.secondaryHeader & 0xFF);
        ASSERT_EQ(WriteDataFork(dir / "src.bin", header, dir / "data.bin"), TConvertStatus::Written);
        EXPECT_EQ(ReadBytes(dir / "data.bin"), Slice(source, c.from, c.expected));
    }
}

TEST(ConversionTest, AnExistingOutputIsReplacedWhole) {
    TempDir dir;
    WriteBytes(dir / "src.bin", test::RandomBytes(200, 1));
    WriteBytes(dir / "out.bin", Bytes(5000, 0xEE));
    ::chmod((dir / "out.bin").c_str(), 0640);
    ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", dir / "out.bin"), TConvertStatus::Written);
    EXPECT_EQ(ReadBytes(dir / "out.bin").size(), 72u);
    EXPECT_EQ(std::filesystem::status(dir / "out.bin").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0640));
}

TEST(ConversionTest, TheSourceIsNeverTheOutput) {
    TempDir dir;
    const Bytes source = test::RandomBytes(3000, 5);
    WriteBytes(dir / "src.bin", source);
    std::filesystem::create_symlink(dir / "src.bin", dir / "link.bin");
    std::filesystem::create_hard_link(dir / "src.bin", dir / "hard.bin");
    for (const char* output : {"src.bin", "link.bin", "hard.bin", "./src.bin"}) {
        SCOPED_TRACE(output);
        const auto target = dir / output;
        EXPECT_EQ(WriteMacBinaryII(THeader{}, dir / "src.bin", target), TConvertStatus::SourceIsOutput);
        EXPECT_EQ(WriteWithoutHeader(dir / "src.bin", target), TConvertStatus::SourceIsOutput);
        EXPECT_EQ(WriteDataFork(dir / "src.bin", THeader{}, target), TConvertStatus::SourceIsOutput);
        EXPECT_EQ(ReadBytes(dir / "src.bin"), source);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
}

TEST(ConversionTest, AnOutputLinkIsFollowedAndKept) {
    TempDir dir;
    WriteBytes(dir / "src.bin", test::RandomBytes(300, 2));
    WriteBytes(dir / "target.bin", {1, 2, 3});
    std::filesystem::create_symlink("target.bin", dir / "out.bin");
    ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", dir / "out.bin"), TConvertStatus::Written);
    EXPECT_TRUE(std::filesystem::is_symlink(dir / "out.bin"));
    EXPECT_EQ(ReadBytes(dir / "target.bin").size(), 172u);
}

TEST(ConversionTest, ADeviceAsOutputIsWrittenNotReplaced) {
    TempDir dir;
    WriteBytes(dir / "src.bin", test::RandomBytes(300, 6));
    ASSERT_EQ(WriteWithoutHeader(dir / "src.bin", "/dev/null"), TConvertStatus::Written);
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/null"));
}

TEST(ConversionTest, CancelLeavesNoPartialOutput) {
    TempDir dir;
    WriteBytes(dir / "src.bin", test::RandomBytes(128 + 3 * kBlock, 3));
    WriteBytes(dir / "old.bin", {9, 9, 9});
    std::vector<std::int64_t> reports;
    const ProgressFn stopAfterTwo = [&](std::int64_t done, std::int64_t total) {
        reports.push_back(done);
        EXPECT_EQ(total, static_cast<std::int64_t>(3 * kBlock));
        return reports.size() < 2;
    };
    EXPECT_THROW(WriteWithoutHeader(dir / "src.bin", dir / "new.bin", stopAfterTwo), ECancelled);
    EXPECT_EQ(reports, (std::vector<std::int64_t>{static_cast<std::int64_t>(kBlock),
                                                  2 * static_cast<std::int64_t>(kBlock)}));
    EXPECT_THROW(
        WriteMacBinaryII(THeader{}, dir / "src.bin", dir / "old.bin", [](auto, auto) { return false; }),
        ECancelled);
    EXPECT_FALSE(std::filesystem::exists(dir / "new.bin"));
    EXPECT_EQ(ReadBytes(dir / "old.bin"), (Bytes{9, 9, 9})); // the old contents survive
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2); // no stray file
}

TEST(ConversionTest, ErrorsLeaveNoOutput) {
    TempDir dir;
    EXPECT_THROW(WriteWithoutHeader(dir / "missing.bin", dir / "out.bin"), EFileError);
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
    WriteBytes(dir / "src.bin", test::RandomBytes(300, 4));
    try {
        WriteWithoutHeader(dir / "src.bin", dir / "no-such-folder" / "out.bin");
        FAIL() << "no error for a missing folder";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::Create);
        EXPECT_NE(std::string(e.what()).find("no-such-folder/out.bin"), std::string::npos) << e.what();
    }
    std::filesystem::create_directory(dir / "folder");
    EXPECT_THROW(WriteWithoutHeader(dir / "src.bin", dir / "folder"), EFileError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

TEST(ConversionTest, PiecesAndInMemoryFormGiveTheSameFile) {
    TempDir dir;
    THeader h{};
    test::PutName(h, "Sample");
    const Bytes body = test::RandomBytes(2000, 11);
    WriteBytes(dir / "Sample.bin", test::MakeMacBinaryFile(h, 1500, 300, body));
    std::filesystem::create_directory(dir / "TMP");
    THeader read{};
    ReadHeader(dir / "Sample.bin", read);
    WriteHeaderPieces(dir / "TMP", dir / "Sample.bin", read);
    const THeader fromPieces = ReadMacBinaryIIPieces(dir / "TMP", dir / "Sample.bin");
    WriteMacBinaryII(fromPieces, dir / "Sample.bin", dir / "a.bin");
    WriteMacBinaryII(MacBinaryIIForm(read), dir / "Sample.bin", dir / "b.bin");
    const Bytes a = ReadBytes(dir / "a.bin");
    EXPECT_EQ(a, ReadBytes(dir / "b.bin"));
    EXPECT_EQ(a[122], 129);
    THeader written{};
    std::copy_n(a.begin(), kHeaderSize, written.begin());
    EXPECT_EQ((a[124] << 8) | a[125], HeaderCrc(written));
    EXPECT_EQ(Slice(a, 128, a.size()), body);
}

} // namespace
} // namespace kelda
