// SPDX-License-Identifier: MIT
#include "macbinary/CheckReportText.h"

#include "crc/CrcUtils.h"
#include "util/MacText.h"
#include "util/VisibleText.h"

#include <cstdio>

namespace kelda {

namespace {

struct TLabel {
    const char* English;
    const char* Japanese;
};

// Each label is 15 cells wide in both languages (a Japanese character takes two), with a blank
// before its colon.
constexpr TLabel kVerdict = {"Verdict      : ", "判定         : "};
constexpr TLabel kCrc = {"Header CRC   : ", "ヘッダーCRC  : "};
constexpr TLabel kSize = {"File size    : ", "ファイル長   : "};
constexpr TLabel kData = {"Data fork    : ", "データ       : "};
constexpr TLabel kResource = {"Resource     : ", "リソース     : "};
constexpr TLabel kComment = {"Comment      : ", "コメント     : "};
constexpr TLabel kName = {"Name         : ", "ファイル名   : "};
constexpr TLabel kNameRoman = {"  Mac Roman  : ", "  Mac Roman  : "};
constexpr TLabel kNameJapanese = {"  Shift-JIS  : ", "  Shift-JIS  : "};
constexpr TLabel kNameRead = {"Read as      : ", "読み方       : "};
constexpr TLabel kCrcs = {"CRCs         : ", "CRC          : "};
constexpr TLabel kTypeCreator = {"Type/creator : ", "ﾀｲﾌﾟ/ｸﾘｴｰﾀ   : "};

std::string L(const TLabel& label, bool japanese) {
    return japanese ? label.Japanese : label.English;
}

void AppendFindingLines(const TCheckReport& r, bool japanese, std::vector<std::string>& lines) {
    for (const TCheckFinding& f : r.Findings) {
        std::string line = "[" + std::string(SeverityName(f.Severity, japanese)) + "] ";
        if (!f.Field.empty()) {
            line += std::string(f.Field) + ": ";
        }
        lines.push_back(line + f.Text(japanese));
    }
}

std::string CrcLine(const TCheckReport& r, bool japanese) {
    std::string line = (japanese ? "格納値 " : "stored ") + HexValue(r.CrcStored, 16) +
                       (japanese ? "、計算値 " : ", computed ") + HexValue(r.CrcComputed, 16) +
                       (japanese ? "、" : ", ");
    if (r.CrcOk) {
        return line + (japanese ? "一致" : "match");
    }
    line += japanese ? "不一致" : "no match";
    if (r.CrcOtherVariant) {
        line += std::string(japanese ? " (格納値は " : " (the stored value is ") +
                std::string(CrcVariants[static_cast<std::size_t>(*r.CrcOtherVariant)].Entry) +
                (japanese ? " の値)" : ")");
    }
    return line;
}

std::string SizeLine(const TCheckReport& r, bool japanese) {
    const std::string size = std::to_string(r.FileSize);
    const std::string minimal = std::to_string(r.Layout.MinimalSize);
    const std::string padded = std::to_string(r.Layout.PaddedSize);
    if (r.Verdict == TCheckVerdict::NotMacBinary) {
        return size + (japanese ? " バイト" : " bytes");
    }
    switch (r.SizeFit) {
    case TSizeFit::Padded:
        return size + (japanese ? " バイト、最後の部分まで 128 バイト単位で埋めてあり完全"
                                : " bytes, complete, padded to 128-byte blocks");
    case TSizeFit::Unpadded:
        return size + (japanese ? " バイト、完全 (最後の部分は埋められていない; 埋めると " + padded + ")"
                                : " bytes, complete (the last part unpadded; padded: " + padded + ")");
    case TSizeFit::Truncated:
        return size + (japanese ? " バイト、" + minimal + " バイト必要で " + std::to_string(r.MissingBytes) +
                                      " バイト不足"
                                : " bytes, " + std::to_string(r.MissingBytes) + " fewer than the " + minimal +
                                      " the header needs");
    case TSizeFit::Trailing:
        break;
    }
    return size + (japanese ? " バイト、" + padded + " バイトの後に " + std::to_string(r.TrailingBytes) +
                                  " バイト余分"
                            : " bytes, " + std::to_string(r.TrailingBytes) + " more than the " + padded +
                                  " the header accounts for");
}

} // namespace

std::string ForkSpanText(const TForkSpan& span, bool japanese, bool withOffset) {
    std::string text =
        withOffset ? (japanese ? "位置 " : "offset ") + std::to_string(span.Offset) + (japanese ? "、" : ", ")
                   : std::string();
    text += std::to_string(span.Length) + (japanese ? " バイト、" : " bytes, ");
    if (span.Complete()) {
        return text + (japanese ? "完全" : "complete");
    }
    return text + (japanese ? std::to_string(span.Present) + " バイトのみ、" +
                                  std::to_string(span.Missing()) + " バイト不足"
                            : std::to_string(span.Present) + " present, " + std::to_string(span.Missing()) +
                                  " missing");
}

std::vector<std::string> LayoutComparisonLines(const THeader& header, const TCheckReport& r, bool japanese) {
    const TFileLayout log = ComputeLayout(header, r.FileSize);
    const auto range = [](std::int64_t start, std::int64_t end) {
        char text[64];
        std::snprintf(text, sizeof text, "%10lld - %10lld", static_cast<long long>(start),
                      static_cast<long long>(end));
        return std::string(text);
    };
    struct TRow {
        const TLabel* Label;
        TByteRange Log;
        const TForkSpan* Span;
    };
    const TRow rows[] = {{&kData, log.DataFork, &r.Layout.Data},
                         {&kResource, log.ResourceFork, &r.Layout.Resource},
                         {&kComment, log.Comment, &r.Layout.Comment}};
    std::vector<std::string> lines;
    lines.push_back(japanese ? "               ログの範囲 (詰めた配置)      実際の位置"
                             : "               Log range (back to back)     Actual position");
    for (const TRow& row : rows) {
        // The comment's log range runs to the end of the file, whatever the header says.
        const std::int64_t end = row.Span->Offset + row.Span->Length - 1;
        lines.push_back(L(*row.Label, japanese) + range(row.Log.Start, row.Log.End) + "    " +
                        range(row.Span->Offset, end) + " (" + ForkSpanText(*row.Span, japanese, false) + ")");
    }
    return lines;
}

// A BinHex file's CRCs: "header 1a2b match, data 3c4d match, resource 0000 no match (stored 1234)".
std::string PartCrcLine(const TCheckReport& r, bool japanese) {
    std::string line;
    for (const TPartCrc& crc : r.PartCrcs) {
        if (!line.empty()) {
            line += japanese ? "、" : ", ";
        }
        const std::string_view part = crc.Id == "header" ? (japanese ? "ヘッダー" : "header")
                                      : crc.Id == "data" ? (japanese ? "データ" : "data")
                                                         : (japanese ? "リソース" : "resource");
        line += std::string(part) + " " + HexValue(crc.Computed, 16);
        if (crc.Ok()) {
            line += japanese ? " 一致" : " match";
        } else {
            line += (japanese ? " 不一致 (格納値 " : " no match (stored ") + HexValue(crc.Stored, 16) + ")";
        }
    }
    return line.empty() ? std::string(japanese ? "なし" : "none") : line;
}

namespace {

std::string TypeCreatorLine(const TCheckReport& r, bool japanese) {
    return L(kTypeCreator, japanese) + FourCCText(r.Type) + " / " + FourCCText(r.Creator);
}

} // namespace

std::vector<std::string> BinHexReportLines(const TCheckReport& r, bool japanese) {
    std::vector<std::string> lines;
    lines.push_back(L(kVerdict, japanese) + r.VerdictLine(japanese));
    lines.push_back(L(kCrcs, japanese) + PartCrcLine(r, japanese));
    lines.push_back(L(kSize, japanese) + std::to_string(r.FileSize) + (japanese ? " バイト" : " bytes"));
    if (!r.Name.empty()) {
        lines.push_back(L(kData, japanese) + ForkSpanText(r.Layout.Data, japanese, false));
        lines.push_back(L(kResource, japanese) + ForkSpanText(r.Layout.Resource, japanese, false));
        lines.push_back(L(kName, japanese) + r.Name);
        lines.push_back(TypeCreatorLine(r, japanese));
    }
    return lines;
}

std::vector<std::string> CheckReportLines(const TCheckReport& r, bool japanese) {
    std::vector<std::string> lines;
    if (r.Container == TCheckContainer::BinHex) {
        lines = BinHexReportLines(r, japanese);
        AppendFindingLines(r, japanese, lines);
        return lines;
    }
    lines.push_back(L(kVerdict, japanese) + r.VerdictLine(japanese));
    lines.push_back(L(kCrc, japanese) + CrcLine(r, japanese));
    lines.push_back(L(kSize, japanese) + SizeLine(r, japanese));
    if (r.Verdict != TCheckVerdict::NotMacBinary) {
        lines.push_back(L(kData, japanese) + ForkSpanText(r.Layout.Data, japanese));
        lines.push_back(L(kResource, japanese) + ForkSpanText(r.Layout.Resource, japanese));
        if (r.Layout.Comment.Length > 0) {
            lines.push_back(L(kComment, japanese) + ForkSpanText(r.Layout.Comment, japanese));
        }
        lines.push_back(L(kName, japanese) + r.Name);
        if (r.NameReason != TMacNameReason::Ascii) {
            lines.push_back(L(kNameRead, japanese) + std::string(MacEncodingName(r.NameEncoding, japanese)) +
                            " (" + std::string(MacNameReasonText(r.NameReason, japanese)) + ")");
        }
        if (r.NameAmbiguous) {
            lines.push_back(L(kNameRoman, japanese) + r.NameRoman);
            lines.push_back(L(kNameJapanese, japanese) + r.NameJapanese);
        }
        lines.push_back(TypeCreatorLine(r, japanese));
    }
    AppendFindingLines(r, japanese, lines);
    return lines;
}

} // namespace kelda
