// SPDX-License-Identifier: MIT
// What the MacBinary page holds between events: the file it shows and its header pieces, held while
// it is shown. That file is also the source of the three conversions, so that its header pieces, its
// body and its data fork length belong together; a file rejected later changes none of it.
#pragma once

#include "macbinary/HeaderPieces.h"
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
    // An accepted reading replaces the file shown; its pieces are held from now on and those of the
    // file shown before are let go.
    void Show(TInspection inspection, TPieceHold pieces = {}) {
        shown_ = std::move(inspection);
        pieces_ = std::move(pieces);
    }
    // Lets the pieces go (before they are deleted); the file stays shown.
    void ReleasePieces() { pieces_ = {}; }

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
    TPieceHold pieces_; // so that the clean-up of another window leaves them
};

} // namespace kelda
