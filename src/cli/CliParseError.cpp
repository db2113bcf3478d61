// SPDX-License-Identifier: MIT
#include "cli/CliParseError.h"

#include "cli/CliText.h"

#include <regex>
#include <string_view>
#include <vector>

namespace kelda {

namespace {

// The kinds, the more particular before those whose wording could also take them in.
constexpr TCliMsg kKinds[] = {
    TCliMsg::ParseExtra,        TCliMsg::ParseExtras,     TCliMsg::ParseMissingValues,
    TCliMsg::ParseExactCount,   TCliMsg::ParseAtLeast,    TCliMsg::ParseAtLeastGiven,
    TCliMsg::ParseAtMostGiven,  TCliMsg::ParseNoValue,    TCliMsg::ParseNotAllowed,
    TCliMsg::ParseNoConversion, TCliMsg::ParseNotNumber,  TCliMsg::ParseOutOfRange,
    TCliMsg::ParseNotInSet,     TCliMsg::ParseFlagValues, TCliMsg::ParseFlagBool,
    TCliMsg::ParseExcludes,     TCliMsg::ParseRequires,   TCliMsg::ParseRequired,
};

// The English wording as a pattern: every "%s" one part (as short as the rest allows).
std::regex PatternOf(std::string_view wording) {
    std::string pattern = "^";
    for (std::size_t i = 0; i < wording.size(); ++i) {
        if (wording[i] == '%' && i + 1 < wording.size() && wording[i + 1] == 's') {
            pattern += "(.*?)";
            ++i;
        } else if (std::string_view("\\^$.|?*+()[]{}").find(wording[i]) != std::string_view::npos) {
            pattern += '\\';
            pattern += wording[i];
        } else {
            pattern += wording[i];
        }
    }
    return std::regex(pattern + "$");
}

} // namespace

std::string ParserMessage(const std::string& message, bool japanese) {
    if (!japanese) {
        return message;
    }
    for (const TCliMsg kind : kKinds) {
        std::smatch parts;
        if (std::regex_match(message, parts, PatternOf(CliText(kind, false)))) {
            std::vector<std::string> texts;
            for (std::size_t i = 1; i < parts.size(); ++i) {
                texts.push_back(parts[i].str());
            }
            const std::vector<std::string_view> args(texts.begin(), texts.end());
            return CliText(kind, true, args);
        }
    }
    return CliText(TCliMsg::ParseOther, true, {message});
}

} // namespace kelda
