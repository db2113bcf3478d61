// SPDX-License-Identifier: MIT
// The parser's errors in both languages: every kind kelda-cli's commands can meet, each one line,
// then the usage line and where the help is, in the language the locale or the command line asks.
#include "cli/CliParseError.h"
#include "CliRun.h"

#include <gtest/gtest.h>

#include <sstream>
#include <vector>

namespace kelda {
namespace {

using test::RunCli;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

struct TErrorCase {
    TCliArgs Args;
    const char* English;  // the first line after "kelda-cli: "
    const char* Japanese; // the same in Japanese
    const char* Help;     // the program and command the help line names
};

TEST(CliParseErrorTest, EveryKindOfErrorIsOneLineInTheLanguageAsked) {
    const std::vector<TErrorCase> cases = {
        {{"crc", "--bogus", "f"},
         "The following argument was not expected: --bogus",
         "余分な引数があります: --bogus",
         "kelda-cli crc"},
        {{"rsrc", "a", "b", "c", "d"},
         "The following arguments were not expected: c d",
         "余分な引数があります: c d",
         "kelda-cli rsrc"},
        {{"info"}, "FILE is required", "FILE を指定してください", "kelda-cli info"},
        {{"crc", "f", "--variant"},
         "--variant: 1 required N missing",
         "--variant: 値が 1 個足りません",
         "kelda-cli crc"},
        {{"crc", "--variant", "12", "f"},
         "--variant: Value 12 not in range 0 to 11",
         "--variant: 値 12 は 0～11 の範囲外です",
         "kelda-cli crc"},
        {{"scan", "-j", "0", "f"},
         "--jobs: Value 0 not in range 1 to 256",
         "--jobs: 値 0 は 1～256 の範囲外です",
         "kelda-cli scan"},
        {{"check", "--json=maybe", "f"},
         "Could not convert: --json = maybe",
         "--json の値 maybe を解釈できません",
         "kelda-cli check"},
        {{"extract", "--rsrc", "zip", "f"},
         "--rsrc: Check zip value in {applesingle->1,raw->2,sidecar->0} OR {1,2,0} FAILED",
         "--rsrc: zip という値は使えません",
         "kelda-cli extract"},
        {{"scan", "--csv", "--json", "f"},
         "--json excludes --csv",
         "--json と --csv は同時に指定できません",
         "kelda-cli scan"},
        {{"frobnicate"},
         "unknown command 'frobnicate'",
         "'frobnicate' というコマンドはありません",
         "kelda-cli"},
        {{"crc", "--quiet", "f"},
         "crc: --quiet, --status and --ignore-missing go with --check only",
         "crc: --quiet・--status・--ignore-missing は --check と共に指定してください",
         "kelda-cli crc"},
        {{"resource", "f", "STR ", "12x", "o"},
         "resource: ID must be a number from -32768 to 32767: 12x",
         "resource: ID は -32768～32767 の数値で指定してください: 12x",
         "kelda-cli resource"},
    };
    for (const TErrorCase& c : cases) {
        for (const bool japanese : {false, true}) {
            SCOPED_TRACE(testing::PrintToString(c.Args) + (japanese ? " ja" : " en"));
            test::TCliRunSetup setup;
            if (japanese) {
                setup.Env["LANG"] = "ja_JP.UTF-8";
            }
            const test::TCliRun r = RunCli(c.Args, setup);
            EXPECT_EQ(r.Status, kCliUsage);
            const std::vector<std::string> lines = Lines(r.Err);
            ASSERT_EQ(lines.size(), 3u) << r.Err;
            EXPECT_EQ(lines[0], std::string("kelda-cli: ") + (japanese ? c.Japanese : c.English));
            EXPECT_TRUE(lines[1].starts_with(std::string("Usage: ") + c.Help)) << lines[1];
            EXPECT_EQ(lines[2], japanese
                                    ? "詳しくは '" + std::string(c.Help) + " --help' を実行してください。"
                                    : "Try '" + std::string(c.Help) + " --help' for more information.");
        }
    }
}

TEST(CliParseErrorTest, TheLanguageOptionCountsWhereverItStandsAndUnknownTextsStayReadable) {
    // The parser stops at the bad value before it has set the options that follow it.
    const test::TCliRun after = RunCli({"crc", "--variant", "12", "--japanese", "f"});
    EXPECT_TRUE(after.Err.starts_with("kelda-cli: --variant: 値 12 は 0～11 の範囲外です\n")) << after.Err;
    const test::TCliRun english =
        RunCli({"crc", "--english", "--variant", "12", "f"}, {.Env = {{"LANG", "ja"}}});
    EXPECT_TRUE(english.Err.starts_with("kelda-cli: --variant: Value 12 not in range")) << english.Err;
    // After "--" the words are operands, not options.
    const test::TCliRun operand = RunCli({"crc", "--variant", "12", "--", "--japanese"});
    EXPECT_TRUE(operand.Err.starts_with("kelda-cli: --variant: Value 12")) << operand.Err;

    EXPECT_EQ(ParserMessage("Something new: x", false), "Something new: x");
    EXPECT_EQ(ParserMessage("Something new: x", true), "コマンドラインが正しくありません (Something new: x)");
    // A pattern's special characters are taken literally.
    EXPECT_EQ(ParserMessage("Could not convert: a.b = (c)", true), "a.b の値 (c) を解釈できません");
}

} // namespace
} // namespace kelda
