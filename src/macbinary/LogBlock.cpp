// SPDX-License-Identifier: MIT
#include "macbinary/LogBlock.h"

#include "macbinary/HeaderTable.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace kelda {

namespace {

constexpr std::string_view kFileNameLabel = "FileName         : ";
constexpr std::string_view kFileTypeLabel = "FileType         : ";
constexpr std::string_view kFileSizeLabel = "FileSize         : ";
constexpr std::string_view kHeaderLabel = "Header(0 base)   : ";
constexpr std::string_view kDataLabel = "Data(0 base)     : ";
constexpr std::string_view kResourceLabel = "Resorcet(0 base) : ";
constexpr std::string_view kCommentLabel = "Comment(0 base)  : ";
constexpr std::string_view kWrittenLabel = "Written          : ";

} // namespace

const std::string& LogSeparator() {
    static const std::string separator(kLogSeparatorLength, '-');
    return separator;
}

std::string LogFileNameLine(std::string_view fileName) {
    return std::string(kFileNameLabel).append(fileName);
}

std::string LogFileTypeLine(std::string_view fileType) {
    return std::string(kFileTypeLabel).append(fileType);
}

std::string Dec8(std::int64_t value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%8.8" PRId64, value);
    return buffer;
}

std::string Hex8(std::int64_t value, bool upperCase) {
    std::uint64_t bits = static_cast<std::uint64_t>(value);
    if (value < 0 && value >= std::numeric_limits<std::int32_t>::min()) {
        bits &= 0xFFFFFFFFu;
    }
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, upperCase ? "%8.8" PRIX64 : "%8.8" PRIx64, bits);
    return buffer;
}

std::string LogFileSizeLine(std::int64_t fileSize) {
    return std::string(kFileSizeLabel) + Dec8(fileSize) + "[DEC] / " + Hex8(fileSize, true) + "[HEX]";
}

std::string LogWrittenLine(std::string_view source, std::string_view output, std::int64_t bytes) {
    return std::string(kWrittenLabel).append(output) + " (" + Dec8(bytes) + "[DEC] / " + Hex8(bytes, true) +
           "[HEX] bytes) from " + std::string(source);
}

std::string LogRangeLine(std::string_view label, const TByteRange& range) {
    return std::string(label) + Dec8(range.Start) + "[DEC] - " + Dec8(range.End) + "[DEC] / " +
           Hex8(range.Start, false) + "[HEX] - " + Hex8(range.End, true) + "[HEX]";
}

std::vector<std::string> LogRangeLines(const TFileLayout& layout) {
    return {
        LogRangeLine(kHeaderLabel, layout.Header),
        LogRangeLine(kDataLabel, layout.DataFork),
        LogRangeLine(kResourceLabel, layout.ResourceFork),
        LogRangeLine(kCommentLabel, layout.Comment),
    };
}

std::vector<std::string> BuildLogBlock(std::string_view fileName, const THeader& header,
                                       std::int64_t fileSize, TShownText shown, TMacEncoding forced) {
    std::vector<std::string> lines;
    lines.reserve(8 + HeaderFields.size());
    lines.push_back(LogSeparator());
    lines.push_back(LogFileNameLine(fileName));
    lines.push_back(LogFileTypeLine(FileTypeText(header)));
    lines.push_back(LogFileSizeLine(fileSize));
    for (std::string& line : LogRangeLines(ComputeLayout(header, fileSize))) {
        lines.push_back(std::move(line));
    }
    for (std::string& line : BuildHeaderTable(header, forced, shown)) {
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace kelda
