// SPDX-License-Identifier: MIT
// AppleDouble and AppleSingle files of the sample, byte for byte as the published layout has them:
// the 26-byte header, 12-byte descriptors, then the entries, dates counted from 2000 (signed),
// Finder info with type, creator, flags, location, folder, script and extended flags.
#include "ForkSamples.h"

#include "forks/ForkExport.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using namespace test;

// Entries shared by both files, after the table: name, comment, dates, Finder info, file info.
constexpr std::string_view kSharedEntries =
    "41 62"                                               // real name "Ab"
    "68 69"                                               // comment "hi"
    "00 00 00 01  FF FF FF FF  80 00 00 00  80 00 00 00"  // created +1, modified -1, backup, access unknown
    "54 45 58 54  74 74 78 74  01 20  00 10 00 20  00 03" // TEXT ttxt flags v h folder
    "00 00  00 00 00 00 00 00  00 40  00 00  00 00 00 00" // FXInfo: script 0, extended flags 0x40
    "00 00 00 02";                                        // protected

struct TGoldenCase {
    const char* Name;
    TAppleKind Kind;
    std::string Expected;
};

std::vector<TGoldenCase> GoldenCases() {
    const std::string doubleFile = std::string("00 05 16 07  00 02 00 00  00000000 00000000 00000000 00000000"
                                               "00 06"
                                               "00000003 00000062 00000002"
                                               "00000004 00000064 00000002"
                                               "00000008 00000066 00000010"
                                               "00000009 00000076 00000020"
                                               "0000000A 00000096 00000004"
                                               "00000002 0000009A 00000002") +
                                   std::string(kSharedEntries) + "52 53";
    const std::string singleFile = std::string("00 05 16 00  00 02 00 00  00000000 00000000 00000000 00000000"
                                               "00 07"
                                               "00000003 0000006E 00000002"
                                               "00000004 00000070 00000002"
                                               "00000008 00000072 00000010"
                                               "00000009 00000082 00000020"
                                               "0000000A 000000A2 00000004"
                                               "00000002 000000A6 00000002"
                                               "00000001 000000A8 00000005") +
                                   std::string(kSharedEntries) + "52 53  44 41 54 41 21";
    return {{"AppleDouble", TAppleKind::Double, doubleFile}, {"AppleSingle", TAppleKind::Single, singleFile}};
}

TEST(AppleGolden, SampleIsWrittenByteForByte) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    for (const TGoldenCase& c : GoldenCases()) {
        SCOPED_TRACE(c.Name);
        const auto out = dir / c.Name;
        ASSERT_EQ(ExportAppleFile(c.Kind, dir / "in.bin", out, TCutPolicy::Refuse), TForkStatus::Written);
        EXPECT_EQ(ReadBytes(out), Hex(c.Expected));
    }
}

TEST(AppleGolden, WithoutCommentOrProtectionThoseEntriesAreLeftOut) {
    THeader h = SampleHeader();
    h[81] = 0;
    h[100] = 0;
    PutUInt32(h, 83, 1);
    PutUInt32(h, 87, 0);
    TempDir dir;
    WriteBytes(dir / "in.bin", MacBinaryOf(h, Text("D"), {}, {}));
    ASSERT_EQ(ExportAppleFile(TAppleKind::Double, dir / "in.bin", dir / "ad", TCutPolicy::Refuse),
              TForkStatus::Written);
    const Bytes ad = ReadBytes(dir / "ad");
    ASSERT_GE(ad.size(), 26u);
    EXPECT_EQ(ad[25], 4); // name, dates, Finder info, resource fork
    const Bytes table = Slice(ad, 26, 48);
    EXPECT_EQ(table, Hex("00000003 0000004A 00000002"
                         "00000008 0000004C 00000010"
                         "00000009 0000005C 00000020"
                         "00000002 0000007C 00000000"));
    EXPECT_EQ(ad.size(), 0x7Cu);
}

// Dates at the edges of what the container holds.
TEST(AppleGolden, DatesOutsideTheContainersRangeAreUnknown) {
    struct {
        std::uint32_t Mac;
        const char* Entry;
    } cases[] = {
        {0, "80000000"},           // no date
        {882045952, "80000000"},   // 2000 minus 2^31 seconds: the value that means "unknown"
        {882045953, "80000001"},   // the earliest the container holds
        {3029529600u, "00000000"}, // 2000-01-01
        {0xFFFFFFFFu, "4B6D0BFF"}, // 2040-02-06 06:28:15
    };
    TempDir dir;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mac);
        THeader h = SampleHeader();
        PutUInt32(h, 91, c.Mac);
        WriteBytes(dir / "in.bin", MacBinaryOf(h, Text("DATA!"), Text("RS"), Text("hi")));
        ASSERT_EQ(ExportAppleFile(TAppleKind::Double, dir / "in.bin", dir / "ad", TCutPolicy::Refuse),
                  TForkStatus::Written);
        EXPECT_EQ(Slice(ReadBytes(dir / "ad"), 0x66, 4), Hex(c.Entry));
    }
}

} // namespace
} // namespace kelda
