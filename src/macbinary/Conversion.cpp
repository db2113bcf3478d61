#include "macbinary/Conversion.h"

#include "macbinary/TAtomicOutput.h"
#include "util/TFileStream.h"

#include <algorithm>
#include <system_error>
#include <vector>

namespace kelda {

namespace {

constexpr auto kHeaderBytes = static_cast<std::int64_t>(kHeaderSize);

// Copies up to count bytes from the source's offset 128 on; stops early if the source ends first.
void CopyBody(TFileStream& in, TFileStream& out, std::int64_t count, const ProgressFn& progress) {
    if (count <= 0) {
        return;
    }
    in.Seek(kHeaderBytes);
    std::vector<std::uint8_t> buffer(kConvertBlockSize);
    std::int64_t done = 0;
    while (done < count) {
        const auto want = static_cast<std::size_t>(std::min<std::int64_t>(count - done, kConvertBlockSize));
        const std::size_t got = in.Read(buffer.data(), want);
        if (got == 0) {
            break;
        }
        out.WriteBuffer(buffer.data(), got);
        done += static_cast<std::int64_t>(got);
        if (progress && !progress(done, count)) {
            throw ECancelled();
        }
    }
}

std::int64_t BodySize(std::int64_t sourceSize) {
    return std::max<std::int64_t>(sourceSize - kHeaderBytes, 0);
}

// Opens the source, then writes header (if any) and count body bytes into a complete new output.
template <typename CountFn>
TConvertStatus Convert(const std::filesystem::path& source, const std::filesystem::path& output,
                       const THeader* header, CountFn bodyCount, const ProgressFn& progress) {
    if (IsSameFile(source, output)) {
        return TConvertStatus::SourceIsOutput;
    }
    TFileStream in(source, FileMode::Read);
    const std::int64_t count = bodyCount(in.Size());
    TAtomicOutput out(output);
    if (header != nullptr) {
        out.Stream().WriteBuffer(header->data(), header->size());
    }
    CopyBody(in, out.Stream(), count, progress);
    in.Close();
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    std::error_code ec;
    const bool same = std::filesystem::equivalent(a, b, ec);
    return !ec && same;
}

std::int64_t DataForkCopyLength(std::int32_t dataLength, std::int64_t sourceSize) {
    return std::clamp<std::int64_t>(dataLength, 0, BodySize(sourceSize));
}

TConvertStatus WriteMacBinaryII(const THeader& newHeader, const std::filesystem::path& source,
                                const std::filesystem::path& output, const ProgressFn& progress) {
    return Convert(source, output, &newHeader, BodySize, progress);
}

TConvertStatus WriteWithoutHeader(const std::filesystem::path& source, const std::filesystem::path& output,
                                  const ProgressFn& progress) {
    return Convert(source, output, nullptr, BodySize, progress);
}

TConvertStatus WriteDataFork(const std::filesystem::path& source, std::int32_t dataLength,
                             const std::filesystem::path& output, const ProgressFn& progress) {
    return Convert(
        source, output, nullptr,
        [dataLength](std::int64_t size) { return DataForkCopyLength(dataLength, size); }, progress);
}

} // namespace kelda
