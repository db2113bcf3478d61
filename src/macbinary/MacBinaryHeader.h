// SPDX-License-Identifier: MIT
// The 128-byte MacBinary header: its 28 fields, the acceptance and version rules, the layout of
// the forks behind it, and its MacBinary II form.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelda {

inline constexpr std::size_t kHeaderSize = 128;
using THeader = std::array<std::uint8_t, kHeaderSize>;

enum class TFieldKind { Char, Byte, Word, Integer, Date };

// CharCount of the file name field: the count is header byte 1, not a fixed number.
inline constexpr int kCountFromNameLength = -1;

struct THeaderField {
    const char* No; // three-digit offset label
    int Offset;     // first byte in the header
    int Width;      // bytes the field covers (all of them appear in the Hex column)
    TFieldKind Kind;
    const char* Item; // label, blanks included
    int CharCount;    // characters shown of a Char field (or kCountFromNameLength); 0 otherwise
};

// The first byte of each field the code reads or writes, and the widths and limits that go with
// them. The field table below is built from these, so every reader and writer shares one layout.
inline constexpr int kOffsetVersionZero = 0;
inline constexpr int kOffsetNameLength = 1;
inline constexpr int kOffsetName = 2;
inline constexpr int kOffsetType = 65;
inline constexpr int kOffsetCreator = 69;
inline constexpr int kOffsetFlagsHigh = 73;
inline constexpr int kOffsetConst1 = 74;
inline constexpr int kOffsetLocationV = 75;
inline constexpr int kOffsetLocationH = 77;
inline constexpr int kOffsetFolder = 79;
inline constexpr int kOffsetProtected = 81;
inline constexpr int kOffsetConst2 = 82;
inline constexpr int kOffsetDataForkLength = 83;
inline constexpr int kOffsetResourceForkLength = 87;
inline constexpr int kOffsetCreated = 91;
inline constexpr int kOffsetModified = 95;
inline constexpr int kOffsetCommentLength = 99;
inline constexpr int kOffsetFlagsLow = 101;
inline constexpr int kOffsetSignature = 102;
inline constexpr int kOffsetScript = 106;
inline constexpr int kOffsetExtFlags = 107;
inline constexpr int kOffsetReserved = 108;
inline constexpr int kOffsetBufferSize = 116;
inline constexpr int kOffsetSecondaryHeaderLength = 120;
inline constexpr int kOffsetVersion = 122;
inline constexpr int kOffsetMinVersion = 123;
inline constexpr int kOffsetCrc = 124;
inline constexpr int kOffsetOsId = 126;

inline constexpr int kNameFieldWidth = 63;   // bytes 2 to 64
inline constexpr int kFourCharCodeWidth = 4; // type, creator and the "mBIN" signature
inline constexpr int kReservedWidth = 8;     // bytes 108 to 115
inline constexpr int kCrcCoveredBytes = 124;

// Every field of the header in offset order; together they tile bytes 0 to 127.
inline constexpr std::array<THeaderField, 28> HeaderFields{{
    {"000", kOffsetVersionZero, 1, TFieldKind::Byte, "Ver", 0},
    {"001", kOffsetNameLength, 1, TFieldKind::Byte, "FileLength", 0},
    {"002", kOffsetName, kNameFieldWidth, TFieldKind::Char, "FileName", kCountFromNameLength},
    {"065", kOffsetType, 4, TFieldKind::Char, "FileType", 4},
    {"069", kOffsetCreator, 4, TFieldKind::Char, "FileCreater", 4},
    {"073", kOffsetFlagsHigh, 1, TFieldKind::Byte, "OrgFinderFlag", 0},
    {"074", kOffsetConst1, 1, TFieldKind::Byte, "Const1", 0},
    {"075", kOffsetLocationV, 2, TFieldKind::Word, "WindowVerticalPosition", 0},
    {"077", kOffsetLocationH, 2, TFieldKind::Word, "WindowHorizontalPosition", 0},
    {"079", kOffsetFolder, 2, TFieldKind::Word, "FolderID", 0},
    {"081", kOffsetProtected, 1, TFieldKind::Byte, "Protected", 0},
    {"082", kOffsetConst2, 1, TFieldKind::Byte, "Const2", 0},
    {"083", kOffsetDataForkLength, 4, TFieldKind::Integer, "DataForkLength", 0},
    {"087", kOffsetResourceForkLength, 4, TFieldKind::Integer, "ResorceForkLength", 0},
    {"091", kOffsetCreated, 4, TFieldKind::Date, "FileCreate", 0},
    {"095", kOffsetModified, 4, TFieldKind::Date, "FileModified", 0},
    {"099", kOffsetCommentLength, 2, TFieldKind::Word, "GetInfoLen    I=0,II=n,  III=n", 0},
    {"101", kOffsetFlagsLow, 1, TFieldKind::Byte, "FinderFlag    I=0,II=n,  III=n", 0},
    {"102", kOffsetSignature, 4, TFieldKind::Char, "MacBin        I=0,II=0,  III=mBIN", 4},
    {"106", kOffsetScript, 1, TFieldKind::Byte, "Script        I=0,II=0,  III=n", 0},
    {"107", kOffsetExtFlags, 1, TFieldKind::Byte, "ExtFinderFlag I=0,II=0,  III=n", 0},
    {"108", kOffsetReserved, kReservedWidth, TFieldKind::Char, "Const3", 8},
    {"116", kOffsetBufferSize, 4, TFieldKind::Integer, "BufferSize    I=0,II=n,  III=n", 0},
    {"120", kOffsetSecondaryHeaderLength, 2, TFieldKind::Word, "HeaderLen     I=0,II=0,  III=0", 0},
    {"122", kOffsetVersion, 1, TFieldKind::Byte, "MacBin        I=0,II=129,III=130", 0},
    {"123", kOffsetMinVersion, 1, TFieldKind::Byte, "MacBin        I=0,II=129,III=129", 0},
    {"124", kOffsetCrc, 2, TFieldKind::Word, "CRC           I=0,II=n,  III=n", 0},
    {"126", kOffsetOsId, 2, TFieldKind::Word, "OSID", 0},
}};

