// SPDX-License-Identifier: MIT
// The fixed numbers of an HFS volume's layout, for the reader and its check (internal to image/).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelda::hfs {

inline constexpr std::int64_t kSector = 512;
inline constexpr std::int64_t kMdbAt = 1024;
inline constexpr std::uint16_t kSigHfs = 0x4244;
inline constexpr std::uint16_t kSigHfsPlus = 0x482B; // "H+", also embedded in an HFS wrapper
inline constexpr std::uint16_t kSigHfsX = 0x4858;    // "HX", case-sensitive names
inline constexpr std::uint16_t kVersionHfsPlus = 4;
inline constexpr std::uint16_t kVersionHfsX = 5;
inline constexpr std::uint32_t kRootParentId = 1;
inline constexpr std::uint32_t kRootId = 2;
inline constexpr std::uint32_t kExtentsFileId = 3;
inline constexpr std::uint32_t kCatalogFileId = 4;
inline constexpr std::size_t kNodeSize = 512;      // every HFS B-tree node
inline constexpr std::size_t kMaxNodeSize = 32768; // HFS+: a power of two from 512 to this
inline constexpr std::size_t kDescriptorSize = 14;
// Record offsets stand at the node's end, one more than the records (the free space's); what the
// descriptor leaves over holds at most this many records.
inline constexpr std::uint16_t kMaxRecordsPerNode = (kNodeSize - kDescriptorSize) / 2 - 1;

inline constexpr std::int8_t kLeafNode = -1;
inline constexpr std::int8_t kIndexNode = 0;
inline constexpr std::int8_t kHeaderNode = 1;

inline constexpr std::uint8_t kFolderRecord = 1;
inline constexpr std::uint8_t kFileRecord = 2;
inline constexpr std::uint8_t kFolderThread = 3;
inline constexpr std::uint8_t kFileThread = 4;
inline constexpr std::size_t kFolderRecordSize = 70;
inline constexpr std::size_t kFileRecordSize = 102;
inline constexpr std::size_t kThreadRecordSize = 46;
inline constexpr std::size_t kExtentsRecordSize = 20; // key of 8 bytes, three extents

// HFS+ records: the catalog's folder, file and thread records, a fork's data, the overflow
// tree's record (key of 12 bytes, eight extents).
inline constexpr std::size_t kPlusFolderRecordSize = 88;
inline constexpr std::size_t kPlusFileRecordSize = 248;
inline constexpr std::size_t kPlusThreadRecordSize = 10; // with an empty name
inline constexpr std::size_t kPlusForkDataSize = 80;
inline constexpr std::size_t kPlusExtentsRecordSize = 76;
inline constexpr std::uint16_t kMaxUnicodeName = 255;
inline constexpr std::uint8_t kUfCompressed = 0x20; // the BSD owner flag of a compressed file

// A number as a finding's argument.
inline std::string Num(std::int64_t value) {
    return std::to_string(value);
}

} // namespace kelda::hfs
