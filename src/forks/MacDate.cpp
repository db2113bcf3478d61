// SPDX-License-Identifier: MIT
#include "forks/MacDate.h"

#include "forks/AppleFormat.h"
#include "forks/ForkErrors.h"
#include "util/MacCalendar.h"

#include <charconv>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <ctime>

namespace kelda {

namespace {

constexpr std::int64_t kMaxMacDate = 0xFFFFFFFF;
// 2000-01-01 00:00:00 UTC, the container's epoch, as Unix time.
constexpr std::int64_t kUnixTime2000 = kSeconds1904To2000 - kSeconds1904To1970;

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
    const std::int64_t since2000 = LocalUnixTimeFromMacDate(macDate) - kUnixTime2000;
    return since2000 <= kAppleDateUnknown || since2000 > INT32_MAX ? kAppleDateUnknown
                                                                   : static_cast<std::int32_t>(since2000);
}

std::uint32_t AppleDateToMacDate(std::int32_t appleDate) {
    if (appleDate == kAppleDateUnknown) {
        return 0;
    }
    // A container's date MacBinary cannot hold is no date there, as an unknown one is.
    return MacDateFromLocalUnixTime(static_cast<std::int64_t>(appleDate) + kUnixTime2000).value_or(0);
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

std::uint32_t MacDateFromUtcMacDate(std::uint32_t utcSince1904) {
    if (utcSince1904 == 0) {
        return 0;
    }
    return MacDateFromLocalUnixTime(std::int64_t{utcSince1904} - kSeconds1904To1970).value_or(0);
}

std::int64_t LocalUnixTimeFromMacDate(std::uint32_t macDate) {
    const std::int64_t days = macDate / 86400 + DaysFromCivil(1904, 1, 1);
    const std::int64_t secs = macDate % 86400;
    // The wall-clock reading's civil date, which mktime then reads on the local clock.
    const TCivilDate date = CivilFromDays(days);
    std::tm local{};
    local.tm_year = static_cast<int>(date.Year - 1900);
    local.tm_mon = date.Month - 1;
    local.tm_mday = date.Day;
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

std::optional<std::int64_t> SourceDateEpochFromEnvironment() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    if (value == nullptr || *value == '\0') {
        return std::nullopt;
    }
    const std::optional<std::int64_t> seconds = ParseSourceDateEpoch(value);
    if (!seconds) {
        throw ForkError(TMsg::SourceDateEpochInvalid);
    }
    if (!MacDateFromUtcUnixTime(*seconds)) {
        throw ForkError(TMsg::DateOutOfRange);
    }
    return seconds;
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
