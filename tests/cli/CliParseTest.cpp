// SPDX-License-Identifier: MIT
// kelda-cli's command line run in-process: options, operands, help, version, usage errors and the
// language, over every command.
#include "CliRun.h"
#include "cli/Cli.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace kelda {
namespace {

using test::TempDir;

using test::LineCount;
using test::TCliRun;

TCliRun RunCli(const TCliArgs& args, const std::map<std::string, std::string>& env = {}) {
    return test::RunCli(args, {.In = "", .Env = env});
}

class CliParseTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::WriteBytes(dir / "check.txt", {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
        THeader h{};
        test::PutName(h, "Sample");
        test::WriteBytes(dir / "in.bin", test::MakeMacBinaryFile(h, 10, 0, test::RandomBytes(128, 1)));
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    TempDir dir;
};

TEST_F(CliParseTest, OptionFormsAndOperandsAreAccepted) {
    const std::string check = Path("check.txt");
    const std::string crc32 = "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + check + "\n";
    const std::string crc16 = "CRC16 ITU-T, LEFT,  POS\t31C3\t" + check + "\n";
    struct Case {
        TCliArgs Args;
        std::string Out;
    };
    const Case cases[] = {
        {{"crc", check}, crc32},
        {{"crc", "--variant", "1", check}, crc16},
        {{"crc", "--variant=1", check}, crc16},
        {{"crc", "-n", "1", check}, crc16},
        {{"crc", "-n1", check}, crc16},
        {{"crc", check, "--variant", "1"}, crc16}, // options after the operands
        {{"--japanese", "crc", check}, crc32},     // a global option before the command
        {{"crc", "--english", check}, crc32},      // and after it
        {{"crc", "--", check}, crc32},             // the end of the options
        {{"crc", "-a", "-n", "1", check}, ""},     // --all wins, as before
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Args));
        const TCliRun r = RunCli(c.Args);
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        EXPECT_EQ(r.Err, "");
        if (!c.Out.empty()) {
            EXPECT_EQ(r.Out, c.Out);
        } else {
            EXPECT_EQ(LineCount(r.Out), 12u);
        }
    }
}

// One meaning per option: --macbinary-version is encode's version (--version, its old spelling,
// stays hidden), -o is --output-dir everywhere (extract's --output hidden), and -f/--force, before
// or after the command word, replaces an output that is there already.
TEST_F(CliParseTest, EachOptionHasOneNameAndOneMeaning) {
    std::filesystem::create_directory(dir / "out");
    const std::string out = Path("out");
    struct Case {
        TCliArgs Args;
        std::string Written;
    };
    const Case cases[] = {
        {{"encode", "--macbinary-version", "3", Path("check.txt"), out + "/v.bin"}, "out/v.bin"},
        {{"encode", "--version=3", Path("check.txt"), out + "/v.bin"}, "out/v.bin"},
        {{"extract", "--output-dir", out, Path("in.bin")}, "out/Sample"},
        {{"extract", "--output", out, Path("in.bin")}, "out/Sample"},
        {{"--force", "strip", Path("in.bin"), "-o", out}, "out/in"},
        {{"strip", "--force", Path("in.bin"), "--output-dir", out}, "out/in"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Args));
        test::WriteBytes(dir / c.Written, {'o', 'l', 'd'});
        TCliArgs args = c.Args;
        if (args.front() != "--force" && (args.front() == "encode" || args.front() == "extract")) {
            args.push_back("-f");
        }
        const TCliRun r = RunCli(args);
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        const test::Bytes written = test::ReadBytes(dir / c.Written);
        EXPECT_GT(written.size(), 3u) << "replaced";
        if (args.front() == "encode") {
            EXPECT_EQ(written.at(122), 130) << "MacBinary III";
        }
    }
    EXPECT_EQ(RunCli({"--version"}).Out, std::string("kelda-cli ") + KELDA_VERSION + "\n");
    // The help of every command that writes says the same of -f.
    std::string said;
    for (const char* command : {"tomacbin2", "rsrc", "binhex", "extract", "encode", "resource", "image"}) {
        const std::string help = RunCli({command, "--help"}).Out;
        const std::size_t at = help.find("-f,--force");
        ASSERT_NE(at, std::string::npos) << command;
        const std::string line = help.substr(at, help.find('\n', at) - at);
        EXPECT_TRUE(said.empty() || line == said) << command << ": " << line;
        said = line;
        EXPECT_EQ(help.find("--output "), std::string::npos) << command << ": the old spelling is hidden";
    }
}

