// SPDX-License-Identifier: MIT
#include "macbinary/ForkLayout.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

void Put32(THeader& h, int offset, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        h[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
    }
}

struct TLayoutCase {
    const char* Name;
    std::uint32_t Data, Resource;
    std::uint16_t Comment, Secondary;
    std::int64_t FileSize;
    TForkSpan ExpectData, ExpectResource, ExpectComment;
    std::int64_t Minimal, Padded;
};

TEST(ForkLayout, ForksStartOnBlockBoundaries) {
    const TLayoutCase cases[] = {
        {"empty", 0, 0, 0, 0, 128, {128, 0, 0}, {128, 0, 0}, {128, 0, 0}, 128, 128},
        {"21-byte data, rsrc at 256", 21, 10, 0, 0, 266, {128, 21, 21}, {256, 10, 10}, {384, 0, 0}, 266, 384},
        {"data cut by 5", 1000, 0, 0, 0, 1123, {128, 1000, 995}, {1152, 0, 0}, {1152, 0, 0}, 1128, 1152},
        {"secondary header of 1", 3, 0, 0, 1, 300, {256, 3, 3}, {384, 0, 0}, {384, 0, 0}, 259, 384},
        {"comment after rsrc", 1, 1, 7, 0, 391, {128, 1, 1}, {256, 1, 1}, {384, 7, 7}, 391, 512},
        {"huge lengths do not wrap",
         0xFFFFFFFF,
         0xFFFFFFFF,
         0,
         0,
         128,
         {128, 0xFFFFFFFF, 0},
         {128 + 0x100000000LL, 0xFFFFFFFF, 0},
         {128 + 0x200000000LL, 0, 0},
         128 + 0x100000000LL + 0xFFFFFFFF,
         128 + 0x200000000LL},
    };
    for (const TLayoutCase& c : cases) {
        THeader h{};
        Put32(h, kOffsetDataForkLength, c.Data);
        Put32(h, kOffsetResourceForkLength, c.Resource);
        h[kOffsetCommentLength] = static_cast<std::uint8_t>(c.Comment >> 8);
        h[kOffsetCommentLength + 1] = static_cast<std::uint8_t>(c.Comment);
        h[kOffsetSecondaryHeaderLength] = static_cast<std::uint8_t>(c.Secondary >> 8);
        h[kOffsetSecondaryHeaderLength + 1] = static_cast<std::uint8_t>(c.Secondary);
        const TForkLayout layout = ComputeForkLayout(h, c.FileSize);
        EXPECT_EQ(layout.Data, c.ExpectData) << c.Name;
        EXPECT_EQ(layout.Resource, c.ExpectResource) << c.Name;
        EXPECT_EQ(layout.Comment, c.ExpectComment) << c.Name;
        EXPECT_EQ(layout.MinimalSize, c.Minimal) << c.Name;
        EXPECT_EQ(layout.PaddedSize, c.Padded) << c.Name;
    }
}

} // namespace
} // namespace kelda
