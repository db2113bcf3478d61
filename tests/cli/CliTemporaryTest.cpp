// SPDX-License-Identifier: MIT
// The temporaries of kelda-cli's outputs beside the user's files and beside other runs: a file that
// only bears their name is never removed, extract never makes such a name, and many runs writing
// into one folder at once all succeed (the program itself, started as xargs -P starts it).
#include "cli/CliRun.h"
#include "forks/ForkSamples.h"
#include "support/DrillSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <ctime>
#include <fstream>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using namespace test;

void MakeOld(const fs::path& file) {
    const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
    ::utimensat(AT_FDCWD, file.c_str(), anHourAgo, 0);
}

// Each case plants a file under the temporaries' name, runs a command that writes into its folder,
// and finds the file as it was.
TEST(CliTemporaries, AFileThatOnlyBearsTheirNameIsNeverRemoved) {
    TempDir dir;
    WriteBytes(dir / "ok.bin", SampleFile());
    THeader hostile = SampleHeader();
    PutName(hostile, ".kelda-aaaaaaaa.tmp");
    const std::uint16_t crc = HeaderCrc(hostile);
    hostile[124] = static_cast<std::uint8_t>(crc >> 8);
    hostile[125] = static_cast<std::uint8_t>(crc);
    WriteBytes(dir / "hostile.bin", MacBinaryOf(hostile, Text("DATA!"), Text("RS"), Text("hi")));
    fs::create_directory(dir / "x");
    const std::string x = (dir / "x").string();
    // In a folder of its own, since it is stale for a write elsewhere (it is what a clean-up is for).
    fs::create_directory(dir / "z");
    const Bytes sample = SampleFile();
    const std::string leftover = drill::TemporaryOfKilledRun(
        dir / "z" / "y", std::string_view(reinterpret_cast<const char*>(sample.data()), sample.size()));
    ASSERT_FALSE(leftover.empty());
    struct Case {
        const char* what;
        TCliArgs before; // run first (empty: none)
        TCliArgs args;
        fs::path kept; // the file that must still be there
        Bytes bytes;   // with these bytes
    };
    const Case cases[] = {
        {"a source named like a temporary, an hour old",
         {},
         {"strip", (dir / ".kelda-0badf00d.tmp").string(), (dir / "out").string()},
         dir / ".kelda-0badf00d.tmp",
         SampleFile()},
        {"what a killed run left, given as the source",
         {},
         {"strip", (dir / "z" / leftover).string(), (dir / "z" / "out").string()},
         dir / "z" / leftover,
         SampleFile()},
        {"a Mac name of a temporary's shape, extracted, then a write into its folder",
         {"extract", "-o", x, (dir / "hostile.bin").string()},
         {"strip", (dir / "ok.bin").string(), (dir / "x" / "next").string()},
         dir / "x" / "_.kelda-aaaaaaaa.tmp",
         Text("DATA!")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteBytes(dir / ".kelda-0badf00d.tmp", SampleFile());
        MakeOld(dir / ".kelda-0badf00d.tmp");
        if (!c.before.empty()) {
            const TCliRun before = RunCli(c.before);
            EXPECT_EQ(before.Status, 0) << before.Err;
            MakeOld(c.kept);
        }
        const TCliRun run = RunCli(c.args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_TRUE(fs::exists(c.kept));
        EXPECT_EQ(ReadBytes(c.kept), c.bytes);
    }
}

// Runs of the program itself, many at once, each writing its own output into one folder: no run
// takes another's temporary for stale, so every one succeeds and no temporary stays behind.
TEST(CliTemporaries, ManyRunsIntoOneFolderAtOnceAllSucceed) {
    if (std::string(KELDA_CLI_PATH).empty()) {
        GTEST_SKIP() << "kelda-cli was not built";
    }
    constexpr int kRuns = 48;
    constexpr int kRounds = 8;
    TempDir dir;
    THeader header = SampleHeader();
    PutUInt32(header, kOffsetDataForkLength, 1 << 16);
    const Bytes data = RandomBytes(1 << 16, 11);
    WriteBytes(dir / "s.bin", MacBinaryOf(header, data, {}, {}));
    fs::create_directory(dir / "o");
    int failed = 0;
    std::string firstError;
    for (int round = 0; round < kRounds; ++round) {
        std::vector<pid_t> children;
        for (int i = 0; i < kRuns; ++i) {
            const std::string err = (dir / ("err" + std::to_string(i))).string();
            std::vector<std::string> args = {KELDA_CLI_PATH, "datafork", "-f", (dir / "s.bin").string(),
                                             (dir / "o" / ("out" + std::to_string(i))).string()};
            std::vector<char*> argv;
            for (std::string& a : args) {
                argv.push_back(a.data());
            }
            argv.push_back(nullptr);
            posix_spawn_file_actions_t actions;
            posix_spawn_file_actions_init(&actions);
            posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            pid_t child = -1;
            ASSERT_EQ(::posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ), 0);
            posix_spawn_file_actions_destroy(&actions);
            children.push_back(child);
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            int status = 0;
            ::waitpid(children[i], &status, 0);
            if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
                ++failed;
                if (firstError.empty()) {
                    std::ifstream in(dir / ("err" + std::to_string(i)));
                    std::getline(in, firstError);
                }
            }
        }
    }
    EXPECT_EQ(failed, 0) << "of " << kRuns * kRounds << " runs; the first said: " << firstError;
    std::size_t outputs = 0;
    for (const auto& entry : fs::directory_iterator(dir / "o")) {
        ++outputs;
        EXPECT_EQ(ReadBytes(entry.path()), data) << entry.path();
    }
    EXPECT_EQ(outputs, static_cast<std::size_t>(kRuns));
}

} // namespace
} // namespace kelda
