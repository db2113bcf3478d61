// SPDX-License-Identifier: MIT
// A MacBinary file opened to take its forks out: the header, where the parts really are, and the
// parts themselves as streamable sources (only the bytes the file holds).
#pragma once

#include "forks/TForkCopier.h"
#include "forks/TMacFileInfo.h"
#include "macbinary/ForkLayout.h"

#include <filesystem>
#include <string>

namespace kelda {

class TMacBinarySource {
public:
    // Opens the file and reads its header; a file shorter than the header throws the read-past-end
    // error of the file layer.
    explicit TMacBinarySource(const std::filesystem::path& file);

    const std::filesystem::path& File() const { return stream_.FileName(); }
    const THeader& Header() const { return header_; }
    const TForkLayout& Layout() const { return layout_; }
    const TFileStream& Stream() const { return stream_; }

    TMacFileInfo Info() const { return FileInfoFromHeader(header_); }
    TForkSource Data() const { return Source(layout_.Data); }
    TForkSource Resource() const { return Source(layout_.Resource); }
    // The Finder comment's bytes that the file holds (none in MacBinary I).
    std::string Comment() const;

private:
    TForkSource Source(const TForkSpan& span) const { return {&stream_, span.Offset, span.Present}; }

    TFileStream stream_;
    THeader header_{};
    TForkLayout layout_;
};

} // namespace kelda
