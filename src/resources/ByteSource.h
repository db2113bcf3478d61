// SPDX-License-Identifier: MIT
// Bytes read by offset from a bounded range: a resource fork inside a file, or bytes in memory.
// Readers of untrusted structures ask for exactly the bytes they need and never more than the
// range holds, so a length field cannot make them read, or allocate, past the end.
#pragma once

#include "util/TFileStream.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kelda {

class TByteSource {
public:
    virtual ~TByteSource() = default;
    // How many bytes the range holds.
    virtual std::int64_t Size() const = 0;
    // Copies up to count bytes from offset (0 = the range's first byte); returns how many were
    // copied, fewer than count only at the end of the range.
    virtual std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset) const = 0;

    // The bytes [offset, offset + count) clipped to the range.
    std::vector<std::uint8_t> ReadClipped(std::int64_t offset, std::int64_t count) const;
};

class TMemorySource final : public TByteSource {
public:
    explicit TMemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset) const override;

private:
    std::span<const std::uint8_t> bytes_;
};

// length bytes of an open file from offset on (clipped to the file's size when it was opened).
// The file must outlive the source.
class TFileRangeSource final : public TByteSource {
public:
    TFileRangeSource(const TFileStream& file, std::int64_t offset, std::int64_t length);
    std::int64_t Size() const override { return length_; }
    std::size_t ReadAt(void* buffer, std::size_t count, std::int64_t offset) const override;

private:
    const TFileStream& file_;
    std::int64_t offset_;
    std::int64_t length_;
};

} // namespace kelda
