// SPDX-License-Identifier: MIT
#include "util/Sha256.h"
#include "util/VisibleText.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace kelda {
namespace {

std::string Hex(const std::array<std::uint8_t, 32>& digest) {
    return HexBytes(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

std::string Digest(const std::string& text, TSha256Path path, std::size_t piece) {
    TSha256 sha(path);
    for (std::size_t at = 0; at < text.size(); at += piece) {
        sha.Update(text.data() + at, std::min(piece, text.size() - at));
    }
    return Hex(sha.Final());
}

// The published test messages, on both paths and fed in pieces that cross the block boundaries.
TEST(Sha256, PublishedDigestsOnEveryPathAndInAnyPieces) {
    const struct {
        std::string Text;
        const char* Digest;
    } cases[] = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1"},
        {std::string(1000000, 'a'), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0"},
    };
    for (const auto& c : cases) {
        for (const TSha256Path path : {TSha256Path::Best, TSha256Path::Portable}) {
            for (const std::size_t piece :
                 {std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{4096}}) {
                SCOPED_TRACE(testing::Message() << c.Text.size() << " bytes in pieces of " << piece
                                                << (path == TSha256Path::Best ? "" : ", portable"));
                EXPECT_EQ(Digest(c.Text, path, piece), c.Digest);
            }
        }
    }
}

// The instructions and the portable rounds agree on every length around the padding's boundaries,
// and a digest starts the object over.
TEST(Sha256, TheInstructionsAgreeWithThePortableRounds) {
    if (!Sha256HasInstructions()) {
        GTEST_SKIP() << "this processor has no SHA instructions";
    }
    std::mt19937 random(7);
    std::string text(300, '\0');
    for (char& c : text) {
        c = static_cast<char>(random());
    }
    TSha256 reused;
    for (std::size_t size = 0; size <= text.size(); ++size) {
        SCOPED_TRACE(size);
        const std::string part = text.substr(0, size);
        EXPECT_EQ(Digest(part, TSha256Path::Best, 17), Digest(part, TSha256Path::Portable, 300));
        reused.Update(part.data(), part.size());
        EXPECT_EQ(Hex(reused.Final()), Digest(part, TSha256Path::Portable, 1));
    }
}

} // namespace
} // namespace kelda