inline constexpr std::uint8_t kVersionII = 129;
inline constexpr std::uint8_t kVersionIII = 130;

inline constexpr std::string_view kFileTypeI = "Mac Binary I";
inline constexpr std::string_view kFileTypeIIorIII = "Mac Binary II or Mac Binary III";

// Big-endian numbers at an offset of the header.
std::uint16_t HeaderWord(const THeader& header, int offset);
std::uint32_t HeaderUInt32(const THeader& header, int offset);
std::int32_t HeaderInteger(const THeader& header, int offset);

// The four-character code (type, creator, signature) at an offset of the header.
constexpr std::array<std::uint8_t, kFourCharCodeWidth> HeaderFourCharCode(const THeader& header, int offset) {
    const auto at = [&](int i) { return header[static_cast<std::size_t>(offset + i)]; };
    return {at(0), at(1), at(2), at(3)};
}

// Bytes 0 and 74 both 0; nothing else is looked at, so damaged but readable files still open.
bool IsMacBinary(const THeader& header);

// "Mac Binary II or Mac Binary III" when byte 122 is 129 or 130, else "Mac Binary I": the log
// block's and the bottom panel's text. Which version a file is, judged, is MacBinaryVersionOf.
std::string_view FileTypeText(const THeader& header);

// True when bytes 102 to 105 hold the signature "mBIN".
bool HasMacBinarySignature(const THeader& header);

// The longest name the field holds (bytes 2 to 64): a longer count in byte 1 runs into the type.
inline constexpr int kMaxHeaderNameLength = kNameFieldWidth;

// The name's bytes, by the one rule every reader of a header follows: byte 1 counts them (at most
// 63), and a zero byte among them ends the name there: writers pad the field with zeros, sometimes
// under a count that takes the padding in, and no Mac name holds a zero byte.
std::string_view HeaderNameBytes(const THeader& header);

// Whether the header says its texts are Japanese: the "mBIN" signature and script byte 106 = 1.
bool HeaderScriptIsJapanese(const THeader& header);

// An inclusive, 0-based byte range. End < Start means an empty part and is reported as such.
struct TByteRange {
    std::int64_t Start;
    std::int64_t End;
    bool operator==(const TByteRange&) const = default;
};

struct TFileLayout {
    TByteRange Header;
    TByteRange DataFork;
    TByteRange ResourceFork;
    TByteRange Comment;
};

// The four parts of a file of fileSize bytes whose header gives the fork lengths dataLength and
// resourceLength (signed 32-bit as stored). Forks lie back to back after the header. Computed in
// 64 bits, so neither large lengths nor files over 2 GiB wrap around.
TFileLayout ComputeLayout(std::int32_t dataLength, std::int32_t resourceLength, std::int64_t fileSize);
TFileLayout ComputeLayout(const THeader& header, std::int64_t fileSize);

// The MacBinary II rewrite without the CRC: the name field keeps the first n name bytes of
// nameSource (n = byte 1 of nameSource, at most 62) and is zero after them up to byte 63 (byte 64
// keeps its value); bytes 122 and 123 become 129.
void ApplyMacBinaryIIFields(THeader& header, const THeader& nameSource);

// CRC-16/XMODEM of header bytes 0 to 123.
std::uint16_t HeaderCrc(const THeader& header);

// The complete MacBinary II form of a header: the rewrite above, then the CRC of the new bytes
// 0 to 123 in bytes 124 (high byte) and 125 (low byte). Every other byte keeps its value.
THeader MacBinaryIIForm(const THeader& header);

} // namespace kelda
