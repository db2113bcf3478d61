// SPDX-License-Identifier: MIT
#include "cli/TCliProgress.h"

#include "util/CellWidth.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <ostream>

namespace kelda {

namespace {

constexpr std::size_t kBarCells = 20;
// What a line takes besides its label: the bar, the percentage and the amount (" [...] 100%  " and
// "1234.5 / 1234.5 MiB" at the most). The label gets the rest of the terminal's width.
constexpr int kBesideLabel = 56;
constexpr int kLeastLabel = 12;

// The label as the terminal shows it: control characters escaped, then cut to its end within the
// cells the line leaves it.
std::string ShortLabel(const std::string& label, int columns) {
    return Utf8TailInCells(EscapeControls(label), std::max(kLeastLabel, columns - kBesideLabel));
}

} // namespace

TCliProgress::TCliProgress(std::ostream& err, bool draw, TProgressClock clock,
                           std::function<bool()> stopRequested, int columns)
    : err_(err), draw_(draw), clock_(std::move(clock)), stopRequested_(std::move(stopRequested)),
      columns_(columns) {}

std::string TCliProgress::BarText(const std::string& label, std::int64_t done, std::int64_t total,
                                  int columns) {
    if (total < 0) {
        // A stream of unknown length: how much has come so far.
        char amount[32];
        std::snprintf(amount, sizeof amount, "%.1f MiB", static_cast<double>(done) / (1024.0 * 1024.0));
        return ShortLabel(label, columns) + "  " + amount;
    }
    const int permille = ProgressPermille(done, total);
    const auto filled = static_cast<std::size_t>(permille) * kBarCells / 1000;
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", permille / 10);
    return ShortLabel(label, columns) + " [" + std::string(filled, '#') +
           std::string(kBarCells - filled, '-') + "] " + percent + "  " + ProgressAmountText(done, total);
}

void TCliProgress::Begin(const std::string& label) {
    End();
    label_ = std::filesystem::path(label).filename().string();
    throttle_.emplace(clock_);
}

bool TCliProgress::Update(std::int64_t done, std::int64_t total) {
    if (stopRequested_ && stopRequested_()) {
        return false;
    }
    if (!draw_ || !throttle_ || !throttle_->Due()) {
        return true;
    }
    const std::string line = BarText(label_, done, total, columns_);
    // Blanks over what is left of a longer line drawn before (counted in cells, as it was drawn).
    const auto cells = static_cast<std::size_t>(Utf8Cells(line));
    const std::size_t pad = drawnWidth_ > cells ? drawnWidth_ - cells : 0;
    err_ << '\r' << line << std::string(pad, ' ') << std::flush;
    drawnWidth_ = cells + pad;
    return true;
}

void TCliProgress::End() {
    if (drawnWidth_ > 0) {
        err_ << '\r' << std::string(drawnWidth_, ' ') << '\r' << std::flush;
        drawnWidth_ = 0;
    }
    throttle_.reset();
}

TCliProgress::TScope::TScope(TCliProgress* progress, const std::string& label) : progress_(progress) {
    if (progress_ != nullptr) {
        progress_->Begin(label);
    }
}

TCliProgress::TScope::~TScope() {
    if (progress_ != nullptr) {
        progress_->End();
    }
}

ProgressFn TCliProgress::TScope::Fn() const {
    if (progress_ == nullptr) {
        return {};
    }
    TCliProgress* progress = progress_;
    return [progress](std::int64_t done, std::int64_t total) { return progress->Update(done, total); };
}

} // namespace kelda
