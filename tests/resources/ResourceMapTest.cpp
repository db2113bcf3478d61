// SPDX-License-Identifier: MIT
#include "resources/ResourceMap.h"

#include "resources/ForkBuilder.h"

#include <gtest/gtest.h>

#include <random>
#include <set>

namespace kelda {
namespace {

using test::BuildResourceFork;
using test::TBuiltFork;
using test::TForkResource;
using Bytes = std::vector<std::uint8_t>;

TResourceMap Read(const Bytes& fork, TMacEncoding encoding = TMacEncoding::Roman) {
    return ReadResourceMap(TMemorySource(fork), encoding);
}

std::multiset<TResFinding> Kinds(const TResourceMap& map) {
    std::multiset<TResFinding> kinds;
    for (const TResourceFinding& f : map.Findings) {
        kinds.insert(f.Kind);
    }
    return kinds;
}

Bytes Text(std::string_view s) {
    return Bytes(s.begin(), s.end());
}

TResType TypeOf(const std::string& s) {
    return {static_cast<std::uint8_t>(s[0]), static_cast<std::uint8_t>(s[1]), static_cast<std::uint8_t>(s[2]),
            static_cast<std::uint8_t>(s[3])};
}

TEST(ResourceMapTest, GoldenForkOfOneResourceWrittenByHand) {
    Bytes fork = {
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x07, // data at 256, map at 263
        0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x32, // data 7 bytes, map 50 bytes
    };
    fork.resize(256, 0);
    for (const std::uint8_t b : Bytes{0x00, 0x00, 0x00, 0x03, 0x02, 'H', 'i'}) {
        fork.push_back(b);
    }
    const Bytes map = {
        0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x01, 0x07, 0x00, 0x00,
        0x00, 0x07, 0x00, 0x00, 0x00, 0x32, 0x00, 0x00, 0x00, 0x00, // next map
        0x00, 0x00,                                                 // file reference
        0x00, 0x00,                                                 // fork attributes
        0x00, 0x1C,                                                 // type list at 28
        0x00, 0x32,                                                 // name list at 50
        0x00, 0x00,                                                 // one type
        'S',  'T',  'R',  ' ',  0x00, 0x00,                         // one resource
        0x00, 0x0A,                                                 // its list 10 bytes into the type list
        0x00, 0x80, 0xFF, 0xFF,                                     // ID 128, no name
        0x20, 0x00, 0x00, 0x00,                                     // purgeable, data at 0
        0x00, 0x00, 0x00, 0x00,                                     // handle
    };
    fork.insert(fork.end(), map.begin(), map.end());

    const TResourceMap m = Read(fork);
    EXPECT_TRUE(m.Present);
    EXPECT_TRUE(m.Findings.empty()) << m.Findings.front().Text(false);
    EXPECT_EQ(m.Header.DataOffset, 256U);
    EXPECT_EQ(m.Header.MapOffset, 263U);
    ASSERT_EQ(m.Resources.size(), 1U);
    const TResourceEntry& r = m.Resources[0];
    EXPECT_EQ(ResTypeText(r.Type), "STR ");
    EXPECT_EQ(ResTypeHex(r.Type), "53545220");
    EXPECT_EQ(r.Id, 128);
    EXPECT_FALSE(r.HasName);
    EXPECT_EQ(r.Attributes, 0x20);
    EXPECT_EQ(ResAttributeNames(r.Attributes), "purgeable");
    EXPECT_EQ(r.ForkOffset, 256);
    EXPECT_EQ(r.Length, 3U);
    EXPECT_TRUE(r.DataComplete);
    EXPECT_EQ(ReadResourceData(TMemorySource(fork), r), (Bytes{0x02, 'H', 'i'}));
}

TEST(ResourceMapTest, SeveralTypesWithAndWithoutNamesAndEveryAttribute) {
    const std::vector<TForkResource> resources = {
        {"vers", 1, std::nullopt, 0x00, {1, 2, 3}},
        {"STR ", -16396, std::string("Name"), 0x40, Text("\x05Hello")},
        {"vers", 2, std::string(""), 0x20, {}},
        {"ICN#", 128, std::string("\x8A\x8E"), 0x10, Bytes(256, 0xAA)},
        {"STR ", 0, std::nullopt, 0x08, Text("\x00")},
        {"CODE", 1, std::string("Main"), 0x04, {9}},
        {"CODE", 2, std::nullopt, 0x02, {9, 9}},
        {"CODE", 3, std::nullopt, 0x01, {}},
        {"CODE", 4, std::nullopt, 0x7F, {}},
        {"CODE", 5, std::nullopt, 0xFF, {}},
    };
    const TBuiltFork fork = BuildResourceFork(resources);
    const TResourceMap m = Read(fork.Bytes);
    EXPECT_TRUE(m.Findings.empty()) << m.Findings.front().Text(false);
    ASSERT_EQ(m.Types.size(), 4U);
    EXPECT_EQ(ResTypeText(m.Types[2].Type), "ICN#");
    EXPECT_EQ(m.Types[3].Count, 5U);
    ASSERT_EQ(m.Resources.size(), resources.size());
    // The map lists type by type; find each resource by its type and ID.
    for (const TForkResource& want : resources) {
        SCOPED_TRACE(want.Type + " " + std::to_string(want.Id));
        const TResourceEntry* r = m.Find(TypeOf(want.Type), want.Id);
        ASSERT_NE(r, nullptr);
        EXPECT_EQ(r->HasName, want.Name.has_value());
        EXPECT_EQ(r->NameBytes, want.Name.value_or(""));
        EXPECT_EQ(r->Attributes, want.Attributes);
        EXPECT_EQ(r->Length, want.Data.size());
        EXPECT_EQ(ReadResourceData(TMemorySource(fork.Bytes), *r), want.Data);
    }
    EXPECT_EQ(m.Find(ResType("ICN#"), 128)->Name, "\xC3\xA4\xC3\xA9"); // Mac Roman ä é
    EXPECT_EQ(ResAttributeNames(0x7F), "sysHeap purgeable locked protected preload changed compressed");
    EXPECT_EQ(ResAttributeNames(0xFF, true), "ﾋﾞｯﾄ7 ｼｽﾃﾑﾋｰﾌﾟ 破棄可 ﾛｯｸ 保護 先読み 変更済 圧縮");
    EXPECT_EQ(ResAttributeNames(0x80), "bit7");
    EXPECT_EQ(ResAttributeNames(0), "");
}

TEST(ResourceMapTest, EmptyForksAndTheEmptyMap) {
    EXPECT_FALSE(Read({}).Present);
    const TResourceMap empty = Read(BuildResourceFork({}).Bytes); // a type count of 0xFFFF: none
    EXPECT_TRUE(empty.Present);
    EXPECT_TRUE(empty.Types.empty());
    EXPECT_TRUE(empty.Findings.empty());
}

// A fork of two types built normally, then damaged by one change.
struct HostileCase {
    const char* name;
    void (*damage)(TBuiltFork& fork);
    std::multiset<TResFinding> findings;
    std::size_t resources; // listed despite the damage
};

TBuiltFork TwoTypes() {
    return BuildResourceFork({
        {"AAAA", 1, std::string("one"), 0, {1, 2, 3, 4}},
        {"AAAA", 2, std::nullopt, 0, {5}},
        {"BBBB", 7, std::string("seven"), 0, {6, 7}},
    });
}

const HostileCase kHostile[] = {
    {"fork shorter than its header",
     [](TBuiltFork& f) { f.Bytes.resize(15); },
     {TResFinding::ForkTooShort},
     0},
    {"map offset past the end", [](TBuiltFork& f) { f.Put32(4, 0x7FFFFFF0); }, {TResFinding::MapOutside}, 0},
    {"map offset at the end",
     [](TBuiltFork& f) { f.Put32(4, static_cast<std::uint32_t>(f.Bytes.size())); },
     {TResFinding::MapOutside},
     0},
    {"map too short", [](TBuiltFork& f) { f.Put32(12, 27); }, {TResFinding::MapTooShort}, 0},
    {"map longer than the fork",
     [](TBuiltFork& f) { f.Put32(12, 0xFFFFFFFF); },
     {TResFinding::MapTruncated},
     3},
    {"data area past the end",
     [](TBuiltFork& f) {
         f.Put32(8, 0xFFFFFFF0);
     }, // The data area now covers the map, so the names lie in it and are not read.
     {TResFinding::DataAreaOutside, TResFinding::DataMapOverlap, TResFinding::NameInData,
      TResFinding::NameInData},
     3},
    {"type list outside the map",
     [](TBuiltFork& f) { f.Put16(f.MapOffset + 24, 0xFFF0); },
     {TResFinding::TypeListOutside},
     0},
    {"type list past a short map",
     [](TBuiltFork& f) { f.Put32(12, 28 + 2 + 8); },
     {TResFinding::TypeListTruncated, TResFinding::RefListOutside},
     0},
    {"name list outside the map",
     [](TBuiltFork& f) { f.Put16(f.MapOffset + 26, 0xFFF0); },
     {TResFinding::NameListOutside},
     3},
    {"reference list past the map",
     [](TBuiltFork& f) { f.Put16(f.TypeList + 2 + 8 + 6, 0xFF00); },
     {TResFinding::RefListOutside},
     2},
    {"reference list inside the type list",
     [](TBuiltFork& f) { f.Put16(f.TypeList + 2 + 6, 2); },
     {TResFinding::RefListInTypeList},
     1},
    {"two types share one list",
     [](TBuiltFork& f) { f.Put16(f.TypeList + 2 + 8 + 6, 2 + 16); },
     {TResFinding::RefListOverlap},
     2},
    {"lists overlap by one entry",
     [](TBuiltFork& f) { f.Put16(f.TypeList + 2 + 6, 2 + 16 + 12); },
     {TResFinding::RefListOverlap},
     2},
    {"name offset past the map",
     [](TBuiltFork& f) { f.Put16(f.RefEntry(0) + 2, 0xFFF0); },
     {TResFinding::NameOutside},
     3},
    {"name running past the map",
     [](TBuiltFork& f) { f.Bytes[f.NameList + 4] = 0xFF; }, // "seven" claims 255 bytes
     {TResFinding::NameOutside},
     3},
    {"data offset past the data area",
     [](TBuiltFork& f) { f.Bytes[f.RefEntry(1) + 5] = 0x7F; },
     {TResFinding::DataOutside},
     3},
    {"data length past the data area",
     [](TBuiltFork& f) { f.Put32(f.DataOffset, 0x01000000); },
     {TResFinding::DataLengthOutside, TResFinding::DataOverlap, TResFinding::DataOverlap},
     3},
    {"two resources on the same data",
     [](TBuiltFork& f) { f.Put16(f.RefEntry(2) + 6, 0); },
     {TResFinding::DataOverlap},
     3},
    {"the same ID twice", [](TBuiltFork& f) { f.Put16(f.RefEntry(1), 1); }, {TResFinding::DuplicateId}, 3},
    {"the same type twice",
     [](TBuiltFork& f) {
         std::copy_n(f.Bytes.begin() + static_cast<std::ptrdiff_t>(f.TypeList + 2), 4,
                     f.Bytes.begin() + static_cast<std::ptrdiff_t>(f.TypeList + 10));
     },
     {TResFinding::DuplicateType},
     3},
};

TEST(ResourceMapTest, HostileMapsGiveFindingsAndListWhatIsSound) {
    for (const HostileCase& c : kHostile) {
        SCOPED_TRACE(c.name);
        TBuiltFork fork = TwoTypes();
        c.damage(fork);
        const TResourceMap m = Read(fork.Bytes);
        EXPECT_EQ(Kinds(m), c.findings);
        EXPECT_EQ(m.Resources.size(), c.resources);
        for (const TResourceFinding& f : m.Findings) {
            EXPECT_EQ(f.Text(false).find('%'), std::string::npos);
        }
    }
}

TEST(ResourceMapTest, NameOffsetsIntoTheDataAreNotRead) {
    // Put the map before the data: the name list offset then reaches into the data area.
    TBuiltFork fork = TwoTypes();
    const Bytes map(fork.Bytes.begin() + static_cast<std::ptrdiff_t>(fork.MapOffset), fork.Bytes.end());
    const Bytes data(fork.Bytes.begin() + 256,
                     fork.Bytes.begin() + static_cast<std::ptrdiff_t>(fork.MapOffset));
    Bytes moved(16, 0);
    moved.insert(moved.end(), map.begin(), map.end());
    moved.insert(moved.end(), data.begin(), data.end());
    TBuiltFork m{moved};
    m.Put32(0, static_cast<std::uint32_t>(16 + map.size())); // data after the map
    m.Put32(4, 16);
    m.Put32(8, static_cast<std::uint32_t>(data.size()));
    m.Put32(12, static_cast<std::uint32_t>(map.size() + data.size())); // a map that covers the data
    m.Put16(16 + 26, static_cast<std::uint16_t>(map.size()));          // names at the start of the data
    const TResourceMap read = Read(m.Bytes);
    EXPECT_EQ(Kinds(read),
              (std::multiset{TResFinding::DataMapOverlap, TResFinding::NameInData, TResFinding::NameInData}));
    ASSERT_EQ(read.Resources.size(), 3U);
    EXPECT_FALSE(read.Resources[0].HasName);
    EXPECT_EQ(read.Resources[0].Length, 4U);
}

TEST(ResourceMapTest, SixtyFiveThousandTypesPointingIntoTheTypeListGiveBoundedFindings) {
    // 65,535 types (the count field 0xFFFE), every one with its reference list inside the type list.
    const std::size_t types = 65535;
    Bytes fork(16, 0);
    Bytes map(28, 0);
    map[24] = 0;
    map[25] = 28;
    map.push_back(0xFF);
    map.push_back(0xFE);
    for (std::size_t t = 0; t < types; ++t) {
        for (int k = 0; k < 4; ++k) {
            map.push_back(static_cast<std::uint8_t>((t + 1) >> (8 * (3 - k))));
        }
        map.push_back(0); // one resource
        map.push_back(0);
        map.push_back(static_cast<std::uint8_t>(0x40)); // all at 0x4000, inside the type list
        map.push_back(0);
    }
    map.resize(map.size() + 12, 0);
    map[26] = static_cast<std::uint8_t>(map.size() >> 8);
    map[27] = static_cast<std::uint8_t>(map.size());
    const std::uint32_t mapLength = static_cast<std::uint32_t>(map.size());
    fork[4] = 0;
    fork[7] = 16;
    for (int k = 0; k < 4; ++k) {
        fork[12 + static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(mapLength >> (8 * (3 - k)));
    }
    fork.insert(fork.end(), map.begin(), map.end());
    const TResourceMap m = Read(fork);
    EXPECT_EQ(m.Types.size(), types);
    EXPECT_TRUE(m.Resources.empty());
    EXPECT_EQ(m.Findings.size(), kMaxFindings);
    EXPECT_EQ(m.Findings.size() + m.FindingsOmitted, types);
    EXPECT_EQ(m.Findings.front().Kind, TResFinding::RefListInTypeList);
}

TEST(ResourceMapTest, SharedListOfManyTypesIsReadOnce) {
    // 4,000 types all pointing at the one list just behind the type list.
    const std::size_t types = 4000;
    std::vector<TForkResource> one = {{"AAAA", 1, std::nullopt, 0, {1}}};
    TBuiltFork base = BuildResourceFork(one);
    Bytes map(base.Bytes.begin() + static_cast<std::ptrdiff_t>(base.MapOffset),
              base.Bytes.begin() + static_cast<std::ptrdiff_t>(base.MapOffset + 28));
    const std::uint16_t list = static_cast<std::uint16_t>(2 + 8 * types);
    map.push_back(static_cast<std::uint8_t>((types - 1) >> 8));
    map.push_back(static_cast<std::uint8_t>(types - 1));
    for (std::size_t t = 0; t < types; ++t) {
        for (int k = 0; k < 4; ++k) {
            map.push_back(static_cast<std::uint8_t>((t + 1) >> (8 * (3 - k))));
        }
        map.push_back(0);
        map.push_back(0);
        map.push_back(static_cast<std::uint8_t>(list >> 8));
        map.push_back(static_cast<std::uint8_t>(list));
    }
    const Bytes ref(base.Bytes.begin() + static_cast<std::ptrdiff_t>(base.RefEntry(0)),
                    base.Bytes.begin() + static_cast<std::ptrdiff_t>(base.RefEntry(1)));
    map.insert(map.end(), ref.begin(), ref.end());
    map[26] = static_cast<std::uint8_t>(map.size() >> 8);
    map[27] = static_cast<std::uint8_t>(map.size());
    TBuiltFork fork{
        Bytes(base.Bytes.begin(), base.Bytes.begin() + static_cast<std::ptrdiff_t>(base.MapOffset))};
    fork.Bytes.insert(fork.Bytes.end(), map.begin(), map.end());
    fork.Put32(12, static_cast<std::uint32_t>(map.size()));
    const TResourceMap m = Read(fork.Bytes);
    EXPECT_EQ(m.Types.size(), types);
    ASSERT_EQ(m.Resources.size(), 1U);
    EXPECT_EQ(m.Resources[0].Length, 1U);
    EXPECT_EQ(m.Findings.size() + m.FindingsOmitted, types - 1);
    EXPECT_EQ(m.Findings.front().Kind, TResFinding::RefListOverlap);
}

TEST(ResourceMapTest, RandomDamageNeverReadsOutsideTheFork) {
    const TBuiltFork base = TwoTypes();
    std::mt19937 random(15);
    for (int round = 0; round < 3000; ++round) {
        Bytes fork = base.Bytes;
        const int changes = 1 + static_cast<int>(random() % 4);
        for (int k = 0; k < changes; ++k) {
            fork[random() % fork.size()] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) {
            fork.resize(random() % fork.size());
        }
        const TResourceMap m = Read(fork);
        for (const TResourceEntry& r : m.Resources) {
            if (r.DataComplete) {
                ASSERT_LE(r.ForkOffset + 4 + std::int64_t{r.Length}, static_cast<std::int64_t>(fork.size()));
            }
            ASSERT_LE(ReadResourceData(TMemorySource(fork), r).size(), r.Length);
        }
        ASSERT_LE(m.Findings.size(), kMaxFindings);
    }
}

TEST(ResourceFindingTest, EveryFindingHasBothTextsWithTheirArguments) {
    std::set<std::string> english;
    std::set<std::string> japanese;
    for (int k = 0; k <= static_cast<int>(TResFinding::DataOverlap); ++k) {
        const TResourceFinding f{static_cast<TResFinding>(k), {"<1>", "<2>", "<3>", "<4>"}};
        const std::string en = f.Text(false);
        const std::string ja = f.Text(true);
        EXPECT_EQ(en.find('%'), std::string::npos) << en;
        EXPECT_EQ(ja.find('%'), std::string::npos) << ja;
        EXPECT_NE(en, ja);
        english.insert(en);
        japanese.insert(ja);
    }
    EXPECT_EQ(english.size(), static_cast<std::size_t>(TResFinding::DataOverlap) + 1);
    EXPECT_EQ(japanese.size(), english.size());
    EXPECT_EQ((TResourceFinding{TResFinding::DuplicateId, {"'vers'", "1"}}.Text(false)),
              "There is more than one resource 'vers' 1");
}

TEST(ResourceMapTest, FindingTextsFillTheirPlaceholdersInBothLanguages) {
    struct Case {
        std::vector<std::string> args;
        bool japanese;
        std::string text;
    };
    const Case cases[] = {
        {{"5", "10"}, false, "Only 5 of the 10 bytes of the resource fork are in the file"},
        {{"5", "10"}, true, "リソースフォークの 10 バイトのうち 5 バイトしかファイルにありません"},
        {{"%2", "x"}, false, "Only %2 of the x bytes of the resource fork are in the file"},
        {{}, false, "Only  of the  bytes of the resource fork are in the file"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((TResourceFinding{TResFinding::ForkTruncated, c.args}.Text(c.japanese)), c.text);
    }
}

} // namespace
} // namespace kelda
