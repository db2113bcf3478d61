// SPDX-License-Identifier: MIT
#include "forks/TMacBinarySource.h"

namespace kelda {

TMacBinarySource::TMacBinarySource(const std::filesystem::path& file) : stream_(file, FileMode::Read) {
    if (stream_.ReadAt(header_.data(), header_.size(), 0) != header_.size()) {
        throw EFileError::readPastEnd();
    }
    layout_ = ComputeForkLayout(header_, stream_.Size());
}

std::string TMacBinarySource::Comment() const {
    std::string bytes(static_cast<std::size_t>(layout_.Comment.Present), '\0');
    if (stream_.ReadAt(bytes.data(), bytes.size(), layout_.Comment.Offset) != bytes.size()) {
        throw EFileError::readPastEnd();
    }
    return bytes;
}

} // namespace kelda
