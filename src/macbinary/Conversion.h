// The three output files made from a MacBinary file: the file with a new (MacBinary II) header, the
// file without its header, and the data fork alone. Bodies are streamed in blocks; the output
// appears only when complete, and the source file can never be chosen as the output.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "util/Progress.h"

#include <cstdint>
#include <filesystem>

namespace kelda {

enum class TConvertStatus {
    Written,        // the output is complete and in place
    SourceIsOutput, // the output names the source file (or a link to it); nothing was written
};

// Bytes per read while copying, through one reused buffer.
inline constexpr std::size_t kConvertBlockSize = std::size_t{1} << 20;

// Whether two names denote the same existing file (also through links). False when either is missing.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);

// newHeader followed by the source's bytes from offset 128 to its end. A source of 128 bytes or
// fewer gives the 128 header bytes alone.
TConvertStatus WriteMacBinaryII(const THeader& newHeader, const std::filesystem::path& source,
                                const std::filesystem::path& output, const ProgressFn& progress = {});

// The source's bytes from offset 128 to its end (empty for a source of 128 bytes or fewer).
TConvertStatus WriteWithoutHeader(const std::filesystem::path& source, const std::filesystem::path& output,
                                  const ProgressFn& progress = {});

// The data fork: source bytes 128 to 128 + dataLength - 1, cut short where the source ends. A
// dataLength of 0 or below (a stored value of 0x80000000 or more) gives an empty file.
TConvertStatus WriteDataFork(const std::filesystem::path& source, std::int32_t dataLength,
                             const std::filesystem::path& output, const ProgressFn& progress = {});

// How many bytes WriteDataFork copies from a source of sourceSize bytes.
std::int64_t DataForkCopyLength(std::int32_t dataLength, std::int64_t sourceSize);

} // namespace kelda
