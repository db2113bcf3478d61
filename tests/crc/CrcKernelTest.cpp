// SPDX-License-Identifier: MIT
// Every kernel path against a bit-at-a-time reference: random data, lengths, splits, misalignment.
#include "crc/CrcKernel.h"
#include "crc/CrcPoly.h"
#include "crc/CrcUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace kelda {
namespace {

// The CRC one bit at a time, straight from the polynomial's exponents: no table, no folding.
std::uint32_t BitwiseCrc(const TCrcVariant& v, const std::uint8_t* data, std::size_t size) {
    const bool left = v.Class == TCrcClass::Crc16L || v.Class == TCrcClass::Crc32L;
    const int w = v.Width;
    const std::uint32_t mask = w == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    std::uint32_t poly = 0;
    for (const std::uint8_t e : v.Poly) {
        poly |= left ? 1u << e : 1u << (w - 1 - e);
    }
    std::uint32_t crc = v.Neg ? mask : 0;
    for (std::size_t i = 0; i < size; ++i) {
        for (int k = 0; k < 8; ++k) {
            const std::uint32_t in = left ? (data[i] >> (7 - k)) & 1u : (data[i] >> k) & 1u;
            if (left) {
                const std::uint32_t top = (crc >> (w - 1)) & 1u;
                crc = (crc << 1) & mask;
                if ((top ^ in) != 0) {
                    crc ^= poly;
                }
            } else {
                const std::uint32_t low = crc & 1u;
                crc >>= 1;
                if ((low ^ in) != 0) {
                    crc ^= poly;
                }
            }
        }
    }
    return v.Neg ? crc ^ mask : crc;
}

class CrcPathTest : public ::testing::TestWithParam<TCrcPath> {
protected:
    void SetUp() override { SetCrcPath(GetParam()); }
    void TearDown() override { SetCrcPath(std::nullopt); }
};

std::string PathName(const ::testing::TestParamInfo<TCrcPath>& info) {
    return CrcPathName(info.param);
}

TEST_P(CrcPathTest, ThePathIsTheOneChosen) {
    EXPECT_EQ(ActiveCrcPath(), GetParam());
}

TEST_P(CrcPathTest, RandomDataLengthsSplitsAndMisalignedStartsMatchTheBitwiseReference) {
    std::mt19937 rng(20240611u + static_cast<unsigned>(GetParam()));
    std::vector<std::uint8_t> pool(80000 + 64);
    for (auto& b : pool) {
        b = static_cast<std::uint8_t>(rng());
    }
    auto engines = MakeCrcEngines();

    // Every length up to a few hundred bytes (all the edges of 16-, 64- and 256-byte steps),
    // then random lengths up to 80000.
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 600; ++n) {
        lengths.push_back(n);
    }
    for (int i = 0; i < 40; ++i) {
        lengths.push_back(std::uniform_int_distribution<std::size_t>(600, 80000)(rng));
    }

    for (const std::size_t length : lengths) {
        const std::size_t start = std::uniform_int_distribution<std::size_t>(0, 63)(rng);
        const std::uint8_t* data = pool.data() + start;
        // One, two or up to five pieces with random cut points.
        std::vector<std::size_t> cuts = {0, length};
        const int pieces = std::uniform_int_distribution<int>(0, 4)(rng);
        for (int i = 0; i < pieces && length > 0; ++i) {
            cuts.push_back(std::uniform_int_distribution<std::size_t>(0, length)(rng));
        }
        std::sort(cuts.begin(), cuts.end());

        for (std::size_t v = 0; v < CrcVariantCount; ++v) {
            TCrc& engine = *engines[v];
            engine.Init();
            for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
                engine.Calc(pool.data(), static_cast<std::int64_t>(start + cuts[c]),
                            static_cast<std::int64_t>(cuts[c + 1] - cuts[c]));
            }
            const std::uint32_t expected = BitwiseCrc(CrcVariants[v], data, length);
            ASSERT_EQ(engine.Value(), expected) << CrcVariants[v].Entry << " length " << length << " start "
                                                << start << " pieces " << cuts.size() - 1;
        }
    }
}

