// SPDX-License-Identifier: MIT
#include "crc/RecentFiles.h"

#include <algorithm>

namespace kelda {

std::vector<std::string> UpdateRecentFiles(std::string_view name, std::span<const std::string> entries) {
    std::vector<std::string> work;
    work.reserve(entries.size() + 1);
    work.emplace_back(name);
    work.insert(work.end(), entries.begin(), entries.end());

    const auto duplicate = std::find(work.begin() + 1, work.end(), name);
    if (duplicate != work.end()) {
        work.erase(duplicate);
    }
    std::stable_partition(work.begin(), work.end(), [](const std::string& s) { return !s.empty(); });
    work.resize(kRecentFileCount);
    return work;
}

} // namespace kelda
