// SPDX-License-Identifier: MIT
// Making a MacBinary file (I, II or III) from forks: a data fork file with an optional resource
// fork, taken raw or from an AppleDouble/AppleSingle file; a data fork with its "._NAME" sidecar;
// or an AppleSingle file. The Finder's fields come from the container's entries, else from the
// options; the dates, when neither gives them, from SOURCE_DATE_EPOCH (in UTC, for reproducible
// output) or else the data file's modification time (on the local clock).
#pragma once

#include "forks/TMacFileInfo.h"
#include "macbinary/Conversion.h"
#include "util/MacText.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kelda {

struct TEncodeOptions {
    int Version = 2;                               // 1, 2 or 3
    std::optional<std::filesystem::path> Resource; // a raw fork, or an AppleDouble/AppleSingle file
    bool UseSidecar = true;                        // take "._DATA" when it exists and no Resource
    std::optional<std::string> Name;               // UTF-8
    std::optional<std::string> DefaultName;        // UTF-8; without entries or Name (else DATA's name)
    std::optional<std::string> Type;               // up to four characters
    std::optional<std::string> Creator;
    std::optional<std::string> Date;                // ParseMacDate's forms
    std::optional<std::int64_t> SourceDateEpoch;    // the environment's value, already read
    TMacEncoding NameEncoding = TMacEncoding::Auto; // Roman, Japanese, or Auto (Roman when it can)
};

// What will be written, worked out from the inputs before anything is.
struct TEncodePlan {
    TMacFileInfo Info;
    std::string Comment;
    std::filesystem::path DataFile; // the file the data fork is taken from
    std::int64_t DataOffset = 0;
    std::int64_t DataLength = 0;
    std::filesystem::path ResourceFile; // empty: no resource fork
    std::int64_t ResourceOffset = 0;
    std::int64_t ResourceLength = 0;
    TMacEncoding NameEncoding = TMacEncoding::Roman; // how the name's bytes are meant
    std::filesystem::path EntriesFile; // the container the Finder's fields came from; empty: none
};

// Reads the inputs' entries and sizes; throws EBilingualError on a bad option, a damaged container
// or a fork of 2 GiB or more.
TEncodePlan PlanEncode(const std::filesystem::path& data, const TEncodeOptions& options);

// The header of the MacBinary file: name (cut to 63 bytes, never inside a double-byte character),
// Finder fields, fork and comment lengths, dates; bytes 99-127 as the version has them (version I
// keeps no comment, no low flag byte and no CRC; version III adds "mBIN", the script and the
// extended flags).
THeader BuildMacBinaryHeader(const TEncodePlan& plan, int version);

// Writes the MacBinary file: the header, then each part padded to 128 bytes. SourceIsOutput when the
// file output would replace is one of the inputs as they were opened (device and inode), whatever
// the names; OutputReadOnly when it is a read-only file and replaceReadOnly is not set.
TConvertStatus EncodeMacBinary(const std::filesystem::path& data, const std::filesystem::path& output,
                               const TEncodeOptions& options, const ProgressFn& progress = {},
                               bool replaceReadOnly = false);

} // namespace kelda
