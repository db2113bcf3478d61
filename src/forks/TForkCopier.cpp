// SPDX-License-Identifier: MIT
#include "forks/TForkCopier.h"

#include "macbinary/Conversion.h"
#include "macbinary/ForkLayout.h"

#include <algorithm>

namespace kelda {

TForkCopier::TForkCopier(TFileStream& out, std::int64_t total, ProgressFn progress)
    : out_(out), total_(total), progress_(std::move(progress)), buffer_(kConvertBlockSize) {}

void TForkCopier::Advance(std::size_t count) {
    done_ += static_cast<std::int64_t>(count);
    if (progress_ && !progress_(done_, total_)) {
        throw ECancelled();
    }
}

void TForkCopier::Copy(const TForkSource& source) {
    if (source.Stream == nullptr) {
        return;
    }
    for (std::int64_t at = 0; at < source.Length;) {
        const auto want =
            static_cast<std::size_t>(std::min<std::int64_t>(source.Length - at, kConvertBlockSize));
        const std::size_t got = source.Stream->ReadAt(buffer_.data(), want, source.Offset + at);
        if (got != want) {
            // The lengths were checked against the file's size: it has shrunk meanwhile.
            throw EFileError::readPastEnd();
        }
        out_.WriteBuffer(buffer_.data(), got);
        at += static_cast<std::int64_t>(got);
        Advance(got);
    }
}

void TForkCopier::Write(const void* bytes, std::size_t count) {
    out_.WriteBuffer(bytes, count);
    Advance(count);
}

void TForkCopier::PadTo128(std::int64_t length) {
    static constexpr std::uint8_t kZeros[kMacBinaryBlock] = {};
    const auto fill = static_cast<std::size_t>(PadToBlock(length) - length);
    if (fill > 0) {
        Write(kZeros, fill);
    }
}

} // namespace kelda
