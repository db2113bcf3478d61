// SPDX-License-Identifier: MIT
#include "macbinary/Conversion.h"

#include "util/FileCopy.h"
#include "util/TAtomicOutput.h"
#include "util/TFileStream.h"

#include <algorithm>

namespace kelda {

namespace {

constexpr auto kHeaderBytes = static_cast<std::int64_t>(kHeaderSize);

// Copies count bytes from the source's offset 128 on, in the kernel where it can; a source that ends
// first (it shrank since it was opened) is the read-past-end error.
void CopyBody(const TFileStream& in, TFileStream& out, std::int64_t count, const ProgressFn& progress) {
    std::int64_t done = 0;
    CopyFileBytes(in, kHeaderBytes, out, count,
                  [&](std::size_t moved) {
                      done += static_cast<std::int64_t>(moved);
                      if (progress && !progress(done, count)) {
                          throw ECancelled();
                      }
                  },
                  {.StepSize = kConvertBlockSize});
}

std::int64_t BodySize(std::int64_t sourceSize) {
    return std::max<std::int64_t>(sourceSize - kHeaderBytes, 0);
}

// Opens the source, then writes header (if any) and count body bytes into a complete new output.
template <typename CountFn>
TConvertStatus Convert(const std::filesystem::path& source, const std::filesystem::path& output,
                       const THeader* header, CountFn bodyCount, const ProgressFn& progress,
                       bool replaceReadOnly) {
    TFileStream in(source, FileMode::Read);
    TAtomicOutput out(output);
    if (const TConvertStatus refused = GuardOutput(out, {StatOpenFile(in)}, replaceReadOnly);
        refused != TConvertStatus::Written) {
        return refused;
    }
    const std::int64_t count = bodyCount(in.Size());
    out.Create();
    if (header != nullptr) {
        out.Stream().WriteBuffer(header->data(), header->size());
    }
    CopyBody(in, out.Stream(), count, progress);
    in.Close();
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace

TConvertStatus GuardOutput(const TAtomicOutput& output, std::initializer_list<TFileStat> sources,
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

std::int64_t DataForkCopyLength(std::int32_t dataLength, std::int64_t sourceSize) {
    return std::clamp<std::int64_t>(dataLength, 0, BodySize(sourceSize));
}

TConvertStatus WriteMacBinaryII(const THeader& newHeader, const std::filesystem::path& source,
                                const std::filesystem::path& output, const ProgressFn& progress,
                                bool replaceReadOnly) {
    return Convert(source, output, &newHeader, BodySize, progress, replaceReadOnly);
}

TConvertStatus WriteWithoutHeader(const std::filesystem::path& source, const std::filesystem::path& output,
                                  const ProgressFn& progress, bool replaceReadOnly) {
    return Convert(source, output, nullptr, BodySize, progress, replaceReadOnly);
}

TConvertStatus WriteDataFork(const std::filesystem::path& source, std::int32_t dataLength,
                             const std::filesystem::path& output, const ProgressFn& progress,
                             bool replaceReadOnly) {
    return Convert(
        source, output, nullptr,
        [dataLength](std::int64_t size) { return DataForkCopyLength(dataLength, size); }, progress,
        replaceReadOnly);
}

} // namespace kelda
