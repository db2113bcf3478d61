// SPDX-License-Identifier: MIT
// The block of log lines that records one file reading: separator, name, type, size, the four
// byte ranges and the header table.
#pragma once

#include "macbinary/HeaderTable.h"
#include "macbinary/MacBinaryHeader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

inline constexpr std::size_t kLogSeparatorLength = 70;

// The line of 70 hyphen-minus characters that opens every log block.
const std::string& LogSeparator();

std::string LogFileNameLine(std::string_view fileName);
std::string LogFileTypeLine(std::string_view fileType);
// "FileSize         : 00001280[DEC] / 00000500[HEX]"
std::string LogFileSizeLine(std::int64_t fileSize);
// label + start and end in decimal, then start in lower-case and end in upper-case hexadecimal.
std::string LogRangeLine(std::string_view label, const TByteRange& range);
// The line a written export adds: "Written          : OUT (00000156[DEC] / 0000009C[HEX] bytes) from IN",
// the names as given.
std::string LogWrittenLine(std::string_view source, std::string_view output, std::int64_t bytes);
// The header, data fork, resource fork and comment lines, in that order.
std::vector<std::string> LogRangeLines(const TFileLayout& layout);

// Decimal of at least 8 digits ("%8.8d": a negative value gets its minus sign before the digits).
std::string Dec8(std::int64_t value);
// Hexadecimal of at least 8 digits ("%8.8x" / "%8.8X"). A negative value that fits in 32 bits
// shows as its 32-bit two's complement, a more negative one as its 64-bit two's complement.
std::string Hex8(std::int64_t value, bool upperCase);

// Every line of the block for a file named fileName (as given) of fileSize bytes. The header's
// character fields go through shown (decoded as forced says); the file name is the user's own and stays as
// given.
std::vector<std::string> BuildLogBlock(std::string_view fileName, const THeader& header,
                                       std::int64_t fileSize, TShownText shown = nullptr,
                                       TMacEncoding forced = TMacEncoding::Auto);

} // namespace kelda
