// SPDX-License-Identifier: MIT
#include "resources/BundleResources.h"
#include "resources/IconRender.h"
#include "resources/MacPalettes.h"
#include "resources/StringResources.h"
#include "resources/VersResource.h"

#include "resources/ForkBuilder.h"

#include <gtest/gtest.h>

#include <set>

namespace kelda {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Fixed bytes followed by the bytes of a literal, NULs included.
template <std::size_t N> Bytes Cat(std::initializer_list<std::uint8_t> fixed, const char (&tail)[N]) {
    Bytes b(fixed);
    b.insert(b.end(), tail, tail + N - 1);
    return b;
}

struct VersCase {
    const char* name;
    Bytes bytes;
    const char* number;
    TVersStage stage;
    const char* stageName;
    std::uint16_t region;
    const char* shortVersion;
    const char* longVersion;
    bool truncated;
};

const VersCase kVers[] = {
    {"development",
     Cat({0x01, 0x23, 0x20, 0x05, 0x00, 0x00}, "\x07"
                                               "1.2.3d5\x03"
                                               "dev"),
     "1.2.3d5", TVersStage::Development, "development", 0, "1.2.3d5", "dev", false},
    {"alpha", Cat({0x10, 0x10, 0x40, 0x12, 0x00, 0x02}, "\x00\x00"), "10.1a12", TVersStage::Alpha, "alpha", 2,
     "", "", false},
    {"beta",
     Cat({0x03, 0x00, 0x60, 0x07, 0x00, 0x00}, "\x05"
                                               "3.0b7\x09"
                                               "3.0b7 \xA9 X"),
     "3.0b7", TVersStage::Beta, "beta", 0, "3.0b7", "3.0b7 \xC2\xA9 X", false},
    {"final",
     Cat({0x07, 0x50, 0x80, 0x00, 0x00, 0x00}, "\x03"
                                               "7.5\x00"),
     "7.5", TVersStage::Final, "final", 0, "7.5", "", false},
    {"final numbered", Cat({0x07, 0x51, 0x80, 0x02, 0x00, 0x00}, "\x00\x00"), "7.5.1f2", TVersStage::Final,
     "final", 0, "", "", false},
    {"no stage", Cat({0x01, 0x00, 0x30, 0x01, 0x00, 0x00}, "\x00\x00"), "1.0?1", TVersStage::Unknown, "0x30",
     0, "", "", false},
    {"not decimal", Cat({0x1A, 0xF0, 0x80, 0x00, 0x00, 0x00}, "\x00\x00"), "1A.F", TVersStage::Final, "final",
     0, "", "", false},
    {"strings cut off",
     Cat({0x02, 0x00, 0x80, 0x00, 0x00, 0x00}, "\x09"
                                               "2.0"),
     "2.0", TVersStage::Final, "final", 0, "2.0", "", true},
    {"no strings", {0x02, 0x00, 0x80, 0x00, 0x00, 0x00}, "2.0", TVersStage::Final, "final", 0, "", "", true},
};

TEST(VersTest, EveryStage) {
    for (const VersCase& c : kVers) {
        SCOPED_TRACE(c.name);
        const std::optional<TVersInfo> v = DecodeVers(c.bytes);
        ASSERT_TRUE(v);
        EXPECT_EQ(v->NumberText(), c.number);
        EXPECT_EQ(v->Stage, c.stage);
        EXPECT_EQ(v->StageName(), c.stageName);
        EXPECT_EQ(v->Region, c.region);
        EXPECT_EQ(v->ShortVersion, c.shortVersion);
        EXPECT_EQ(v->LongVersion, c.longVersion);
        EXPECT_EQ(v->Truncated, c.truncated);
    }
    EXPECT_FALSE(DecodeVers(Bytes{1, 0, 0x80, 0, 0}));
    // Japanese strings in code page 932: "版" is 0x94 0xC5.
    const std::optional<TVersInfo> japanese =
        DecodeVers(Cat({0x01, 0x00, 0x80, 0x00, 0x00, 0x0E}, "\x02\x94\xC5\x00"), TMacEncoding::Japanese);
    ASSERT_TRUE(japanese);
    EXPECT_EQ(japanese->Region, 14);
    EXPECT_EQ(japanese->ShortVersion, "\xE7\x89\x88");
    // The region decides when the caller has no character set: Japanese region, Mac Roman elsewhere.
    EXPECT_EQ(DecodeVers(Cat({0x01, 0x00, 0x80, 0x00, 0x00, 0x0E}, "\x02\x94\xC5\x00"))->ShortVersion,
              "\xE7\x89\x88");
    EXPECT_EQ(DecodeVers(Cat({0x01, 0x00, 0x80, 0x00, 0x00, 0x00}, "\x01\xA9\x00"))->ShortVersion,
              "\xC2\xA9");
}

TEST(StringResourceTest, StrAndStrList) {
    EXPECT_EQ(DecodeStr(Cat({}, "\x05Hello")), "Hello");
    EXPECT_EQ(DecodeStr(Cat({}, "\x09"
                                "cut")),
              "cut");
    EXPECT_EQ(DecodeStr({}), "");
    EXPECT_EQ(DecodeStr(Cat({}, "\x02\x8A!")), "\xC3\xA4!");

    const TStringList two = DecodeStrList(Cat({0x00, 0x02}, "\x03"
                                                            "abc\x00"));
    EXPECT_EQ(two.Strings, (std::vector<std::string>{"abc", ""}));
    EXPECT_FALSE(two.Truncated);
    const TStringList cut = DecodeStrList(Cat({0xFF, 0xFF}, "\x01x\x05y"));
    EXPECT_EQ(cut.Declared, 65535U);
    EXPECT_EQ(cut.Strings, (std::vector<std::string>{"x", "y"}));
    EXPECT_TRUE(cut.Truncated);
    EXPECT_TRUE(DecodeStrList(Bytes{0}).Truncated);
}

// An application's fork: a bundle naming two file references and two icons.
test::TBuiltFork ApplicationFork(bool withIcon128) {
    const Bytes bundle = {'K', 'E', 'L', 'D', 0, 0, 0, 1,                       // signature, ID, two types
                          'I', 'C', 'N', '#', 0, 1, 0, 0, 0, 128, 0, 1, 0, 129, // local 0 → 128, 1 → 129
                          'F', 'R', 'E', 'F', 0, 1, 0, 0, 0, 128, 0, 1, 0, 129};
    std::vector<test::TForkResource> resources = {
        {"BNDL", 128, std::nullopt, 0, bundle},
        {"FREF", 128, std::nullopt, 0, Cat({'A', 'P', 'P', 'L', 0, 0}, "\x00")},
        {"FREF", 129, std::nullopt, 0, Cat({'T', 'E', 'X', 'T', 0, 1}, "")},
        {"ICN#", 129, std::nullopt, 0, Bytes(256, 0xFF)},
    };
    if (withIcon128) {
        resources.push_back({"ICN#", 128, std::nullopt, 0, Bytes(256, 0xFF)});
    }
    return test::BuildResourceFork(resources);
}

TEST(BundleTest, DecodedAndTheOwnIconFound) {
    const std::optional<TBundle> bundle =
        DecodeBundle(Bytes{'K', 'E', 'L', 'D', 0, 0, 0, 0, 'I', 'C', 'N', '#', 0xFF, 0xFF});
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->Signature, ResType("KELD"));
    ASSERT_EQ(bundle->Types.size(), 1U);
    EXPECT_TRUE(bundle->Types[0].Mappings.empty());
    EXPECT_FALSE(bundle->Truncated);
    EXPECT_TRUE(
        DecodeBundle(Bytes{'K', 'E', 'L', 'D', 0, 0, 0, 5, 'I', 'C', 'N', '#', 0, 3, 0, 0})->Truncated);
    const std::optional<TFileReference> ref =
        DecodeFileReference(Cat({'A', 'P', 'P', 'L', 0xFF, 0xFE}, "\x02"
                                                                  "ab"));
    ASSERT_TRUE(ref);
    EXPECT_EQ(ref->LocalIconId, -2);
    EXPECT_EQ(ref->FileName, "ab");

