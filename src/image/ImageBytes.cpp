// SPDX-License-Identifier: MIT
#include "image/ImageBytes.h"

#include <string>

namespace kelda {

TImageBytes::TImageBytes(const TFileStream& file, std::int64_t offset, std::int64_t length)
    : file_(&file), offset_(offset), length_(length) {
    const std::int64_t size = file.Size();
    if (offset < 0 || length < 0 || offset > size || length > size - offset) {
        ThrowImageFault(TImageFault::RangeOutsideFile, TImageStructure::Image,
                        {std::to_string(offset), std::to_string(length), std::to_string(size)});
    }
}

void TImageBytes::Read(void* buffer, std::size_t count, std::int64_t at, TImageStructure structure) const {
    const auto wanted = static_cast<std::int64_t>(count);
    if (!Holds(at, wanted) || file_->ReadAt(buffer, count, offset_ + at) != count) {
        ThrowImageFault(TImageFault::StructureCut, structure,
                        {std::to_string(at), std::to_string(count), std::to_string(length_)});
    }
}

std::vector<std::uint8_t> TImageBytes::Read(std::size_t count, std::int64_t at,
                                            TImageStructure structure) const {
    if (!Holds(at, static_cast<std::int64_t>(count))) {
        // Refused before the buffer is sized by an untrusted count.
        ThrowImageFault(TImageFault::StructureCut, structure,
                        {std::to_string(at), std::to_string(count), std::to_string(length_)});
    }
    std::vector<std::uint8_t> bytes(count);
    Read(bytes.data(), count, at, structure);
    return bytes;
}

TImageBytes TImageBytes::Sub(std::int64_t at, std::int64_t count) const {
    if (!Holds(at, count)) {
        ThrowImageFault(TImageFault::StructureCut, TImageStructure::Image,
                        {std::to_string(at), std::to_string(count), std::to_string(length_)});
    }
    TImageBytes sub = *this;
    sub.offset_ = offset_ + at;
    sub.length_ = count;
    return sub;
}

} // namespace kelda
