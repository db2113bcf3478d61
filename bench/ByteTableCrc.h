// SPDX-License-Identifier: MIT
// The baseline the fast kernels are measured against: one table lookup per byte through a
// 256-entry table, and files read in blocks of 1024 bytes, as KELDA first computed its CRCs.
#pragma once

#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace kelda::bench {

class TByteTableCrc {
public:
    explicit TByteTableCrc(const TCrcVariant& variant)
        : FLeft(variant.Class == TCrcClass::Crc16L || variant.Class == TCrcClass::Crc32L), FNeg(variant.Neg),
          FWidth(variant.Width), FMask(variant.Width == 32 ? 0xFFFFFFFFu : 0xFFFFu) {
        std::uint32_t poly = 0;
        for (const std::uint8_t e : variant.Poly) {
            poly |= FLeft ? 1u << e : 1u << (FWidth - 1 - e);
        }
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t r = FLeft ? i << (FWidth - 8) : i;
            for (int bit = 0; bit < 8; ++bit) {
                if (FLeft) {
                    r = (r >> (FWidth - 1)) & 1u ? ((r << 1) ^ poly) & FMask : (r << 1) & FMask;
                } else {
                    r = (r & 1u) != 0 ? (r >> 1) ^ poly : r >> 1;
                }
            }
            FTable[i] = r;
        }
        Init();
    }

    void Init() { FCrc = FNeg ? FMask : 0; }

    void Calc(const std::uint8_t* buf, std::size_t index, std::size_t count) {
        std::uint32_t crc = FCrc;
        const int shift = FWidth - 8;
        for (std::size_t i = index; i < index + count; ++i) {
            if (FLeft) {
                crc = (FTable[((crc >> shift) ^ buf[i]) & 0xFFu] ^ (crc << 8)) & FMask;
            } else {
                crc = FTable[(crc ^ buf[i]) & 0xFFu] ^ (crc >> 8);
            }
        }
        FCrc = crc;
    }

    std::uint32_t GetCrc() const { return FNeg ? FCrc ^ FMask : FCrc; }

    // The whole file in 1024-byte reads.
    std::uint32_t File(const std::filesystem::path& file) {
        TFileStream stream(file, FileMode::Read);
        std::array<std::uint8_t, 1024> buffer{};
        Init();
        for (std::size_t n; (n = stream.Read(buffer.data(), buffer.size())) > 0;) {
            Calc(buffer.data(), 0, n);
        }
        return GetCrc();
    }

private:
    bool FLeft;
    bool FNeg;
    int FWidth;
    std::uint32_t FMask;
    std::array<std::uint32_t, 256> FTable{};
    std::uint32_t FCrc = 0;
};

} // namespace kelda::bench
