// SPDX-License-Identifier: MIT
// How many bytes a header-removing conversion of a cut source lacks, and the two-language warning.
#include "macbinary/SourceShortfall.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

TEST(SourceShortfall, CountsTheBytesBeyondTheEndOfTheSource) {
    struct TCase {
        const char* Name;
        std::uint32_t Data, Resource;
        std::int64_t Size;
        std::int64_t Forks, DataFork;
        std::uint16_t Secondary;
    };
    const TCase cases[] = {
        {"complete, padded", 1000, 100, 128 + 1024 + 128, 0, 0, 0},
        {"complete, last fork unpadded", 1000, 100, 128 + 1024 + 100, 0, 0, 0},
        {"cut inside the resource fork", 1000, 100, 128 + 1024 + 40, 60, 0, 0},
        {"cut in the data fork's padding", 1000, 100, 128 + 1010, 100, 0, 0},
        {"cut inside the data fork", 1000, 100, 128 + 995, 105, 5, 0},
        {"header only", 1000, 0, 128, 1000, 1000, 0},
        {"no forks", 0, 0, 128, 0, 0, 0},
        // Lengths are unsigned: a fork of 2^31 bytes or more in a short file is a shortfall too.
        {"data fork of 2^31 + 16 bytes", 0x80000010u, 0, 300, 0x80000010LL - 172, 0x80000010LL - 172, 0},
        {"resource fork of 2^32 - 16 bytes", 0, 0xFFFFFFF0u, 200, 0xFFFFFFF0LL - 72, 0, 0},
        // The forks lie after a secondary header (bytes 120-121), padded to 128 bytes.
        {"secondary header, cut inside the data fork", 1000, 100, 128 + 128 + 995, 105, 5, 100},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        THeader h{};
        test::PutUInt32(h, kOffsetDataForkLength, c.Data);
        test::PutUInt32(h, kOffsetResourceForkLength, c.Resource);
        h[120] = static_cast<std::uint8_t>(c.Secondary >> 8);
        h[121] = static_cast<std::uint8_t>(c.Secondary & 0xFF);
        EXPECT_EQ(SourceShortfall(h, c.Size, TOutputPart::Forks), c.Forks);
        EXPECT_EQ(SourceShortfall(h, c.Size, TOutputPart::DataFork), c.DataFork);
    }
}

TEST(SourceShortfall, TheWarningNamesThePartAndTheCountInBothLanguages) {
    EXPECT_EQ(
        ShortfallMessage(TOutputPart::DataFork, 5, false),
        "Warning ! The source file ended before its data fork did: 5 bytes are missing from the output.");
    EXPECT_EQ(ShortfallMessage(TOutputPart::Forks, 105, true),
              "警告 ! 元のファイルはフォークの途中で終わっています。出力には 105 バイト足りません");
    EXPECT_NE(ShortfallMessage(TOutputPart::DataFork, 7, true).find("データフォーク"), std::string::npos);
}

} // namespace
} // namespace kelda
