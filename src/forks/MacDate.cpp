// SPDX-License-Identifier: MIT
#include "forks/MacDate.h"

#include "forks/AppleFormat.h"

#include <charconv>
#include <ctime>

namespace kelda {

namespace {

constexpr std::int64_t kMaxMacDate = 0xFFFFFFFF;

// Days from 1970-01-01 of a proleptic Gregorian date.
constexpr std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int DaysInMonth(std::int64_t y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : kDays[m - 1];
}

// Reads exactly `digits` decimal digits at text[at].
std::optional<int> Digits(std::string_view text, std::size_t at, std::size_t digits) {
    if (text.size() < at + digits) {
        return std::nullopt;
    }
    int value = 0;
    for (std::size_t i = at; i < at + digits; ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

} // namespace

std::optional<std::uint32_t> MacDateInRange(std::int64_t secondsSince1904) {
    if (secondsSince1904 < 0 || secondsSince1904 > kMaxMacDate) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(secondsSince1904);
}

std::int32_t MacDateToAppleDate(std::uint32_t macDate) {
    if (macDate == 0) {
        return kAppleDateUnknown;
    }
    const std::int64_t since2000 = static_cast<std::int64_t>(macDate) - kSeconds1904To2000;
    return since2000 <= kAppleDateUnknown ? kAppleDateUnknown : static_cast<std::int32_t>(since2000);
}

std::uint32_t AppleDateToMacDate(std::int32_t appleDate) {
    if (appleDate == kAppleDateUnknown) {
        return 0;
    }
    // A container's date MacBinary cannot hold is no date there, as an unknown one is.
    return MacDateInRange(static_cast<std::int64_t>(appleDate) + kSeconds1904To2000).value_or(0);
}

std::optional<std::uint32_t> MacDateFromCivil(std::int64_t year, int month, int day, int hour, int minute,
                                              int second) {
    if (year < 1904 || year > 2040) {
        return std::nullopt;
    }
    const std::int64_t days = DaysFromCivil(year, month, day) - DaysFromCivil(1904, 1, 1);
    return MacDateInRange(days * 86400 + hour * 3600 + minute * 60 + second);
}

std::optional<std::uint32_t> MacDateFromLocalUnixTime(std::int64_t unixTime) {
    const auto t = static_cast<std::time_t>(unixTime);
    std::tm local{};
#ifdef _WIN32
    if (::localtime_s(&local, &t) != 0) {
        return std::nullopt;
    }
#else
    if (::localtime_r(&t, &local) == nullptr) {
        return std::nullopt;
    }
#endif
    return MacDateFromCivil(std::int64_t{local.tm_year} + 1900, local.tm_mon + 1, local.tm_mday,
                            local.tm_hour, local.tm_min, local.tm_sec);
}

std::optional<std::uint32_t> MacDateFromUtcUnixTime(std::int64_t unixTime) {
    if (unixTime < -kSeconds1904To1970 || unixTime > kMaxMacDate) {
        return std::nullopt; // and no overflow in the sum below
    }
    return MacDateInRange(unixTime + kSeconds1904To1970);
}

std::int64_t LocalUnixTimeFromMacDate(std::uint32_t macDate) {
    const std::int64_t days = macDate / 86400 + DaysFromCivil(1904, 1, 1);
    const std::int64_t secs = macDate % 86400;
    // Civil date of `days` (days since 1970), then mktime reads it on the local clock.
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const std::int64_t y = yoe + era * 400 + (m <= 2 ? 1 : 0);
    std::tm local{};
    local.tm_year = static_cast<int>(y - 1900);
    local.tm_mon = m - 1;
    local.tm_mday = d;
    local.tm_hour = static_cast<int>(secs / 3600);
    local.tm_min = static_cast<int>(secs / 60 % 60);
    local.tm_sec = static_cast<int>(secs % 60);
    local.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&local));
}

std::optional<std::uint32_t> ParseMacDate(std::string_view text, bool* outOfRange) {
    if (outOfRange != nullptr) {
        *outOfRange = false;
    }
    const auto year = Digits(text, 0, 4);
    const auto month = Digits(text, 5, 2);
    const auto day = Digits(text, 8, 2);
    if (!year || !month || !day || text[4] != '-' || text[7] != '-' || *month < 1 || *month > 12 ||
        *day < 1 || *day > DaysInMonth(*year, *month)) {
        return std::nullopt;
    }
    int hour = 0, minute = 0, second = 0;
    if (text.size() > 10) {
        const auto h = Digits(text, 11, 2);
        const auto mi = Digits(text, 14, 2);
        if ((text[10] != 'T' && text[10] != ' ') || !h || !mi || text[13] != ':' || *h > 23 || *mi > 59) {
            return std::nullopt;
        }
        hour = *h;
        minute = *mi;
        if (text.size() > 16) {
            const auto s = Digits(text, 17, 2);
            if (text.size() != 19 || text[16] != ':' || !s || *s > 59) {
                return std::nullopt;
            }
            second = *s;
        } else if (text.size() != 16) {
            return std::nullopt;
        }
    }
    const std::optional<std::uint32_t> date = MacDateFromCivil(*year, *month, *day, hour, minute, second);
    if (!date && outOfRange != nullptr) {
        *outOfRange = true;
    }
    return date;
}

std::optional<std::int64_t> ParseSourceDateEpoch(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace kelda
