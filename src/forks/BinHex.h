// SPDX-License-Identifier: MIT
// BinHex 4.0: the mail- and news-safe text form of a Mac file. After a line that starts
// "(This file must be converted" comes a body between two colons: 64-character lines of a 6-bit
// alphabet (any line ending, stray blanks ignored) whose bytes, once the 0x90 run-length marks are
// expanded, are a header (name, type, creator, flags, the two fork lengths, CRC), the data fork and
// its CRC, the resource fork and its CRC. Every CRC is CRC-16/XMODEM over the part with two zero
// bytes in place of its CRC. Decoding and encoding stream: memory stays bounded whatever the size.
#pragma once

#include "forks/TForkCopier.h"
#include "forks/TMacFileInfo.h"
#include "util/Progress.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <optional>
#include <string>

namespace kelda {

// The fields of a BinHex header.
struct TBinHexHeader {
    std::string Name; // Mac bytes, 1 to 63 of them
    TFourCC Type{};
    TFourCC Creator{};
    std::uint16_t Flags = 0; // the Finder flags
    std::uint32_t DataLength = 0;
    std::uint32_t ResourceLength = 0;
    bool operator==(const TBinHexHeader&) const = default;
};

// The first fault met while decoding, in the order the parts come.
enum class TBinHexFault {
    None,
    NoBody,         // no "(This file must be converted" line followed by a ':' opening the body
    BadCharacter,   // a byte that is no BinHex character inside the body (FaultOffset: where)
    BadRun,         // a run mark with nothing to repeat, or a run that would pass the stated lengths
    EndsInHeader,   // the body ends before the header does
    BadNameLength,  // the name's length byte is 0 or above 63
    HeaderCrc,      // the header's CRC differs
    EndsInData,     // the body ends inside the data fork or its CRC
    DataCrc,        // the data fork's CRC differs
    EndsInResource, // the body ends inside the resource fork or its CRC
    ResourceCrc,    // the resource fork's CRC differs
    NoClosingColon, // every part was whole, but no ':' closes the body
};

struct TBinHexReading {
    // The offset in the file of the ':' that opens the body; nullopt with NoBody.
    std::optional<std::int64_t> BodyOffset;
    // The header, once its bytes were all decoded (also when its CRC differs).
    std::optional<TBinHexHeader> Header;
    // The CRCs as stored and as computed, for the parts that were decoded whole.
    std::optional<std::uint16_t> HeaderCrcStored, HeaderCrcComputed;
    std::optional<std::uint16_t> DataCrcStored, DataCrcComputed;
    std::optional<std::uint16_t> ResourceCrcStored, ResourceCrcComputed;
    // How many bytes of each fork were decoded (at most the stated length).
    std::int64_t DataPresent = 0;
    std::int64_t ResourcePresent = 0;
    TBinHexFault Fault = TBinHexFault::None;
    // The byte of the file where the fault was seen (the body's end for the "ends" faults).
    std::int64_t FaultOffset = 0;
    bool Sound() const { return Fault == TBinHexFault::None; }
};

// The marker line and the body's opening ':' are looked for in this much of a file's start.
inline constexpr std::size_t kBinHexSniffSize = std::size_t{64} << 10;

// Whether the file's bytes hold a BinHex 4.0 body: the marker line within its first
// kBinHexSniffSize bytes, followed by the opening ':'. Reads only those bytes; false for a file
// that cannot be read.
bool SniffBinHex(const TFileStream& in);

// Decodes the body of in. When forks is given, the data fork's decoded bytes are written there from
// offset 0 and the resource fork's right after them (as many as were
// decoded), so a reader can stream each from a file it owns. A run mark may cross parts; one that
// would pass the end of the resource fork's CRC is BadRun, other bytes after it (a writer's
// padding) are left alone. Stops at the first fault; never throws for bad content (only for an I/O
// error of in or forks, or ECancelled when progress, called with the input's bytes read and its
// size after each 256 KiB block, asks to stop).
TBinHexReading DecodeBinHex(const TFileStream& in, TFileStream* forks = nullptr,
                            const ProgressFn& progress = {});

// Writes a BinHex 4.0 file: the marker line "(This file must be converted with BinHex 4.0)", then the
// body from ':' to ':' in lines of 64 characters (the colons count) ended by LF. Runs of 5 or more
// equal bytes are written with the 0x90 mark (at most 255 a mark, the next piece starting with the
// byte again), every 0x90 as 90 00, one run coding over all the parts: as the usual writers do, so
// that the body is byte for byte theirs; the same input gives the same bytes. data and resource give
// the forks (their Length bytes; none when Stream is null). Throws std::invalid_argument when the
// name has no byte or more than 63, or a fork's length differs from header's; EFileError when a
// fork's file ends early or the output cannot be written; ECancelled when progress (the forks'
// bytes read so far, of both) asks to stop.
void WriteBinHex(const TBinHexHeader& header, const TForkSource& data, const TForkSource& resource,
                 TFileStream& out, const ProgressFn& progress = {});

} // namespace kelda
