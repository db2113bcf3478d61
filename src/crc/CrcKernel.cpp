// SPDX-License-Identifier: MIT
#include "crc/CrcKernel.h"

#include <atomic>

namespace kelda {

namespace {

// Below this many bytes the table loop is as fast as setting up the multiplies.
constexpr std::size_t FoldMinSize = 64;

// -1: the best path; otherwise a TCrcPath chosen by SetCrcPath.
std::atomic<int> ForcedPath{-1};

TCrcPath DetectBestPath() {
    if (CpuHasClmul512()) {
        return TCrcPath::Clmul512;
    }
    if (CpuHasClmul()) {
        return TCrcPath::Clmul;
    }
    return TCrcPath::Portable;
}

// size is a multiple of 16.
template <bool Left>
std::uint32_t SliceBy16(const std::array<std::array<std::uint32_t, 256>, 16>& t, std::uint32_t reg,
                        const std::uint8_t* p, std::size_t size) {
    for (; size > 0; size -= 16, p += 16) {
        // The twelve lookups that do not depend on the register first, so that only four
        // lookups and XORs stand between one step's register and the next.
        const std::uint32_t rest = (t[11][p[4]] ^ t[10][p[5]] ^ t[9][p[6]] ^ t[8][p[7]]) ^
                                   (t[7][p[8]] ^ t[6][p[9]] ^ t[5][p[10]] ^ t[4][p[11]]) ^
                                   (t[3][p[12]] ^ t[2][p[13]] ^ t[1][p[14]] ^ t[0][p[15]]);
        // The register's bytes meet the first four data bytes in data order: from its top byte
        // down (Left) or from its bottom byte up (Right).
        if constexpr (Left) {
            const std::uint32_t x = reg ^ (std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 |
                                           std::uint32_t{p[2]} << 8 | std::uint32_t{p[3]});
            reg = rest ^ ((t[15][x >> 24] ^ t[14][(x >> 16) & 0xFFu]) ^
                          (t[13][(x >> 8) & 0xFFu] ^ t[12][x & 0xFFu]));
        } else {
            const std::uint32_t x = reg ^ (std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 |
                                           std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24);
            reg = rest ^ ((t[15][x & 0xFFu] ^ t[14][(x >> 8) & 0xFFu]) ^
                          (t[13][(x >> 16) & 0xFFu] ^ t[12][x >> 24]));
        }
    }
    return reg;
}

} // namespace

void TCrcKernel::Build(std::uint32_t poly, TCrcDirection direction) {
    FPoly = poly;
    FDirection = direction;
    FPlain = direction == TCrcDirection::Left ? poly : Reflect32(poly);
    const TGf2Poly plain = Polynomial();
    FFold = MakeFoldConstants(plain, direction == TCrcDirection::Left);
    FPow8[0] = static_cast<std::uint32_t>(XPowMod(8, plain));
    for (std::size_t j = 1; j < FPow8.size(); ++j) {
        FPow8[j] = static_cast<std::uint32_t>(MulMod(FPow8[j - 1], FPow8[j - 1], plain));
    }
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

std::uint32_t TCrcKernel::UpdateBytewise(std::uint32_t reg, const std::uint8_t* data,
                                         std::size_t size) const {
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
    const std::size_t whole = size - size % 16;
    reg = FDirection == TCrcDirection::Left ? SliceBy16<true>(FSlice, reg, data, whole)
                                            : SliceBy16<false>(FSlice, reg, data, whole);
    return UpdateBytewise(reg, data + whole, size - whole);
}

std::uint32_t TCrcKernel::Shift(std::uint32_t reg, std::uint64_t count) const {
    const bool left = FDirection == TCrcDirection::Left;
    const TGf2Poly plain = Polynomial();
    std::uint64_t r = left ? reg : Reflect32(reg);
    for (std::size_t j = 0; count != 0; ++j, count >>= 1) {
        if ((count & 1u) != 0) {
            r = MulMod(r, FPow8[j], plain);
        }
    }
    const auto result = static_cast<std::uint32_t>(r);
    return left ? result : Reflect32(result);
}

std::uint32_t TCrcKernel::Update(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const {
    return Update(ActiveCrcPath(), reg, data, size);
}

std::uint32_t TCrcKernel::Update(TCrcPath path, std::uint32_t reg, const std::uint8_t* data,
                                 std::size_t size) const {
    if (path == TCrcPath::Portable || size < FoldMinSize || path > BestCrcPath()) {
        return UpdateSlicing(reg, data, size);
    }
    const bool left = FDirection == TCrcDirection::Left;
    // The register enters as an XOR over the first four bytes, in the direction's byte order.
    const TFold128 first = left ? TFold128{0, std::uint64_t{reg} << 32} : TFold128{reg, 0};
    const std::size_t chunks = size / 16;
    const TFold128 acc = path == TCrcPath::Clmul512 ? FoldClmul512(FFold, left, {}, first, data, chunks)
                                                    : FoldClmul(FFold, left, {}, first, data, chunks);
    const auto bytes = FoldBytes(acc, left);
    reg = UpdateSlicing(0, bytes.data(), bytes.size());
    return UpdateSlicing(reg, data + chunks * 16, size - chunks * 16);
}

std::vector<TCrcPath> AvailableCrcPaths() {
    std::vector<TCrcPath> paths = {TCrcPath::Portable};
    for (const TCrcPath path : {TCrcPath::Clmul, TCrcPath::Clmul512}) {
        if (path <= BestCrcPath()) {
            paths.push_back(path);
        }
    }
    return paths;
}

TCrcPath BestCrcPath() {
    static const TCrcPath best = DetectBestPath();
    return best;
}

TCrcPath ActiveCrcPath() {
    const int forced = ForcedPath.load(std::memory_order_relaxed);
    if (forced < 0) {
        return BestCrcPath();
    }
    const auto path = static_cast<TCrcPath>(forced);
    return path <= BestCrcPath() ? path : TCrcPath::Portable;
}

void SetCrcPath(std::optional<TCrcPath> path) {
    ForcedPath.store(path ? static_cast<int>(*path) : -1, std::memory_order_relaxed);
}

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
