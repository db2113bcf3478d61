// SPDX-License-Identifier: MIT
// File names between the bytes the file system holds and the text a user reads. On Linux a name is
// any bytes; names from old archives are often code page 932 (Shift-JIS) rather than UTF-8.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace kelda {

// Whether bytes are well-formed UTF-8.
bool IsUtf8Text(std::string_view bytes);

// The readable UTF-8 text of one name (or name component): the bytes themselves when they are
// UTF-8, else their code page 932 decoding when they are valid code page 932; nothing otherwise.
std::optional<std::string> ReadableName(std::string_view bytes);

// The path a user means by text, a path written with the readable names of its components: each
// component is taken as it is when an entry of that name exists, else as the entry of its folder
// whose readable name it is, else as it is (a file still to be made).
std::filesystem::path FindNamedPath(std::string_view text);

} // namespace kelda
