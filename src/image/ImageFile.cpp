// SPDX-License-Identifier: MIT
#include "image/ImageFile.h"

#include "macbinary/MacBinaryHeader.h"

namespace kelda {

TImageFile::TImageFile(const std::filesystem::path& file) {
    own_.emplace(file, FileMode::Read);
    stream_ = &*own_;
    length_ = own_->Size();
    if (DetectImage(*own_, 0, length_) == TImageKind::Unknown) {
        THeader header{};
        const bool macBinary =
            own_->ReadAt(header.data(), header.size(), 0) == header.size() && IsMacBinary(header);
        if (SniffContainer(file) || macBinary) {
            wrapper_ = TMacFileSource::Open(file);
            const TForkSource data = wrapper_->Data();
            if (data.Stream != nullptr) {
                stream_ = data.Stream;
                offset_ = data.Offset;
                length_ = data.Length;
            }
        }
    }
    volumes_ = FindVolumes(*stream_, offset_, length_);
}

} // namespace kelda
