// SPDX-License-Identifier: MIT
#include "util/ProgressThrottle.h"

#include <algorithm>
#include <cstdio>

namespace kelda {

std::string ProgressAmountText(std::int64_t done, std::int64_t total) {
    constexpr double kMiB = 1024.0 * 1024.0;
    char text[64];
    std::snprintf(text, sizeof text, "%.1f / %.1f MiB", static_cast<double>(done) / kMiB,
                  static_cast<double>(total) / kMiB);
    return text;
}

int ProgressPermille(std::int64_t done, std::int64_t total) {
    if (total <= 0) {
        return 0;
    }
    // In floating point: done * 1000 could pass the range of 64 bits.
    const double share = std::clamp(static_cast<double>(done) / static_cast<double>(total), 0.0, 1.0);
    return static_cast<int>(share * 1000.0);
}

std::chrono::milliseconds SteadyClockNow() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now().time_since_epoch());
}

TProgressThrottle::TProgressThrottle(TProgressClock clock) : clock_(std::move(clock)) {
    start_ = Now();
}

std::chrono::milliseconds TProgressThrottle::Now() const {
    return clock_ ? clock_() : SteadyClockNow();
}

bool TProgressThrottle::Due() {
    const std::chrono::milliseconds now = Now();
    if (!started_) {
        if (now - start_ < kProgressDelay) {
            return false;
        }
        started_ = true;
    } else if (now - last_ < kProgressInterval) {
        return false;
    }
    last_ = now;
    return true;
}

} // namespace kelda
