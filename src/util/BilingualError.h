// SPDX-License-Identifier: MIT
// An error whose text the user sees, in both languages of the program.
#pragma once

#include <stdexcept>
#include <string>

namespace kelda {

// what() is the Japanese text (the one the window always shows); english() says the same in
// English, for English mode.
class EBilingualError : public std::runtime_error {
public:
    EBilingualError(const std::string& japanese, std::string english)
        : std::runtime_error(japanese), english_(std::move(english)) {}

    const std::string& english() const noexcept { return english_; }

private:
    std::string english_;
};

} // namespace kelda
