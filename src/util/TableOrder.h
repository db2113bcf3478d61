// SPDX-License-Identifier: MIT
// The check every text table keyed by an enum makes at compile time: entry i is the enum's value i,
// so that a lookup by index finds its own entry and no value is left out.
#pragma once

#include <cstddef>
#include <span>

namespace kelda {

// Whether table[i].*key == i for every entry, and the table has count entries.
template <typename TEntry, typename TKey>
constexpr bool ListedInEnumOrder(std::span<const TEntry> table, TKey TEntry::*key, std::size_t count) {
    for (std::size_t i = 0; i < table.size(); ++i) {
        if (static_cast<std::size_t>(table[i].*key) != i) {
            return false;
        }
    }
    return table.size() == count;
}

} // namespace kelda
