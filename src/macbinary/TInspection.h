// SPDX-License-Identifier: MIT
// The one result of reading a file as MacBinary: everything the MacBinary page shows and the
// conversions work from, computed once from one opening of the file. The window renders it,
// kelda-cli prints it; neither reads the header again.
#pragma once

#include "macbinary/CheckReport.h"
#include "macbinary/ForkLayout.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

// A plain aggregate on purpose: later readings of the same file (a check report, the resource map)
// become further members, filled by InspectFile or by their own functions from these.
struct TInspection {
    // The file as the user chose it, byte for byte.
    std::filesystem::path Path;
    // The name as shown and logged ("FileName : ..."); the path's bytes unless the caller gave a text.
    std::string ShownName;
    // Size in bytes when the header was read.
    std::int64_t Size = 0;
    // The first 128 bytes exactly as read.
    THeader Header{};
    // Its MacBinary II form, CRC included (bytes 124 high, 125 low).
    THeader HeaderII{};
    std::uint16_t CrcII = 0;
    // "Mac Binary I" or "Mac Binary II or Mac Binary III".
    std::string FileType;
    // The 28 header table lines, and the same split at their tabs into grid cells.
    std::vector<std::string> TableLines;
    std::vector<std::vector<std::string>> GridCells;
    // The block a reading adds to the log: separator, name, type, size, ranges, header table.
    std::vector<std::string> LogBlock;
    // Where the forks and the comment really lie (padded parts, secondary header).
    TForkLayout Layout;
    // What the file really is: sound, damaged or no MacBinary, with the findings (CheckReport.h).
    TCheckReport Check;
};

// Why a file was not inspected, when no file-layer error said it.
enum class TInspectRefusal {
    FileNotFound, // no file of that name
    NotMacBinary, // byte 0 or byte 74 of its header is not 0
};

struct TInspectResult {
    // Set when the file was accepted.
    std::optional<TInspection> Inspection;
    // Meaningful only without an inspection.
    TInspectRefusal Refusal = TInspectRefusal::FileNotFound;
    // The header bytes read, also of a rejected file.
    THeader HeaderRead{};

    bool Accepted() const { return Inspection.has_value(); }
};

// Tests and reads path: the existence check, then one opening (read only) that reads the header
// and takes the size from the same descriptor. A file shorter than 128 bytes, or one that cannot be
// opened, throws the file layer's error. shownName is the name the log block records; without it
// the path's bytes are recorded.
TInspectResult InspectFile(const std::filesystem::path& path);
// encoding: the user's choice of how the header's name and other texts are decoded, in the
// table, the log block and the check report (Auto: ReadHeaderName's rule).
TInspectResult InspectFile(const std::filesystem::path& path, std::string_view shownName,
                           TMacEncoding encoding = TMacEncoding::Auto);

// The inspection of an accepted header: everything but the file's own reading.
TInspection InspectHeader(const std::filesystem::path& path, std::string_view shownName,
                          const THeader& header, std::int64_t size,
                          TMacEncoding encoding = TMacEncoding::Auto);

} // namespace kelda
