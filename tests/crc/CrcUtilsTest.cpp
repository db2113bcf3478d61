// SPDX-License-Identifier: MIT
#include "crc/CrcUtils.h"

#include "crc/CrcPage.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <typeinfo>

namespace kelda {
namespace {

const std::uint8_t* Bytes(const char* text) {
    return reinterpret_cast<const std::uint8_t*>(text);
}

struct CheckCase {
    const char* entry;
    std::uint32_t check; // of "123456789"
};

// Independent of the variant table: entry texts and check values as published for each algorithm.
const CheckCase kChecks[CrcVariantCount] = {
    {"CRC16 ITU-T, LEFT,  NEG", 0xD64E},     {"CRC16 ITU-T, LEFT,  POS", 0x31C3},
    {"CRC16 ITU-T, RIGHT, NEG", 0x906E},     {"CRC16 ITU-T, RIGHT, POS", 0x2189},
    {"CRC16 ASCII, LEFT,  NEG", 0x5118},     {"CRC16 ASCII, LEFT,  POS", 0xFEE8},
    {"CRC16 ASCII, RIGHT, NEG", 0xB4C8},     {"CRC16 ASCII, RIGHT, POS", 0xBB3D},
    {"CRC32 ITU-T, LEFT,  NEG", 0xFC891918}, {"CRC32 ITU-T, LEFT,  POS", 0x89A1897F},
    {"CRC32 ITU-T, RIGHT, NEG", 0xCBF43926}, {"CRC32 ITU-T, RIGHT, POS", 0x2DFD2D88},
};

TEST(CrcVariants, EntriesClassesAndCheckValuesInListOrder) {
    const auto engines = MakeCrcEngines();
    ASSERT_EQ(engines.size(), CrcVariantCount);
    for (std::size_t i = 0; i < CrcVariantCount; ++i) {
        SCOPED_TRACE(kChecks[i].entry);
        const auto& variant = CrcVariants[i];
        EXPECT_EQ(variant.Index, static_cast<int>(i));
        EXPECT_EQ(variant.Entry, kChecks[i].entry);
        TCrc& engine = *engines[i];
        // The width follows the class family: that is what decides 4 or 8 hex digits.
        const bool is16 = dynamic_cast<TCrc16*>(&engine) != nullptr;
        EXPECT_EQ(is16, dynamic_cast<TCrc32*>(&engine) == nullptr);
        EXPECT_EQ(engine.Width(), is16 ? 16 : 32);
        EXPECT_EQ(variant.Width, engine.Width());
        EXPECT_EQ(engine.Neg(), std::string(variant.Entry).ends_with("NEG"));
        const bool left = std::string(variant.Entry).find("LEFT") != std::string::npos;
        const auto& type = typeid(engine);
        EXPECT_TRUE(is16 ? type == (left ? typeid(TCrc16L) : typeid(TCrc16R))
                         : type == (left ? typeid(TCrc32L) : typeid(TCrc32R)));

        engine.Init();
        engine.Calc(Bytes("123456789"), 0, 9);
        EXPECT_EQ(engine.Value(), kChecks[i].check);
    }
}

TEST(CrcVariants, EmptyInputGivesZeroForAllTwelve) {
    for (const auto& engine : MakeCrcEngines()) {
        engine->Init();
        EXPECT_EQ(engine->Value(), 0u) << CrcVariants[0].Entry;
    }
}

// The value as a result line shows it, between its two tabs.
std::string CrcHexText(const TCrc& engine) {
    const std::string line = CrcResultLine("", engine, "");
    return line.substr(1, line.size() - 2);
}

TEST(CrcVariants, HexTextHasFourOrEightUpperCaseDigits) {
    auto engines = MakeCrcEngines();
    engines[1]->Calc(Bytes("123456789"), 0, 9);
    EXPECT_EQ(CrcHexText(*engines[1]), "31C3");
    engines[10]->Calc(Bytes("123456789"), 0, 9);
    EXPECT_EQ(CrcHexText(*engines[10]), "CBF43926");
    engines[11]->Init();
    EXPECT_EQ(CrcHexText(*engines[11]), "00000000");
    engines[3]->Init();
    EXPECT_EQ(CrcHexText(*engines[3]), "0000");
}

// The CRC of the single byte i from a zero register, without a final XOR, is entry i of the
// engine's byte table: these are the well-known table entries of each polynomial and bit order.
std::uint32_t OneByteCrc(TCrc& engine, std::uint8_t byte) {
    engine.Init();
    engine.Calc(&byte, 0, 1);
    return engine.Value();
}

TEST(CrcTables, SampleEntries) {
    TCrc16L itu16L(PolyItuT16, false);
    EXPECT_EQ(OneByteCrc(itu16L, 1), 0x1021u);
    EXPECT_EQ(OneByteCrc(itu16L, 255), 0x1EF0u);
    TCrc16R itu16R(PolyItuT16, false);
    EXPECT_EQ(OneByteCrc(itu16R, 1), 0x1189u);
    EXPECT_EQ(OneByteCrc(itu16R, 255), 0x0F78u);
    TCrc32R itu32R(PolyItuT32, false);
    EXPECT_EQ(OneByteCrc(itu32R, 1), 0x77073096u);
    EXPECT_EQ(OneByteCrc(itu32R, 255), 0x2D02EF8Du);
    TCrc32L itu32L(PolyItuT32, false);
    EXPECT_EQ(OneByteCrc(itu32L, 1), 0x04C11DB7u);
    EXPECT_EQ(OneByteCrc(itu32L, 255), 0xB1F740B4u);
    TCrc16L ascii16L(PolyAscii16, false);
    EXPECT_EQ(OneByteCrc(ascii16L, 1), 0x8005u);
    TCrc16R ascii16R(PolyAscii16, false);
    EXPECT_EQ(OneByteCrc(ascii16R, 128), 0xA001u);
}

TEST(CrcTables, OrderOfExponentsDoesNotMatter) {
    const std::uint8_t shuffled[] = {12, 0, 5};
    TCrc16L shuffledL(shuffled, false);
    TCrc16L orderedL(PolyItuT16, false);
    TCrc16R shuffledR(shuffled, false);
    TCrc16R orderedR(PolyItuT16, false);
    for (int i = 0; i < 256; ++i) {
        const auto byte = static_cast<std::uint8_t>(i);
        EXPECT_EQ(OneByteCrc(shuffledL, byte), OneByteCrc(orderedL, byte)) << i;
        EXPECT_EQ(OneByteCrc(shuffledR, byte), OneByteCrc(orderedR, byte)) << i;
    }
}

TEST(CrcEngine, ConstructionLeavesTheRegisterInitialised) {
    // Without Init: the constructor has already run it with the right FNeg.
    for (std::size_t i = 0; i < CrcVariantCount; ++i) {
        auto engine = MakeCrcEngine(CrcVariants[i]);
        engine->Calc(Bytes("123456789"), 0, 9);
        EXPECT_EQ(engine->Value(), kChecks[i].check) << kChecks[i].entry;
    }
}

TEST(CrcEngine, CalcTakesExactlyIndexToIndexPlusCount) {
    const char* text = "xx123456789yy";
    for (std::size_t i = 0; i < CrcVariantCount; ++i) {
        auto engine = MakeCrcEngine(CrcVariants[i]);
        engine->Calc(Bytes(text), 2, 0);
        engine->Calc(Bytes(text), 2, -5);
        engine->Calc(Bytes(text), 2, 9);
        EXPECT_EQ(engine->Value(), kChecks[i].check) << kChecks[i].entry;

        auto split = MakeCrcEngine(CrcVariants[i]);
        split->Calc(Bytes(text), 2, 3);
        split->Calc(Bytes(text), 5, 2);
        split->Calc(Bytes(text), 7, 4);
        EXPECT_EQ(split->Value(), kChecks[i].check) << kChecks[i].entry;
    }
}

TEST(CrcEngine, GetCrcTwiceAndCalcAfterGetCrcContinues) {
    for (std::size_t i = 0; i < CrcVariantCount; ++i) {
        auto engine = MakeCrcEngine(CrcVariants[i]);
        engine->Calc(Bytes("1234"), 0, 4);
        const std::uint32_t first = engine->Value();
        EXPECT_EQ(engine->Value(), first);
        engine->Calc(Bytes("56789"), 0, 5);
        EXPECT_EQ(engine->Value(), kChecks[i].check) << kChecks[i].entry;
        // Init starts over.
        engine->Init();
        engine->Calc(Bytes("123456789"), 0, 9);
        EXPECT_EQ(engine->Value(), kChecks[i].check) << kChecks[i].entry;
    }
}

TEST(CrcEngine, FamilyGetCrcMatchesValue) {
    TCrc16L crc16(PolyItuT16, true);
    crc16.Calc(Bytes("123456789"), 0, 9);
    const std::uint16_t v16 = crc16.GetCrc();
    EXPECT_EQ(v16, 0xD64E);
    TCrc32R crc32(PolyItuT32, true);
    crc32.Calc(Bytes("123456789"), 0, 9);
    const std::uint32_t v32 = crc32.GetCrc();
    EXPECT_EQ(v32, 0xCBF43926u);
}

TEST(CrcEngine, Crc16XmodemOfMemory) {
    EXPECT_EQ(Crc16Xmodem(Bytes("123456789"), 9), 0x31C3);
    EXPECT_EQ(Crc16Xmodem(nullptr, 0), 0);
}

// Fed in pieces, at every cut and over an empty piece, the CRC is that of the whole.
TEST(CrcEngine, Crc16XmodemContinuesOverPieces) {
    const std::uint8_t* text = Bytes("123456789");
    for (std::size_t cut = 0; cut <= 9; ++cut) {
        const std::uint16_t first = Crc16XmodemUpdate(0, text, cut);
        EXPECT_EQ(Crc16XmodemUpdate(Crc16XmodemUpdate(first, nullptr, 0), text + cut, 9 - cut), 0x31C3)
            << cut;
    }
}

} // namespace
} // namespace kelda
