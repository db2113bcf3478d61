// SPDX-License-Identifier: MIT
// The 'vers' resource: a version number with its release stage, a region code and two strings.
#pragma once

#include "util/MacText.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace kelda {

// A 'vers' resource is a few dozen bytes; more is never read for decoding.
inline constexpr std::size_t kVersReadLimit = 4096;

enum class TVersStage { Development, Alpha, Beta, Final, Unknown };

struct TVersInfo {
    std::uint8_t Major = 0;  // binary-coded decimal, as stored
    std::uint8_t Minor = 0;  // 0-15 (the high digit of the second byte)
    std::uint8_t Bugfix = 0; // 0-15 (its low digit)
    std::uint8_t StageByte = 0;
    TVersStage Stage = TVersStage::Unknown;
    std::uint8_t Release = 0; // the pre-release number, binary-coded decimal
    std::uint16_t Region = 0;
    std::string ShortVersion; // decoded to UTF-8
    std::string LongVersion;
    bool Truncated = false; // the strings ran past the end of the resource

    // "3.0b7", "1.0.1", "2.1": major.minor, .bugfix when not 0, the stage letter (d, a, b, f) and
    // the release number unless it is a final release numbered 0.
    std::string NumberText() const;
    // "development", "alpha", "beta", "final", or "0x30" for a byte that names no stage.
    std::string StageName() const;
};

// Nothing when the bytes are shorter than the 6 fixed bytes. The strings are decoded in encoding;
// Auto takes them as Japanese for the Japanese region code (14) and as Mac Roman otherwise.
std::optional<TVersInfo> DecodeVers(std::span<const std::uint8_t> bytes,
                                    TMacEncoding encoding = TMacEncoding::Auto);

} // namespace kelda
