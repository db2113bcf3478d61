// SPDX-License-Identifier: MIT
#include "macbinary/TInspection.h"

#include "macbinary/HeaderPieces.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"
#include "macbinary/TestFiles.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <map>
#include <sys/inotify.h>
#include <unistd.h>

namespace kelda {
namespace {

THeader VersionIII() {
    THeader h{};
    test::PutName(h, "Photo");
    h[kOffsetVersion] = kVersionIII;
    h[kOffsetMinVersion] = kVersionII;
    for (int i = 0; i < 4; ++i) {
        h[static_cast<std::size_t>(kOffsetSignature + i)] = static_cast<std::uint8_t>("mBIN"[i]);
    }
    return h;
}

TEST(InspectionTest, AcceptedFilesCarryEverythingTheirReadingShows) {
    struct Case {
        const char* name;
        test::Bytes bytes;
        std::uint16_t crcII; // 0: not checked beyond the in-memory form
        const char* fileType;
    };
    const Case cases[] = {
        {"zeros", test::Bytes(128, 0), 0xA900, "Mac Binary I"},
        {"worked", test::MakeMacBinaryFile(THeader{}, 1000, 100, test::RandomBytes(1152, 7)), 0,
         "Mac Binary I"},
        {"version3", test::MakeMacBinaryFile(VersionIII(), 3, 0, test::Bytes(3, 'x')), 0,
         "Mac Binary II or Mac Binary III"},
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = dir / c.name;
        test::WriteBytes(file, c.bytes);
        const TInspectResult result = InspectFile(file);
        ASSERT_TRUE(result.Accepted());
        const TInspection& in = *result.Inspection;
        THeader header{};
        std::copy_n(c.bytes.begin(), kHeaderSize, header.begin());
        EXPECT_EQ(in.Path, file);
        EXPECT_EQ(in.ShownName, file.string());
        EXPECT_EQ(in.Size, static_cast<std::int64_t>(c.bytes.size()));
        EXPECT_EQ(in.Header, header);
        EXPECT_EQ(in.HeaderII, MacBinaryIIForm(header));
        EXPECT_EQ(in.HeaderII[kOffsetVersion], kVersionII);
        EXPECT_EQ(in.CrcII, HeaderCrc(in.HeaderII));
        if (c.crcII != 0) {
            EXPECT_EQ(in.CrcII, c.crcII);
        }
        EXPECT_EQ(in.FileType, c.fileType);
        EXPECT_EQ(in.TableLines, BuildHeaderTable(header));
        ASSERT_EQ(in.GridCells.size(), HeaderFields.size());
        for (std::size_t i = 0; i < in.GridCells.size(); ++i) {
            ASSERT_EQ(in.GridCells[i].size(), 6u);
            EXPECT_EQ(in.GridCells[i][0], HeaderFields[i].No);
        }
        EXPECT_EQ(in.LogBlock, BuildLogBlock(file.string(), header, in.Size));
        EXPECT_EQ(in.Layout, ComputeForkLayout(header, in.Size));
    }
}

TEST(InspectionTest, TheShownNameIsTheOneLogged) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "\x82\xa0.bin"; // code page 932 bytes
    test::WriteBytes(file, test::Bytes(128, 0));
    const TInspectResult result = InspectFile(file, "あ.bin");
    ASSERT_TRUE(result.Accepted());
    EXPECT_EQ(result.Inspection->Path, file);
    EXPECT_EQ(result.Inspection->LogBlock[1], "FileName         : あ.bin");
}

TEST(InspectionTest, RefusalsKeepTheHeaderReadAndNameTheirReason) {
    test::TempDir dir;
    test::Bytes notMacBinary(200, 0);
    notMacBinary[0] = 1;
    test::Bytes const1(128, 0);
    const1[kOffsetConst1] = 0x20;
    test::WriteBytes(dir / "byte0", notMacBinary);
    test::WriteBytes(dir / "byte74", const1);
    struct Case {
        const char* name;
        TInspectRefusal refusal;
        std::uint8_t byte0;
    };
    for (const Case& c :
         {Case{"missing", TInspectRefusal::FileNotFound, 0}, Case{"byte0", TInspectRefusal::NotMacBinary, 1},
          Case{"byte74", TInspectRefusal::NotMacBinary, 0}}) {
        SCOPED_TRACE(c.name);
        const TInspectResult result = InspectFile(dir / c.name);
        EXPECT_FALSE(result.Accepted());
        EXPECT_EQ(result.Refusal, c.refusal);
        EXPECT_EQ(result.HeaderRead[0], c.byte0);
    }
}

TEST(InspectionTest, FileLayerErrorsReachTheCaller) {
    test::TempDir dir;
    test::WriteBytes(dir / "short", test::Bytes(100, 0));
    std::filesystem::create_directory(dir / "folder");
    struct Case {
        const char* name;
        EFileError::Kind kind;
    };
    for (const Case& c :
         {Case{"short", EFileError::Kind::ReadPastEnd}, Case{"folder", EFileError::Kind::Open}}) {
        SCOPED_TRACE(c.name);
        try {
            (void)InspectFile(dir / c.name);
            ADD_FAILURE() << "no error";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), c.kind);
        }
    }
}

// How often each file directly inside folder was opened while f ran.
template <typename F> std::map<std::string, int> OpenCounts(const std::filesystem::path& folder, F f) {
    const int fd = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    EXPECT_GE(fd, 0);
    ::inotify_add_watch(fd, folder.c_str(), IN_OPEN);
    f();
    std::map<std::string, int> counts;
    alignas(inotify_event) char buffer[4096];
    for (ssize_t n; (n = ::read(fd, buffer, sizeof buffer)) > 0;) {
        for (char* p = buffer; p < buffer + n;) {
            const auto* event = reinterpret_cast<const inotify_event*>(p);
            if (event->len > 0) {
                ++counts[event->name];
            }
            p += sizeof(inotify_event) + event->len;
        }
    }
    ::close(fd);
    return counts;
}

// A reading touches the file once (header and size from one descriptor) and every piece once: the
// MacBinary II CRC comes from memory, not from the ".DA2" piece read back.
TEST(InspectionTest, AReadingOpensTheFileOnceAndEachPieceOnce) {
    test::TempDir dir;
    const std::filesystem::path file = dir / "X.BIN";
    test::WriteBytes(file, test::MakeMacBinaryFile(THeader{}, 10, 0, test::Bytes(10, 1)));
    std::optional<TInspection> inspection;
    EXPECT_EQ(OpenCounts(dir.path(), [&] { inspection = InspectFile(file).Inspection; }),
              (std::map<std::string, int>{{"X.BIN", 1}}));
    ASSERT_TRUE(inspection);
    const std::filesystem::path tmp = dir / "TMP";
    std::filesystem::create_directory(tmp);
    const auto counts = OpenCounts(
        tmp, [&] { WriteHeaderPieces(tmp, inspection->Path, inspection->Header, inspection->HeaderII); });
    EXPECT_EQ(counts, (std::map<std::string, int>{{"X.BIN.CR1", 1},
                                                  {"X.BIN.CR2", 1},
                                                  {"X.BIN.DA1", 1},
                                                  {"X.BIN.DA2", 1},
                                                  {"X.BIN.OS1", 1},
                                                  {"X.BIN.OS2", 1}}));
    EXPECT_EQ(ReadMacBinaryIIPieces(tmp, file), inspection->HeaderII);
}

} // namespace
} // namespace kelda
