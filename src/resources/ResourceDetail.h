// SPDX-License-Identifier: MIT
// The detail text of one resource, as the Resources page shows it: the decoded resource ('vers',
// 'STR ', 'STR#', 'BNDL', 'FREF') followed by a blank line, then the bytes as a hex dump.
#pragma once

#include "resources/ResourceMap.h"
#include "util/MacText.h"

#include <cstdint>
#include <span>
#include <string>

namespace kelda {

// What a resource of type says, decoded, with a blank line after it; empty for a type without a
// decoder or bytes it cannot decode. Strings are decoded as encoding says; the labels of 'vers' are
// in the language asked for.
std::string ResourceDecodedText(const TResType& type, std::span<const std::uint8_t> bytes,
                                TMacEncoding encoding, bool japanese);

// Sixteen bytes a line: the offset (6 lower-case hex digits), the bytes in lower-case hex, and
// the bytes 0x20 to 0x7e as themselves, every other byte as '.'. Each line ends in '\n'.
std::string ResourceHexDump(std::span<const std::uint8_t> bytes);

// The two together.
std::string ResourceDetailText(const TResType& type, std::span<const std::uint8_t> bytes,
                               TMacEncoding encoding, bool japanese);

} // namespace kelda
