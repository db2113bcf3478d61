// SPDX-License-Identifier: MIT
#include "resources/StringResources.h"

#include "resources/PascalString.h"
#include "util/BigEndian.h"

namespace kelda {

std::string DecodeStr(std::span<const std::uint8_t> bytes, TMacEncoding encoding) {
    std::size_t at = 0;
    return MacTextToUtf8(ReadPascalString(bytes, at).Bytes, encoding);
}

TStringList DecodeStrList(std::span<const std::uint8_t> bytes, TMacEncoding encoding) {
    TStringList list;
    if (bytes.size() < 2) {
        list.Truncated = !bytes.empty();
        return list;
    }
    list.Declared = GetBig16(bytes.data());
    std::size_t at = 2;
    // Every string takes at least its length byte, so the count cannot outgrow the data.
    for (std::uint32_t i = 0; i < list.Declared; ++i) {
        const TPascalString s = ReadPascalString(bytes, at);
        if (!s.Present) {
            list.Truncated = true;
            break;
        }
        list.Strings.push_back(MacTextToUtf8(s.Bytes, encoding));
        if (s.Truncated) {
            list.Truncated = true;
            break;
        }
    }
    return list;
}

} // namespace kelda
