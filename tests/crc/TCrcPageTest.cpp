// SPDX-License-Identifier: MIT
#include "crc/TCrcPage.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;

class TCrcPageTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-crcpage-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        std::ofstream(dir_ / "nine.txt", std::ios::binary) << "123456789";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_F(TCrcPageTest, TheRecentFileListKeepsTheFilesBytes) {
    TCrcPage page;
    ASSERT_EQ(page.FileList().size(), kRecentFileCount);
    EXPECT_TRUE(page.ChosenFile().empty());
    const std::string sjis = "/data/\x93\xFA\x96\x7B\x8C\xEA.bin"; // 日本語.bin in code page 932
    const std::string utf8 = "/data/日本語.bin";
    page.LoadFileList(std::vector<std::string>{"", sjis, "/a"});
    EXPECT_EQ(page.FileList()[1].string(), sjis);
    EXPECT_TRUE(page.FileList()[3].empty());
    // Two names that read the same are two entries; choosing one moves only that one.
    page.UpdateFileList(utf8);
    EXPECT_EQ(page.FileList()[0].string(), utf8);
    EXPECT_EQ(page.FileList()[1].string(), sjis);
    EXPECT_EQ(page.FileList()[2].string(), "/a");
    page.SetFileIndex(1);
    page.UpdateFileList(page.FileList()[1]);
    EXPECT_EQ(page.FileList()[0].string(), sjis);
    EXPECT_EQ(page.FileList()[1].string(), utf8);
    EXPECT_EQ(page.FileIndex(), 0u);
    EXPECT_EQ(page.FileList().size(), kRecentFileCount);
}

TEST_F(TCrcPageTest, ChoicesAnswerAsThePageDoes) {
    struct Case {
        bool file;
        TCrcOperation operation;
        TCrcRefusal answer;
    };
    for (const Case& c : {Case{false, TCrcOperation::Each, TCrcRefusal::FileNotFound},
                          Case{false, TCrcOperation::All, TCrcRefusal::FileNotFound},
                          Case{true, TCrcOperation::Clear, TCrcRefusal::SelectOperationEach},
                          Case{true, TCrcOperation::Each, TCrcRefusal::None}}) {
        TCrcPage page;
        if (c.file) {
            page.UpdateFileList(dir_ / "nine.txt");
        }
        page.SetOperation(c.operation);
        EXPECT_EQ(page.VariantChoice(), c.answer) << c.file << static_cast<int>(c.operation);
    }
}

TEST_F(TCrcPageTest, ResultLinesOfOneVariantAndOfAll) {
    TCrcPage page;
    page.CreateEngines();
    ASSERT_EQ(page.CrcEngines().size(), CrcVariantCount);
    page.UpdateFileList(dir_ / "nine.txt");
    struct Case {
        std::size_t variant;
        const char* line;
    };
    for (const Case& c : {Case{10, "CRC32 ITU-T, RIGHT, NEG\tCBF43926\tnine"},
                          Case{1, "CRC16 ITU-T, LEFT,  POS\t31C3\tnine"}}) {
        page.SetVariant(c.variant);
        page.CrcGetFileCrc({});
        EXPECT_EQ(page.ResultLine("nine"), c.line);
    }
    const std::vector<std::string> all = page.AllResultLines("nine", {});
    ASSERT_EQ(all.size(), CrcVariantCount);
    for (std::size_t i = 0; i < CrcVariantCount; ++i) {
        page.SetVariant(i);
        page.CrcGetFileCrc({});
        EXPECT_EQ(all[i], page.ResultLine("nine")) << i;
    }
    page.FreeEngines();
    EXPECT_TRUE(page.CrcEngines().empty());
}

// Every setter announces itself, so that a view showing the model never falls behind it; values
// outside the lists choose their first entries.
TEST_F(TCrcPageTest, EveryChangeIsAnnouncedAndOutOfRangeChoicesAreTheFirst) {
    TCrcPage page;
    int announced = 0;
    page.SetOnChanged([&] { ++announced; });
    page.LoadFileList(std::vector<std::string>{"/a", "/b"});
    page.UpdateFileList("/c");
    page.SetFileIndex(kRecentFileCount); // past the list
    EXPECT_EQ(page.FileIndex(), 0u);
    page.SetOperation(static_cast<TCrcOperation>(-1)); // a list with no row chosen
    EXPECT_EQ(page.Operation(), TCrcOperation::Each);
    page.SetOperation(TCrcOperation::All);
    page.SetOperation(static_cast<TCrcOperation>(3));
    EXPECT_EQ(page.Operation(), TCrcOperation::Each);
    page.SetVariant(CrcVariantCount);
    EXPECT_EQ(page.Variant(), 0u);
    EXPECT_EQ(announced, 7);
}

} // namespace
} // namespace kelda
