// SPDX-License-Identifier: MIT
#include "crc/CrcPage.h"

#include "crc/CrcUtils.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kelda {

bool CrcFileExists(std::string_view name) {
    if (name.empty()) {
        return false;
    }
    std::error_code ec;
    const auto st = std::filesystem::status(std::filesystem::path(name), ec);
    return !ec && std::filesystem::exists(st) && !std::filesystem::is_directory(st);
}

TCrcRefusal CheckVariantChoice(bool fileExists, TCrcOperation operation) {
    if (!fileExists) {
        return TCrcRefusal::FileNotFound;
    }
    if (operation != TCrcOperation::Each) {
        return TCrcRefusal::SelectOperationEach;
    }
    return TCrcRefusal::None;
}

std::string CrcResultLine(std::string_view entry, int width, std::uint32_t value, std::string_view fileName) {
    char digits[9];
    if (width == 16) {
        std::snprintf(digits, sizeof digits, "%4.4X", static_cast<unsigned>(value & 0xFFFFu));
    } else {
        std::snprintf(digits, sizeof digits, "%8.8X", static_cast<unsigned>(value));
    }
    std::string line(entry);
    line += '\t';
    line += digits;
    line += '\t';
    line += fileName;
    return line;
}

std::string CrcResultLine(std::string_view entry, const TCrc& engine, std::string_view fileName) {
    return CrcResultLine(entry, engine.Width(), engine.Value(), fileName);
}

std::string CrcVariantResultLine(std::size_t variant, std::uint32_t value, std::string_view fileName) {
    const TCrcVariant& v = CrcVariants.at(variant);
    return CrcResultLine(v.Entry, v.Width, value, fileName);
}

std::vector<std::string> CrcAllResultLines(std::span<const std::uint32_t> values, std::string_view fileName) {
    std::vector<std::string> lines;
    lines.reserve(values.size());
    for (std::size_t i = 0; i < values.size() && i < CrcVariantCount; ++i) {
        lines.push_back(CrcVariantResultLine(i, values[i], fileName));
    }
    return lines;
}

} // namespace kelda
