// SPDX-License-Identifier: MIT
// Copies a range of one open file into another without passing the bytes through this process
// where the system allows it: the kernel moves them from the source's page cache into the
// output's. Several ways are tried in turn, each taking over where the one before was refused,
// and the plain read-and-write loop is always the last. Where the layout of the two files makes
// the kernel ways slow (see CopyFileBytes), the plain loop copies some or all of the bytes.
#pragma once

#include "util/TFileStream.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace kelda {

// The ways of copying, in the order they are tried.
enum class TCopyMethod : int {
    Splice,    // source → a pipe of our own → output, 1 MiB at a time (Linux)
    CopyRange, // copy_file_range (Linux)
    SendFile,  // sendfile (Linux)
    Buffered,  // read into a buffer, write it out (everywhere)
};
inline constexpr std::size_t kCopyMethodCount = 4;

// The names the KELDA_COPY_METHOD diagnostic takes, by method.
inline constexpr std::array<const char*, kCopyMethodCount> kCopyMethodNames = {"splice", "copy-range",
                                                                               "sendfile", "buffered"};

struct TCopyOptions {
    // Most bytes moved between two calls of advance, so that progress moves and a cancel is seen.
    std::size_t StepSize = std::size_t{1} << 20;
    // Test seam: by method, an errno the method fails with at its first call instead of calling the
    // system (0: it runs).
    std::array<int, kCopyMethodCount> Refuse{};
    // Test seam: runs before each step with the bytes copied so far.
    std::function<void(std::int64_t done)> BeforeStep = nullptr;
};

// How many bytes each method moved.
struct TCopyReport {
    std::array<std::int64_t, kCopyMethodCount> Bytes{};
    std::int64_t Of(TCopyMethod method) const { return Bytes[static_cast<std::size_t>(method)]; }
};

// Copies count bytes of in, from inOffset on, to out at its position, which moves past them; in's
// position does not move. After each step advance gets the bytes of that step (it may throw to
// stop, as a cancel does). A source that ends before inOffset + count throws the read-past-end
// error naming it; bytes it gained since it was opened are not copied. Read and write failures
// throw the file layer's I/O error. A regular output gets the room for the bytes reserved first
// (on Linux), which makes writing into it faster; its size still grows only as the bytes arrive.
//
// The environment variable KELDA_COPY_METHOD, a diagnostic for measurements, names the method to
// start with (one of kCopyMethodNames); the methods before it are skipped.
TCopyReport CopyFileBytes(const TFileStream& in, std::int64_t inOffset, TFileStream& out, std::int64_t count,
                          const std::function<void(std::size_t)>& advance, const TCopyOptions& options = {});

} // namespace kelda
