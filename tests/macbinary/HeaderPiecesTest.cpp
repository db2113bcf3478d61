// SPDX-License-Identifier: MIT
#include "macbinary/HeaderPieces.h"

#include "macbinary/TestFiles.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kelda {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

Bytes HeaderBytes(const THeader& h, int from, int count) {
    return Bytes(h.begin() + from, h.begin() + from + count);
}

TEST(HeaderPiecesTest, ZeroHeaderGivesTheSixPieces) {
    TempDir dir;
    const THeader h{};
    const THeader form = WriteHeaderPieces(dir.path(), "/somewhere/Z.BIN", h);
    const Bytes zeros124(124, 0);
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.DA1"), zeros124);
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.CR1"), (Bytes{0, 0}));
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.OS1"), (Bytes{0, 0}));
    Bytes da2 = zeros124;
    da2[122] = da2[123] = 129;
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.DA2"), da2);
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.CR2"), (Bytes{0xA9, 0x00}));
    EXPECT_EQ(ReadBytes(dir / "Z.BIN.OS2"), (Bytes{0, 0}));
    EXPECT_EQ(form, MacBinaryIIForm(h));
    EXPECT_EQ(ReadMacBinaryIIPieces(dir.path(), "Z.BIN"), form);
}

TEST(HeaderPiecesTest, PiecesKeepTheHeaderAsReadAndRewriteTheSecondSet) {
    TempDir dir;
    THeader h;
    h.fill(0x77);
    h[0] = 0;
    h[74] = 0;
    h[1] = 5;
    std::memcpy(&h[102], "mBIN", 4);
    h[122] = 130;
    const THeader form = WriteHeaderPieces(dir.path(), "X.bin", h);
    EXPECT_EQ(ReadBytes(dir / "X.bin.DA1"), HeaderBytes(h, 0, 124));
    EXPECT_EQ(ReadBytes(dir / "X.bin.CR1"), HeaderBytes(h, 124, 2));
    EXPECT_EQ(ReadBytes(dir / "X.bin.OS1"), HeaderBytes(h, 126, 2));
    const Bytes da2 = ReadBytes(dir / "X.bin.DA2");
    ASSERT_EQ(da2.size(), 124u);
    for (int i = 7; i <= 63; ++i) {
        EXPECT_EQ(da2[static_cast<std::size_t>(i)], 0) << i;
    }
    EXPECT_EQ(da2[64], 0x77);
    EXPECT_EQ(da2[122], 129);
    EXPECT_EQ(da2[123], 129);
    EXPECT_EQ(std::memcmp(&da2[102], "mBIN", 4), 0);
    const std::uint16_t crc = HeaderCrc(form);
    EXPECT_EQ(ReadBytes(dir / "X.bin.CR2"),
              (Bytes{static_cast<std::uint8_t>(crc >> 8), static_cast<std::uint8_t>(crc)}));
    EXPECT_EQ(ReadBytes(dir / "X.bin.OS2"), HeaderBytes(h, 126, 2));
    EXPECT_EQ(form, MacBinaryIIForm(h));
}

TEST(HeaderPiecesTest, PieceNamesUseTheNameWithoutItsFolder) {
    EXPECT_EQ(PieceFileName("/tmp/k/", "/a/b/Photo.bin", ".DA1"),
              std::filesystem::path("/tmp/k/Photo.bin.DA1"));
    EXPECT_EQ(PieceFileName("/tmp/k", "Photo", ".OS2"), std::filesystem::path("/tmp/k/Photo.OS2"));
}

TEST(HeaderPiecesTest, SameNameInTwoFoldersSharesOnePieceSet) {
    TempDir dir;
    THeader a{};
    THeader b{};
    b[126] = 0x42;
    WriteHeaderPieces(dir.path(), "/a/X.BIN", a);
    WriteHeaderPieces(dir.path(), "/b/X.BIN", b);
    EXPECT_EQ(ReadBytes(dir / "X.BIN.OS1"), (Bytes{0x42, 0}));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 6);
}

TEST(HeaderPiecesTest, AMissingTemporaryFolderFailsAtTheFirstPiece) {
    TempDir dir;
    EXPECT_THROW(WriteHeaderPieces(dir / "gone", "X.BIN", THeader{}), EFileError);
}

TEST(HeaderPiecesTest, FirstMissingPieceIsReportedInOrder) {
    TempDir dir;
    WriteHeaderPieces(dir.path(), "X.BIN", THeader{});
    EXPECT_EQ(FirstMissingPiece(dir.path(), "X.BIN"), std::nullopt);
    std::filesystem::remove(dir / "X.BIN.OS2");
    EXPECT_EQ(FirstMissingPiece(dir.path(), "X.BIN"), ".OS2");
    std::filesystem::remove(dir / "X.BIN.CR2");
    EXPECT_EQ(FirstMissingPiece(dir.path(), "X.BIN"), ".CR2");
    std::filesystem::remove(dir / "X.BIN.DA2");
    EXPECT_EQ(FirstMissingPiece(dir.path(), "X.BIN"), ".DA2");
    EXPECT_EQ(FirstMissingPiece(dir.path(), "Y.BIN"), ".DA2");
}

TEST(HeaderPiecesTest, AShortPieceIsAReadError) {
    TempDir dir;
    WriteHeaderPieces(dir.path(), "X.BIN", THeader{});
    WriteBytes(dir / "X.BIN.CR2", {0xA9});
    EXPECT_THROW(ReadMacBinaryIIPieces(dir.path(), "X.BIN"), EFileError);
    // Longer pieces are fine; the extra bytes are ignored.
    WriteBytes(dir / "X.BIN.CR2", {0xA9, 0x00, 0x11});
    EXPECT_EQ(ReadMacBinaryIIPieces(dir.path(), "X.BIN")[124], 0xA9);
}

