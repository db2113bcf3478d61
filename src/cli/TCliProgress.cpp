// SPDX-License-Identifier: MIT
#include "cli/TCliProgress.h"

#include <cstdio>
#include <filesystem>
#include <ostream>

namespace kelda {

namespace {

constexpr std::size_t kBarCells = 20;
// The label is cut so that the whole line stays within 80 columns.
constexpr std::size_t kLabelBytes = 24;

// The end of label, at most kLabelBytes long, cut at a character boundary of UTF-8.
std::string ShortLabel(const std::string& label) {
    if (label.size() <= kLabelBytes) {
        return label;
    }
    std::size_t from = label.size() - (kLabelBytes - 3);
    while (from < label.size() && (static_cast<unsigned char>(label[from]) & 0xC0) == 0x80) {
        ++from;
    }
    return "..." + label.substr(from);
}

} // namespace

TCliProgress::TCliProgress(std::ostream& err, bool draw, TProgressClock clock,
                           std::function<bool()> stopRequested)
    : err_(err), draw_(draw), clock_(std::move(clock)), stopRequested_(std::move(stopRequested)) {}

std::string TCliProgress::BarText(const std::string& label, std::int64_t done, std::int64_t total) {
    if (total < 0) {
        // A stream of unknown length: how much has come so far.
        char amount[32];
        std::snprintf(amount, sizeof amount, "%.1f MiB", static_cast<double>(done) / (1024.0 * 1024.0));
        return ShortLabel(label) + "  " + amount;
    }
    const int permille = ProgressPermille(done, total);
    const auto filled = static_cast<std::size_t>(permille) * kBarCells / 1000;
    char percent[16];
    std::snprintf(percent, sizeof percent, "%3d%%", permille / 10);
    return ShortLabel(label) + " [" + std::string(filled, '#') + std::string(kBarCells - filled, '-') + "] " +
           percent + "  " + ProgressAmountText(done, total);
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
    const std::string line = BarText(label_, done, total);
    // Blanks over what is left of a longer line drawn before.
    const std::size_t pad = drawnWidth_ > line.size() ? drawnWidth_ - line.size() : 0;
    err_ << '\r' << line << std::string(pad, ' ') << std::flush;
    drawnWidth_ = line.size() + pad;
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
