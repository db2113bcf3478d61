// SPDX-License-Identifier: MIT
#include "macbinary/CheckReport.h"

#include "crc/CrcUtils.h"
#include "macbinary/HeaderTable.h"
#include "util/FillText.h"
#include "util/MacText.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>

namespace kelda {

namespace {

// Bytes 99 to 125 (comment length to the CRC's last byte) are zero in a MacBinary I header.
constexpr int kFirstMacBinaryIZero = kOffsetCommentLength;
constexpr int kLastMacBinaryIZero = kOffsetCrc + 1;
constexpr std::uint32_t kForkLengthLimit = 0x80000000u;
// Seconds from 1904-01-01 to 1984-01-01, when the first Macintosh came out.
constexpr std::uint32_t kMacDate1984 = 2524608000u;
// Transfers in 1 KiB blocks pad the file to a multiple of 1024; a MacBinary I file, which has no
// CRC to vouch for its header, may carry that much after its last part and no more.
constexpr std::int64_t kTransferBlock = 1024;

// What the header claims to be, before the rows look at the details.
enum class TKind {
    Verified, // the stored CRC is the CRC-16/XMODEM of bytes 0-123: MacBinary II or III
    OtherCrc, // the stored CRC is another variant's over the same bytes: II or III all the same
    ClaimsII, // version bytes of II/III, but the CRC does not match
    VersionI, // bytes 99-125 zero: MacBinary I, which has no CRC
    Unknown,  // neither
};

struct TInput {
    explicit TInput(const THeader& header) : H(header) {}
    const THeader& H;
    std::int64_t Size = 0;
    TForkLayout Layout;
    std::uint16_t Stored = 0;
    std::uint16_t Computed = 0;
    std::optional<int> Other;
    bool Signature = false;
    TKind Kind = TKind::Unknown;

