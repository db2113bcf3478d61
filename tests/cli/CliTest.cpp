// SPDX-License-Identifier: MIT
// kelda-cli run as a separate program on files the tests build.
#include "macbinary/LogBlock.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

namespace kelda {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::Slice;
using test::TempDir;
using test::WriteBytes;

struct RunResult {
    int status;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& arg) {
    std::string quoted = "'";
    for (char c : arg) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KELDA_CLI_PATH).empty()) {
            GTEST_FAIL() << "kelda-cli was not built beside the tests";
        }
        ::setenv("LC_ALL", "C", 1); // the English messages, whatever the locale of the run
    }

    RunResult Run(const std::vector<std::string>& args) {
        std::string command = Quote(KELDA_CLI_PATH);
        for (const std::string& arg : args) {
            command += ' ' + Quote(arg);
        }
        command += " >" + Quote((dir / "stdout").string()) + " 2>" + Quote((dir / "stderr").string()) +
                   " </dev/null";
        const int raw = std::system(command.c_str());
        return RunResult{WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, Slurp(dir / "stdout"),
                         Slurp(dir / "stderr")};
    }

    std::string Path(const char* name) { return (dir / name).string(); }

    // A MacBinary file with a 1000-byte data fork and a 100-byte resource fork in 1280 bytes.
    Bytes MakeSample(const char* name) {
        THeader h{};
        test::PutName(h, "Sample");
        const Bytes file = test::MakeMacBinaryFile(h, 1000, 100, test::RandomBytes(1152, 8));
        WriteBytes(dir / name, file);
        return file;
    }

    TempDir dir;
};

