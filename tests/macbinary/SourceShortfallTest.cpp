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
    };
    const TCase cases[] = {
        {"complete, padded", 1000, 100, 128 + 1024 + 128, 0, 0},
        {"complete, last fork unpadded", 1000, 100, 128 + 1024 + 100, 0, 0},
        {"cut inside the resource fork", 1000, 100, 128 + 1024 + 40, 60, 0},
        {"cut in the data fork's padding", 1000, 100, 128 + 1010, 100, 0},
        {"cut inside the data fork", 1000, 100, 128 + 995, 105, 5},
        {"header only", 1000, 0, 128, 1000, 1000},
        {"no forks", 0, 0, 128, 0, 0},
        {"a length of 2^31 or more is no fork", 0x80000000u, 0xFFFFFFF0u, 200, 0, 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        THeader h{};
        test::PutUInt32(h, kOffsetDataForkLength, c.Data);
        test::PutUInt32(h, kOffsetResourceForkLength, c.Resource);
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
