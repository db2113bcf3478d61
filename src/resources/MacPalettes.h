// SPDX-License-Identifier: MIT
// The standard colour tables of the Macintosh for 4-bit and 8-bit icons.
#pragma once

#include <array>
#include <cstdint>

namespace kelda {

struct TRgb {
    std::uint8_t R, G, B;
    bool operator==(const TRgb&) const = default;
};
struct TRgb16 {
    std::uint16_t R, G, B;
};

extern const std::array<TRgb16, 16> kMacPalette4Wide;
extern const std::array<TRgb, 16> kMacPalette4;
extern const std::array<TRgb, 256> kMacPalette8;

} // namespace kelda
