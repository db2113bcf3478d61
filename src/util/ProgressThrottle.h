// SPDX-License-Identifier: MIT
// When long work shows its progress: nothing while the work is young (short work shows nothing at
// all), then an update at most once per interval, so that a progress callback called for every block
// stays cheap. The clock is injectable so that tests can drive it without sleeping.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

namespace kelda {

// A monotonic clock: the time since some fixed point.
using TProgressClock = std::function<std::chrono::milliseconds()>;

// Work younger than this shows no progress.
inline constexpr std::chrono::milliseconds kProgressDelay{500};
// The least time between two progress updates.
inline constexpr std::chrono::milliseconds kProgressInterval{50};

// How far the work is, in MiB with one decimal: "512.0 / 2048.0 MiB".
std::string ProgressAmountText(std::int64_t done, std::int64_t total);
// done as a share of total in thousandths, 0 to 1000; 0 when total is 0 or less.
int ProgressPermille(std::int64_t done, std::int64_t total);

// The steady clock of the system.
std::chrono::milliseconds SteadyClockNow();

class TProgressThrottle {
public:
    // An empty clock means SteadyClockNow. The work is taken to begin now.
    explicit TProgressThrottle(TProgressClock clock = {});

    // Whether an update is due now: never before kProgressDelay has passed since the start, then
    // once, and after that again only when kProgressInterval has passed since the last one.
    bool Due();
    // Whether any update has been due, that is whether progress is on display.
    bool Started() const { return started_; }

private:
    std::chrono::milliseconds Now() const;

    TProgressClock clock_;
    std::chrono::milliseconds start_{};
    std::chrono::milliseconds last_{};
    bool started_ = false;
};

} // namespace kelda
