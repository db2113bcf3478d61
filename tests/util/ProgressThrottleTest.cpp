// SPDX-License-Identifier: MIT
// When long work shows progress, driven by a fake clock; and the texts of the amount done.
#include "util/ProgressThrottle.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

namespace kelda {
namespace {

using std::chrono::milliseconds;

TEST(ProgressThrottle, QuietWhileYoungThenAtMostOncePerInterval) {
    // Each step: the clock's reading at a call of Due and the expected answer. The throttle reads
    // the clock once at its start (t = 1000).
    const struct {
        int at;
        bool due;
    } steps[] = {
        {1000, false}, {1200, false}, {1499, false}, // younger than the delay
        {1500, true},                                // the delay has passed: shown
        {1501, false}, {1549, false},                // within the interval
        {1550, true},  {1550, false},                // due again, then not twice at the same time
        {5000, true},  {5049, false}, {5100, true},
    };
    milliseconds now{1000};
    TProgressThrottle throttle([&] { return now; });
    EXPECT_FALSE(throttle.Started());
    for (const auto& step : steps) {
        now = milliseconds(step.at);
        EXPECT_EQ(throttle.Due(), step.due) << "at " << step.at;
        EXPECT_EQ(throttle.Started(), step.at >= 1500) << "at " << step.at;
    }
}

TEST(ProgressThrottle, ShortWorkIsNeverDue) {
    milliseconds now{0};
    TProgressThrottle throttle([&] { return now; });
    for (int i = 0; i < 1000; ++i) {
        now = milliseconds(i * 499 / 1000);
        ASSERT_FALSE(throttle.Due());
    }
    EXPECT_FALSE(throttle.Started());
}

TEST(ProgressAmount, PermilleAndText) {
    constexpr std::int64_t kMiB = 1024 * 1024;
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    const struct {
        std::int64_t done, total;
        int permille;
        const char* text;
    } cases[] = {
        {0, 0, 0, "0.0 / 0.0 MiB"}, // an empty file
        {5, 0, 0, "0.0 / 0.0 MiB"}, // a file that grew from empty
        {0, 2048 * kMiB, 0, "0.0 / 2048.0 MiB"},
        {512 * kMiB, 2048 * kMiB, 250, "512.0 / 2048.0 MiB"},
        {2048 * kMiB, 2048 * kMiB, 1000, "2048.0 / 2048.0 MiB"},
        {3 * kMiB, 2 * kMiB, 1000, "3.0 / 2.0 MiB"}, // bytes appended while read: never past the end
        {kMax / 2, kMax, 500, nullptr},              // no overflow on huge counts
        {-1, 10, 0, nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ProgressPermille(c.done, c.total), c.permille) << c.done << " / " << c.total;
        if (c.text != nullptr) {
            EXPECT_EQ(ProgressAmountText(c.done, c.total), c.text);
        }
    }
}

} // namespace
} // namespace kelda
