// SPDX-License-Identifier: MIT
// The text resources: 'STR ' (one Pascal string) and 'STR#' (a count, then that many).
#pragma once

#include "util/MacText.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace kelda {

struct TStringList {
    std::vector<std::string> Strings; // decoded to UTF-8
    std::uint32_t Declared = 0;       // strings the resource says it holds
    bool Truncated = false;           // the data ended before them
};

// 'STR ': the string (empty for empty data).
std::string DecodeStr(std::span<const std::uint8_t> bytes, TMacEncoding encoding = TMacEncoding::Roman);
// 'STR#': at most as many strings as the bytes can hold.
TStringList DecodeStrList(std::span<const std::uint8_t> bytes, TMacEncoding encoding = TMacEncoding::Roman);

} // namespace kelda
