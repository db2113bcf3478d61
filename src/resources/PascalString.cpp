// SPDX-License-Identifier: MIT
#include "resources/PascalString.h"

#include <algorithm>

namespace kelda {

TPascalString ReadPascalString(std::span<const std::uint8_t> bytes, std::size_t& at) {
    TPascalString s;
    if (at >= bytes.size()) {
        s.Truncated = true;
        return s;
    }
    s.Present = true;
    const std::size_t length = bytes[at++];
    const std::size_t there = std::min(length, bytes.size() - at);
    s.Bytes.assign(reinterpret_cast<const char*>(bytes.data() + at), there);
    s.Truncated = there < length;
    at += there;
    return s;
}

} // namespace kelda
