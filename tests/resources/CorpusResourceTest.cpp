// SPDX-License-Identifier: MIT
// Every corpus file with a resource fork, listed by the reader and by a second, deliberately plain
// reading of the same bytes written here from the format's description.
#include "resources/ResourceFork.h"

#include "macbinary/TestFiles.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <tuple>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;

struct TPlainResource {
    std::string Type;
    int Id;
    std::string Name; // "-" for none
    int Attributes;
    std::uint64_t Length;
    bool operator==(const TPlainResource&) const = default;
};

std::uint64_t Big(const Bytes& b, std::size_t at, int n) {
    std::uint64_t v = 0;
    for (int i = 0; i < n; ++i) {
        v = v << 8 | b.at(at + static_cast<std::size_t>(i));
    }
    return v;
}

// The fork after the 128-byte header, the secondary header and the data fork, each padded to 128.
std::vector<TPlainResource> PlainList(const Bytes& file) {
    const auto pad = [](std::uint64_t n) { return (n + 127) / 128 * 128; };
    const std::uint64_t start = 128 + pad(Big(file, 120, 2)) + pad(Big(file, 83, 4));
    const std::uint64_t length = Big(file, 87, 4);
    if (length == 0) {
        return {};
    }
    const Bytes fork(file.begin() + static_cast<std::ptrdiff_t>(start),
                     file.begin() + static_cast<std::ptrdiff_t>(start + length));
    const std::uint64_t data = Big(fork, 0, 4);
    const std::uint64_t map = Big(fork, 4, 4);
    const std::uint64_t types = map + Big(fork, map + 24, 2);
    const std::uint64_t names = map + Big(fork, map + 26, 2);
    const int typeCount = static_cast<int>(static_cast<std::int16_t>(Big(fork, types, 2))) + 1;
    std::vector<TPlainResource> list;
    for (int t = 0; t < typeCount; ++t) {
        const std::uint64_t entry = types + 2 + 8 * static_cast<std::uint64_t>(t);
        const std::string type(fork.begin() + static_cast<std::ptrdiff_t>(entry),
                               fork.begin() + static_cast<std::ptrdiff_t>(entry + 4));
        const int count = static_cast<int>(Big(fork, entry + 4, 2)) + 1;
        const std::uint64_t refs = types + Big(fork, entry + 6, 2);
        for (int k = 0; k < count; ++k) {
            const std::uint64_t ref = refs + 12 * static_cast<std::uint64_t>(k);
            const std::uint64_t nameOffset = Big(fork, ref + 2, 2);
            std::string name = "-";
            if (nameOffset != 0xFFFF) {
                const std::uint64_t at = names + nameOffset;
                name.assign(fork.begin() + static_cast<std::ptrdiff_t>(at + 1),
                            fork.begin() + static_cast<std::ptrdiff_t>(at + 1 + fork.at(at)));
            }
            list.push_back({type, static_cast<std::int16_t>(Big(fork, ref, 2)), name,
                            static_cast<int>(fork.at(ref + 4)), Big(fork, data + Big(fork, ref + 5, 3), 4)});
        }
    }
    return list;
}

TEST(CorpusResourceTest, EveryForkListedAsAPlainReadingListsIt) {
    int withResources = 0;
    for (const fs::path& path : test::CorpusFiles()) {
        SCOPED_TRACE(path.filename().string());
        const Bytes bytes = test::ReadBytes(path);
        THeader header{};
        std::copy_n(bytes.begin(), std::min(bytes.size(), header.size()), header.begin());
        if (bytes.size() < 128 || !IsMacBinary(header)) {
            continue;
        }
        const TFileStream file(path, FileMode::Read);
        const TResourceFork fork = ReadResourceFork(file, header);
        if (!fork.Span.Complete() || fork.Span.Length == 0) {
            EXPECT_TRUE(fork.Map.Resources.empty() || !fork.Span.Complete());
            continue;
        }
        EXPECT_TRUE(fork.Map.Findings.empty()) << fork.Map.Findings.front().Text(false);
        std::vector<TPlainResource> listed;
        for (const TResourceEntry& r : fork.Map.Resources) {
            listed.push_back({std::string(r.Type.begin(), r.Type.end()), r.Id, r.HasName ? r.NameBytes : "-",
                              r.Attributes, r.Length});
        }
        EXPECT_EQ(listed, PlainList(bytes));
        withResources += listed.empty() ? 0 : 1;
    }
    EXPECT_GE(withResources, 8); // the corpus holds applications, fonts, images and text files
}

TEST(CorpusResourceTest, TruncatedForkIsReadAsFarAsItGoes) {
    test::TempDir dir;
    const fs::path source = test::CorpusFile("libmacbinary_fbapp.bin");
    Bytes bytes = test::ReadBytes(source);
    ASSERT_GT(bytes.size(), 1000U);
    bytes.resize(bytes.size() / 2);
    const fs::path cut = dir.path() / "cut.bin";
    test::WriteBytes(cut, bytes);
    THeader header{};
    std::copy_n(bytes.begin(), header.size(), header.begin());
    const TResourceFork fork = ReadResourceFork(TFileStream(cut, FileMode::Read), header);
    ASSERT_FALSE(fork.Map.Findings.empty());
    EXPECT_EQ(fork.Map.Findings.front().Kind, TResFinding::ForkTruncated);
    EXPECT_TRUE(fork.Map.Present);
}

} // namespace
} // namespace kelda
