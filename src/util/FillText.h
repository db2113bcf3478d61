// SPDX-License-Identifier: MIT
// The one filler of message patterns, for every language table of the program: "%1" to "%9" stand
// for the arguments by number (so that the two languages may order them differently), "%s" for the
// next argument in turn. A numbered placeholder without its argument gives nothing; a "%s" without
// one, and every other character, is copied as it stands.
#pragma once

#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kelda {

std::string FillText(std::string_view pattern, std::span<const std::string_view> args);
std::string FillText(std::string_view pattern, std::span<const std::string> args);
inline std::string FillText(std::string_view pattern, std::initializer_list<std::string_view> args) {
    return FillText(pattern, std::span<const std::string_view>(args.begin(), args.size()));
}

} // namespace kelda
