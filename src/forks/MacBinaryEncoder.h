// SPDX-License-Identifier: MIT
// Making a MacBinary file (I, II or III) from forks: a data fork file with an optional resource
// fork, taken raw or from an AppleDouble/AppleSingle file; a data fork with its "._NAME" sidecar;
// or an AppleSingle file. The Finder's fields come from the container's entries, else from the
// options; the dates, when neither gives them, from SOURCE_DATE_EPOCH (in UTC, for reproducible
// output) or else the data file's modification time (on the local clock).
#pragma once

#include "forks/TMacFile.h"
#include "macbinary/Conversion.h"
#include "util/MacText.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

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

// The Mac file that will be written, worked out from the inputs before anything is
// (TMacFileSource::OpenForks, then the options over its entries); throws EBilingualError on a bad
// option or a damaged container.
TMacFileSource PlanEncode(const std::filesystem::path& data, const TEncodeOptions& options);

// The header of the MacBinary file: name (cut to 63 bytes, never inside a double-byte character),
// Finder fields, fork and comment lengths, dates; bytes 99-127 as the version has them (version I
// keeps no comment, no low flag byte and no CRC; version III adds "mBIN", the script and the
// extended flags).
THeader BuildMacBinaryHeader(const TMacFile& file, std::string_view comment, int version);

// The one MacBinary writer: the header, then each part the source holds padded to 128 bytes (no
// comment in version I). Throws EBilingualError (ForkTooLarge) for a fork of 2 GiB or more.
void WriteMacBinary(const TMacFileSource& source, int version, TFileStream& out,
                    const ProgressFn& progress = {});

// Writes the MacBinary file: the header, then each part padded to 128 bytes. SourceIsOutput when the
// file output would replace is one of the inputs as they were opened (device and inode), whatever
// the names; OutputReadOnly when it is a read-only file and replaceReadOnly is not set.
TConvertStatus EncodeMacBinary(const std::filesystem::path& data, const std::filesystem::path& output,
                               const TEncodeOptions& options, const ProgressFn& progress = {},
                               bool replaceReadOnly = false);

} // namespace kelda
