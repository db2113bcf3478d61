// SPDX-License-Identifier: MIT
// Writing AppleDouble and AppleSingle files (version 2). The entries follow the table in a fixed
// order: real name, comment (when there is one), file dates, Finder info, Macintosh file info
// (only for a protected file), then the resource fork and, in AppleSingle, the data fork last, so
// that the small entries stay together at the front and the forks are streamed.
#pragma once

#include "forks/AppleFormat.h"
#include "forks/TForkCopier.h"
#include "forks/TMacFileInfo.h"

#include <string>
#include <vector>

namespace kelda {

struct TAppleContents {
    TMacFileInfo Info;
    std::string Comment;
    TForkSource Data; // AppleSingle only; without a stream the file has no data fork entry
    TForkSource Resource;
};

// The entry table the file will have, with offsets; the file's size is the end of the last entry.
std::vector<TAppleEntry> AppleLayout(TAppleKind kind, const TAppleContents& contents);
std::int64_t AppleFileSize(const std::vector<TAppleEntry>& entries);

// Writes the whole file to out.
void WriteAppleFile(TAppleKind kind, const TAppleContents& contents, TFileStream& out,
                    const ProgressFn& progress = {});

} // namespace kelda
