// SPDX-License-Identifier: MIT
// The fast CRC kernel behind every engine: one 32-bit CRC of any generator polynomial, most
// significant bit first (Left) or least significant bit first (Right).
//
// A 16-bit CRC with polynomial P is computed as the 32-bit CRC with polynomial x^16 * P:
// Left, its register is the 16-bit register shifted up by 16; Right, the 16-bit register itself
// with the upper half always zero. So one kernel serves both widths.
//
// Paths: a portable slicing-by-16 loop, and on x86-64 carry-less multiplication folding with
// 128-bit (PCLMULQDQ) or 512-bit (VPCLMULQDQ, AVX-512) registers, chosen at run time. Every
// path gives exactly the result of the one-byte-per-step table method.
#pragma once

#include "crc/CrcFold.h"
#include "crc/CrcPoly.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace kelda {

enum class TCrcDirection { Left, Right };

enum class TCrcPath { Portable, Clmul, Clmul512 };

class TCrcKernel {
public:
    // poly is the 32-bit polynomial word without its x^32 term, in the bit order of direction
    // (Right: bit-reversed).
    void Build(std::uint32_t poly, TCrcDirection direction);

    // The register after feeding size bytes to reg, on the best path of this processor.
    std::uint32_t Update(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const;
    // The same on a chosen path; a path the processor lacks falls back to the portable one.
    std::uint32_t Update(TCrcPath path, std::uint32_t reg, const std::uint8_t* data, std::size_t size) const;

    // One byte at a time through the 256-entry table.
    std::uint32_t UpdateBytewise(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const;
    std::uint32_t UpdateSlicing(std::uint32_t reg, const std::uint8_t* data, std::size_t size) const;

    // The register after feeding count zero bytes to reg (reg * x^(8 count) mod P), without
    // touching them: what an initial register contributes to a CRC of count bytes.
    std::uint32_t Shift(std::uint32_t reg, std::uint64_t count) const;

    // The polynomial in plain bit order (bit i: x^i), degree 32.
    TGf2Poly Polynomial() const { return {FPlain, 32}; }

    TCrcDirection Direction() const { return FDirection; }
    std::uint32_t Poly() const { return FPoly; }
    const std::array<std::uint32_t, 256>& ByteTable() const { return FSlice[0]; }
    const TFoldConstants& Fold() const { return FFold; }

private:
    std::uint32_t FPoly = 0;
    std::uint32_t FPlain = 0; // FPoly in plain bit order
    TCrcDirection FDirection = TCrcDirection::Left;
    // FSlice[k][b]: the register after byte b followed by k zero bytes, from register 0.
    std::array<std::array<std::uint32_t, 256>, 16> FSlice{};
    TFoldConstants FFold;
    // FPow8[j] = x^(8 * 2^j) mod P, plain bit order, for Shift.
    std::array<std::uint32_t, 64> FPow8{};
};

// The paths this build and processor can run, the portable one first.
std::vector<TCrcPath> AvailableCrcPaths();
// The fastest of them.
TCrcPath BestCrcPath();
// The path Update takes: the best one unless tests or benchmarks chose another with SetCrcPath
// (std::nullopt returns to the best one); a path the processor lacks counts as portable.
TCrcPath ActiveCrcPath();
void SetCrcPath(std::optional<TCrcPath> path);
const char* CrcPathName(TCrcPath path);

} // namespace kelda
