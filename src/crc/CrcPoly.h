// SPDX-License-Identifier: MIT
// Arithmetic on polynomials over GF(2) of degree up to 64, used to derive CRC constants
// (x^k mod P for folding, powers for shifting a register over zero bytes) at start-up.
#pragma once

#include <cstdint>
#include <optional>

namespace kelda {

// A polynomial of degree Degree (1..64): bit i of Low is the coefficient of x^i for i < Degree;
// the top term x^Degree is implied. Residues modulo it are plain values of degree < Degree.
struct TGf2Poly {
    std::uint64_t Low = 0;
    int Degree = 0;

    bool operator==(const TGf2Poly&) const = default;
};

std::uint32_t Reflect32(std::uint32_t v);
std::uint64_t Reflect64(std::uint64_t v);

// a * x mod p, for a of degree < p.Degree.
std::uint64_t MulXMod(std::uint64_t a, TGf2Poly p);
// a * b mod p, for a and b of degree < p.Degree.
std::uint64_t MulMod(std::uint64_t a, std::uint64_t b, TGf2Poly p);
// x^k mod p.
std::uint64_t XPowMod(std::uint64_t k, TGf2Poly p);
// x^-k mod p; p must not be divisible by x (its x^0 term set), so that x is invertible.
std::uint64_t XInvPowMod(std::uint64_t k, TGf2Poly p);
// p with every factor x divided out.
TGf2Poly StripX(TGf2Poly p);
// The product a * b, or nothing when its degree would pass 64.
std::optional<TGf2Poly> Multiply(TGf2Poly a, TGf2Poly b);

} // namespace kelda
