// SPDX-License-Identifier: MIT
// The man page and the bash completion against the commands and options the parser has: a command
// or option added without them is caught here.
#include "CliRun.h"
#include "cli/CliHelpText.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace kelda {
namespace {

std::string Slurp(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The command names of the program's help, in its order.
std::vector<std::string> Commands() {
    std::istringstream help(test::RunCli({"--help"}).Out);
    std::vector<std::string> commands;
    bool listing = false;
    for (std::string line; std::getline(help, line);) {
        if (line == "Commands:") {
            listing = true;
        } else if (listing && line.starts_with("  ") && !line.starts_with("   ")) {
            commands.push_back(line.substr(2, line.find(' ', 2) - 2));
        } else if (listing && line.empty()) {
            break;
        }
    }
    return commands;
}

TEST(CliDocsTest, EveryCommandAndOptionIsInTheManPageAndTheCompletion) {
    const std::filesystem::path docs(KELDA_DOCS_DIR);
    const std::string man = Slurp(docs / "man" / "kelda-cli.1");
    const std::string completion = Slurp(docs.parent_path() / "data" / "completion" / "kelda-cli");
    ASSERT_FALSE(man.empty());
    ASSERT_FALSE(completion.empty());
    const std::vector<std::string> commands = Commands();
    EXPECT_GE(commands.size(), 15u);
    std::smatch list;
    ASSERT_TRUE(std::regex_search(completion, list, std::regex("local commands=\"([^\"]*)\"")));
    const std::string listed = " " + list[1].str() + " ";
    for (const std::string& command : commands) {
        SCOPED_TRACE(command);
        EXPECT_NE(listed.find(" " + command + " "), std::string::npos) << "not in the completion's list";
        EXPECT_NE(man.find("\\fB" + command + "\\fR"), std::string::npos) << "not in the man page";
        // Every long option of the command is offered on completion.
        const std::string help = test::RunCli({command, "--help"}).Out;
        const std::regex option("--[a-z][a-z-]*");
        for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator();
             ++it) {
            EXPECT_NE(completion.find(it->str()), std::string::npos) << it->str();
        }
    }
    // The program's own options are completed and described too (the man page escapes the dashes).
    const std::string help = test::RunCli({"--help"}).Out;
    const std::regex option("--[a-z][a-z-]*");
    for (auto it = std::sregex_iterator(help.begin(), help.end(), option); it != std::sregex_iterator();
         ++it) {
        EXPECT_NE(completion.find(it->str()), std::string::npos) << it->str();
        EXPECT_NE(man.find("\\-\\-" + it->str().substr(2)), std::string::npos) << it->str();
    }
}

// Every text of the help has its Japanese text and every Japanese text a use; a Japanese run shows it.
TEST(CliDocsTest, TheHelpIsWholeInJapanese) {
    const TCliHelpAudit audit = AuditCliHelp();
    for (const std::string& text : audit.Untranslated) {
        ADD_FAILURE() << "no Japanese help text for: {\"" << text << "\", \"\"},";
    }
    for (const std::string& text : audit.Unused) {
        ADD_FAILURE() << "a Japanese help text nothing uses: " << text;
    }
    const std::string japanese = test::RunCli({"--japanese", "check", "--help"}).Out;
    EXPECT_NE(japanese.find("使い方"), std::string::npos) << japanese;
    EXPECT_EQ(japanese.find("Print this help"), std::string::npos) << japanese;
    const std::string english = test::RunCli({"check", "--help"}).Out;
    EXPECT_NE(english.find("Print this help"), std::string::npos) << english;
}

} // namespace
} // namespace kelda
