// SPDX-License-Identifier: MIT
// The AppleSingle and AppleDouble container (version 2): a 26-byte header (magic, version, 16 zero
// bytes, entry count), a table of 12-byte entry descriptors (id, offset, length), then the entries'
// bytes. All numbers are big-endian. AppleSingle holds both forks; AppleDouble is the "._NAME"
// sidecar that holds everything but the data fork.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelda {

inline constexpr std::uint32_t kAppleSingleMagic = 0x00051600;
inline constexpr std::uint32_t kAppleDoubleMagic = 0x00051607;
inline constexpr std::uint32_t kAppleVersion1 = 0x00010000;
inline constexpr std::uint32_t kAppleVersion2 = 0x00020000;
inline constexpr std::size_t kAppleHeaderSize = 26;
inline constexpr std::size_t kAppleEntrySize = 12;

enum class TAppleKind { Single, Double };

// The entry ids KELDA reads and writes; other ids are kept out of the way (never read).
inline constexpr std::uint32_t kEntryDataFork = 1;
inline constexpr std::uint32_t kEntryResourceFork = 2;
inline constexpr std::uint32_t kEntryRealName = 3;
inline constexpr std::uint32_t kEntryComment = 4;
inline constexpr std::uint32_t kEntryFileDates = 8;
inline constexpr std::uint32_t kEntryFinderInfo = 9;
inline constexpr std::uint32_t kEntryMacFileInfo = 10;

inline constexpr std::size_t kFinderInfoSize = 32; // FInfo (16) and FXInfo (16)
inline constexpr std::size_t kFInfoSize = 16;      // the part a reader needs at least
inline constexpr std::size_t kFileDatesSize = 16;  // creation, modification, backup, access
inline constexpr std::size_t kMacFileInfoSize = 4; // attribute bits; bit 1 is "protected"

// A date the file does not know (the smallest signed 32-bit value).
inline constexpr std::int32_t kAppleDateUnknown = INT32_MIN;

struct TAppleEntry {
    std::uint32_t Id = 0;
    std::int64_t Offset = 0;
    std::int64_t Length = 0;
    bool operator==(const TAppleEntry&) const = default;
};

} // namespace kelda
