// SPDX-License-Identifier: MIT
#include "macbinary/Conversion.h"

#include "macbinary/ForkLayout.h"
#include "util/FileCopy.h"
#include "util/TAtomicOutput.h"
#include "util/TFileStream.h"

#include <algorithm>

namespace kelda {

namespace {

constexpr auto kHeaderBytes = static_cast<std::int64_t>(kHeaderSize);

// The bytes of the source a conversion copies after the header it writes (if any).
struct TBodyRange {
    std::int64_t Offset = kHeaderBytes;
    std::int64_t Count = 0;
};

// Copies the body range of the source, in the kernel where it can; a source that ends first (it
// shrank since it was opened) is the read-past-end error.
void CopyBody(const TFileStream& in, TFileStream& out, const TBodyRange& body, const ProgressFn& progress) {
    const std::int64_t count = body.Count;
    std::int64_t done = 0;
    CopyFileBytes(in, body.Offset, out, count,
                  [&](std::size_t moved) {
                      done += static_cast<std::int64_t>(moved);
                      if (progress && !progress(done, count)) {
                          throw ECancelled();
                      }
                  },
                  {.StepSize = kConvertBlockSize});
}

// Everything after the 128-byte header.
TBodyRange AfterHeader(std::int64_t sourceSize) {
    return {kHeaderBytes, std::max<std::int64_t>(sourceSize - kHeaderBytes, 0)};
}

// Opens the source, then writes header (if any) and the body range that bodyOf gives for the
// source's size into a complete new output.
template <typename BodyFn>
TConvertStatus Convert(const std::filesystem::path& source, const std::filesystem::path& output,
                       const THeader* header, BodyFn bodyOf, const ProgressFn& progress,
                       bool replaceReadOnly) {
    TFileStream in(source, FileMode::Read);
    TAtomicOutput out(output);
    if (const TConvertStatus refused = GuardOutput(out, {StatOpenFile(in)}, replaceReadOnly);
        refused != TConvertStatus::Written) {
        return refused;
    }
    const TBodyRange body = bodyOf(in.Size());
    out.Create();
    if (header != nullptr) {
        out.Stream().WriteBuffer(header->data(), header->size());
    }
    CopyBody(in, out.Stream(), body, progress);
    in.Close();
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace

TConvertStatus GuardOutput(const TAtomicOutput& output, std::span<const TFileStat> sources,
                           bool replaceReadOnly) {
    for (const TFileStat& source : sources) {
        SpareFromCleanup(source);
        if (output.Replaces(source)) {
            return TConvertStatus::SourceIsOutput;
        }
    }
    if (!replaceReadOnly && output.ReplacesReadOnlyFile()) {
        return TConvertStatus::OutputReadOnly;
    }
    return TConvertStatus::Written;
}

TConvertStatus WriteMacBinaryII(const THeader& newHeader, const std::filesystem::path& source,
                                const std::filesystem::path& output, const ProgressFn& progress,
                                bool replaceReadOnly) {
    return Convert(source, output, &newHeader, AfterHeader, progress, replaceReadOnly);
}

TConvertStatus WriteWithoutHeader(const std::filesystem::path& source, const std::filesystem::path& output,
                                  const ProgressFn& progress, bool replaceReadOnly) {
    return Convert(source, output, nullptr, AfterHeader, progress, replaceReadOnly);
}

TConvertStatus WriteDataFork(const std::filesystem::path& source, const THeader& header,
                             const std::filesystem::path& output, const ProgressFn& progress,
                             bool replaceReadOnly) {
    // The data fork lies where the fork layout puts it (after a secondary header, if any), so
    // this output and every other reader of the fork agree.
    return Convert(
        source, output, nullptr,
        [&header](std::int64_t size) {
            const TForkSpan data = ComputeForkLayout(header, size).Data;
            return TBodyRange{data.Offset, data.Present};
        },
        progress, replaceReadOnly);
}

} // namespace kelda
