// SPDX-License-Identifier: MIT
// The CRC page's recent-file list: a fixed number of file names, the most recent first.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

inline constexpr std::size_t kRecentFileCount = 20;

// The list after name was chosen: name first, then the old entries in their order with the first
// one equal to name (exact, case-sensitive) removed, empty entries moved behind all others; cut or
// padded with empty entries to exactly kRecentFileCount. When nothing was removed the oldest
// entry falls off.
std::vector<std::string> UpdateRecentFiles(std::string_view name, std::span<const std::string> entries);

} // namespace kelda