TEST_P(CrcPathTest, KernelShiftEqualsFeedingZeroBytes) {
    std::mt19937 rng(99);
    const std::vector<std::uint8_t> zeros(5000, 0);
    for (const auto& engine : MakeCrcEngines()) {
        const TCrcKernel& kernel = engine->Width() == 16 ? static_cast<TCrc16&>(*engine).Kernel()
                                                         : static_cast<TCrc32&>(*engine).Kernel();
        for (const std::size_t count : {std::size_t{0}, std::size_t{1}, std::size_t{15}, std::size_t{64},
                                        std::size_t{1000}, std::size_t{4999}}) {
            // A register the kernel can hold: a 16-bit left register sits in the upper half.
            std::uint32_t reg = static_cast<std::uint32_t>(rng());
            if (engine->Width() == 16) {
                reg = kernel.Direction() == TCrcDirection::Left ? reg & 0xFFFF0000u : reg & 0xFFFFu;
            }
            EXPECT_EQ(kernel.Shift(reg, count), kernel.Update(reg, zeros.data(), count)) << count;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Available, CrcPathTest, ::testing::ValuesIn(AvailableCrcPaths()), PathName);

TEST(CrcKernelPaths, PortableAlwaysAvailableAndForcedBuildHasNoOther) {
    const auto paths = AvailableCrcPaths();
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.front(), TCrcPath::Portable);
    EXPECT_EQ(paths.back(), BestCrcPath());
#ifdef KELDA_FORCE_PORTABLE_CRC
    EXPECT_EQ(paths.size(), 1u);
#endif
}

TEST(CrcPoly, ArithmeticAgreesWithRepeatedMultiplicationByX) {
    const TGf2Poly polys[] = {{0x04C11DB7u, 32}, {0x1021u, 16}, {0x10210000u, 32}, {0x42F0E1EBA9EA3693u, 64}};
    for (const TGf2Poly p : polys) {
        std::uint64_t r = 1;
        for (std::uint64_t k = 0; k < 300; ++k) {
            ASSERT_EQ(XPowMod(k, p), r) << k;
            r = MulXMod(r, p);
        }
        EXPECT_EQ(MulMod(XPowMod(100, p), XPowMod(77, p), p), XPowMod(177, p));
        if ((p.Low & 1u) != 0) {
            EXPECT_EQ(MulMod(XInvPowMod(123, p), XPowMod(123, p), p), 1u);
        }
    }
    EXPECT_EQ(Reflect32(0x04C11DB7u), 0xEDB88320u);
    EXPECT_EQ(Reflect64(1), std::uint64_t{1} << 63);
}

TEST(CrcPoly, ProductAndStrippingOfX) {
    // (x + 1)(x + 1) = x^2 + 1
    EXPECT_EQ(Multiply({1, 1}, {1, 1}), (TGf2Poly{1, 2}));
    // (x^16 + x^12 + x^5 + 1)(x^16 + x^15 + x^2 + 1) has degree 32; times the 32-bit one, 64.
    const auto p32 = Multiply({0x1021, 16}, {0x8005, 16});
    ASSERT_TRUE(p32.has_value());
    EXPECT_EQ(p32->Degree, 32);
    const auto p64 = Multiply(*p32, {0x04C11DB7u, 32});
    ASSERT_TRUE(p64.has_value());
    EXPECT_EQ(p64->Degree, 64);
    EXPECT_EQ(p64->Low & 1u, 1u);
    EXPECT_FALSE(Multiply(*p64, {1, 1}).has_value());
    // x^16 (x^16 + x^12 + x^5 + 1) = x^32 + x^28 + x^21 + x^16
    EXPECT_EQ(StripX({0x10210000u, 32}), (TGf2Poly{0x1021, 16}));
    // Residues agree: x^k mod (a b) reduced mod a equals x^k mod a.
    for (std::uint64_t k : {40u, 1000u, 123456u}) {
        const std::uint64_t big = XPowMod(k, *p64);
        std::uint64_t reduced = 0;
        const TGf2Poly a{0x1021, 16};
        for (int i = 63; i >= 0; --i) {
            reduced = MulXMod(reduced, a) ^ ((big >> i) & 1u);
        }
        EXPECT_EQ(reduced, XPowMod(k, a)) << k;
    }
}

} // namespace
} // namespace kelda
