// SPDX-License-Identifier: MIT
#include "macbinary/TCheckModel.h"

#include "macbinary/CheckReportText.h"

#include <cctype>

namespace kelda {

void TCheckModel::Show(const THeader& header, TCheckReport report) {
    header_ = header;
    report_ = std::move(report);
    SetField(field_ < 0 ? 0 : field_);
}

void TCheckModel::SetField(int index) {
    field_ = index >= 0 && index < static_cast<int>(HeaderFields.size()) ? index : -1;
}

TCheckReport TCheckModel::ShownReport() const {
    TCheckReport shown = report_.value();
    if (shown.Container == TCheckContainer::BinHex) {
        // A BinHex name has no MacBinary header to be read from: its own bytes, by the one rule.
        const TMacNameReading name = ReadMacName(shown.NameBytes, nameEncoding_);
        shown.Name = name.Text;
        shown.NameEncoding = name.Encoding;
        shown.NameReason = name.Reason;
        return shown;
    }
    SetNameReading(shown, header_, nameEncoding_);
    return shown;
}

std::vector<std::string> TCheckModel::Lines(bool japanese) const {
    if (!report_) {
        return {};
    }
    const TCheckReport shown = ShownReport();
    std::vector<std::string> lines = CheckReportLines(shown, japanese);
    // The layout against the log's ranges is MacBinary's: a BinHex body has no such ranges.
    if (shown.Verdict != TCheckVerdict::NotMacBinary && shown.Container == TCheckContainer::MacBinary) {
        lines.emplace_back();
        for (std::string& line : LayoutComparisonLines(header_, shown, japanese)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

int TCheckModel::FieldAt(int offset) {
    for (std::size_t i = 0; i < HeaderFields.size(); ++i) {
        if (offset >= HeaderFields[i].Offset && offset < HeaderFields[i].Offset + HeaderFields[i].Width) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int TCheckModel::FieldOffset() const {
    return field_ < 0 ? 0 : HeaderFields[static_cast<std::size_t>(field_)].Offset;
}

int TCheckModel::FieldWidth() const {
    return field_ < 0 ? 0 : HeaderFields[static_cast<std::size_t>(field_)].Width;
}

std::string TCheckModel::FieldLabel() const {
    if (field_ < 0) {
        return {};
    }
    const THeaderField& f = HeaderFields[static_cast<std::size_t>(field_)];
    std::string label = std::string(f.No) + "  ";
    bool blank = false;
    for (const char* c = f.Item; *c != '\0'; ++c) {
        if (std::isspace(static_cast<unsigned char>(*c)) != 0) {
            blank = true;
            continue;
        }
        if (blank && label.size() > std::string(f.No).size() + 2) {
            label += ' ';
        }
        blank = false;
        label += *c;
    }
    return label;
}

} // namespace kelda