TEST_F(CliParseTest, AnOperandThatLooksLikeAnOptionFollowsTheEndOfOptions) {
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    test::WriteBytes(dir / "-n", {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    const TCliRun r = RunCli({"crc", "--", "-n"});
    std::filesystem::current_path(before);
    EXPECT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(r.Out, "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t-n\n");
}

TEST_F(CliParseTest, HelpAndVersionGoToStandardOutput) {
    struct Case {
        TCliArgs Args;
        std::string Wanted;
    };
    const Case cases[] = {
        {{"--version"}, std::string("kelda-cli ") + KELDA_VERSION + "\n"},
        {{"--help"}, "Usage: kelda-cli [OPTIONS] [COMMAND]"},
        {{"-h"}, "tomacbin2"},
        {{"info", "--help"}, "Usage: kelda-cli info [OPTIONS] FILE..."},
        {{"tomacbin2", "--help"}, "Usage: kelda-cli tomacbin2 [OPTIONS] IN OUT"},
        {{"strip", "-h"}, "Usage: kelda-cli strip [OPTIONS] IN OUT"},
        {{"datafork", "--help"}, "Usage: kelda-cli datafork [OPTIONS] IN OUT"},
        {{"crc", "--help"}, "--variant N"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Args));
        const TCliRun r = RunCli(c.Args);
        EXPECT_EQ(r.Status, kCliOk);
        EXPECT_NE(r.Out.find(c.Wanted), std::string::npos) << r.Out;
        EXPECT_EQ(r.Err, "");
    }
    EXPECT_EQ(RunCli({"--version"}).Out, std::string("kelda-cli ") + KELDA_VERSION + "\n");
}

// A usage error is three lines: what is wrong, the usage line, and where the help is.
TEST_F(CliParseTest, UsageErrorsSayWhatAndWhereTheHelpIs) {
    const std::string in = Path("in.bin");
    struct Case {
        TCliArgs Args;
        std::string Message;
        std::string Help; // the command whose help the last line names
    };
    const Case cases[] = {
        {{}, "kelda-cli: a command is needed", "kelda-cli"},
        {{"--english"}, "kelda-cli: a command is needed", "kelda-cli"},
        {{"frobnicate", in}, "kelda-cli: unknown command 'frobnicate'", "kelda-cli"},
        {{"--frobnicate", "info", in}, "--frobnicate", "kelda-cli info"},
        {{"info"}, "FILE is required", "kelda-cli info"},
        {{"info", "--bogus", in}, "--bogus", "kelda-cli info"},
        {{"tomacbin2", in}, "expected IN OUT, or IN... -o DIR", "kelda-cli tomacbin2"},
        {{"strip", in}, "expected IN OUT", "kelda-cli strip"},
        {{"datafork", in, "a", "b"}, "expected IN OUT", "kelda-cli datafork"},
        {{"strip", "-", "-o", "."}, "not -", "kelda-cli strip"},
        {{"crc"}, "FILE is required", "kelda-cli crc"},
        {{"crc", "--variant", "12", in}, "--variant", "kelda-cli crc"},
        {{"crc", "--variant", "x", in}, "--variant", "kelda-cli crc"},
        {{"crc", "--variant=-1", in}, "--variant", "kelda-cli crc"},
        {{"crc", in, "--variant"}, "--variant", "kelda-cli crc"},
        {{"crc", "--bogus", in}, "--bogus", "kelda-cli crc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Args));
        const TCliRun r = RunCli(c.Args);
        EXPECT_EQ(r.Status, kCliUsage);
        EXPECT_EQ(r.Out, "");
        EXPECT_EQ(LineCount(r.Err), 3u) << r.Err;
        EXPECT_TRUE(r.Err.starts_with("kelda-cli: ")) << r.Err;
        EXPECT_NE(r.Err.find(c.Message), std::string::npos) << r.Err;
        EXPECT_NE(r.Err.find("\nUsage: " + c.Help), std::string::npos) << r.Err;
        EXPECT_TRUE(r.Err.ends_with("\nTry '" + c.Help + " --help' for more information.\n")) << r.Err;
    }
}

TEST_F(CliParseTest, LanguageFollowsTheLocaleUnlessTheCommandLineSaysOtherwise) {
    const std::string missing = Path("missing.bin");
    const std::string english = "kelda-cli: " + missing + ": Warning ! File can not find.\n";
    const std::string japanese = "kelda-cli: " + missing + ": 警告 ! ファイルが見つかりません\n";
    using TEnv = std::map<std::string, std::string>;
    struct Case {
        TEnv Env;
        TCliArgs Options;
        const std::string& Expected;
    };
    const Case cases[] = {
        {{}, {}, english},
        {{{"LANG", "ja_JP.UTF-8"}}, {}, japanese},
        {{{"LANG", "ja"}}, {}, japanese},
        {{{"LANG", "en_US.UTF-8"}, {"LC_MESSAGES", "ja_JP.eucJP"}}, {}, japanese},
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", "C"}}, {}, english}, // LC_ALL comes first
        {{{"LANG", "ja_JP.UTF-8"}, {"LC_ALL", ""}}, {}, japanese}, // an empty one is unset
        {{{"LANG", "jav_ID"}}, {}, english},                       // not "ja"
        {{{"LANG", "ja_JP.UTF-8"}}, {"--english"}, english},
        {{{"LANG", "C"}}, {"--japanese"}, japanese},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.Env) + testing::PrintToString(c.Options));
        TCliArgs args = c.Options;
        args.insert(args.end(), {"info", missing});
        const TCliRun r = RunCli(args, c.Env);
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_EQ(r.Err, c.Expected);
    }
    const TCliRun usage = RunCli({"crc"}, {{"LC_ALL", "ja_JP.UTF-8"}});
    EXPECT_NE(usage.Err.find("詳しくは 'kelda-cli crc --help' を実行してください。"), std::string::npos)
        << usage.Err;
}

} // namespace
} // namespace kelda
