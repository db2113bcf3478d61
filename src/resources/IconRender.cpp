// SPDX-License-Identifier: MIT
#include "resources/IconRender.h"

#include "resources/MacPalettes.h"

#include <array>

namespace kelda {

namespace {

constexpr std::array<TIconFormat, 6> kFormats{{
    {ResType("ICN#"), 32, 1, ResType("ICN#")},
    {ResType("icl4"), 32, 4, ResType("ICN#")},
    {ResType("icl8"), 32, 8, ResType("ICN#")},
    {ResType("ics#"), 16, 1, ResType("ics#")},
    {ResType("ics4"), 16, 4, ResType("ics#")},
    {ResType("ics8"), 16, 8, ResType("ics#")},
}};

// Bits of a 1-bit plane of size x size pixels, rows of size / 8 bytes.
bool Bit(std::span<const std::uint8_t> plane, int size, int x, int y) {
    const std::size_t at = static_cast<std::size_t>(y * (size / 8) + x / 8);
    return ((plane[at] >> (7 - x % 8)) & 1) != 0;
}

TRgb PixelColour(const TIconFormat& f, std::span<const std::uint8_t> data, int x, int y) {
    const std::size_t index = static_cast<std::size_t>(y * f.Size + x);
    switch (f.Depth) {
    case 1:
        return Bit(data, f.Size, x, y) ? TRgb{0, 0, 0} : TRgb{0xFF, 0xFF, 0xFF};
    case 4: {
        const std::uint8_t b = data[index / 2];
        return kMacPalette4[index % 2 == 0 ? b >> 4 : b & 0x0F];
    }
    default:
        return kMacPalette8[data[index]];
    }
}

} // namespace

std::optional<TIconFormat> IconFormatOf(const TResType& type) {
    for (const TIconFormat& f : kFormats) {
        if (f.Type == type) {
            return f;
        }
    }
    return std::nullopt;
}

std::optional<TIconImage> RenderIcon(const TResType& type, std::span<const std::uint8_t> data,
                                     std::span<const std::uint8_t> mask) {
    const std::optional<TIconFormat> format = IconFormatOf(type);
    if (!format) {
        return std::nullopt;
    }
    const int size = format->Size;
    const std::size_t planeBytes = static_cast<std::size_t>(size * size / 8);
    const std::size_t imageBytes = planeBytes * static_cast<std::size_t>(format->Depth);
    if (data.size() < imageBytes) {
        return std::nullopt;
    }
    // The 1-bit kinds carry their own mask after the icon; the others borrow that of the family.
    std::span<const std::uint8_t> maskPlane;
    if (format->Depth == 1 && data.size() >= 2 * planeBytes) {
        maskPlane = data.subspan(planeBytes, planeBytes);
    } else if (format->Depth != 1 && mask.size() >= 2 * planeBytes) {
        maskPlane = mask.subspan(planeBytes, planeBytes);
    }
    TIconImage image;
    image.Width = size;
    image.Height = size;
    image.Masked = !maskPlane.empty();
    image.Rgba.resize(static_cast<std::size_t>(size * size * 4));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            std::uint8_t* p = image.Rgba.data() + static_cast<std::size_t>((y * size + x) * 4);
            if (image.Masked && !Bit(maskPlane, size, x, y)) {
                p[0] = p[1] = p[2] = p[3] = 0;
                continue;
            }
            const TRgb c = PixelColour(*format, data, x, y);
            p[0] = c.R;
            p[1] = c.G;
            p[2] = c.B;
            p[3] = 0xFF;
        }
    }
    return image;
}

} // namespace kelda
