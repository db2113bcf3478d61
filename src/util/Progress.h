// SPDX-License-Identifier: MIT
// Progress reporting and cancellation for long file work (CRCs of large files, conversions).
#pragma once

#include <cstdint>
#include <exception>
#include <functional>

namespace kelda {

// Called now and then during long work with the bytes done so far and the total expected.
// Returning false asks the work to stop; the work then throws ECancelled after cleaning up.
using ProgressFn = std::function<bool(std::int64_t done, std::int64_t total)>;

// Thrown when a ProgressFn asked to stop. Work that throws it leaves no result and no partial output.
class ECancelled : public std::exception {
public:
    const char* what() const noexcept override { return "cancelled"; }
};

} // namespace kelda
