// SPDX-License-Identifier: MIT
// kelda-cli crc run as a separate program.
#include "support/DrillSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliCrcTest : public testing::Test {
protected:
    void SetUp() override {
        if (std::string(KELDA_CLI_PATH).empty()) {
            GTEST_FAIL() << "kelda-cli was not built beside the tests";
        }
        ::setenv("LC_ALL", "C", 1); // the English messages, whatever the locale of the run
        dir_ = fs::temp_directory_path() / ("kelda-clicrc-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        check_ = (dir_ / "check.txt").string();
        std::ofstream(check_, std::ios::binary) << "123456789";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Runs kelda-cli with args (each single-quoted); returns the exit status, fills out_ and err_.
    int Run(const std::string& args) {
        const std::string command = std::string(KELDA_CLI_PATH) + " " + args + " >" + (dir_ / "o").string() +
                                    " 2>" + (dir_ / "e").string() + " </dev/null";
        const int raw = std::system(command.c_str());
        out_ = Slurp(dir_ / "o");
        err_ = Slurp(dir_ / "e");
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    fs::path dir_;
    std::string check_;
    std::string out_;
    std::string err_;
};

TEST_F(CliCrcTest, DefaultVariantAndChosenVariant) {
    EXPECT_EQ(Run("crc " + check_), 0);
    EXPECT_EQ(out_, "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + check_ + "\n");
    EXPECT_EQ(Run("crc --variant 1 " + check_), 0);
    EXPECT_EQ(out_, "CRC16 ITU-T, LEFT,  POS\t31C3\t" + check_ + "\n");
}

TEST_F(CliCrcTest, AllGivesTwelveLinesInListOrder) {
    EXPECT_EQ(Run("crc --all " + check_), 0);
    const char* expected[] = {"D64E", "31C3", "906E",     "2189",     "5118",     "FEE8",
                              "B4C8", "BB3D", "FC891918", "89A1897F", "CBF43926", "2DFD2D88"};
    std::istringstream lines(out_);
    std::string line;
    int i = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(i, 12);
        EXPECT_NE(line.find(std::string("\t") + expected[i] + "\t" + check_), std::string::npos) << line;
        ++i;
    }
    EXPECT_EQ(i, 12);
}

TEST_F(CliCrcTest, MissingFileAndBadUsage) {
    const std::string missing = (dir_ / "missing").string();
    EXPECT_EQ(Run("crc " + missing + " " + check_), 1); // reported, the other file still done
    EXPECT_NE(err_.find("Warning ! File can not find."), std::string::npos);
    EXPECT_NE(out_.find("CBF43926"), std::string::npos);
    EXPECT_EQ(Run("--japanese crc " + dir_.string()), 1); // a folder is no file, and is named so
    EXPECT_NE(err_.find("警告 ! ファイルではなくフォルダです"), std::string::npos);
    // A file that cannot be read is reported, and the command fails.
    const std::string fifo = (dir_ / "fifo").string();
    ASSERT_TRUE(kelda::drill::MakeFifo(fifo));
    for (const char* all : {"", "--all "}) {
        EXPECT_EQ(Run(std::string("crc ") + all + fifo + " " + check_), 1) << all;
        EXPECT_NE(err_.find("kelda-cli: " + fifo + ": Can not open the file"), std::string::npos) << err_;
        EXPECT_NE(out_.find("CBF43926"), std::string::npos);
    }
    for (const char* bad :
         {"crc", "crc --variant 12 x", "crc --variant x x", "crc --variant", "crc --bogus x"}) {
        EXPECT_EQ(Run(bad), 2) << bad;
    }
}

} // namespace
