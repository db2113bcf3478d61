// SPDX-License-Identifier: MIT
#include "resources/ByteSource.h"

#include <algorithm>
#include <cstring>

namespace kelda {

std::vector<std::uint8_t> TByteSource::ReadClipped(std::int64_t offset, std::int64_t count) const {
    const std::int64_t size = Size();
    if (offset < 0 || count <= 0 || offset >= size) {
        return {};
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(std::min(count, size - offset)));
    bytes.resize(ReadAt(bytes.data(), bytes.size(), offset));
    return bytes;
}

std::size_t TMemorySource::ReadAt(void* buffer, std::size_t count, std::int64_t offset) const {
    const auto size = static_cast<std::int64_t>(bytes_.size());
    if (offset < 0 || offset >= size) {
        return 0;
    }
    const auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), size - offset));
    std::memcpy(buffer, bytes_.data() + offset, n);
    return n;
}

TFileRangeSource::TFileRangeSource(const TFileStream& file, std::int64_t offset, std::int64_t length)
    : file_(file), offset_(std::max<std::int64_t>(offset, 0)), length_(0) {
    const std::int64_t available = file.Size() - offset_;
    length_ = std::clamp<std::int64_t>(length, 0, std::max<std::int64_t>(available, 0));
}

std::size_t TFileRangeSource::ReadAt(void* buffer, std::size_t count, std::int64_t offset) const {
    if (offset < 0 || offset >= length_) {
        return 0;
    }
    const auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(static_cast<std::int64_t>(count), length_ - offset));
    return file_.ReadAt(buffer, n, offset_ + offset);
}

} // namespace kelda