    for (const bool withIcon128 : {true, false}) {
        const test::TBuiltFork fork = ApplicationFork(withIcon128);
        const TMemorySource source(fork.Bytes);
        const TResourceMap map = ReadResourceMap(source);
        const TResourceReader read = [&](const TResourceEntry& e) { return ReadResourceData(source, e); };
        const std::optional<std::int16_t> app = OwnIconId(map, ResType("APPL"), ResType("KELD"), read);
        if (withIcon128) {
            EXPECT_EQ(app, std::optional<std::int16_t>(128));
        } else {
            EXPECT_FALSE(app);
        }
        EXPECT_EQ(OwnIconId(map, ResType("TEXT"), ResType("KELD"), read), std::optional<std::int16_t>(129));
        EXPECT_EQ(ReadBundle(map, ResType("????"), read)->References.size(), 2U);
    }
}

// One row of an image as characters: '#' black, '.' white, ' ' transparent, '?' anything else.
std::string Row(const TIconImage& image, int y) {
    std::string row;
    for (int x = 0; x < image.Width; ++x) {
        const std::uint8_t* p = image.Rgba.data() + static_cast<std::size_t>((y * image.Width + x) * 4);
        if (p[3] == 0) {
            row += ' ';
        } else if (p[0] == 0 && p[1] == 0 && p[2] == 0) {
            row += '#';
        } else if (p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF) {
            row += '.';
        } else {
            row += '?';
        }
    }
    return row;
}

