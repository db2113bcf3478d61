// SPDX-License-Identifier: MIT
// A place in a text pane: a row and a UTF-16 index into that row's line.
#pragma once

#include <compare>

namespace kelda {

struct TTextPos {
    int Row = 0;
    int Index = 0;

    auto operator<=>(const TTextPos&) const = default;
};

} // namespace kelda
