// SPDX-License-Identifier: MIT
#include "crc/CrcFold.h"

#include "crc/CrcPoly.h"

#if defined(__x86_64__) && !defined(KELDA_FORCE_PORTABLE_CRC)
#define KELDA_CRC_X86 1
#include <immintrin.h>
#endif

namespace kelda {

TFoldConstants MakeFoldConstants(TGf2Poly p, bool left) {
    // Left: the product q * k is the plain polynomial product, so k = x^D mod P for q0 and
    // x^(D+64) mod P for q1.
    // Right: both factors are reflected. With k held as Reflect64(k), bit j of the constant
    // stands for x^(63-j) and bit i of q for x^(63-i); the 128-bit product's bit m = i + j
    // then stands for x^(126-m), one degree below what bit m means in a chunk (x^(127-m)).
    // So the constants carry one x less: x^(D+63) for q0 (the chunk's upper terms) and x^(D-1)
    // for q1.
    const auto pair = [&](std::uint64_t d) -> std::array<std::uint64_t, 2> {
        if (left) {
            return {XPowMod(d, p), XPowMod(d + 64, p)};
        }
        return {Reflect64(XPowMod(d + 63, p)), Reflect64(XPowMod(d - 1, p))};
    };
    TFoldConstants k;
    k.K128 = pair(128);
    k.K512 = pair(512);
    k.K2048 = pair(2048);
    return k;
}

std::array<std::uint8_t, 16> FoldBytes(TFold128 acc, bool left) {
    std::array<std::uint8_t, 16> bytes{};
    for (int i = 0; i < 8; ++i) {
        if (left) {
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(acc.Q1 >> (56 - 8 * i));
            bytes[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(acc.Q0 >> (56 - 8 * i));
        } else {
            bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(acc.Q0 >> (8 * i));
            bytes[static_cast<std::size_t>(8 + i)] = static_cast<std::uint8_t>(acc.Q1 >> (8 * i));
        }
    }
    return bytes;
}

#ifdef KELDA_CRC_X86

#define KELDA_TARGET_CLMUL __attribute__((target("pclmul,ssse3")))
#define KELDA_TARGET_CLMUL512 __attribute__((target("pclmul,ssse3,avx512f,avx512bw,vpclmulqdq")))

bool CpuHasClmul() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("ssse3");
}

bool CpuHasClmul512() {
    __builtin_cpu_init();
    return CpuHasClmul() && __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
           __builtin_cpu_supports("vpclmulqdq");
}

namespace {

KELDA_TARGET_CLMUL inline __m128i ReverseMask() {
    return _mm_set_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
}

template <bool Left> KELDA_TARGET_CLMUL inline __m128i Load128(const std::uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if constexpr (Left) {
        return _mm_shuffle_epi8(v, ReverseMask());
    } else {
        return v;
    }
}

KELDA_TARGET_CLMUL inline __m128i Pair(const std::array<std::uint64_t, 2>& k) {
    return _mm_set_epi64x(static_cast<long long>(k[1]), static_cast<long long>(k[0]));
}

KELDA_TARGET_CLMUL inline __m128i ToVec(TFold128 a) {
    return _mm_set_epi64x(static_cast<long long>(a.Q1), static_cast<long long>(a.Q0));
}

KELDA_TARGET_CLMUL inline TFold128 FromVec(__m128i v) {
    std::uint64_t q[2];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(q), v);
    return {q[0], q[1]};
}

// x moved on by the distance k was made for.
KELDA_TARGET_CLMUL inline __m128i Fold(__m128i x, __m128i k) {
    return _mm_xor_si128(_mm_clmulepi64_si128(x, k, 0x00), _mm_clmulepi64_si128(x, k, 0x11));
}

template <bool Left>
KELDA_TARGET_CLMUL TFold128 Run128(const TFoldConstants& k, TFold128 acc, TFold128 first,
                                   const std::uint8_t* p, std::size_t chunks) {
    const __m128i k128 = Pair(k.K128);
    __m128i x0 = _mm_xor_si128(_mm_xor_si128(Load128<Left>(p), ToVec(first)), Fold(ToVec(acc), k128));
    p += 16;
    --chunks;
    if (chunks >= 3) {
        // Four independent accumulators over consecutive chunks hide the multiply's latency.
        const __m128i k512 = Pair(k.K512);
        __m128i x1 = Load128<Left>(p);
        __m128i x2 = Load128<Left>(p + 16);
        __m128i x3 = Load128<Left>(p + 32);
        p += 48;
        chunks -= 3;
        for (; chunks >= 4; chunks -= 4, p += 64) {
            x0 = _mm_xor_si128(Fold(x0, k512), Load128<Left>(p));
            x1 = _mm_xor_si128(Fold(x1, k512), Load128<Left>(p + 16));
            x2 = _mm_xor_si128(Fold(x2, k512), Load128<Left>(p + 32));
            x3 = _mm_xor_si128(Fold(x3, k512), Load128<Left>(p + 48));
        }
        x1 = _mm_xor_si128(x1, Fold(x0, k128));
        x2 = _mm_xor_si128(x2, Fold(x1, k128));
        x0 = _mm_xor_si128(x3, Fold(x2, k128));
    }
    for (; chunks > 0; --chunks, p += 16) {
        x0 = _mm_xor_si128(Fold(x0, k128), Load128<Left>(p));
    }
    return FromVec(x0);
}

template <bool Left> KELDA_TARGET_CLMUL512 inline __m512i Load512(const std::uint8_t* p) {
    const __m512i v = _mm512_loadu_si512(p);
    if constexpr (Left) {
        // ReverseMask in every 128-bit lane.
        const __m512i mask =
            _mm512_set_epi64(0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F,
                             0x0001020304050607, 0x08090A0B0C0D0E0F, 0x0001020304050607, 0x08090A0B0C0D0E0F);
        return _mm512_shuffle_epi8(v, mask);
    } else {
        return v;
    }
}

KELDA_TARGET_CLMUL512 inline __m512i Pair512(const std::array<std::uint64_t, 2>& k) {
    const auto lo = static_cast<long long>(k[0]);
    const auto hi = static_cast<long long>(k[1]);
    return _mm512_set_epi64(hi, lo, hi, lo, hi, lo, hi, lo);
}

// z moved on by the distance k was made for, XORed with the data d there.
KELDA_TARGET_CLMUL512 inline __m512i Fold512(__m512i z, __m512i k, __m512i d) {
    return _mm512_ternarylogic_epi64(_mm512_clmulepi64_epi128(z, k, 0x00),
                                     _mm512_clmulepi64_epi128(z, k, 0x11), d, 0x96);
}

template <bool Left>
KELDA_TARGET_CLMUL512 TFold128 Run512(const TFoldConstants& k, TFold128 acc, TFold128 first,
                                      const std::uint8_t* p, std::size_t chunks) {
    if (chunks < 16) {
        return Run128<Left>(k, acc, first, p, chunks);
    }
    const __m128i k128 = Pair(k.K128);
    const __m512i k512 = Pair512(k.K512);
    const __m512i k2048 = Pair512(k.K2048);
    const __m128i head = _mm_xor_si128(ToVec(first), Fold(ToVec(acc), k128));
    __m512i z0 = _mm512_xor_si512(Load512<Left>(p), _mm512_inserti32x4(_mm512_setzero_si512(), head, 0));
    __m512i z1 = Load512<Left>(p + 64);
    __m512i z2 = Load512<Left>(p + 128);
    __m512i z3 = Load512<Left>(p + 192);
    p += 256;
    chunks -= 16;
    for (; chunks >= 16; chunks -= 16, p += 256) {
        z0 = Fold512(z0, k2048, Load512<Left>(p));
        z1 = Fold512(z1, k2048, Load512<Left>(p + 64));
        z2 = Fold512(z2, k2048, Load512<Left>(p + 128));
        z3 = Fold512(z3, k2048, Load512<Left>(p + 192));
    }
    z1 = Fold512(z0, k512, z1);
    z2 = Fold512(z1, k512, z2);
    z0 = Fold512(z2, k512, z3);
    for (; chunks >= 4; chunks -= 4, p += 64) {
        z0 = Fold512(z0, k512, Load512<Left>(p));
    }
    // The four lanes are four consecutive chunks.
    alignas(64) __m128i lanes[4];
    _mm512_store_si512(lanes, z0);
    __m128i x = lanes[0];
    x = _mm_xor_si128(Fold(x, k128), lanes[1]);
    x = _mm_xor_si128(Fold(x, k128), lanes[2]);
    x = _mm_xor_si128(Fold(x, k128), lanes[3]);
    for (; chunks > 0; --chunks, p += 16) {
        x = _mm_xor_si128(Fold(x, k128), Load128<Left>(p));
    }
    return FromVec(x);
}

} // namespace

TFold128 FoldClmul(const TFoldConstants& k, bool left, TFold128 acc, TFold128 first, const std::uint8_t* data,
                   std::size_t chunks) {
    return left ? Run128<true>(k, acc, first, data, chunks) : Run128<false>(k, acc, first, data, chunks);
}

TFold128 FoldClmul512(const TFoldConstants& k, bool left, TFold128 acc, TFold128 first,
                      const std::uint8_t* data, std::size_t chunks) {
    return left ? Run512<true>(k, acc, first, data, chunks) : Run512<false>(k, acc, first, data, chunks);
}

#else // no x86-64, or the portable kernel is forced

bool CpuHasClmul() {
    return false;
}
bool CpuHasClmul512() {
    return false;
}

TFold128 FoldClmul(const TFoldConstants&, bool, TFold128 acc, TFold128, const std::uint8_t*, std::size_t) {
    return acc;
}

TFold128 FoldClmul512(const TFoldConstants&, bool, TFold128 acc, TFold128, const std::uint8_t*, std::size_t) {
    return acc;
}

#endif

} // namespace kelda
