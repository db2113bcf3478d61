// SPDX-License-Identifier: MIT
// The progress of kelda-cli's long work: a bar on the error stream ("name [#####-----]  45%
// 921.5 / 2048.0 MiB"), drawn only when that stream is a terminal and the work has run longer than
// kProgressDelay, and cleared when the work ends, so that scripts and logs see no trace of it. The
// callback also ends the work when the user has asked to stop (Ctrl-C), so that the work can remove
// its partial output on the way out.
#pragma once

#include "cli/CliInterrupt.h"
#include "util/Progress.h"
#include "util/ProgressThrottle.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

namespace kelda {

// A terminal's width when it does not say.
inline constexpr int kCliColumns = 80;

class TCliProgress {
public:
    // err: where the bar goes; draw: whether err is a terminal (without it nothing is ever
    // written); stopRequested: asked at every step, true ends the work with ECancelled; columns:
    // the terminal's width, which the line stays within.
    TCliProgress(std::ostream& err, bool draw, TProgressClock clock = {},
                 std::function<bool()> stopRequested = {}, int columns = kCliColumns);

    // One piece of work on the bar: its callback, and the bar cleared when it ends.
    class TScope {
    public:
        // progress may be null: then the callback is empty and nothing happens.
        TScope(TCliProgress* progress, const std::string& label);
        ~TScope();
        TScope(const TScope&) = delete;
        TScope& operator=(const TScope&) = delete;

        ProgressFn Fn() const;

    private:
        TCliProgress* progress_;
        TCliInterruptible interruptible_;
    };

    // Whether anything is drawn (the error stream is a terminal).
    bool Draws() const { return draw_; }

    // The bar's line for label and the amount done (no carriage return, no padding), within
    // columns: the label is escaped and cut to its end by the cells its characters take.
    static std::string BarText(const std::string& label, std::int64_t done, std::int64_t total,
                               int columns = kCliColumns);

private:
    void Begin(const std::string& label);
    bool Update(std::int64_t done, std::int64_t total);
    void End();

    std::ostream& err_;
    bool draw_;
    TProgressClock clock_;
    std::function<bool()> stopRequested_;
    int columns_;
    std::optional<TProgressThrottle> throttle_;
    std::string label_;
    std::size_t drawnWidth_ = 0; // the length of the line on screen, 0 when none is
};

} // namespace kelda
