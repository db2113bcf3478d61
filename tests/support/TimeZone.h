// SPDX-License-Identifier: MIT
// Runs a test's code in one time zone (TZ) and gives the process back the zone it had.
#pragma once

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

namespace kelda::test {

class TScopedTimeZone {
public:
    explicit TScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) {
            saved_ = old;
        }
        ::setenv("TZ", zone, 1);
        ::tzset();
    }
    ~TScopedTimeZone() {
        if (saved_) {
            ::setenv("TZ", saved_->c_str(), 1);
        } else {
            ::unsetenv("TZ");
        }
        ::tzset();
    }
    TScopedTimeZone(const TScopedTimeZone&) = delete;
    TScopedTimeZone& operator=(const TScopedTimeZone&) = delete;

private:
    std::optional<std::string> saved_;
};

// Zones on both sides of UTC, one with daylight saving time.
inline constexpr const char* kTestZones[] = {"UTC", "Asia/Tokyo", "America/Los_Angeles"};

} // namespace kelda::test
