// SPDX-License-Identifier: MIT
#include "crc/CrcPage.h"

#include "crc/CrcUtils.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kelda::TCrcOperation;
using kelda::TCrcRefusal;

namespace {

TEST(CrcPage, ResultLines) {
    EXPECT_EQ(kelda::CrcResultLine("CRC16 ITU-T, LEFT,  POS", 16, 0x31C3, "/d/f.bin"),
              "CRC16 ITU-T, LEFT,  POS\t31C3\t/d/f.bin");
    EXPECT_EQ(kelda::CrcResultLine("CRC32 ITU-T, RIGHT, NEG", 32, 0xCBF43926u, "/d/f.bin"),
              "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t/d/f.bin");
    EXPECT_EQ(kelda::CrcResultLine("e", 16, 0xA, ""), "e\t000A\t");
    EXPECT_EQ(kelda::CrcResultLine("e", 32, 0, "x"), "e\t00000000\tx");
    EXPECT_EQ(kelda::CrcResultLine("e", 32, 0xFFFFFFFFu, "x"), "e\tFFFFFFFF\tx"); // unsigned
}

TEST(CrcPage, ResultLinesOfEveryEngineForTheCheckString) {
    const std::string data = "123456789";
    const auto engines = kelda::MakeCrcEngines();
    for (std::size_t i = 0; i < engines.size(); ++i) {
        auto& e = *engines[i];
        e.Init();
        e.Calc(reinterpret_cast<const std::uint8_t*>(data.data()), 0, static_cast<std::int64_t>(data.size()));
        const std::string line = kelda::CrcResultLine(kelda::CrcVariants[i].Entry, e, "f");
        // entry, TAB, 4 or 8 digits, TAB, name
        EXPECT_EQ(line.size(), kelda::CrcVariants[i].Entry.size() + 2 + (i < 8 ? 4 : 8) + 1) << line;
        if (i == 1) {
            EXPECT_EQ(line, "CRC16 ITU-T, LEFT,  POS\t31C3\tf");
        } else if (i == 10) {
            EXPECT_EQ(line, "CRC32 ITU-T, RIGHT, NEG\tCBF43926\tf");
        }
    }
}

TEST(CrcPage, WarningsComeInOrderFileFirst) {
    const struct {
        bool exists;
        TCrcOperation op;
        TCrcRefusal refusal;
    } cases[] = {
        {true, TCrcOperation::Each, TCrcRefusal::None},
        {true, TCrcOperation::All, TCrcRefusal::SelectOperationEach},
        {true, TCrcOperation::Clear, TCrcRefusal::SelectOperationEach},
        {false, TCrcOperation::Each, TCrcRefusal::FileNotFound},
        {false, TCrcOperation::All, TCrcRefusal::FileNotFound},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kelda::CheckVariantChoice(c.exists, c.op), c.refusal);
    }
}

TEST(CrcPage, CrcFileExists) {
    const fs::path dir = fs::temp_directory_path() / ("kelda-crcpage-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    std::ofstream(dir / "f") << "x";
    EXPECT_TRUE(kelda::CrcFileExists((dir / "f").string()));
    EXPECT_FALSE(kelda::CrcFileExists(dir.string()));
    EXPECT_FALSE(kelda::CrcFileExists((dir / "gone").string()));
    EXPECT_FALSE(kelda::CrcFileExists(""));
    fs::remove_all(dir);
}

} // namespace
