// SPDX-License-Identifier: MIT
// Where the parts of a MacBinary file really are. Writers pad the secondary header, the data fork
// and the resource fork each to a multiple of 128 bytes, so a fork starts at the next 128-byte
// boundary after the part before it. The log's byte ranges (MacBinaryHeader.h) keep the forks back
// to back as the window has always shown them; everything that reads the forks uses this layout.
#pragma once

#include "macbinary/MacBinaryHeader.h"

#include <cstdint>

namespace kelda {

inline constexpr std::int64_t kMacBinaryBlock = 128;

// n rounded up to a multiple of 128.
constexpr std::int64_t PadToBlock(std::int64_t n) {
    return (n + kMacBinaryBlock - 1) / kMacBinaryBlock * kMacBinaryBlock;
}

// One part of the file: where it starts, how long the header says it is, and how many of its bytes
// the file holds.
struct TForkSpan {
    std::int64_t Offset = 0;
    std::int64_t Length = 0;
    std::int64_t Present = 0;
    bool Complete() const { return Present == Length; }
    std::int64_t Missing() const { return Length - Present; }
    bool operator==(const TForkSpan&) const = default;
};

struct TForkLayout {
    std::int64_t SecondaryHeaderLength = 0;
    TForkSpan Data;
    TForkSpan Resource;
    // The Finder comment (length from bytes 99-100; 0 in MacBinary I), after the resource fork.
    TForkSpan Comment;
    // End of the last non-empty part without its padding: a file of exactly this size is complete
    // (many writers leave the last part unpadded).
    std::int64_t MinimalSize = kHeaderSize;
    // The same with the last part padded to 128 bytes, as careful writers leave it.
    std::int64_t PaddedSize = kHeaderSize;
    bool operator==(const TForkLayout&) const = default;
};

// The layout of a file of fileSize bytes with this header. Fork lengths are taken as unsigned
// 32-bit values and everything is computed in 64 bits, so no stored value can wrap.
TForkLayout ComputeForkLayout(const THeader& header, std::int64_t fileSize);

} // namespace kelda