TEST_F(CliTest, InfoPrintsTheLogBlockOfEveryFile) {
    const Bytes a = MakeSample("a.bin");
    const Bytes b = MakeSample("b.bin");
    const RunResult r = Run({"info", Path("a.bin"), Path("b.bin")});
    EXPECT_EQ(r.status, 0) << r.err;
    std::string expected;
    for (const auto& [name, bytes] : {std::pair{"a.bin", a}, std::pair{"b.bin", b}}) {
        THeader h{};
        std::copy_n(bytes.begin(), kHeaderSize, h.begin());
        for (const std::string& line :
             BuildLogBlock(Path(name), h, static_cast<std::int64_t>(bytes.size()))) {
            expected += line + '\n';
        }
    }
    EXPECT_EQ(r.out, expected);
    EXPECT_NE(
        r.out.find("Comment(0 base)  : 00001228[DEC] - 00001279[DEC] / 000004cc[HEX] - 000004FF[HEX]\n"),
        std::string::npos);
    EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, InfoGoesOnPastBadFilesAndFails) {
    MakeSample("good.bin");
    Bytes bad(200, 0);
    bad[74] = 1;
    WriteBytes(dir / "bad.bin", bad);
    WriteBytes(dir / "short.bin", Bytes(100, 0));
    const RunResult r =
        Run({"info", Path("bad.bin"), Path("missing.bin"), Path("short.bin"), Path("good.bin")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.out.find("FileName         : " + Path("good.bin")), std::string::npos);
    EXPECT_EQ(r.out.find("bad.bin"), std::string::npos);
    EXPECT_NE(r.err.find("bad.bin: Warning ! This file is not mac binary file."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("missing.bin: Warning ! File can not find."), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("short.bin: Read past the end of the file"), std::string::npos) << r.err;
    // File errors come in the language asked for, like the other messages.
    const RunResult japanese = Run({"--japanese", "info", Path("short.bin")});
    EXPECT_NE(japanese.err.find("short.bin: ファイルの末尾以降を読み込みました"), std::string::npos)
        << japanese.err;
}

TEST_F(CliTest, ConversionsWriteTheExpectedBytes) {
    const Bytes source = MakeSample("in.bin");
    THeader h{};
    std::copy_n(source.begin(), kHeaderSize, h.begin());
    const THeader form = MacBinaryIIForm(h);
    Bytes mb2(form.begin(), form.end());
    mb2.insert(mb2.end(), source.begin() + 128, source.end());
    struct Case {
        const char* command;
        Bytes expected;
    };
    const Case cases[] = {
        {"tomacbin2", mb2},
        {"strip", Slice(source, 128, source.size())},
        {"datafork", Slice(source, 128, 1000)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        const RunResult r = Run({c.command, Path("in.bin"), Path("out.bin")});
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(ReadBytes(dir / "out.bin"), c.expected);
    }
}

TEST_F(CliTest, ConversionsRefuseBadInputAndTheSourceAsOutput) {
    const Bytes source = MakeSample("in.bin");
    Bytes notMacBinary(300, 0);
    notMacBinary[0] = 1;
    WriteBytes(dir / "text.bin", notMacBinary);
    for (const char* command : {"tomacbin2", "strip", "datafork"}) {
        SCOPED_TRACE(command);
        RunResult r = Run({command, Path("in.bin"), Path("in.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Warning ! Can not write over the source file."), std::string::npos) << r.err;
        r = Run({"--japanese", command, Path("in.bin"), Path("in.bin")});
        EXPECT_NE(r.err.find("警告 ! 元のファイルには書き込めません"), std::string::npos) << r.err;
        EXPECT_EQ(ReadBytes(dir / "in.bin"), source);

        r = Run({command, Path("text.bin"), Path("out.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
        r = Run({command, Path("in.bin"), Path("no-folder/out.bin")});
        EXPECT_EQ(r.status, 1);
        EXPECT_NE(r.err.find("Can not create the file \"" + Path("no-folder/out.bin") + "\": No such file"),
                  std::string::npos)
            << r.err;
    }
}

// "-" stands for the file behind standard input or output: when that is the source, the output is
// refused as a named one would be, and the source keeps every byte.
TEST_F(CliTest, AStandardStreamThatIsTheSourceIsRefused) {
    const Bytes source = MakeSample("s.bin");
    const std::string s = Quote(Path("s.bin"));
    struct Case {
        std::vector<std::string> args;
        std::string streams;
    };
    const Case cases[] = {
        {{"strip", Path("s.bin"), "-"}, "1<>" + s},
        {{"strip", "-", Path("s.bin")}, "<" + s + " >/dev/null"},
        {{"datafork", "-", "-"}, "<" + s + " 1<>" + s},
        {{"tomacbin2", Path("s.bin"), "-"}, ">>" + s},
        {{"rsrc", Path("s.bin"), "-"}, "1<>" + s},
        {{"applesingle", "-", Path("s.bin")}, "<" + s + " >/dev/null"},
        {{"encode", "-", Path("s.bin")}, "<" + s + " >/dev/null"},
        {{"extract", "-f", "-o", dir.path().string(), "-"}, "<" + Quote(Path("Sample")) + " >/dev/null"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.streams);
        WriteBytes(dir / "s.bin", source);
        WriteBytes(dir / "Sample", source);
        std::string line = Quote(KELDA_CLI_PATH);
        for (const std::string& arg : c.args) {
            line += ' ' + Quote(arg);
        }
        line += ' ' + c.streams + " 2>" + Quote(Path("stderr"));
        const int raw = std::system(line.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
        EXPECT_NE(Slurp(dir / "stderr").find("Warning ! Can not write over the source file."),
                  std::string::npos)
            << Slurp(dir / "stderr");
        EXPECT_EQ(ReadBytes(dir / "s.bin"), source);
        EXPECT_EQ(ReadBytes(dir / "Sample"), source);
    }
}

// The program's own standard output: a full disk is reported with the system's reason.
TEST_F(CliTest, AWriteErrorOnStandardOutputIsReported) {
    MakeSample("in.bin");
    if (!std::filesystem::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    for (const std::string& command : {"info " + Quote(Path("in.bin")), "crc " + Quote(Path("in.bin")),
                                       std::string("--help"), std::string("--version")}) {
        SCOPED_TRACE(command);
        const std::string line =
            Quote(KELDA_CLI_PATH) + " " + command + " >/dev/full 2>" + Quote(Path("stderr"));
        const int raw = std::system(line.c_str());
        EXPECT_EQ(WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, 1);
        EXPECT_EQ(Slurp(dir / "stderr"),
                  "kelda-cli: write error on standard output: No space left on device\n");
    }
}

TEST_F(CliTest, BadUsageExitsWith2) {
    MakeSample("in.bin");
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--japanese"},
        {"unknown"},
        {"--frobnicate", "info", Path("in.bin")},
        {"info"},
        {"strip", Path("in.bin")},
        {"datafork", Path("in.bin"), Path("a"), Path("b")},
    };
    for (const auto& args : cases) {
        const RunResult r = Run(args);
        EXPECT_EQ(r.status, 2) << (args.empty() ? "(none)" : args[0]);
        EXPECT_NE(r.err.find("Usage: kelda-cli"), std::string::npos);
        EXPECT_EQ(r.out, "");
    }
    const RunResult help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("tomacbin2"), std::string::npos);
}

} // namespace
} // namespace kelda
