// SPDX-License-Identifier: MIT
#include "macbinary/LogBlock.h"

#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

TEST(LogBlockTest, WorkedExampleOf1280Bytes) {
    THeader h{};
    test::PutName(h, "Photo");
    test::PutUInt32(h, kOffsetDataForkLength, 1000);
    test::PutUInt32(h, kOffsetResourceForkLength, 100);
    const std::vector<std::string> lines = BuildLogBlock("/data/Photo.bin", h, 1280);
    ASSERT_EQ(lines.size(), 8u + 28u);
    const std::vector<std::string> expected = {
        std::string(70, '-'),
        "FileName         : /data/Photo.bin",
        "FileType         : Mac Binary I",
        "FileSize         : 00001280[DEC] / 00000500[HEX]",
        "Header(0 base)   : 00000000[DEC] - 00000127[DEC] / 00000000[HEX] - 0000007F[HEX]",
        "Data(0 base)     : 00000128[DEC] - 00001127[DEC] / 00000080[HEX] - 00000467[HEX]",
        "Resorcet(0 base) : 00001128[DEC] - 00001227[DEC] / 00000468[HEX] - 000004CB[HEX]",
        "Comment(0 base)  : 00001228[DEC] - 00001279[DEC] / 000004cc[HEX] - 000004FF[HEX]",
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(lines[i], expected[i]);
    }
    EXPECT_EQ(lines[8].substr(0, 8), "000\tVer\t");
    EXPECT_EQ(lines.back().substr(0, 9), "126\tOSID\t");
}

TEST(LogBlockTest, NumberFormats) {
    struct Case {
        std::int64_t value;
        const char* dec;
        const char* hexLower;
        const char* hexUpper;
    };
    const Case cases[] = {
        {0, "00000000", "00000000", "00000000"},
        {127, "00000127", "0000007f", "0000007F"},
        {-1, "-00000001", "ffffffff", "FFFFFFFF"},
        {-2147483648LL, "-2147483648", "80000000", "80000000"},
        {123456789012LL, "123456789012", "1cbe991a14", "1CBE991A14"}, // true size of a large file
        {-4294967169LL, "-4294967169", "ffffffff0000007f", "FFFFFFFF0000007F"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Dec8(c.value), c.dec);
        EXPECT_EQ(Hex8(c.value, false), c.hexLower);
        EXPECT_EQ(Hex8(c.value, true), c.hexUpper);
    }
}

TEST(LogBlockTest, ZeroHeaderFileAndVersionII) {
    THeader h{};
    std::vector<std::string> lines = BuildLogBlock("Z.bin", h, 128);
    for (std::size_t i = 5; i <= 7; ++i) {
        EXPECT_EQ(lines[i].substr(19, 29), "00000128[DEC] - 00000127[DEC]") << lines[i];
    }
    h[122] = 130;
    lines = BuildLogBlock("Z.bin", h, 128);
    EXPECT_EQ(lines[2], "FileType         : Mac Binary II or Mac Binary III");
    // A size beyond 2 GiB is shown as it is, never negative.
    EXPECT_EQ(LogFileSizeLine(3'000'000'000LL), "FileSize         : 3000000000[DEC] / B2D05E00[HEX]");
}

} // namespace
} // namespace kelda
