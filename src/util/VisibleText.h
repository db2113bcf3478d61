// SPDX-License-Identifier: MIT
// Texts from files (names, header fields) made safe to print: control characters become visible
// escapes, so that a hostile name can neither forge lines nor send a terminal its commands.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kelda {

// Every control character written as an escape: the bytes 0x00 to 0x1F and 0x7F as "\x1b", the C1
// controls U+0080 to U+009F (in UTF-8) as "\u009b". Everything else, other bytes that are not
// UTF-8 included, stays as it is, so a printable text comes out unchanged.
std::string EscapeControls(std::string_view text);

// Bytes as lower-case hexadecimal, two digits a byte: any bytes, readable whatever they hold. With a
// separator, it stands between the bytes ("00 1a ff").
std::string HexBytes(std::string_view bytes, char separator = '\0');

// A number as a fixed-width lower-case hexadecimal string: 4 digits for 16 bits, 8 for 32.
std::string HexValue(std::uint32_t value, int bits);

// A file name for a line of a sum file, reversibly: a backslash as "\\", LF as "\n", CR as "\r",
// the other controls as EscapeControls writes them. A line whose name needed it starts with "\",
// as sha256sum's lines do.
std::string EscapeSumName(std::string_view text);
// The name back; nullopt for an escape EscapeSumName never writes.
std::optional<std::string> UnescapeSumName(std::string_view text);

// Only the line breaks (CR and LF) written as escapes, for a line that must stay one line while
// keeping its tabs.
std::string EscapeLineBreaks(std::string_view text);

} // namespace kelda
