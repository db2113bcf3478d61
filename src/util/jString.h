// SPDX-License-Identifier: MIT
// Character-aware primitives for multi-byte text: searches step over whole characters, so a
// byte that looks like an ASCII sign (a backslash, say) inside a two-byte character is never found.
//
// A position is a byte offset into a text; the text ends at the end of the view (an embedded NUL
// byte is an ordinary one-byte character). Functions that take a position by reference advance it.
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace kelda {

enum class TTextEncoding {
    Utf8,  // the program's own: a well-formed multi-byte sequence is one character
    Cp932, // Shift-JIS: a lead byte 0x81-0x9F or 0xE0-0xFC followed by a non-NUL byte
};

// Width in bytes of the character that starts at pos: 0 at the end of the text, else 1 to 4
// (1 or 2 in code page 932). A malformed UTF-8 byte is a one-byte character.
std::size_t CharWidth(std::string_view text, std::size_t pos, TTextEncoding enc = TTextEncoding::Utf8);

// True if a multi-byte character starts at pos.
bool IsDoubleByteChar(std::string_view text, std::size_t pos, TTextEncoding enc = TTextEncoding::Utf8);

// Steps pos over one character and returns its width; 0 at the end of the text (pos unchanged).
std::size_t StepChar(std::string_view text, std::size_t& pos, TTextEncoding enc = TTextEncoding::Utf8);

// Compares the characters at pa in a and at pb in b: negative, 0 or positive. Two multi-byte
// characters compare as byte strings; otherwise the first bytes compare, with ASCII case folding
// when ignoreCase is set. ignoreCaseDouble has no effect: two multi-byte characters always compare
// byte for byte, since folding a trail byte that has a letter's value would make different
// characters equal. On equality both positions advance past the character. Both positions must lie before the
// end of their texts.
int CompareChar(std::string_view a, std::size_t& pa, std::string_view b, std::size_t& pb, bool ignoreCase,
                bool ignoreCaseDouble, TTextEncoding enc = TTextEncoding::Utf8);

// pos if pattern occurs in text at pos (compared character by character, case-sensitively),
// otherwise nothing. An empty pattern never matches.
std::optional<std::size_t> MatchAt(std::string_view text, std::size_t pos, std::string_view pattern,
                                   TTextEncoding enc = TTextEncoding::Utf8);

// 1-based byte position of the first occurrence of pattern in text that starts on a character
// boundary; 0 when there is none or either string is empty.
std::size_t CharPos(std::string_view pattern, std::string_view text, TTextEncoding enc = TTextEncoding::Utf8);

} // namespace kelda
