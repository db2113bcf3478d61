// SPDX-License-Identifier: MIT
// Decoding of Macintosh text bytes (file names, type codes) into UTF-8 for display.
#pragma once

#include <string>
#include <string_view>

namespace kelda {

// Which character set the bytes of a Macintosh text field are taken in.
enum class TMacEncoding {
    Auto,     // Japanese when the bytes are valid code page 932 text, MacRoman otherwise
    Japanese, // code page 932 ("windows-31j")
    Roman,    // MacRoman ("macintosh")
};

// True when the bytes decode as code page 932 without an invalid or unassigned sequence and
// without landing in the private-use area (user-defined characters are not names anyone types).
bool IsValidCp932Text(std::string_view bytes);

// Appends the UTF-8 bytes of the code point cp.
void AppendUtf8(std::string& out, char32_t cp);

// The bytes as UTF-8. Control bytes (0x00-0x1F, 0x7F) are kept as they are in every encoding;
// a sequence that the chosen encoding cannot decode becomes U+FFFD.
std::string MacTextToUtf8(std::string_view bytes, TMacEncoding encoding);

} // namespace kelda