TRgb Pixel(const TIconImage& image, int x, int y) {
    const std::uint8_t* p = image.Rgba.data() + static_cast<std::size_t>((y * image.Width + x) * 4);
    return {p[0], p[1], p[2]};
}

TEST(IconRenderTest, OneBitIconsWithTheirMasks) {
    // ics#: row 0 black, row 1 black at both ends; the mask leaves out row 15 and column 0 of row 2.
    Bytes ics(64, 0);
    ics[0] = ics[1] = 0xFF;
    ics[2] = 0x80;
    ics[3] = 0x01;
    for (int i = 32; i < 64; ++i) {
        ics[static_cast<std::size_t>(i)] = 0xFF;
    }
    ics[32 + 4] = 0x7F;
    ics[62] = ics[63] = 0;
    const std::optional<TIconImage> small = RenderIcon(ResType("ics#"), ics);
    ASSERT_TRUE(small);
    EXPECT_EQ(small->Width, 16);
    EXPECT_TRUE(small->Masked);
    EXPECT_EQ(Row(*small, 0), "################");
    EXPECT_EQ(Row(*small, 1), "#..............#");
    EXPECT_EQ(Row(*small, 2), " ...............");
    EXPECT_EQ(Row(*small, 15), "                ");

    Bytes icn(256, 0);
    icn[4 * 5 + 3] = 0x0F;
    const std::optional<TIconImage> unmasked =
        RenderIcon(ResType("ICN#"), Bytes(icn.begin(), icn.begin() + 128));
    ASSERT_TRUE(unmasked);
    EXPECT_FALSE(unmasked->Masked);
    EXPECT_EQ(Row(*unmasked, 5), "............................####");
    // A whole mask of zeros: nothing is drawn.
    EXPECT_EQ(Row(*RenderIcon(ResType("ICN#"), icn), 5), std::string(32, ' '));
    EXPECT_FALSE(RenderIcon(ResType("ICN#"), Bytes(127, 0)));
    EXPECT_FALSE(RenderIcon(ResType("PICT"), Bytes(1024, 0)));
}

