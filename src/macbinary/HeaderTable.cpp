// SPDX-License-Identifier: MIT
#include "macbinary/HeaderTable.h"

#include "util/BigEndian.h"
#include "util/MacCalendar.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <cstdio>

namespace kelda {

namespace {

constexpr char kTab = '\t';

// Difference between the 1904 epoch and the value handed to time_tToDateTime.
constexpr std::int64_t kMacEpochToTimeT = 2081376000LL + 1436400LL;
constexpr std::int64_t kTimeZoneSeconds = 32400; // nine hours
constexpr std::int64_t kDaysTo1970 = 25569;      // 1899-12-30 to 1970-01-01
constexpr std::int64_t kSecondsPerDay = 86400;

std::string FieldHex(TField field) {
    return HexBytes(std::string_view(reinterpret_cast<const char*>(field.data()), field.size()), ' ');
}

std::string Line(std::string_view No, std::string_view Item, std::string_view value, std::string_view unit,
                 TField field) {
    std::string line;
    line.reserve(No.size() + Item.size() + value.size() + unit.size() + field.size() * 3 + 12);
    line.append(No).append(1, kTab).append(Item).append(1, kTab).append(value).append(1, kTab);
    line.append(unit).append(1, kTab).append(FieldHex(field)).append(1, kTab).append("[HEX]");
    return line;
}

std::uint32_t BigEndian(TField field, std::size_t bytes) {
    switch (std::min(bytes, field.size())) {
    case 1:
        return field[0];
    case 2:
        return GetBig16(field.data());
    case 3:
        return GetBig24(field.data());
    case 4:
        return GetBig32(field.data());
    default:
        return 0;
    }
}

} // namespace

namespace {

std::string CharLine(TField Field, std::string_view No, std::string_view Item, int c, TMacEncoding encoding,
                     TShownText shown) {
    const std::size_t count = c <= 0 ? 0 : std::min(Field.size(), static_cast<std::size_t>(c));
    std::string_view bytes(reinterpret_cast<const char*>(Field.data()), count);
    bytes = bytes.substr(0, bytes.find('\0'));
    const std::string value = MacTextToUtf8(bytes, encoding);
    return Line(No, Item, shown != nullptr ? shown(value) : value, "[CHR]", Field);
}

// The name's line: the same shape, the text from the one name decoder.
std::string NameLine(const THeader& header, const THeaderField& f, TMacEncoding forced, TShownText shown) {
    const std::string value = ReadHeaderName(header, forced).Text;
    return Line(f.No, f.Item, shown != nullptr ? shown(value) : value, "[CHR]",
                TField(header.data() + f.Offset, static_cast<std::size_t>(f.Width)));
}

} // namespace

std::string ConvertChar(TField Field, std::string_view No, std::string_view Item, int c,
                        TMacEncoding encoding) {
    return CharLine(Field, No, Item, c, encoding, nullptr);
}

std::string ConvertByte(TField Field, std::string_view No, std::string_view Item) {
    return Line(No, Item, std::to_string(BigEndian(Field, 1)), "[DEC]", Field);
}

std::string ConvertWord(TField Field, std::string_view No, std::string_view Item) {
    return Line(No, Item, std::to_string(BigEndian(Field, 2)), "[DEC]", Field);
}

std::string ConvertInteger(TField Field, std::string_view No, std::string_view Item) {
    const auto value = static_cast<std::int32_t>(BigEndian(Field, 4));
    return Line(No, Item, std::to_string(value), "[DEC]", Field);
}

std::string ConvertDatetime(TField Field, std::string_view No, std::string_view Item) {
    return Line(No, Item, FormatDateTime(MacDateToDateTime(BigEndian(Field, 4))), "[Date]", Field);
}

TDateTime time_tToDateTime(std::int64_t t) {
    const std::int64_t local = t - kTimeZoneSeconds;
    const std::int64_t days = FloorDiv(local, kSecondsPerDay);
    return TDateTime{kDaysTo1970 + days, static_cast<std::int32_t>(local - days * kSecondsPerDay)};
}

TDateTime MacDateToDateTime(std::uint32_t value) {
    return time_tToDateTime(static_cast<std::int64_t>(value) - kMacEpochToTimeT);
}

std::string FormatDateTime(const TDateTime& dateTime, char dateSeparator, char timeSeparator) {
    const TCivilDate date = CivilFromDays(dateTime.Days - kDaysTo1970);
    const int h = dateTime.Seconds / 3600;
    const int m = dateTime.Seconds / 60 % 60;
    const int s = dateTime.Seconds % 60;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04lld%c%02d%c%02d %02d%c%02d%c%02d",
                  static_cast<long long>(date.Year), dateSeparator, date.Month, dateSeparator, date.Day, h,
                  timeSeparator, m, timeSeparator, s);
    return buffer;
}

TMacNameReading ReadHeaderName(const THeader& header, TMacEncoding forced) {
    return ReadMacName(HeaderNameBytes(header), forced, HeaderScriptIsJapanese(header));
}

TMacEncoding HeaderTextEncoding(const THeader& header) {
    const TMacNameReading name = ReadHeaderName(header);
    if (name.Reason != TMacNameReason::Ascii) {
        return name.Encoding;
    }
    if (!HasMacBinarySignature(header)) {
        return TMacEncoding::Auto;
    }
    return header[kOffsetScript] == 1 ? TMacEncoding::Japanese : TMacEncoding::Roman;
}

TMacEncoding HeaderTextEncoding(const THeader& header, TMacEncoding forced) {
    return forced == TMacEncoding::Auto ? HeaderTextEncoding(header) : forced;
}

std::vector<std::string> BuildHeaderTable(const THeader& header, TMacEncoding forced, TShownText shown) {
    const TMacEncoding encoding = HeaderTextEncoding(header, forced);
    std::vector<std::string> lines;
    lines.reserve(HeaderFields.size());
    for (const THeaderField& f : HeaderFields) {
        const TField field(header.data() + f.Offset, static_cast<std::size_t>(f.Width));
        switch (f.Kind) {
        case TFieldKind::Char:
            if (f.CharCount == kCountFromNameLength) {
                lines.push_back(NameLine(header, f, forced, shown));
            } else {
                lines.push_back(CharLine(field, f.No, f.Item, f.CharCount, encoding, shown));
            }
            break;
        case TFieldKind::Byte:
            lines.push_back(ConvertByte(field, f.No, f.Item));
            break;
        case TFieldKind::Word:
            lines.push_back(ConvertWord(field, f.No, f.Item));
            break;
        case TFieldKind::Integer:
            lines.push_back(ConvertInteger(field, f.No, f.Item));
            break;
        case TFieldKind::Date:
            lines.push_back(ConvertDatetime(field, f.No, f.Item));
            break;
        }
    }
    return lines;
}

} // namespace kelda
