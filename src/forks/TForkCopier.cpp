// SPDX-License-Identifier: MIT
#include "forks/TForkCopier.h"

#include "macbinary/Conversion.h"
#include "macbinary/ForkLayout.h"
#include "util/FileCopy.h"

namespace kelda {

TForkCopier::TForkCopier(TFileStream& out, std::int64_t total, ProgressFn progress)
    : out_(out), total_(total), progress_(std::move(progress)) {}

void TForkCopier::Advance(std::size_t count) {
    done_ += static_cast<std::int64_t>(count);
    if (progress_ && !progress_(done_, total_)) {
        throw ECancelled();
    }
}

void TForkCopier::Copy(const TForkSource& source) {
    if (source.Stream == nullptr || source.Length <= 0) {
        return;
    }
    // The lengths were checked against the file's size: a read past its end means it has shrunk.
    CopyFileBytes(*source.Stream, source.Offset, out_, source.Length,
                  [this](std::size_t moved) { Advance(moved); }, {.StepSize = kConvertBlockSize});
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
