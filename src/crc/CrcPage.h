// SPDX-License-Identifier: MIT
// The CRC page's rules that need no window: which warning a choice gets, and the result line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

class TCrc;

// The entries of the operation list, by index.
enum class TCrcOperation { Each = 0, All = 1, Clear = 2 };

// Why a computation does not run.
enum class TCrcRefusal {
    None,
    FileNotFound,        // the chosen name is empty, gone, or a folder
    SelectOperationEach, // a variant was chosen while the operation is "All" or "Clear"
};

// Whether name is a file a CRC can be computed of: it exists and is not a folder.
bool CrcFileExists(std::string_view name);

// The answer to choosing a variant: the missing file is reported before the operation.
TCrcRefusal CheckVariantChoice(bool fileExists, TCrcOperation operation);

// One result line: the variant's entry text, TAB, the value in upper-case hexadecimal (4 digits
// for a 16-bit variant, 8 for a 32-bit one), TAB, the file name as listed.
std::string CrcResultLine(std::string_view entry, int width, std::uint32_t value, std::string_view fileName);
std::string CrcResultLine(std::string_view entry, const TCrc& engine, std::string_view fileName);
// The line of variant (an index of CrcVariants) with value.
std::string CrcVariantResultLine(std::size_t variant, std::uint32_t value, std::string_view fileName);
// The twelve lines of "All", in list order, from the twelve values in that order.
std::vector<std::string> CrcAllResultLines(std::span<const std::uint32_t> values, std::string_view fileName);

} // namespace kelda
