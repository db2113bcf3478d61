// SPDX-License-Identifier: MIT
// kelda-cli crc run as a separate program.
#include "crc/CrcUtils.h"
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

// /proc files report the size 0 and give bytes all the same: crc folds what they give, the JSON
// says how many bytes that was, and --check agrees with the right value only. Each file read is
// the program's own argument list, which the test knows.
TEST_F(CliCrcTest, FileWhoseSizeReadsZeroGivesTheCrcOfItsBytes) {
    const std::string proc = "/proc/self/cmdline";
    if (!fs::exists(proc) || fs::file_size(proc) != 0) {
        GTEST_SKIP() << "no /proc";
    }
    const auto crcOf = [](const std::string& bytes) {
        char hex[16];
        kelda::TCrc32R engine(kelda::PolyItuT32, true);
        engine.Calc(reinterpret_cast<const std::uint8_t*>(bytes.data()), 0,
                    static_cast<std::int64_t>(bytes.size()));
        std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(engine.Value()));
        return std::string(hex);
    };
    const std::string cli = KELDA_CLI_PATH;
    const std::string args = cli + '\0' + "crc" + '\0' + proc + '\0';
    ASSERT_EQ(Run("crc " + proc), 0) << err_;
    EXPECT_EQ(out_, "CRC32 ITU-T, RIGHT, NEG\t" + crcOf(args) + "\t" + proc + "\n");

    const std::string jsonArgs = cli + '\0' + "crc" + '\0' + "--json" + '\0' + proc + '\0';
    ASSERT_EQ(Run("crc --json " + proc), 0) << err_;
    EXPECT_NE(out_.find("\"size\":" + std::to_string(jsonArgs.size())), std::string::npos) << out_;

    const std::string sums = (dir_ / "sums").string();
    const std::string checkArgs = cli + '\0' + "crc" + '\0' + "-c" + '\0' + sums + '\0';
    std::ofstream(sums, std::ios::binary)
        << "CRC32 ITU-T, RIGHT, NEG\t" << crcOf(checkArgs) << '\t' << proc << '\n';
    EXPECT_EQ(Run("crc -c " + sums), 0) << err_;
    EXPECT_EQ(out_, proc + ": OK\n");
    std::ofstream(sums, std::ios::binary) << "CRC32 ITU-T, RIGHT, NEG\t00000000\t" << proc << '\n';
    EXPECT_EQ(Run("crc -c " + sums), 1);
    EXPECT_EQ(out_, proc + ": FAILED\n");
}

// A sum line longer than any name crc can have written is not read whole: it is reported with its
// name cut and escaped, counted with the lines that are no CRC lines, and the others are checked.
TEST_F(CliCrcTest, OverLongSumLineIsReportedCutAndCounted) {
    const std::string good = "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + check_ + "\n";
    const struct {
        const char* what;
        std::string line;
        std::string shown;
    } cases[] = {
        {"a name of 8 MiB", "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t\x1b[2J" + std::string(8 << 20, 'n') + "\n",
         "\\x1b[2J" + std::string(56, 'n') + "..."},
        {"no fields", std::string(5000, 'x') + "\n", std::string(60, 'x') + "..."},
        {"just too long", "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + std::string(4160 - 33 + 1, 'm') + "\n",
         std::string(60, 'm') + "..."},
    };
    const std::string sums = (dir_ / "sums").string();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::ofstream(sums, std::ios::binary) << good << c.line << good;
        EXPECT_EQ(Run("crc -c " + sums), 0);
        EXPECT_EQ(out_, check_ + ": OK\n"); // one group: the lines of one name
        EXPECT_NE(err_.find("line 2 is longer than 4160 bytes and no CRC line: " + c.shown + "\n"),
                  std::string::npos)
            << err_.substr(0, 300);
        EXPECT_NE(err_.find(sums + ": 1 lines are no CRC lines"), std::string::npos) << err_.substr(0, 300);
        EXPECT_LT(err_.size(), 600u);
    }
    // The longest line crc may have written is read as a line (the file it names is missing).
    const std::string longest = "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + std::string(4160 - 33, 'm');
    std::ofstream(sums, std::ios::binary) << longest << "\n";
    EXPECT_EQ(Run("crc -c " + sums), 1);
    EXPECT_EQ(err_.find("longer than"), std::string::npos) << err_.substr(0, 300);
}

} // namespace
