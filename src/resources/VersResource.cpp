// SPDX-License-Identifier: MIT
#include "resources/VersResource.h"

#include "resources/PascalString.h"
#include "util/BigEndian.h"

#include <cstdio>

namespace kelda {

namespace {

// A binary-coded decimal byte as its digits; a nibble above 9 shows as its hex digit.
std::string Bcd(std::uint8_t value) {
    char text[3];
    std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(value));
    return text;
}

TVersStage StageOf(std::uint8_t stage) {
    switch (stage) {
    case 0x20:
        return TVersStage::Development;
    case 0x40:
        return TVersStage::Alpha;
    case 0x60:
        return TVersStage::Beta;
    case 0x80:
        return TVersStage::Final;
    default:
        return TVersStage::Unknown;
    }
}

} // namespace

std::string TVersInfo::NumberText() const {
    std::string text = Bcd(Major) + '.' + Bcd(Minor);
    if (Bugfix != 0) {
        text += '.' + Bcd(Bugfix);
    }
    static constexpr char kLetters[] = {'d', 'a', 'b', 'f', '?'};
    if (Stage != TVersStage::Final || Release != 0) {
        text += kLetters[static_cast<int>(Stage)];
        text += Bcd(Release);
    }
    return text;
}

std::string TVersInfo::StageName() const {
    static constexpr const char* kNames[] = {"development", "alpha", "beta", "final"};
    if (Stage != TVersStage::Unknown) {
        return kNames[static_cast<int>(Stage)];
    }
    char text[5];
    std::snprintf(text, sizeof text, "0x%02X", static_cast<unsigned>(StageByte));
    return text;
}

std::optional<TVersInfo> DecodeVers(std::span<const std::uint8_t> bytes, TMacEncoding encoding) {
    if (bytes.size() < 6) {
        return std::nullopt;
    }
    TVersInfo info;
    info.Major = bytes[0];
    info.Minor = static_cast<std::uint8_t>(bytes[1] >> 4);
    info.Bugfix = static_cast<std::uint8_t>(bytes[1] & 0x0F);
    info.StageByte = bytes[2];
    info.Stage = StageOf(bytes[2]);
    info.Release = bytes[3];
    info.Region = GetBig16(bytes.data() + 4);
    // Without a character set of its own, a resource of the Japanese region (14) is Japanese text.
    if (encoding == TMacEncoding::Auto) {
        encoding = info.Region == 14 ? TMacEncoding::Japanese : TMacEncoding::Roman;
    }
    std::size_t at = 6;
    const TPascalString shortVersion = ReadPascalString(bytes, at);
    const TPascalString longVersion = ReadPascalString(bytes, at);
    info.ShortVersion = MacTextToUtf8(shortVersion.Bytes, encoding);
    info.LongVersion = MacTextToUtf8(longVersion.Bytes, encoding);
    info.Truncated = shortVersion.Truncated || longVersion.Truncated;
    return info;
}

} // namespace kelda
