// SPDX-License-Identifier: MIT
// The check report: whether a file that starts like MacBinary really is one, which version, and
// what is wrong with it. It looks at the 128 header bytes and the file's size only, so it is cheap
// enough to run on every file of a folder tree.
//
//   const TCheckReport report = CheckMacBinary(header, fileSize);
//   report.Verdict            Sound, Damaged or NotMacBinary
//   report.Version            I, II, III (the claimed one for a damaged file; None when not MacBinary)
//   report.Findings           each with a stable Id, a severity and its text in both languages
//   report.VerdictLine(jp)    one line for a status bar or a listing
//
// The verdict follows from the findings alone: any finding of severity NotMacBinary makes the file
// "probably not MacBinary", else any of severity Damage makes it "damaged", else it is sound.
// Warnings and notes never change the verdict.
#pragma once

#include "macbinary/ForkLayout.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

enum class TCheckVerdict { Sound, Damaged, NotMacBinary };
enum class TMacBinaryVersion { None, I, II, III };
enum class TCheckSeverity { Info, Warning, Damage, NotMacBinary };

// How the file's size compares with what its header accounts for.
enum class TSizeFit {
    Padded,    // the last part padded to 128 bytes, as careful writers leave it
    Unpadded,  // complete, the last part without (all of) its padding
    Truncated, // the file ends before a fork or the comment does
    Trailing,  // bytes after the padded last part
};

struct TCheckFinding {
    std::string_view Id; // stable, for scripts: "crc-mismatch", "data-fork-cut", ...
    TCheckSeverity Severity = TCheckSeverity::Info;
    // The three-digit No. of the header field the finding is about; empty when it concerns the file.
    std::string_view Field;
    std::string English;
    std::string Japanese;
    const std::string& Text(bool japanese) const { return japanese ? Japanese : English; }
};

// The container a report judges: MacBinary, or BinHex 4.0 when the file holds a BinHex body.
enum class TCheckContainer { MacBinary, BinHex };

// One CRC of a BinHex part, as stored and as computed.
struct TPartCrc {
    std::string_view Id; // "header", "data", "resource"
    std::uint16_t Stored = 0;
    std::uint16_t Computed = 0;
    bool Ok() const { return Stored == Computed; }
};

struct TCheckReport {
    TCheckVerdict Verdict = TCheckVerdict::NotMacBinary;
    TMacBinaryVersion Version = TMacBinaryVersion::None;
    TCheckContainer Container = TCheckContainer::MacBinary;
    // BinHex: the CRC of each part decoded whole, in file order.
    std::vector<TPartCrc> PartCrcs;
    // The four bytes of the type and of the creator (FourCCText reads them).
    std::string Type;
    std::string Creator;

    // Bytes 124-125 as stored, and the CRC-16/XMODEM of bytes 0-123.
    std::uint16_t CrcStored = 0;
    std::uint16_t CrcComputed = 0;
    bool CrcOk = false;
    // When the two differ: the index (in CrcVariants) of another CRC variant over bytes 0-123 that
    // gives the stored value (a 32-bit one by its low 16 bits), as some writers used.
    std::optional<int> CrcOtherVariant;

    std::int64_t FileSize = 0;
    TForkLayout Layout;
    TSizeFit SizeFit = TSizeFit::Padded;
    // Bytes missing before the last part is complete (Truncated), or bytes after it (Trailing).
    std::int64_t MissingBytes = 0;
    std::int64_t TrailingBytes = 0;

    // The name as ReadHeaderName decodes it, the encoding it was read in and why, and its two
    // readings when its bytes are valid Shift-JIS that reads differently from Mac Roman (then both
    // are worth showing).
    std::string Name;
    std::string NameBytes; // the name's Mac bytes
    TMacEncoding NameEncoding = TMacEncoding::Roman;
    TMacNameReason NameReason = TMacNameReason::Ascii;
    std::string NameRoman;
    std::string NameJapanese;
    bool NameAmbiguous = false;

    std::vector<TCheckFinding> Findings;

    // "Sound MacBinary II", "Damaged MacBinary II: ...", "Probably not MacBinary: ..."; the reason
    // is the text of the first finding of the deciding severity.
    std::string VerdictLine(bool japanese) const;
    // The line's first part, without the reason: "Sound MacBinary II", "Damaged MacBinary II",
    // "Probably not MacBinary".
    std::string VerdictTitle(bool japanese) const;
    // The finding that line gives as the reason; nullptr for a sound file.
    const TCheckFinding* Reason() const;
    bool Has(std::string_view id) const;
};

// Checks a header read from a file of fileSize bytes. Never fails; any bytes give a report. The
// name is read as ReadHeaderName reads it with nameEncoding as the user's choice.
TCheckReport CheckMacBinary(const THeader& header, std::int64_t fileSize,
                            TMacEncoding nameEncoding = TMacEncoding::Auto);
// The report on a file too short to hold a header (fewer than 128 bytes): not MacBinary.
TCheckReport CheckTooShort(std::int64_t fileSize);
// The one check of an open file, for check and scan alike: its header (left zero when the file
// holds fewer than 128 bytes, judged by the bytes read rather than the size the system states) and
// its size, or length when given (a stream kept as its header alone). Throws the file layer's error
// when it cannot be read.
TCheckReport CheckOpenFile(const TFileStream& file, THeader& header,
                           TMacEncoding nameEncoding = TMacEncoding::Auto,
                           std::optional<std::int64_t> length = std::nullopt);

// The file name of a header as UTF-8: ReadHeaderName's text.
std::string HeaderName(const THeader& header, TMacEncoding forced = TMacEncoding::Auto);
// Sets the report's Name, NameEncoding and NameReason as ReadHeaderName reads the header's name
// with forced as the user's choice (the check page does when the choice changes).
void SetNameReading(TCheckReport& report, const THeader& header, TMacEncoding forced);

// Which version a MacBinary header claims, the one rule for every command and page: I when bytes
// 99-125 are all zero, else III with the "mBIN" signature or version byte 130, else II when the CRC
// holds (also by another CRC variant) or both version bytes say II or III; None otherwise. The log
// block's "FileType" line (FileTypeText) is the window's own coarser text from byte 122 alone.
TMacBinaryVersion MacBinaryVersionOf(const THeader& header);

// "I", "II", "III", or "" for None.
std::string_view VersionName(TMacBinaryVersion version);
// "sound", "damaged", "not-macbinary".
std::string_view VerdictId(TCheckVerdict verdict);
// "info", "warning", "damage", "not-macbinary".
std::string_view SeverityId(TCheckSeverity severity);
// The severity as a word for a reader, in either language.
std::string_view SeverityName(TCheckSeverity severity, bool japanese);

} // namespace kelda