    bool HasCrc() const { return Kind == TKind::Verified || Kind == TKind::OtherCrc; }
    bool ClaimsTwoOrThree() const { return HasCrc() || Kind == TKind::ClaimsII; }
    int NameLength() const { return std::min<int>(H[kOffsetNameLength], kMaxHeaderNameLength); }
    std::uint8_t NameByte(int i) const { return H[static_cast<std::size_t>(kOffsetName + i)]; }
};

using TArgs = std::array<std::string, 3>;
using TTest = std::optional<TArgs> (*)(const TInput&);

// One check: when Test gives arguments, a finding with the texts filled from them (%1 %2 %3).
struct TCheckRow {
    std::string_view Id;
    std::string_view Field;
    TCheckSeverity Severity;
    const char* English;
    const char* Japanese;
    TTest Test;
};

std::string Num(std::int64_t v) {
    return std::to_string(v);
}

std::string Hex2(std::uint8_t v) {
    return "0x" + HexValue(v, 8);
}

std::optional<TArgs> Args(std::string a = {}, std::string b = {}, std::string c = {}) {
    return TArgs{std::move(a), std::move(b), std::move(c)};
}

std::optional<TArgs> NonZeroByte(const TInput& in, int offset) {
    const std::uint8_t b = in.H[static_cast<std::size_t>(offset)];
    return b != 0 ? Args(Num(b)) : std::nullopt;
}

std::optional<TArgs> LengthOutOfRange(const TInput& in, int offset) {
    const std::uint32_t v = HeaderUInt32(in.H, offset);
    return v >= kForkLengthLimit ? Args(Num(v)) : std::nullopt;
}

std::optional<TArgs> PartCut(const TForkSpan& span) {
    return span.Missing() > 0 ? Args(Num(span.Missing()), Num(span.Length)) : std::nullopt;
}

bool Mb1Trailing(const TInput& in) {
    const std::int64_t allowed =
        (in.Layout.MinimalSize + kTransferBlock - 1) / kTransferBlock * kTransferBlock;
    return in.Size > std::max(allowed, in.Layout.PaddedSize);
}

// The rows in the order their findings are listed; the first finding of the deciding severity
// gives the verdict line its reason, so the most telling test of each severity comes first.
const TCheckRow kRows[] = {
    {"old-version-byte", "000", TCheckSeverity::NotMacBinary,
     "Byte 0 (the old version number) is %1; MacBinary needs 0.",
     "バイト 0 (旧バージョン番号) が %1 です。MacBinary では 0 です。",
     [](const TInput& in) { return NonZeroByte(in, 0); }},
    {"const1-nonzero", "074", TCheckSeverity::NotMacBinary, "Byte 74 is %1; MacBinary needs 0.",
     "バイト 74 が %1 です。MacBinary では 0 です。",
     [](const TInput& in) { return NonZeroByte(in, kOffsetConst1); }},
    {"name-length", "001", TCheckSeverity::NotMacBinary,
     "The name length (byte 1) is %1; a Macintosh name has 1 to 63 bytes.",
     "ファイル名の長さ (バイト 1) が %1 です。Macintosh の名前は 1～63 バイトです。",
     [](const TInput& in) {
         const int n = in.H[kOffsetNameLength];
         return n == 0 || n > kMaxHeaderNameLength ? Args(Num(n)) : std::nullopt;
     }},
    {"name-control-byte", "002", TCheckSeverity::NotMacBinary,
     "The name holds the control byte %1 at byte %2.", "ファイル名のバイト %2 に制御文字 %1 があります。",
     [](const TInput& in) -> std::optional<TArgs> {
         for (int i = 0; i < in.NameLength(); ++i) {
             const std::uint8_t b = in.NameByte(i);
             if (b < 0x20 || b == 0x7F) {
                 return Args(Hex2(b), Num(kOffsetName + i));
             }
         }
         return std::nullopt;
     }},
    {"const2-nonzero", "082", TCheckSeverity::NotMacBinary, "Byte 82 is %1; MacBinary needs 0.",
     "バイト 82 が %1 です。MacBinary では 0 です。", [](const TInput& in) { return NonZeroByte(in, 82); }},
    {"data-length-range", "083", TCheckSeverity::NotMacBinary, "The data fork length %1 is 2^31 or more.",
     "データフォークの長さ %1 が 2^31 以上です。",
     [](const TInput& in) { return LengthOutOfRange(in, kOffsetDataForkLength); }},
    {"resource-length-range", "087", TCheckSeverity::NotMacBinary,
     "The resource fork length %1 is 2^31 or more.", "リソースフォークの長さ %1 が 2^31 以上です。",
     [](const TInput& in) { return LengthOutOfRange(in, kOffsetResourceForkLength); }},
    {"neither-i-nor-crc", "099", TCheckSeverity::NotMacBinary,
     "Bytes 99 to 125 are not all zero, as in MacBinary I, and the header CRC does not match (stored %1, "
     "computed %2).",
     "バイト 99～125 が MacBinary I のようにすべて 0 ではなく、ヘッダー CRC も一致しません (格納値 "
     "%1、計算値 "
     "%2)。",
     [](const TInput& in) {
         return in.Kind == TKind::Unknown ? Args(HexValue(in.Stored, 16), HexValue(in.Computed, 16))
                                          : std::nullopt;
     }},
    {"crc-mismatch", "124", TCheckSeverity::Damage, "The header CRC does not match: stored %1, computed %2.",
     "ヘッダー CRC が一致しません: 格納値 %1、計算値 %2。",
     [](const TInput& in) {
         return in.Kind == TKind::ClaimsII ? Args(HexValue(in.Stored, 16), HexValue(in.Computed, 16))
                                           : std::nullopt;
     }},
    {"data-fork-cut", "083", TCheckSeverity::Damage,
     "The file ends inside the data fork: %1 of its %2 bytes are missing.",
     "ファイルがデータフォークの途中で終わっています: %2 バイトのうち %1 バイトが欠けています。",
     [](const TInput& in) { return PartCut(in.Layout.Data); }},
    {"resource-fork-cut", "087", TCheckSeverity::Damage,
     "The file ends before the resource fork does: %1 of its %2 bytes are missing.",
     "ファイルがリソースフォークの終わりより前で終わっています: %2 バイトのうち %1 バイトが欠けています。",
     [](const TInput& in) { return PartCut(in.Layout.Resource); }},
    {"trailing-bytes-mb1", "", TCheckSeverity::NotMacBinary,
     "The file has %1 bytes more than its MacBinary I header accounts for (%2 bytes), and no CRC vouches "
     "for the header.",
     "ファイルが MacBinary I ヘッダーの示す大きさ (%2 バイト) より %1 バイト長く、ヘッダーを保証する CRC "
     "もありません。",
     [](const TInput& in) {
         return in.Kind == TKind::VersionI && Mb1Trailing(in)
                    ? Args(Num(in.Size - in.Layout.PaddedSize), Num(in.Layout.PaddedSize))
                    : std::nullopt;
     }},
    {"crc-other-variant", "124", TCheckSeverity::Warning,
     "The stored CRC %1 is not CRC-16/XMODEM (%2) but \"%3\" over bytes 0 to 123: the writer used "
     "another CRC.",
     "格納された CRC %1 は CRC-16/XMODEM (%2) ではなく、バイト 0～123 "
     "の「%3」です。書いたプログラムが別の "
     "CRC を使っています。",
     [](const TInput& in) {
         return in.Kind == TKind::OtherCrc
                    ? Args(HexValue(in.Stored, 16), HexValue(in.Computed, 16),
                           std::string(CrcVariants[static_cast<std::size_t>(*in.Other)].Entry))
                    : std::nullopt;
     }},
    {"comment-cut", "099", TCheckSeverity::Warning,
     "The file ends before the Finder comment does: %1 of its %2 bytes are missing.",
     "ファイルが Finder コメントの終わりより前で終わっています: %2 バイトのうち %1 バイトが欠けています。",
     [](const TInput& in) { return PartCut(in.Layout.Comment); }},
    {"trailing-bytes", "", TCheckSeverity::Warning, "%1 bytes follow the last part; they belong to no fork.",
     "最後の部分の後に %1 バイトがあります。どのフォークにも属しません。",
     [](const TInput& in) {
         return in.Size > in.Layout.PaddedSize && !(in.Kind == TKind::VersionI && Mb1Trailing(in))
                    ? Args(Num(in.Size - in.Layout.PaddedSize))
                    : std::nullopt;
     }},
    {"reserved-nonzero", "108", TCheckSeverity::Warning, "Bytes 108 to 115 (reserved) are not all zero.",
     "バイト 108～115 (予約) がすべて 0 ではありません。",
     [](const TInput& in) -> std::optional<TArgs> {
         if (!in.ClaimsTwoOrThree()) {
             return std::nullopt; // in a MacBinary I header they are zero by definition of the kind
         }
         for (int i = 0; i < kReservedWidth; ++i) {
             if (in.H[static_cast<std::size_t>(kOffsetReserved + i)] != 0) {
                 return Args();
             }
         }
         return std::nullopt;
     }},
    {"version-byte", "122", TCheckSeverity::Warning,
     "Byte 122 (the writer's version) is %1; MacBinary II writes 129, III 130.",
     "バイト 122 (書いたプログラムのバージョン) が %1 です。MacBinary II は 129、III は 130 です。",
     [](const TInput& in) {
         const std::uint8_t v = in.H[kOffsetVersion];
         return in.HasCrc() && v != kVersionII && v != kVersionIII ? Args(Num(v)) : std::nullopt;
     }},
    {"min-version", "123", TCheckSeverity::Warning, "Byte 123 (the lowest reader version) is %1, not 129.",
     "バイト 123 (読むのに必要なバージョン) が 129 ではなく %1 です。",
     [](const TInput& in) {
         const std::uint8_t v = in.H[kOffsetMinVersion];
         return in.HasCrc() && v != kVersionII ? Args(Num(v)) : std::nullopt;
     }},
    {"name-colon", "002", TCheckSeverity::Warning,
     "The name holds a colon, which a Macintosh file name cannot hold.",
     "ファイル名にコロンがあります。Macintosh のファイル名には使えない文字です。",
     [](const TInput& in) -> std::optional<TArgs> {
         for (int i = 0; i < in.NameLength(); ++i) {
             if (in.NameByte(i) == ':') {
                 return Args();
             }
         }
         return std::nullopt;
     }},
    {"no-crc", "124", TCheckSeverity::Info,
     "MacBinary I: the header has no CRC; only its fields and the file's size vouch for it.",
     "MacBinary I: ヘッダーに CRC はありません。各フィールドとファイルの大きさだけが根拠です。",
     [](const TInput& in) { return in.Kind == TKind::VersionI ? Args() : std::nullopt; }},
    {"signature-unverified", "102", TCheckSeverity::Info,
     "The signature \"mBIN\" is not counted, since the header CRC does not match.",
     "ヘッダー CRC が一致しないため、署名「mBIN」は数えません。",
     [](const TInput& in) { return in.Signature && !in.HasCrc() ? Args() : std::nullopt; }},
    {"version-iii-says-129", "122", TCheckSeverity::Info,
     "The MacBinary III signature is present while byte 122 says 129, as several writers leave it.",
     "MacBinary III の署名がありますが、バイト 122 は 129 です (そう書くプログラムがあります)。",
     [](const TInput& in) {
         return in.HasCrc() && in.Signature && in.H[kOffsetVersion] == kVersionII ? Args() : std::nullopt;
     }},
    {"version-130-unsigned", "122", TCheckSeverity::Info,
     "Byte 122 says 130 (MacBinary III) but the signature \"mBIN\" is missing.",
     "バイト 122 は 130 (MacBinary III) ですが、署名「mBIN」がありません。",
     [](const TInput& in) {
         return in.HasCrc() && !in.Signature && in.H[kOffsetVersion] == kVersionIII ? Args() : std::nullopt;
     }},
    {"secondary-header", "120", TCheckSeverity::Info,
     "A secondary header of %1 bytes comes first; the data fork starts at byte %2.",
     "%1 バイトの副ヘッダーがあり、データフォークはバイト %2 から始まります。",
     [](const TInput& in) {
         return in.Layout.SecondaryHeaderLength > 0
                    ? Args(Num(in.Layout.SecondaryHeaderLength), Num(in.Layout.Data.Offset))
                    : std::nullopt;
     }},
    {"unpadded-last-part", "", TCheckSeverity::Info,
     "The last part is not padded to a multiple of 128 bytes, as many writers leave it; nothing is "
     "missing.",
     "最後の部分が 128 バイトの倍数まで埋められていません (多くのプログラムがそうします)。欠けてはいません。",
     [](const TInput& in) {
         return in.Size >= in.Layout.MinimalSize && in.Size < in.Layout.PaddedSize ? Args() : std::nullopt;
     }},
    {"created-before-1984", "091", TCheckSeverity::Info,
     "The creation date lies before 1984, before the first Macintosh.",
     "作成日が最初の Macintosh より前の 1984 年以前です。",
     [](const TInput& in) {
         const std::uint32_t v = HeaderUInt32(in.H, kOffsetCreated);
         return v != 0 && v < kMacDate1984 ? Args() : std::nullopt;
     }},
    {"modified-before-created", "095", TCheckSeverity::Info,
     "The modification date lies before the creation date.", "変更日が作成日より前です。",
     [](const TInput& in) {
         const std::uint32_t created = HeaderUInt32(in.H, kOffsetCreated);
         const std::uint32_t modified = HeaderUInt32(in.H, kOffsetModified);
         return created != 0 && modified != 0 && modified < created ? Args() : std::nullopt;
     }},
};

bool AllZero(const THeader& h, int first, int last) {
    return std::all_of(h.begin() + first, h.begin() + last + 1, [](std::uint8_t b) { return b == 0; });
}

// The first of the other eleven variants whose CRC of bytes 0-123 equals stored.
std::optional<int> OtherVariantGiving(const THeader& h, std::uint16_t stored) {
    // Each thread keeps its own engines: they hold a register and are built once.
    thread_local const std::vector<std::unique_ptr<TCrc>> engines = MakeCrcEngines();
    for (const TCrcVariant& variant : CrcVariants) {
        if (variant.Index == CrcHeaderVariant) {
            continue;
        }
        TCrc& engine = *engines[static_cast<std::size_t>(variant.Index)];
        engine.Init();
        engine.Calc(h.data(), 0, kCrcCoveredBytes);
        if (static_cast<std::uint16_t>(engine.Value() & 0xFFFFu) == stored) {
            return variant.Index;
        }
    }
    return std::nullopt;
}

TKind KindOf(const TInput& in) {
    const bool mb1Zeros = AllZero(in.H, kFirstMacBinaryIZero, kLastMacBinaryIZero);
    if (mb1Zeros) {
        return TKind::VersionI;
    }
    if (in.Stored == in.Computed) {
        return TKind::Verified;
    }
    if (in.Other) {
        return TKind::OtherCrc;
    }
    const auto plausible = [](std::uint8_t v) { return v == kVersionII || v == kVersionIII; };
    if (plausible(in.H[kOffsetVersion]) && plausible(in.H[kOffsetMinVersion])) {
        return TKind::ClaimsII;
    }
    return TKind::Unknown;
}

TMacBinaryVersion ClaimedVersion(const TInput& in) {
    switch (in.Kind) {
    case TKind::VersionI:
        return TMacBinaryVersion::I;
    case TKind::Verified:
    case TKind::OtherCrc:
    case TKind::ClaimsII:
        return in.Signature || in.H[kOffsetVersion] == kVersionIII ? TMacBinaryVersion::III
                                                                   : TMacBinaryVersion::II;
    case TKind::Unknown:
        break;
    }
    return TMacBinaryVersion::None;
}

void ReadName(const THeader& h, TMacEncoding forced, TCheckReport& report) {
    const std::string_view bytes = HeaderNameBytes(h);
    report.NameBytes = bytes;
    const auto code = [&h](int offset) {
        const auto c = HeaderFourCharCode(h, offset);
        return std::string(c.begin(), c.end());
    };
    report.Type = code(kOffsetType);
    report.Creator = code(kOffsetCreator);
    SetNameReading(report, h, forced);
    if (report.NameReason == TMacNameReason::Ascii) {
        report.NameRoman = report.Name;
        return;
    }
    report.NameRoman = ReadMacName(bytes, TMacEncoding::Roman).Text;
    if (IsValidCp932Text(bytes)) {
        report.NameJapanese = ReadMacName(bytes, TMacEncoding::Japanese).Text;
    }
    report.NameAmbiguous = !report.NameJapanese.empty() && report.NameJapanese != report.NameRoman;
}

const TCheckFinding* FirstOf(const std::vector<TCheckFinding>& findings, TCheckSeverity severity) {
    const auto it = std::find_if(findings.begin(), findings.end(),
                                 [&](const TCheckFinding& f) { return f.Severity == severity; });
    return it == findings.end() ? nullptr : &*it;
}

// The header as the rows read it.
void ReadInput(TInput& in, std::int64_t fileSize) {
    const THeader& header = in.H;
    in.Size = fileSize;
    in.Layout = ComputeForkLayout(header, fileSize);
    in.Stored = HeaderWord(header, kOffsetCrc);
    in.Computed = HeaderCrc(header);
    in.Signature = HasMacBinarySignature(header);
    if (in.Stored != in.Computed) {
        in.Other = OtherVariantGiving(header, in.Stored);
    }
    in.Kind = KindOf(in);
}

} // namespace

TMacBinaryVersion MacBinaryVersionOf(const THeader& header) {
    TInput in(header);
    ReadInput(in, kHeaderSize);
    return ClaimedVersion(in);
}

TCheckReport CheckMacBinary(const THeader& header, std::int64_t fileSize, TMacEncoding nameEncoding) {
    TInput in(header);
    ReadInput(in, fileSize);

    TCheckReport report;
    report.CrcStored = in.Stored;
    report.CrcComputed = in.Computed;
    report.CrcOk = in.Stored == in.Computed;
    report.CrcOtherVariant = in.Other;
    report.FileSize = fileSize;
    report.Layout = in.Layout;
    if (fileSize < in.Layout.MinimalSize) {
        report.SizeFit = TSizeFit::Truncated;
        report.MissingBytes = in.Layout.MinimalSize - fileSize;
    } else if (fileSize > in.Layout.PaddedSize) {
        report.SizeFit = TSizeFit::Trailing;
        report.TrailingBytes = fileSize - in.Layout.PaddedSize;
    } else {
        report.SizeFit = fileSize == in.Layout.PaddedSize ? TSizeFit::Padded : TSizeFit::Unpadded;
    }
    ReadName(header, nameEncoding, report);

    for (const TCheckRow& row : kRows) {
        if (const std::optional<TArgs> args = row.Test(in)) {
            report.Findings.push_back(TCheckFinding{
                row.Id, row.Severity, row.Field, FillText(row.English, std::span<const std::string>(*args)),
                FillText(row.Japanese, std::span<const std::string>(*args))});
        }
    }

    if (FirstOf(report.Findings, TCheckSeverity::NotMacBinary) != nullptr) {
        // A file that is something else is described by the reasons alone: what its "forks" or
        // "dates" would be says nothing.
        std::erase_if(report.Findings,
                      [](const TCheckFinding& f) { return f.Severity != TCheckSeverity::NotMacBinary; });
        report.Verdict = TCheckVerdict::NotMacBinary;
        report.Version = TMacBinaryVersion::None;
    } else {
        report.Verdict = FirstOf(report.Findings, TCheckSeverity::Damage) != nullptr ? TCheckVerdict::Damaged
                                                                                     : TCheckVerdict::Sound;
        report.Version = ClaimedVersion(in);
    }
    return report;
}

TCheckReport CheckOpenFile(const TFileStream& file, THeader& header, TMacEncoding nameEncoding,
                           std::optional<std::int64_t> length) {
    const std::int64_t size = length.value_or(file.Size());
    const std::size_t got = file.ReadAt(header.data(), kHeaderSize, 0);
    if (got < kHeaderSize) {
        header.fill(0);
        return CheckTooShort(static_cast<std::int64_t>(got));
    }
    return CheckMacBinary(header, size, nameEncoding);
}

TCheckReport CheckTooShort(std::int64_t fileSize) {
    TCheckReport report;
    report.FileSize = fileSize;
    report.SizeFit = TSizeFit::Truncated;
    report.MissingBytes = static_cast<std::int64_t>(kHeaderSize) - fileSize;
    const std::string size = std::to_string(fileSize);
    report.Findings.push_back(
        TCheckFinding{"too-short", TCheckSeverity::NotMacBinary, "",
                      "The file has " + size + " bytes, fewer than a 128-byte header.",
                      "ファイルは " + size + " バイトで、128 バイトのヘッダーより短いです。"});
    return report;
}

std::string TCheckReport::VerdictTitle(bool japanese) const {
    const std::string version(VersionName(Version));
    if (Container == TCheckContainer::BinHex) {
        return Verdict == TCheckVerdict::Sound ? (japanese ? "正常な BinHex 4.0" : "Sound BinHex 4.0")
                                               : (japanese ? "破損した BinHex 4.0" : "Damaged BinHex 4.0");
    }
    switch (Verdict) {
    case TCheckVerdict::Sound:
        return japanese ? "正常な MacBinary " + version : "Sound MacBinary " + version;
    case TCheckVerdict::Damaged:
        return (japanese ? "破損した MacBinary " : "Damaged MacBinary ") + version;
    case TCheckVerdict::NotMacBinary:
        break;
    }
    return japanese ? "MacBinary ではないようです" : "Probably not MacBinary";
}

std::string TCheckReport::VerdictLine(bool japanese) const {
    if (Verdict == TCheckVerdict::Sound) {
        return VerdictTitle(japanese);
    }
    const TCheckFinding* reason = Reason();
    return VerdictTitle(japanese) + ": " + (reason != nullptr ? reason->Text(japanese) : std::string());
}

const TCheckFinding* TCheckReport::Reason() const {
    switch (Verdict) {
    case TCheckVerdict::Sound:
        return nullptr;
    case TCheckVerdict::Damaged:
        return FirstOf(Findings, TCheckSeverity::Damage);
    case TCheckVerdict::NotMacBinary:
        break;
    }
    return FirstOf(Findings, TCheckSeverity::NotMacBinary);
}

bool TCheckReport::Has(std::string_view id) const {
    return std::any_of(Findings.begin(), Findings.end(), [&](const TCheckFinding& f) { return f.Id == id; });
}

std::string HeaderName(const THeader& header, TMacEncoding forced) {
    return ReadHeaderName(header, forced).Text;
}

void SetNameReading(TCheckReport& report, const THeader& header, TMacEncoding forced) {
    TMacNameReading reading = ReadHeaderName(header, forced);
    report.Name = std::move(reading.Text);
    report.NameEncoding = reading.Encoding;
    report.NameReason = reading.Reason;
}

std::string_view VersionName(TMacBinaryVersion version) {
    switch (version) {
    case TMacBinaryVersion::I:
        return "I";
    case TMacBinaryVersion::II:
        return "II";
    case TMacBinaryVersion::III:
        return "III";
    case TMacBinaryVersion::None:
        break;
    }
    return "";
}

std::string_view VerdictId(TCheckVerdict verdict) {
    switch (verdict) {
    case TCheckVerdict::Sound:
        return "sound";
    case TCheckVerdict::Damaged:
        return "damaged";
    case TCheckVerdict::NotMacBinary:
        break;
    }
    return "not-macbinary";
}

std::string_view SeverityId(TCheckSeverity severity) {
    constexpr std::array<std::string_view, 4> ids = {"info", "warning", "damage", "not-macbinary"};
    return ids[static_cast<std::size_t>(severity)];
}

std::string_view SeverityName(TCheckSeverity severity, bool japanese) {
    constexpr std::array<std::string_view, 4> english = {"Note", "Warning", "Damage", "Not MacBinary"};
    constexpr std::array<std::string_view, 4> japaneseNames = {"情報", "警告", "破損", "非 MacBinary"};
    return (japanese ? japaneseNames : english)[static_cast<std::size_t>(severity)];
}

} // namespace kelda