// Whether the file was opened for writing while f ran: inotify tells a close after writing access
// from a close after reading only, also for root, whom permission bits do not stop.
template <typename F> bool OpenedForWriting(const std::filesystem::path& file, F f) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    ::inotify_add_watch(fd, file.c_str(), IN_CLOSE_WRITE | IN_CLOSE_NOWRITE);
    f();
    alignas(inotify_event) char buffer[4096];
    bool writing = false;
    bool closed = false;
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            writing = writing || (event->mask & IN_CLOSE_WRITE) != 0;
            closed = closed || (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) != 0;
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    EXPECT_TRUE(closed) << "the file was not closed";
    return writing;
}

TEST(ReadHeaderTest, ReadsReadOnlyFilesAndReportsShortOnes) {
    TempDir dir;
    Bytes bytes = test::RandomBytes(300, 7);
    WriteBytes(dir / "ro.bin", bytes);
    ::chmod((dir / "ro.bin").c_str(), 0444);
    THeader h{};
    ReadHeader(dir / "ro.bin", h); // a read-only file can be inspected
    EXPECT_FALSE(OpenedForWriting(dir / "ro.bin", [&] { ReadHeader(dir / "ro.bin", h); }));
    EXPECT_EQ(Bytes(h.begin(), h.end()), test::Slice(bytes, 0, 128));

    WriteBytes(dir / "short.bin", Bytes(100, 0x33));
    THeader partial;
    partial.fill(0xCC);
    try {
        ReadHeader(dir / "short.bin", partial);
        FAIL() << "no error for a 100-byte file";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
        EXPECT_STREQ(e.what(), "ファイルの末尾以降を読み込みました");
    }
    EXPECT_EQ(partial[99], 0x33);  // the bytes present replaced the start
    EXPECT_EQ(partial[100], 0xCC); // the rest stayed
    EXPECT_EQ(FileSizeOf(dir / "ro.bin"), 300);
}

TEST(ClearTmpFilesTest, DeletesPiecesOfEveryFileInAnyLetterCase) {
    TempDir dir;
    for (const char* name : {"A.BIN", "b.bin", "C"}) {
        WriteHeaderPieces(dir.path(), name, THeader{});
    }
    WriteBytes(dir / "lower.da2", {1});
    WriteBytes(dir / "Mixed.Cr1", {1});
    WriteBytes(dir / ".OS1", {1}); // a name that is all extension
    WriteBytes(dir / "notes.txt", {1});
    WriteBytes(dir / "DA1", {1});
    WriteBytes(dir / "X.DA3", {1});
    std::filesystem::create_directory(dir / "sub.DA1");
    WriteBytes(dir / "sub.DA1" / "inner.DA1", {1});

    const TTmpClearResult result = ClearTmpFiles(dir.path());
    EXPECT_TRUE(result.FolderHadEntries);
    EXPECT_EQ(result.Deleted, 18 + 3);
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"DA1", "X.DA3", "notes.txt", "sub.DA1"}));
    EXPECT_TRUE(std::filesystem::exists(dir / "sub.DA1" / "inner.DA1"));
}

TEST(ClearTmpFilesTest, ReadOnlyPieceStays) {
    TempDir dir;
    WriteHeaderPieces(dir.path(), "A.BIN", THeader{});
    ::chmod((dir / "A.BIN.DA2").c_str(), 0444);
    const TTmpClearResult result = ClearTmpFiles(dir.path());
    EXPECT_TRUE(result.FolderHadEntries);
    EXPECT_EQ(result.Deleted, 5);
    EXPECT_TRUE(std::filesystem::exists(dir / "A.BIN.DA2"));
    EXPECT_FALSE(std::filesystem::exists(dir / "A.BIN.DA1"));
    ::chmod((dir / "A.BIN.DA2").c_str(), 0644);
}

// The pieces a running window holds (the file it shows) stay until it lets them go.
TEST(ClearTmpFilesTest, HeldPiecesStay) {
    TempDir dir;
    TPieceHold hold;
    WriteHeaderPieces(dir.path(), "Shown.bin", THeader{}, MacBinaryIIForm(THeader{}), &hold);
    WriteHeaderPieces(dir.path(), "Old.bin", THeader{});
    EXPECT_EQ(ClearTmpFiles(dir.path()).Deleted, 6);
    EXPECT_EQ(FirstMissingPiece(dir.path(), "Shown.bin"), std::nullopt);
    EXPECT_EQ(FirstMissingPiece(dir.path(), "Old.bin"), ".DA2");
    hold = {};
    EXPECT_EQ(ClearTmpFiles(dir.path()).Deleted, 6);
    EXPECT_EQ(FirstMissingPiece(dir.path(), "Shown.bin"), ".DA2");
}

TEST(ClearTmpFilesTest, EmptyOrMissingFolderHasNoEntries) {
    TempDir dir;
    EXPECT_FALSE(ClearTmpFiles(dir.path()).FolderHadEntries);
    EXPECT_FALSE(ClearTmpFiles(dir / "missing").FolderHadEntries);
    WriteBytes(dir / "notes.txt", {1});
    const TTmpClearResult onlyOthers = ClearTmpFiles(dir.path());
    EXPECT_TRUE(onlyOthers.FolderHadEntries);
    EXPECT_EQ(onlyOthers.Deleted, 0);
}

} // namespace
} // namespace kelda
