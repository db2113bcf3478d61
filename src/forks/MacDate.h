// SPDX-License-Identifier: MIT
// Dates between MacBinary (unsigned seconds since 1904-01-01, the Mac's local wall clock),
// AppleSingle/AppleDouble (signed seconds since 2000-01-01 UTC) and the local file system (Unix time).
//
// The one rule: a MacBinary or Finder date is a reading of the local clock of the zone KELDA runs in
// (TZ), as it was on the Mac that wrote it. Every conversion to an instant reads it in that zone: a
// file's modification time, and the UTC seconds of AppleSingle and AppleDouble. So every output of one
// file carries the same instant, and MacBinary -> AppleSingle/AppleDouble/extract -> encode gives back
// the header's dates in any zone (except the hour a change of daylight saving time repeats). Only
// SOURCE_DATE_EPOCH is read in UTC, so that a reproducible build gives the same bytes everywhere.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelda {

inline constexpr std::int64_t kSeconds1904To2000 = 3029529600;
inline constexpr std::int64_t kSeconds1904To1970 = 2082844800;

// The local clock's reading as the container's UTC seconds since 2000. 0 (no date) and dates before
// 1931-12-13 20:45:53 UTC, which the container cannot hold, give kAppleDateUnknown.
std::int32_t MacDateToAppleDate(std::uint32_t macDate);
// The container's instant as a reading of the local clock. kAppleDateUnknown and dates after
// 2040-02-06, which MacBinary cannot hold, give 0 (no date).
std::uint32_t AppleDateToMacDate(std::int32_t appleDate);

// The one range rule of the dates KELDA writes: seconds since 1904 that MacBinary's unsigned 32 bits
// hold (1904-01-01 00:00:00 to 2040-02-06 06:28:15); nullopt outside. The three sources of a date
// (--date, SOURCE_DATE_EPOCH, a file's modification time) are refused alike when they lie outside.
std::optional<std::uint32_t> MacDateInRange(std::int64_t secondsSince1904);
// Seconds since 1904 of a wall-clock reading; nullopt when it lies outside what MacBinary can hold.
std::optional<std::uint32_t> MacDateFromCivil(std::int64_t year, int month, int day, int hour, int minute,
                                              int second);
// A date HFS+ keeps in UTC (seconds since 1904, as its catalog records and most of its volume header
// do) as the local clock's reading, the form every other Mac date takes here; 0 stays no date, and a
// reading MacBinary cannot hold becomes 0 too.
std::uint32_t MacDateFromUtcMacDate(std::uint32_t utcSince1904);
// Unix time read on the local clock (a file's modification time).
std::optional<std::uint32_t> MacDateFromLocalUnixTime(std::int64_t unixTime);
// Unix time read in UTC: SOURCE_DATE_EPOCH, so that a build gives the same bytes in every zone.
std::optional<std::uint32_t> MacDateFromUtcUnixTime(std::int64_t unixTime);
// The Unix time at which the local clock shows the Mac date (to set a file's modification time).
std::int64_t LocalUnixTimeFromMacDate(std::uint32_t macDate);

// "YYYY-MM-DD", "YYYY-MM-DDTHH:MM" or "YYYY-MM-DDTHH:MM:SS" ("T" or a blank), read as the Mac's
// wall clock; nullopt when the text is no such date or MacBinary cannot hold it (MacDateInRange).
// outOfRange, when given, tells the two apart: true for a well-formed date outside that range.
std::optional<std::uint32_t> ParseMacDate(std::string_view text, bool* outOfRange = nullptr);
// SOURCE_DATE_EPOCH's value: decimal digits only; nullopt otherwise.
std::optional<std::int64_t> ParseSourceDateEpoch(std::string_view text);
// The one reading of SOURCE_DATE_EPOCH, for the window and kelda-cli: nullopt when it is unset or
// empty; the error of the language tables (EBilingualError) when it is no number of seconds or a
// date MacBinary cannot hold (after 2040-02-06), rather than a date silently dropped.
std::optional<std::int64_t> SourceDateEpochFromEnvironment();

} // namespace kelda
