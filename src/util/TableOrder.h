// SPDX-License-Identifier: MIT
// The tables of texts keyed by an enum: one entry form for all of them, and the check each makes at
// compile time (entry i is the enum's value i, so that a lookup by index finds its own entry and no
// value is left out).
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

// One text in both languages, under its key.
template <typename TKey> struct TTextEntry {
    TKey Key;
    const char* English;
    const char* Japanese;
    constexpr const char* In(bool japanese) const { return japanese ? Japanese : English; }
};

} // namespace kelda
