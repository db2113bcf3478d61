// SPDX-License-Identifier: MIT
// The Finder's icon families drawn into RGBA pixels: 'ICN#' and 'ics#' (1 bit with their mask),
// 'icl4'/'ics4' (4 bits) and 'icl8'/'ics8' (8 bits) in the standard colour tables, which take the
// mask of the 'ICN#' or 'ics#' of the same ID. Masked-out pixels are fully transparent.
#pragma once

#include "resources/ResourceMap.h"

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kelda {

struct TIconImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Rgba; // Width * Height * 4 bytes, rows top to bottom
    bool Masked = false;            // a mask decided the transparency
};

struct TIconFormat {
    TResType Type;
    int Size;          // 32 or 16 pixels square
    int Depth;         // 1, 4 or 8 bits per pixel
    TResType MaskType; // where the mask comes from: itself for the 1-bit kinds
};

// The format of an icon type; nothing for other types.
std::optional<TIconFormat> IconFormatOf(const TResType& type);

// Draws icon data of type. mask: the 1-bit family member of the same ID (icon then mask), or
// empty; without a whole mask every pixel is opaque. Nothing when the data is too short or the
// type is no icon.
std::optional<TIconImage> RenderIcon(const TResType& type, std::span<const std::uint8_t> data,
                                     std::span<const std::uint8_t> mask = {});

} // namespace kelda
