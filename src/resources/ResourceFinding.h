// SPDX-License-Identifier: MIT
// What a damaged resource fork does wrong, as findings the user reads in either language.
#pragma once

#include <string>
#include <vector>

namespace kelda {

enum class TResFinding {
    ForkTruncated,     // %1 of the %2 bytes the header gives the fork are in the file
    ForkTooShort,      // the fork has %1 bytes, fewer than its 16-byte header
    MapOutside,        // the map (offset %1, %2 bytes) does not start inside the fork
    MapTooShort,       // the map is %1 bytes long, shorter than its 28 fixed bytes
    MapTruncated,      // the map runs past the end of the fork; %1 of its %2 bytes are there
    DataAreaOutside,   // the data area (offset %1, %2 bytes) runs past the end of the fork
    DataMapOverlap,    // the data area and the map overlap
    TypeListOutside,   // the type list offset %1 lies outside the map
    TypeListTruncated, // the type list claims %1 types; the map holds %2
    NameListOutside,   // the name list offset %1 lies outside the map
    DuplicateType,     // the type %1 appears more than once in the type list
    RefListOutside,    // the reference list of %1 runs past the map; %2 of %3 entries are there
    RefListInTypeList, // the reference list of %1 lies inside the type list; not read
    RefListOverlap,    // the reference lists of %1 and %2 overlap; that of %2 is not read
    DuplicateId,       // two resources %1 %2
    NameOutside,       // the name of %1 %2 lies outside the map
    NameInData,        // the name of %1 %2 points into the data area; not read
    DataOutside,       // the data of %1 %2 starts outside the data area
    DataLengthOutside, // the data of %1 %2 (%3 bytes) runs past the data area
    DataOverlap,       // the data of %1 %2 and %3 %4 overlap
};

struct TResourceFinding {
    TResFinding Kind;
    std::vector<std::string> Args; // %1, %2, … of the text
    std::string Text(bool japanese) const;
    bool operator==(const TResourceFinding&) const = default;
};

} // namespace kelda
