// SPDX-License-Identifier: MIT
// The three output files made from a MacBinary file: the file with a new (MacBinary II) header, the
// file without its header, and the data fork alone. Bodies are copied in blocks, by the kernel where
// the system allows (util/FileCopy); the output appears only when complete, and the source file can never be
// chosen as the output.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "util/Progress.h"
#include "util/TFolder.h"

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>

namespace kelda {

class TAtomicOutput;

enum class TConvertStatus {
    Written,        // the output is complete and in place
    SourceIsOutput, // the output names the source file (or a link to it); nothing was written
    OutputReadOnly, // the output is a read-only file and replacing it was not allowed; nothing was written
};

// Bytes copied between two progress calls (and per read when the bytes pass through a buffer).
inline constexpr std::size_t kConvertBlockSize = std::size_t{1} << 20;

// The conversions copy as many body bytes as the source held when it was opened: a source that grows
// meanwhile is cut there, and one that shrinks ends the copy with the read-past-end error and leaves
// no output. The source and the output are compared as the kernel opens them (device and inode), so
// no chain of links can make the one the other. A read-only output is replaced only when
// replaceReadOnly is set.

// newHeader followed by the source's bytes from offset 128 to its end. A source of 128 bytes or
// fewer gives the 128 header bytes alone.
TConvertStatus WriteMacBinaryII(const THeader& newHeader, const std::filesystem::path& source,
                                const std::filesystem::path& output, const ProgressFn& progress = {},
                                bool replaceReadOnly = false);

// The source's bytes from offset 128 to its end (empty for a source of 128 bytes or fewer).
TConvertStatus WriteWithoutHeader(const std::filesystem::path& source, const std::filesystem::path& output,
                                  const ProgressFn& progress = {}, bool replaceReadOnly = false);

// The data fork of the source whose header is header: the bytes where ComputeForkLayout puts it
// (from byte 128, or after the secondary header padded to 128 bytes), as many as the header's
// unsigned 32-bit length says, cut short where the source ends.
TConvertStatus WriteDataFork(const std::filesystem::path& source, const THeader& header,
                             const std::filesystem::path& output, const ProgressFn& progress = {},
                             bool replaceReadOnly = false);

// The guards every output made from sources passes before it is created: SourceIsOutput when the
// file it would replace is one of the sources as they were opened (device and inode), else
// OutputReadOnly when it would replace a read-only file without replaceReadOnly, else Written. The
// sources are spared by every later clean-up of stale temporaries (SpareFromCleanup).
TConvertStatus GuardOutput(const TAtomicOutput& output, std::span<const TFileStat> sources,
                           bool replaceReadOnly);
inline TConvertStatus GuardOutput(const TAtomicOutput& output, std::initializer_list<TFileStat> sources,
                                  bool replaceReadOnly) {
    return GuardOutput(output, std::span<const TFileStat>(sources.begin(), sources.size()), replaceReadOnly);
}

// The leave to replace a read-only output, asked for at most once in a run of attempts: an attempt
// runs with Given(), and Retry says whether the one that just ended should run again, now with leave
// (it refused a read-only output and ask() said yes). Status is any status with OutputReadOnly.
class TReadOnlyLeave {
public:
    bool Given() const { return given_; }
    template <typename Status, typename Ask> bool Retry(Status status, Ask ask) {
        if (status != Status::OutputReadOnly || given_ || asked_) {
            return false;
        }
        asked_ = true;
        given_ = ask();
        return given_;
    }

private:
    bool given_ = false;
    bool asked_ = false;
};

} // namespace kelda
