// SPDX-License-Identifier: MIT
// The builder's HFS+ volumes written to files, for scripts/image-interop to read with another
// program and compare with kelda-cli. Runs only when KELDA_INTEROP_IMAGES names a folder.
#include "HfsPlusBuilder.h"
#include "ImageFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace kelda {
namespace {

using test::Bytes;
using test::TPlusItem;

// Nested folders, a fork in twenty extents (twelve in overflow records), empty forks, a file with
// only a resource fork, names with decomposed accents and kana, Japanese, and a 255-unit name.
std::vector<TPlusItem> InteropItems() {
    std::vector<TPlusItem> items;
    items.push_back({.Path = {u"Docs"}, .Folder = true, .Created = 0xB1000000, .Modified = 0xB1000010});
    items.push_back({.Path = {u"Docs", u"Cafe\u0301"}, .Folder = true});
    items.push_back({.Path = {u"Docs", u"Cafe\u0301", u"Menu"},
                     .Type = "WDBN",
                     .Creator = "MSWD",
                     .Created = 0xB0000000,
                     .Modified = 0xB0001000,
                     .Data = test::RandomBytes(10000, 1),
                     .Resource = test::RandomBytes(777, 2)});
    items.push_back({.Path = {u"Docs", u"\u30C6\u3099\u30FC\u30BF"},
                     .Data = test::RandomBytes(20 * 4096 + 5, 3),
                     .DataPieces = 20});
    items.push_back({.Path = {u"\u65E5\u672C\u8A9E"}, .Data = Bytes{'h', 'i', '\r'}});
    items.push_back({.Path = {u"Only resources"}, .Resource = test::RandomBytes(300, 4)});
    items.push_back({.Path = {u"Empty"}});
    // 255 units of ASCII: the longest name a local file system takes as it is, for the extraction.
    items.push_back({.Path = {std::u16string(253, u'L') + u".x"}, .Data = test::RandomBytes(33, 5)});
    return items;
}

TEST(InteropImages, WritesTheBuilderVolumesToTheFolderGiven) {
    const char* folder = std::getenv("KELDA_INTEROP_IMAGES");
    if (folder == nullptr || *folder == '\0') {
        GTEST_SKIP() << "KELDA_INTEROP_IMAGES is not set";
    }
    const std::filesystem::path out = folder;
    std::filesystem::create_directories(out);
    const std::vector<TPlusItem> items = InteropItems();
    const Bytes small = test::BuildHfsPlus(items, {.BlockSize = 512, .NodeSize = 4096});
    const Bytes big = test::BuildHfsPlus(items);
    const struct {
        const char* File;
        Bytes Image;
    } images[] = {
        {"plus-512.img", small},
        {"plus-4096.img", big},
        {"hfsx.img", test::BuildHfsPlus(items, {.HfsX = true})},
        {"wrapped.img", test::WrapInHfs(small)},
        {"partitioned.img", test::PartitionedDisk({{"Plus", "Apple_HFS", big}})},
    };
    for (const auto& image : images) {
        SCOPED_TRACE(image.File);
        const std::filesystem::path file = out / image.File;
        test::WriteBytes(file, image.Image);
        EXPECT_EQ(std::filesystem::file_size(file), image.Image.size());
    }
}

} // namespace
} // namespace kelda
