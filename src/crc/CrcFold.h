// SPDX-License-Identifier: MIT
// Carry-less multiplication folding: reduces a long message to a 16-byte value that leaves
// its CRC unchanged, 16 bytes (PCLMULQDQ) or 64 bytes (VPCLMULQDQ) per multiply.
//
// The message is cut into 16-byte chunks. Each chunk is held as a 128-bit value whose halves
// q0 and q1 are the polynomial's 64 lower and upper terms: most significant bit first (Left),
// the chunk's bytes reversed; least significant bit first (Right), the bytes as they are, so
// that bit i stands for x^(127-i). An accumulator A stands for data ending where it ends;
// A * x^D mod P = q1 * (x^(D+64) mod P) + q0 * (x^D mod P) (Left) moves it D bits on, and the
// product is XORed into the chunk there. At the end the accumulator is 16 bytes whose CRC from
// a zero register equals that of everything folded so far.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelda {

struct TFold128 {
    std::uint64_t Q0 = 0;
    std::uint64_t Q1 = 0;
};

// For each folding distance D, the constants that multiply q0 ([0]) and q1 ([1]).
struct TFoldConstants {
    std::array<std::uint64_t, 2> K128{};  // one chunk
    std::array<std::uint64_t, 2> K512{};  // four chunks (four 128-bit lanes, or one 512-bit)
    std::array<std::uint64_t, 2> K2048{}; // sixteen chunks (four 512-bit lanes)
};

struct TGf2Poly;

// Constants for modulus p (degree 1..64) in the given bit order.
TFoldConstants MakeFoldConstants(TGf2Poly p, bool left);

// The 16 bytes, in data order, that an accumulator stands for.
std::array<std::uint8_t, 16> FoldBytes(TFold128 acc, bool left);

bool CpuHasClmul();
bool CpuHasClmul512();

// Folds chunks (>= 1) chunks of 16 bytes at data onto acc, which stands for the data before
// them (zero at the start); first is XORed into the first chunk (a CRC register, say).
// Returns the accumulator for the data up to the end of the last chunk. Only call when the
// processor has the instructions (CpuHasClmul, CpuHasClmul512).
TFold128 FoldClmul(const TFoldConstants& k, bool left, TFold128 acc, TFold128 first, const std::uint8_t* data,
                   std::size_t chunks);
TFold128 FoldClmul512(const TFoldConstants& k, bool left, TFold128 acc, TFold128 first,
                      const std::uint8_t* data, std::size_t chunks);

} // namespace kelda
