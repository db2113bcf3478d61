// SPDX-License-Identifier: MIT
// Reading an AppleSingle or AppleDouble file. The entry table is checked as a whole before any
// entry is used: every entry inside the file, none twice, none overlapping another or the table,
// and the entries KELDA reads long enough. Forks are never read here, only located, so a reader
// streams them from the open file.
#pragma once

#include "forks/AppleFormat.h"
#include "forks/TMacFileInfo.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kelda {

// The kind of a file from its first 8 bytes (magic and version 1 or 2); nullopt for anything else,
// also for a file that cannot be read.
std::optional<TAppleKind> SniffAppleFile(const std::filesystem::path& file);

// The entry table of a container whose first bytes are head (the 26-byte header and as much of the
// table as the file holds) and whose size is fileSize. Throws EBilingualError on a damaged table
// and when head is no container.
std::vector<TAppleEntry> ParseAppleEntries(std::span<const std::uint8_t> head, std::int64_t fileSize,
                                           TAppleKind* kind = nullptr);

class TAppleContainer {
public:
    // Opens and checks the file; throws EFileError or EBilingualError.
    explicit TAppleContainer(const std::filesystem::path& file);

    TAppleKind Kind() const { return kind_; }
    const std::vector<TAppleEntry>& Entries() const { return entries_; }
    const TAppleEntry* Find(std::uint32_t id) const;
    // The name, type, creator, flags, dates and protected bit its entries give; empty fields for
    // entries it lacks.
    TMacFileInfo Info() const;
    // The comment entry's bytes (at most 65535 of them: all that MacBinary can carry).
    std::string Comment() const;
    // The open file, to stream a fork from.
    const TFileStream& Stream() const { return stream_; }

private:
    std::vector<std::uint8_t> ReadEntry(const TAppleEntry& entry, std::size_t limit) const;

    TFileStream stream_;
    TAppleKind kind_ = TAppleKind::Single;
    std::vector<TAppleEntry> entries_;
};

} // namespace kelda
