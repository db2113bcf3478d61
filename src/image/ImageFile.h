// SPDX-License-Identifier: MIT
// A disk image opened for reading, bare or as the data fork of a Mac file: a file whose own bytes
// hold a known image (DiskCopy 4.2, a partition map, HFS) is read as it is; otherwise the file is
// opened through the one model (MacBinary, AppleSingle, AppleDouble, BinHex) and its data fork is
// the image. The volumes it holds are found through every layer (FindVolumes).
#pragma once

#include "forks/TMacFile.h"
#include "image/DiskImage.h"
#include "util/TFileStream.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace kelda {

class TImageFile {
public:
    // Throws EImageError (NotDiskImage and the layers' damage), EBilingualError for a damaged
    // container around it, EFileError when the file cannot be read.
    explicit TImageFile(const std::filesystem::path& file);

    // The stream and range the image lies in.
    const TFileStream& Stream() const { return *stream_; }
    std::int64_t Offset() const { return offset_; }
    std::int64_t Length() const { return length_; }
    // The Mac file around the image, when there is one (its container and name, for display).
    const std::optional<TMacFileSource>& Wrapper() const { return wrapper_; }
    const std::vector<TVolumeRange>& Volumes() const { return volumes_; }

private:
    std::optional<TFileStream> own_;
    std::optional<TMacFileSource> wrapper_;
    const TFileStream* stream_ = nullptr;
    std::int64_t offset_ = 0;
    std::int64_t length_ = 0;
    std::vector<TVolumeRange> volumes_;
};

} // namespace kelda
