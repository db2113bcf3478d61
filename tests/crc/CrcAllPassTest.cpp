// SPDX-License-Identifier: MIT
// "All" in one pass gives what each engine gives alone, on every path, for any split of the data.
#include "crc/CrcAllPass.h"
#include "crc/CrcUtils.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

namespace kelda {
namespace {

std::vector<std::uint32_t> Singles(std::span<const std::unique_ptr<TCrc>> engines, const std::uint8_t* data,
                                   std::size_t size) {
    std::vector<std::uint32_t> values;
    SetCrcPath(TCrcPath::Portable);
    for (const auto& engine : engines) {
        engine->Init();
        engine->Calc(data, 0, static_cast<std::int64_t>(size));
        values.push_back(engine->Value());
    }
    return values;
}

std::vector<std::uint32_t> AllPass(std::span<const std::unique_ptr<TCrc>> engines, TCrcPath path,
                                   const std::uint8_t* data, const std::vector<std::size_t>& cuts) {
    SetCrcPath(path);
    TCrcAllPass pass(engines);
    pass.Init();
    for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
        pass.Calc(data + cuts[c], cuts[c + 1] - cuts[c]);
    }
    pass.Finish();
    std::vector<std::uint32_t> values;
    for (const auto& engine : engines) {
        values.push_back(engine->Value());
    }
    return values;
}

class CrcAllPassTest : public ::testing::TestWithParam<TCrcPath> {
protected:
    void TearDown() override { SetCrcPath(std::nullopt); }
};

std::string PathName(const ::testing::TestParamInfo<TCrcPath>& info) {
    return CrcPathName(info.param);
}

TEST_P(CrcAllPassTest, TwelveVariantsInTwoPassesEqualTwelveSingleRuns) {
    const auto engines = MakeCrcEngines();
    EXPECT_EQ(TCrcAllPass(engines).PassCount(), 2u);

    std::mt19937 rng(4242u + static_cast<unsigned>(GetParam()));
    std::vector<std::uint8_t> pool(40000 + 64);
    for (auto& b : pool) {
        b = static_cast<std::uint8_t>(rng());
    }
    std::vector<std::size_t> lengths;
    for (std::size_t n = 0; n <= 300; ++n) {
        lengths.push_back(n);
    }
    for (int i = 0; i < 30; ++i) {
        lengths.push_back(std::uniform_int_distribution<std::size_t>(300, 40000)(rng));
    }
    for (const std::size_t length : lengths) {
        const std::uint8_t* data = pool.data() + std::uniform_int_distribution<std::size_t>(0, 63)(rng);
        std::vector<std::size_t> cuts = {0, length};
        const int extra = std::uniform_int_distribution<int>(0, 5)(rng);
        for (int i = 0; i < extra; ++i) {
            cuts.push_back(std::uniform_int_distribution<std::size_t>(0, length)(rng));
        }
        std::sort(cuts.begin(), cuts.end());
        const auto expected = Singles(engines, data, length);
        ASSERT_EQ(AllPass(engines, GetParam(), data, cuts), expected) << "length " << length;
    }
}

TEST_P(CrcAllPassTest, AnySetOfEnginesIncludingOnesThatCannotShareAPass) {
    // Four distinct 32-bit polynomials of one bit order: their product passes degree 64, so
    // those engines run one by one; the two others still share one pass.
    const std::uint8_t castagnoli[] = {0, 6, 8, 9, 10, 11, 13, 14, 18, 19, 20, 22, 23, 25, 26, 27, 28};
    const std::uint8_t koopman[] = {0, 1, 2, 4, 6, 7, 8, 10, 11, 14, 16, 19, 21, 26, 27, 28, 29, 30};
    const std::uint8_t small[] = {0, 1, 5};
    std::vector<std::unique_ptr<TCrc>> engines;
    engines.push_back(std::make_unique<TCrc32L>(PolyItuT32, true));
    engines.push_back(std::make_unique<TCrc32L>(castagnoli, false));
    engines.push_back(std::make_unique<TCrc32L>(koopman, true));
    engines.push_back(std::make_unique<TCrc16L>(PolyAscii16, true));
    engines.push_back(std::make_unique<TCrc32R>(castagnoli, true));
    engines.push_back(std::make_unique<TCrc16R>(small, false));
    EXPECT_EQ(TCrcAllPass(engines).PassCount(), 4u + 1u);

    std::mt19937 rng(7);
    std::vector<std::uint8_t> data(5000);
    for (auto& b : data) {
        b = static_cast<std::uint8_t>(rng());
    }
    for (const std::size_t length : {std::size_t{0}, std::size_t{5}, std::size_t{100}, std::size_t{5000}}) {
        const auto expected = Singles(engines, data.data(), length);
        EXPECT_EQ(AllPass(engines, GetParam(), data.data(), {0, length / 3, length}), expected) << length;
    }
    const std::vector<std::unique_ptr<TCrc>> none;
    TCrcAllPass empty(none);
    empty.Init();
    empty.Calc(data.data(), 10);
    empty.Finish();
    EXPECT_EQ(empty.PassCount(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Available, CrcAllPassTest, ::testing::ValuesIn(AvailableCrcPaths()), PathName);

} // namespace
} // namespace kelda