TEST(IconRenderTest, ColourIconsTakeTheFamilyMask) {
    // icl4 of 0x0F: white and black by turns; the ICN# mask leaves out column 0.
    const Bytes icl4(512, 0x0F);
    Bytes mask(256, 0xFF);
    for (int y = 0; y < 32; ++y) {
        mask[static_cast<std::size_t>(128 + y * 4)] = 0x7F;
    }
    const std::optional<TIconImage> four = RenderIcon(ResType("icl4"), icl4, mask);
    ASSERT_TRUE(four);
    EXPECT_TRUE(four->Masked);
    EXPECT_EQ(Row(*four, 0), " #.#.#.#.#.#.#.#.#.#.#.#.#.#.#.#");

    // ics4 nibbles 1 2 3 …: yellow, orange, red of the 4-bit table.
    Bytes ics4(128, 0);
    ics4[0] = 0x12;
    ics4[1] = 0x3D;
    const std::optional<TIconImage> small = RenderIcon(ResType("ics4"), ics4);
    ASSERT_TRUE(small);
    EXPECT_FALSE(small->Masked);
    EXPECT_EQ(Pixel(*small, 0, 0), (TRgb{0xFC, 0xF3, 0x05}));
    EXPECT_EQ(Pixel(*small, 1, 0), (TRgb{0xFF, 0x64, 0x02}));
    EXPECT_EQ(Pixel(*small, 2, 0), (TRgb{0xDD, 0x08, 0x06}));
    EXPECT_EQ(Pixel(*small, 3, 0), (TRgb{0x80, 0x80, 0x80}));

    Bytes icl8(1024);
    for (std::size_t i = 0; i < icl8.size(); ++i) {
        icl8[i] = static_cast<std::uint8_t>(i);
    }
    const std::optional<TIconImage> eight =
        RenderIcon(ResType("icl8"), icl8, Bytes(200, 0xFF)); // mask too short
    ASSERT_TRUE(eight);
    EXPECT_FALSE(eight->Masked);
    EXPECT_EQ(Pixel(*eight, 0, 0), (TRgb{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(Pixel(*eight, 35, 0), (TRgb{0xFF, 0x00, 0x00})); // the cube's pure red
    EXPECT_EQ(Pixel(*eight, 215 - 192, 6), (TRgb{0xEE, 0x00, 0x00}));
    EXPECT_EQ(Pixel(*eight, 31, 7), (TRgb{0x00, 0x00, 0x00}));
    EXPECT_FALSE(RenderIcon(ResType("ics8"), Bytes(255, 0)));
    EXPECT_TRUE(RenderIcon(ResType("ics8"), Bytes(256, 0)));
}

TEST(PaletteTest, StandardTablesHoldTheirPublishedColours) {
    EXPECT_EQ(kMacPalette4[0], (TRgb{0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(kMacPalette4[6], (TRgb{0x00, 0x00, 0xD4}));
    EXPECT_EQ(kMacPalette4[12], (TRgb{0xC0, 0xC0, 0xC0}));
    EXPECT_EQ(kMacPalette4[15], (TRgb{0x00, 0x00, 0x00}));
    std::set<std::tuple<int, int, int>> colours;
    for (const TRgb& c : kMacPalette8) {
        colours.insert({c.R, c.G, c.B});
    }
    EXPECT_EQ(colours.size(), 256U);
    EXPECT_EQ(kMacPalette8[1], (TRgb{0xFF, 0xFF, 0xCC}));
    EXPECT_EQ(kMacPalette8[214], (TRgb{0x00, 0x00, 0x33}));
    EXPECT_EQ(kMacPalette8[225], (TRgb{0x00, 0xEE, 0x00}));
    EXPECT_EQ(kMacPalette8[244], (TRgb{0x00, 0x00, 0x11}));
    EXPECT_EQ(kMacPalette8[245], (TRgb{0xEE, 0xEE, 0xEE}));
    EXPECT_EQ(kMacPalette8[255], (TRgb{0x00, 0x00, 0x00}));
}

} // namespace
} // namespace kelda
