// SPDX-License-Identifier: MIT
// What the check page holds between events: the header read last and the report on it, the name
// encoding chosen, and the header field highlighted. The page renders it (verdict, report lines,
// the header bytes with the field marked); every text is made here.
#pragma once

#include "macbinary/CheckReport.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"

#include <optional>
#include <string>
#include <vector>

namespace kelda {

class TCheckModel {
public:
    // A new report on header; the field highlighted stays (the first before any).
    void Show(const THeader& header, TCheckReport report);
    void SetNameEncoding(TMacEncoding encoding) { nameEncoding_ = encoding; }
    // Header field index (0-27, the row of the header table) highlighted; any other index, none.
    void SetField(int index);

    const THeader& Header() const { return header_; }
    // The report as read; empty before the first Show.
    const std::optional<TCheckReport>& Report() const { return report_; }
    // The report as shown: its name decoded in the chosen encoding. Only after a Show.
    TCheckReport ShownReport() const;
    // The report's lines, then (for a file taken for MacBinary) a blank line and the true layout
    // beside the log's ranges. Empty before the first Show.
    std::vector<std::string> Lines(bool japanese) const;

    // The field highlighted (-1 none), its bytes, and its label: "No.  Item" with the item's runs of
    // blanks made one.
    int Field() const { return field_; }
    // The header field (0-27) byte offset belongs to; -1 for none.
    static int FieldAt(int offset);
    int FieldOffset() const;
    int FieldWidth() const;
    std::string FieldLabel() const;

private:
    THeader header_{};
    std::optional<TCheckReport> report_;
    TMacEncoding nameEncoding_ = TMacEncoding::Auto;
    int field_ = -1;
};

} // namespace kelda
