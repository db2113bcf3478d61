// SPDX-License-Identifier: MIT
// The header table: one tab-separated line of six fields per header field
// (No, Item, value, unit, the field's bytes in hexadecimal, "[HEX]"), all text UTF-8.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

using TField = std::span<const std::uint8_t>;

// A character field: the first c bytes of Field (at most all of them), cut before the first zero
// byte, decoded for display. Unit "[CHR]".
std::string ConvertChar(TField Field, std::string_view No, std::string_view Item, int c,
                        TMacEncoding encoding = TMacEncoding::Auto);
// Unsigned byte, unsigned big-endian 16-bit word, signed big-endian 32-bit integer. Unit "[DEC]".
std::string ConvertByte(TField Field, std::string_view No, std::string_view Item);
std::string ConvertWord(TField Field, std::string_view No, std::string_view Item);
std::string ConvertInteger(TField Field, std::string_view No, std::string_view Item);
// Seconds since 1904-01-01 00:00:00 as "yyyy/mm/dd hh:mm:ss". Unit "[Date]".
std::string ConvertDatetime(TField Field, std::string_view No, std::string_view Item);

// A date and time as a day count whose day 0 is 1899-12-30 plus the second of that day.
struct TDateTime {
    std::int64_t Days;
    std::int32_t Seconds; // 0 to 86399
    // The same as one number: days with the time of day as the fraction.
    double Value() const { return static_cast<double>(Days) + Seconds / 86400.0; }
    bool operator==(const TDateTime&) const = default;
};

// t seconds, less nine hours, after 1970-01-01 00:00:00; exact for every 64-bit t that the day
// count can hold (the division rounds toward minus infinity).
TDateTime time_tToDateTime(std::int64_t t);

// "yyyy/mm/dd hh:mm:ss" with the given separators.
std::string FormatDateTime(const TDateTime& dateTime, char dateSeparator = '/', char timeSeparator = ':');

// The date a header date field denotes: value seconds after 1904-01-01 00:00:00.
TDateTime MacDateToDateTime(std::uint32_t value);

// The header's name (HeaderNameBytes) decoded by the one decoder, ReadMacName: in forced when the
// user chose an encoding (not Auto), else in Japanese when the script byte says so (HeaderScriptIsJapanese),
// else in the reading JudgeMacText finds the more plausible; with the encoding and the reason.
TMacNameReading ReadHeaderName(const THeader& header, TMacEncoding forced = TMacEncoding::Auto);

// How the header's other texts (type, creator, resource names) are decoded: as its name is read,
// when the name has other than ASCII to go by; else by the script byte of a header with the "mBIN"
// signature (1 = Japanese, else MacRoman); otherwise each text's bytes decide (Auto).
TMacEncoding HeaderTextEncoding(const THeader& header);
// The same, unless the user has chosen an encoding (forced other than Auto), which then holds.
TMacEncoding HeaderTextEncoding(const THeader& header, TMacEncoding forced);

// How a text from the file (a name, a character field) is put into a line; kelda-cli makes its
// control bytes visible with it. Null: as it is.
using TShownText = std::string (*)(std::string_view text);

// The 28 lines of the header table, in field order: the name as ReadHeaderName reads it, the other
// character fields as HeaderTextEncoding says (forced as there), all decoded texts through shown.
std::vector<std::string> BuildHeaderTable(const THeader& header, TMacEncoding forced = TMacEncoding::Auto,
                                          TShownText shown = nullptr);

} // namespace kelda
