// SPDX-License-Identifier: MIT
// kelda-cli's progress bar and stopping, in-process with a fake clock, and as a program whose error
// stream is no terminal.
#include "cli/Cli.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace kelda {
namespace {

using std::chrono::milliseconds;
using test::Bytes;
using test::TempDir;

constexpr std::size_t kMiB = 1024 * 1024;

// A clock that moves on a second at every reading: every piece of work looks long.
TProgressClock SlowClock() {
    auto now = std::make_shared<milliseconds>(0);
    return [now] { return *now += milliseconds(1000); };
}

TEST(CliProgressBar, Text) {
    const struct {
        const char* label;
        std::int64_t done, total;
        const char* text;
        int columns = kCliColumns;
    } cases[] = {
        {"disk.img", 0, 4 * kMiB, "disk.img [--------------------]   0%  0.0 / 4.0 MiB"},
        {"disk.img", 1 * kMiB, 4 * kMiB, "disk.img [#####---------------]  25%  1.0 / 4.0 MiB"},
        {"disk.img", 4 * kMiB, 4 * kMiB, "disk.img [####################] 100%  4.0 / 4.0 MiB"},
        {"", 0, 0, " [--------------------]   0%  0.0 / 0.0 MiB"},
        {"-", 3 * kMiB / 2, -1, "-  1.5 MiB"}, // a stream of unknown length
        // A long name keeps its end, cut at a character boundary to the cells the line leaves it:
        // a wide character takes two.
        {"a-very-long-name-of-a-disk-image.img", 0, 0,
         "...e-of-a-disk-image.img [--------------------]   0%  0.0 / 0.0 MiB"},
        {"ディスクイメージファイル.img", 0, 0,
         "...イメージファイル.img [--------------------]   0%  0.0 / 0.0 MiB"},
        // A wider terminal leaves the label more room, a narrow one less.
        {"a-very-long-name-of-a-disk-image.img", 0, 0,
         "a-very-long-name-of-a-disk-image.img [--------------------]   0%  0.0 / 0.0 MiB", 120},
        {"a-very-long-name-of-a-disk-image.img", 0, 0,
         "...image.img [--------------------]   0%  0.0 / 0.0 MiB", 40},
        // A control character in a file name never reaches the terminal.
        {"e\x1b[31m.bin", 0, 0, "e\\x1b[31m.bin [--------------------]   0%  0.0 / 0.0 MiB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TCliProgress::BarText(c.label, c.done, c.total, c.columns), c.text);
    }
}

TEST(CliProgressBar, DrawnOnlyOnATerminalAndClearedAtTheEnd) {
    for (const bool terminal : {false, true}) {
        std::ostringstream err;
        TCliProgress progress(err, terminal, SlowClock());
        {
            const TCliProgress::TScope scope(&progress, "/some/folder/disk.img");
            const ProgressFn fn = scope.Fn();
            ASSERT_TRUE(fn);
            EXPECT_TRUE(fn(1 * kMiB, 4 * kMiB));
            EXPECT_TRUE(fn(4 * kMiB, 4 * kMiB));
        }
        if (!terminal) {
            EXPECT_EQ(err.str(), "");
            continue;
        }
        const std::string first = "disk.img [#####---------------]  25%  1.0 / 4.0 MiB";
        const std::string last = "disk.img [####################] 100%  4.0 / 4.0 MiB";
        EXPECT_EQ(err.str(), "\r" + first + "\r" + last + "\r" + std::string(last.size(), ' ') + "\r");
    }
}

TEST(CliProgressBar, ShortWorkDrawsNothing) {
    std::ostringstream err;
    milliseconds now{0};
    TCliProgress progress(err, true, [&] { return now; });
    {
        const TCliProgress::TScope scope(&progress, "disk.img");
        for (int i = 0; i < 100; ++i) {
            now += milliseconds(4);
            EXPECT_TRUE(scope.Fn()(i, 100));
        }
    }
    EXPECT_EQ(err.str(), "");
}

TEST(CliProgressBar, AStopRequestEndsTheWorkEvenWithoutABar) {
    bool stop = false;
    std::ostringstream err;
    TCliProgress progress(err, false, {}, [&] { return stop; });
    const TCliProgress::TScope scope(&progress, "disk.img");
    EXPECT_TRUE(scope.Fn()(0, 10));
    stop = true;
    EXPECT_FALSE(scope.Fn()(1, 10));
    EXPECT_FALSE(TCliProgress::TScope(nullptr, "x").Fn()); // no progress object: no callback
}

// The commands in-process, on files of a few blocks, with a clock that makes every piece of work long.
class CliProgressRun : public ::testing::Test {
protected:
    void SetUp() override {
        THeader h{};
        test::PutName(h, "Big");
        const std::int32_t body = 3 * kMiB;
        test::WriteBytes(dir / "big.bin", test::MakeMacBinaryFile(h, body, 0, test::RandomBytes(body, 3)));
    }

    struct Result {
        int status;
        std::string out, err;
    };
    Result Run(const TCliArgs& args, bool terminal, bool stop = false) {
        std::ostringstream out, err;
        TCliTerminal t{terminal, SlowClock(), [stop] { return stop; }};
        const int status = CliMain(args, out, err, t);
        return {status, out.str(), err.str()};
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    // The names in the folder besides the source.
    std::vector<std::string> Others() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
            if (entry.path().filename() != "big.bin") {
                names.push_back(entry.path().filename().string());
            }
        }
        return names;
    }

    TempDir dir;
};

TEST_F(CliProgressRun, TheBarGoesToATerminalOnlyAndTheResultsStayTheSame) {
    const std::vector<TCliArgs> commands = {
        {"crc", Path("big.bin")},
        {"crc", "--all", Path("big.bin")},
        {"strip", Path("big.bin"), Path("out")},
        {"datafork", Path("big.bin"), Path("out")},
        {"tomacbin2", Path("big.bin"), Path("out")},
    };
    for (const TCliArgs& args : commands) {
        const Result quiet = Run(args, false);
        const Bytes quietOutput = test::ReadBytes(dir / "out");
        const Result drawn = Run(args, true);
        EXPECT_EQ(quiet.status, 0) << args[0] << quiet.err;
        EXPECT_EQ(drawn.status, 0) << args[0];
        EXPECT_EQ(quiet.err, "") << args[0];
        EXPECT_EQ(drawn.out, quiet.out) << args[0];
        EXPECT_EQ(test::ReadBytes(dir / "out"), quietOutput) << args[0];
        // The bar was drawn and then wiped: the line ends in blanks and a carriage return.
        EXPECT_NE(drawn.err.find("big.bin [#"), std::string::npos) << args[0];
        EXPECT_NE(drawn.err.find("/ 3.0 MiB"), std::string::npos) << args[0];
        EXPECT_TRUE(drawn.err.ends_with(" \r")) << args[0];
    }
}

TEST_F(CliProgressRun, AStoppedCommandLeavesNoOutputAndFails) {
    test::WriteBytes(dir / "old", Bytes{1, 2, 3});
    for (const char* command : {"strip", "datafork", "tomacbin2"}) {
        for (const char* output : {"out", "old"}) {
            const Result r = Run({command, Path("big.bin"), Path(output)}, false, true);
            EXPECT_EQ(r.status, kCliFailure) << command;
            EXPECT_EQ(r.out, "") << command;
            // A new output never appears, an old one keeps its bytes, no temporary file stays.
            EXPECT_EQ(Others(), std::vector<std::string>{"old"}) << command << " " << output;
            EXPECT_EQ(test::ReadBytes(dir / "old"), (Bytes{1, 2, 3}));
        }
    }
    // Several files: the stop ends the whole command, no result line at all.
    const Result r = Run({"crc", Path("big.bin"), Path("big.bin")}, false, true);
    EXPECT_EQ(r.status, kCliFailure);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST(CliProgressProgram, NoProgressTextWhenTheErrorStreamIsNoTerminal) {
    if (std::string(KELDA_CLI_PATH).empty()) {
        GTEST_FAIL() << "kelda-cli was not built beside the tests";
    }
    TempDir dir;
    test::WriteBytes(dir / "big.bin", test::RandomBytes(8 * kMiB, 5));
    const std::string command = std::string("'") + KELDA_CLI_PATH + "' crc --all '" +
                                (dir / "big.bin").string() + "' >'" + (dir / "o").string() + "' 2>'" +
                                (dir / "e").string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    std::ifstream out(dir / "o"), err(dir / "e");
    std::stringstream o, e;
    o << out.rdbuf();
    e << err.rdbuf();
    const std::string lines = o.str();
    EXPECT_EQ(e.str(), "");
    EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 12);
}

} // namespace
} // namespace kelda
