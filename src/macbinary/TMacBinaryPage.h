// SPDX-License-Identifier: MIT
// What the MacBinary page holds between events: the file it shows. That file is also the source of
// the three conversions, so that its header pieces, its body and its data fork length belong
// together; a file rejected later changes none of it.
#pragma once

#include "macbinary/TInspection.h"

#include <optional>
#include <string_view>

namespace kelda {

class TMacBinaryPage {
public:
    // Whether a file was accepted (the conversions need one).
    bool FileWasRead() const { return shown_.has_value(); }
    // The file shown; only while FileWasRead().
    const TInspection& Shown() const { return *shown_; }
    // An accepted reading replaces the file shown.
    void Show(TInspection inspection) { shown_ = std::move(inspection); }

    // The header as read and its MacBinary II form of the file shown; zeros before the first file.
    const THeader& FHeader() const { return shown_ ? shown_->Header : kNoHeader; }
    const THeader& FHeaderII() const { return shown_ ? shown_->HeaderII : kNoHeader; }
    // Its version text; empty before the first file.
    std::string_view FFileType() const {
        return shown_ ? std::string_view(shown_->FileType) : std::string_view();
    }

private:
    static constexpr THeader kNoHeader{};
    std::optional<TInspection> shown_;
};

} // namespace kelda
