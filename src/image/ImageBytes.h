// SPDX-License-Identifier: MIT
// Exact reads from a byte range of an open file (an image, or an image inside another file), each
// checked against the range: a structure that runs past its end is a fault naming it, never a
// short read taken for data, and no read is larger than the caller's fixed buffer.
#pragma once

#include "image/ImageFault.h"
#include "util/TFileStream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace kelda {

class TImageBytes {
public:
    // The range [offset, offset + length) of file; the RangeOutsideFile fault when it does not lie
    // inside the file.
    TImageBytes(const TFileStream& file, std::int64_t offset, std::int64_t length);

    const TFileStream& File() const { return *file_; }
    std::int64_t Offset() const { return offset_; }
    std::int64_t Length() const { return length_; }

    // Whether count bytes from at lie inside the range.
    bool Holds(std::int64_t at, std::int64_t count) const {
        return at >= 0 && count >= 0 && at <= length_ && count <= length_ - at;
    }
    // count bytes from at (relative to the range) into buffer; the StructureCut fault naming the
    // structure when they do not all lie inside the range (or the file ends early meanwhile).
    void Read(void* buffer, std::size_t count, std::int64_t at, TImageStructure structure) const;
    std::vector<std::uint8_t> Read(std::size_t count, std::int64_t at, TImageStructure structure) const;
    // The sub-range [at, at + count), which must lie inside this one.
    TImageBytes Sub(std::int64_t at, std::int64_t count) const;

private:
    const TFileStream* file_;
    std::int64_t offset_;
    std::int64_t length_;
};

} // namespace kelda
