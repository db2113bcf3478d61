// SPDX-License-Identifier: MIT
#include "crc/CrcPoly.h"

namespace kelda {

namespace {

std::uint64_t Mask(int degree) {
    return degree >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << degree) - 1;
}

} // namespace

std::uint32_t Reflect32(std::uint32_t v) {
    std::uint32_t r = 0;
    for (int i = 0; i < 32; ++i) {
        r = (r << 1) | ((v >> i) & 1u);
    }
    return r;
}

std::uint64_t Reflect64(std::uint64_t v) {
    std::uint64_t r = 0;
    for (int i = 0; i < 64; ++i) {
        r = (r << 1) | ((v >> i) & 1u);
    }
    return r;
}

std::uint64_t MulXMod(std::uint64_t a, TGf2Poly p) {
    const bool carry = ((a >> (p.Degree - 1)) & 1u) != 0;
    a = (a << 1) & Mask(p.Degree);
    return carry ? a ^ p.Low : a;
}

std::uint64_t MulMod(std::uint64_t a, std::uint64_t b, TGf2Poly p) {
    // Horner over the bits of b, highest first.
    std::uint64_t r = 0;
    for (int i = p.Degree - 1; i >= 0; --i) {
        r = MulXMod(r, p);
        if (((b >> i) & 1u) != 0) {
            r ^= a;
        }
    }
    return r;
}

std::uint64_t XPowMod(std::uint64_t k, TGf2Poly p) {
    std::uint64_t result = p.Degree > 0 ? 1 : 0;
    std::uint64_t square = MulXMod(result, p); // x^(2^i) mod p
    for (; k != 0; k >>= 1) {
        if ((k & 1u) != 0) {
            result = MulMod(result, square, p);
        }
        square = MulMod(square, square, p);
    }
    return result;
}

std::uint64_t XInvPowMod(std::uint64_t k, TGf2Poly p) {
    // p = x^d + ... + 1, so x * (p - 1) / x = p - 1 = 1 (mod p): x^-1 = (p - 1) / x.
    const std::uint64_t xInv = (std::uint64_t{1} << (p.Degree - 1)) | ((p.Low ^ 1u) >> 1);
    std::uint64_t result = 1;
    std::uint64_t square = xInv;
    for (; k != 0; k >>= 1) {
        if ((k & 1u) != 0) {
            result = MulMod(result, square, p);
        }
        square = MulMod(square, square, p);
    }
    return result;
}

TGf2Poly StripX(TGf2Poly p) {
    while (p.Degree > 0 && (p.Low & 1u) == 0) {
        // p = x * q: q has degree one less, its top term still implied.
        p.Low >>= 1;
        --p.Degree;
    }
    return p;
}

std::optional<TGf2Poly> Multiply(TGf2Poly a, TGf2Poly b) {
    if (a.Degree == 0) {
        return b;
    }
    if (b.Degree == 0) {
        return a;
    }
    const int degree = a.Degree + b.Degree;
    if (degree > 64) {
        return std::nullopt;
    }
    // Both degrees are 1..63 here, so a's full coefficient word fits and every shift is < 64;
    // only the top term x^64 can fall off, and it is implied.
    const std::uint64_t fa = a.Low | (std::uint64_t{1} << a.Degree);
    std::uint64_t product = fa << b.Degree;
    for (int i = 0; i < b.Degree; ++i) {
        if (((b.Low >> i) & 1u) != 0) {
            product ^= fa << i;
        }
    }
    return TGf2Poly{product & Mask(degree), degree};
}

} // namespace kelda
