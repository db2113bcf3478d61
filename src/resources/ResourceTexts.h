// SPDX-License-Identifier: MIT
// The texts of the resource views (the window's page and kelda-cli), in both languages.
#pragma once

#include <string>
#include <string_view>

namespace kelda {

enum class TResText {
    PageCaption, // the page's tab
    ColumnType,  // table columns
    ColumnId,
    ColumnName,
    ColumnAttributes,
    ColumnSize,
    SaveResource,     // the save button
    NoResourceFork,   // the file has no resource fork
    ResourceNotFound, // %s: the type and ID asked for
    FindingsTitle,    // the heading above the findings
    FindingsOmitted,  // %s: how many findings are not shown
    VersVersion,      // the detail area's 'vers' lines
    VersStage,
    VersRegion,
    VersShort,
    VersLong,
    NoPreview, // a resource whose data cannot be read
};

const char* ResourceText(TResText text, bool japanese);
// The text with its "%s" replaced by arg.
std::string ResourceText(TResText text, bool japanese, std::string_view arg);

} // namespace kelda
