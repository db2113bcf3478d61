// SPDX-License-Identifier: MIT
// Pascal strings (a length byte, then that many bytes) inside resource data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace kelda {

struct TPascalString {
    std::string Bytes;
    bool Present = false;   // a length byte was there
    bool Truncated = false; // fewer bytes followed than it gives (Bytes holds those there are)
};

// The Pascal string at bytes[at]; at moves past it (to the end of bytes at most).
TPascalString ReadPascalString(std::span<const std::uint8_t> bytes, std::size_t& at);

} // namespace kelda
