// SPDX-License-Identifier: MIT
// The resource fork of a MacBinary file: where it lies (by the true fork layout) and its map.
#pragma once

#include "macbinary/Conversion.h"
#include "macbinary/ForkLayout.h"
#include "resources/ResourceMap.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <vector>

namespace kelda {

struct TResourceFork {
    TForkSpan Span;                             // the fork in the file
    TMacEncoding Encoding = TMacEncoding::Auto; // how its names are decoded: like the file name
    TResourceMap Map;
};

// Reads the map of the resource fork of file, whose MacBinary header is header; its names are
// decoded as the header's texts are (HeaderTextEncoding, nameEncoding the user's choice). A fork
// the file holds only in part is read as far as it goes, with a finding that says so.
TResourceFork ReadResourceFork(const TFileStream& file, const THeader& header,
                               TMacEncoding nameEncoding = TMacEncoding::Auto);
// The map of the fork at span of file (any container's: the model gives the span), its names
// decoded in textEncoding.
TResourceFork ReadResourceFork(const TFileStream& file, const TForkSpan& span, TMacEncoding textEncoding);

// The data of one resource of that fork, clipped to what the file holds and to maxBytes.
std::vector<std::uint8_t> ReadResourceData(const TFileStream& file, const TResourceFork& fork,
                                           const TResourceEntry& entry, std::size_t maxBytes = SIZE_MAX);

// Saves that data (what the file holds of it) as output, through a temporary file: SourceIsOutput
// when output is file itself under any name, OutputReadOnly when it is a read-only file and
// replaceReadOnly is false; nothing is written then. The window asks before it gives the leave,
// kelda-cli takes it from --force. sources: further files output must not be (those a decoded
// fork was read from).
TConvertStatus SaveResource(const TFileStream& file, const TResourceFork& fork, const TResourceEntry& entry,
                            const std::filesystem::path& output, bool replaceReadOnly,
                            std::span<const TFileStat> sources = {});

} // namespace kelda
