// SPDX-License-Identifier: MIT
// kelda-cli's help in Japanese: every description the parser shows (the program's, each command's,
// each option's and operand's, the footer) has its Japanese text in one table keyed by the English
// one, and the help of a run in Japanese is made from the parser with those texts put in.
#pragma once

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

namespace kelda {

// Puts the Japanese text of every description of app and its commands in place of the English one,
// and the formatter's labels in Japanese. A text the table lacks stays English.
void PutHelpInJapanese(CLI::App& app);

// The English descriptions of app and its commands that the table has no Japanese text for.
std::vector<std::string> UntranslatedHelpTexts(CLI::App& app);

// The table's English texts that app no longer has: a text changed in the parser and left here.
std::vector<std::string> UnusedHelpTexts(CLI::App& app);

// Both for kelda-cli's whole parser, as CliMain builds it.
struct TCliHelpAudit {
    std::vector<std::string> Untranslated;
    std::vector<std::string> Unused;
};
TCliHelpAudit AuditCliHelp();

} // namespace kelda
