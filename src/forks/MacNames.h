// SPDX-License-Identifier: MIT
// File names between the Mac and the local file system. A Mac name may hold "/" and control
// bytes, never ":"; a local name the reverse. Going out, "/" becomes ":" (as the Mac itself shows
// such names to POSIX programs) and a control byte its visible Control Pictures sign (TAB is
// U+2409), so the name stays readable and comes back unchanged when the file is made into
// MacBinary again.
#pragma once

#include "util/MacText.h"

#include <string>
#include <string_view>

namespace kelda {

inline constexpr std::size_t kMaxMacNameLength = 63;

// A name for the local file system from a decoded Mac name (UTF-8): never empty, never "." or "..",
// never holding "/" or a control byte, so it names an entry inside its folder, and never of the
// shape of KELDA's temporaries (HasTemporaryShape): such names get a "_" before them.
std::string SafeLocalText(std::string_view decoded);
// The same from Mac name bytes, read by ReadMacName in encoding.
std::string SafeLocalName(std::string_view macName, TMacEncoding encoding);

// The Mac bytes of a UTF-8 name in Mac Roman or code page 932 (Auto: Mac Roman when every character
// has a Mac Roman byte, else code page 932). fromLocalName undoes SafeLocalName's replacements.
// Throws EBilingualError (NameNotEncodable) when a character has no byte in the chosen set. The
// result is cut to at most 63 bytes, never inside a double-byte character.
std::string EncodeMacName(std::string_view utf8, TMacEncoding encoding, bool fromLocalName,
                          TMacEncoding* used = nullptr);

// What keeps a name the user gives (UTF-8, to be written in encoding as EncodeMacName would) from
// going into a header as it is: nothing, an empty name (a header's name has 1 to 63 bytes), a
// control byte (0-31 or 127, which would forge lines where the name is shown), or more than 63
// bytes in the Mac character set (which would otherwise be cut). Throws EncodeMacName's
// NameNotEncodable error.
enum class TMacNameFault { None, Empty, ControlByte, TooLong };
TMacNameFault GivenMacNameFault(std::string_view utf8, TMacEncoding encoding);

// The first bytes of a Mac name that fit into limit bytes without cutting a code page 932
// character in two (when japanese).
std::string CutMacName(std::string_view bytes, bool japanese, std::size_t limit = kMaxMacNameLength);

// Four Mac Roman characters of a type or creator code; a shorter text is filled with blanks.
// Throws EBilingualError (TypeCodeInvalid) otherwise.
std::string EncodeFourCC(std::string_view utf8);

} // namespace kelda
