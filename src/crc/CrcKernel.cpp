#include "crc/CrcKernel.h"

namespace kelda {

void TCrcKernel::Build(std::uint32_t poly, TCrcDirection direction) {
    FPoly = poly;
    FDirection = direction;
    auto& t0 = FSlice[0];
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t r;
        if (direction == TCrcDirection::Left) {
            r = i << 24;
            for (int bit = 0; bit < 8; ++bit) {
                r = (r & 0x80000000u) != 0 ? (r << 1) ^ poly : r << 1;
            }
        } else {
            r = i;
            for (int bit = 0; bit < 8; ++bit) {
                r = (r & 1u) != 0 ? (r >> 1) ^ poly : r >> 1;
            }
        }
        t0[i] = r;
    }
    for (std::size_t k = 1; k < FSlice.size(); ++k) {
        for (std::size_t i = 0; i < 256; ++i) {
            const std::uint32_t prev = FSlice[k - 1][i];
            FSlice[k][i] = direction == TCrcDirection::Left ? (prev << 8) ^ t0[prev >> 24]
                                                            : (prev >> 8) ^ t0[prev & 0xFFu];
        }
    }
}

std::uint32_t TCrcKernel::UpdateBytewise(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const {
    const auto& t0 = FSlice[0];
    if (FDirection == TCrcDirection::Left) {
        for (std::size_t i = 0; i < size; ++i) {
            reg = t0[((reg >> 24) ^ data[i]) & 0xFFu] ^ (reg << 8);
        }
    } else {
        for (std::size_t i = 0; i < size; ++i) {
            reg = t0[(reg ^ data[i]) & 0xFFu] ^ (reg >> 8);
        }
    }
    return reg;
}

std::uint32_t TCrcKernel::UpdateSlicing(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const {
    const auto& t = FSlice;
    std::size_t i = 0;
    if (FDirection == TCrcDirection::Left) {
        for (; i + 16 <= size; i += 16) {
            const std::uint8_t* p = data + i;
            const std::uint32_t x = reg ^ (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                           std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
            reg = t[15][x >> 24] ^ t[14][(x >> 16) & 0xFFu] ^ t[13][(x >> 8) & 0xFFu] ^ t[12][x & 0xFFu] ^
                  t[11][p[4]] ^ t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]] ^ t[7][p[8]] ^ t[6][p[9]] ^
                  t[5][p[10]] ^ t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^ t[0][p[15]];
        }
    } else {
        for (; i + 16 <= size; i += 16) {
            const std::uint8_t* p = data + i;
            const std::uint32_t x = reg ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                           std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
            reg = t[15][x & 0xFFu] ^ t[14][(x >> 8) & 0xFFu] ^ t[13][(x >> 16) & 0xFFu] ^ t[12][x >> 24] ^
                  t[11][p[4]] ^ t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]] ^ t[7][p[8]] ^ t[6][p[9]] ^
                  t[5][p[10]] ^ t[4][p[11]] ^ t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^ t[0][p[15]];
        }
    }
    return UpdateBytewise(reg, data + i, size - i);
}

std::uint32_t TCrcKernel::Update(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const {
    return UpdateSlicing(reg, data, size);
}

std::uint32_t TCrcKernel::Update(TCrcPath /*path*/, std::uint32_t reg, const std::uint8_t* data,
                                 std::size_t size) const {
    return UpdateSlicing(reg, data, size);
}

std::vector<TCrcPath> AvailableCrcPaths() { return {TCrcPath::Portable}; }

TCrcPath BestCrcPath() { return TCrcPath::Portable; }

const char* CrcPathName(TCrcPath path) {
    switch (path) {
    case TCrcPath::Portable:
        return "portable";
    case TCrcPath::Clmul:
        return "clmul";
    case TCrcPath::Clmul512:
        return "clmul512";
    }
    return "?";
}

} // namespace kelda
