// SPDX-License-Identifier: MIT
// Streams parts of open files into an output, by the kernel where the system allows (util/FileCopy),
// with one progress count over all of them (the conversions' block size, progress callback and
// cancel). No part is ever held whole, whatever its size.
#pragma once

#include "util/Progress.h"
#include "util/TFileStream.h"

#include <cstdint>

namespace kelda {

// Length bytes of Stream from Offset on (nothing when Stream is null or Length is 0).
struct TForkSource {
    const TFileStream* Stream = nullptr;
    std::int64_t Offset = 0;
    std::int64_t Length = 0;
};

class TForkCopier {
public:
    // total: the bytes the whole output will take, for the progress callback.
    TForkCopier(TFileStream& out, std::int64_t total, ProgressFn progress);

    void Copy(const TForkSource& source);
    void Write(const void* bytes, std::size_t count);
    // Zero bytes up to the next multiple of 128 after a part of `length` bytes.
    void PadTo128(std::int64_t length);

    std::int64_t Written() const { return done_; }

private:
    void Advance(std::size_t count);

    TFileStream& out_;
    std::int64_t total_;
    ProgressFn progress_;
    std::int64_t done_ = 0;
};

} // namespace kelda
