// SPDX-License-Identifier: MIT
// Reads a regular file through memory mappings of a few megabytes at a time, so that work which
// takes every byte in order (CRCs) reads straight from the page cache, without copying the bytes
// out first. Only one window is mapped at a time, so the process never holds more than that of
// the file, whatever its size.
//
// A mapped file that is cut short while it is read would raise SIGBUS at the first page past its
// new end. Each window is therefore populated before it is handed out (a shrink shows there as a
// failed population), and the consumer runs under a guard that turns a SIGBUS inside the window
// into the read-past-end error. The guard skips the consumer's frames, so a consumer must not own
// objects with destructors while it works on a window (folding a CRC does not).
#pragma once

#include "util/Progress.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>

namespace kelda {

// Called with consecutive pieces of the file, from its start.
using TConsumeFn = std::function<void(const std::uint8_t* data, std::size_t size)>;

struct TMappedReadOptions {
    std::size_t WindowSize = std::size_t{16} << 20; // mapped at a time; a multiple of the page size
    std::size_t PieceSize = std::size_t{2} << 20;   // handed to consume between progress calls
    // Test seam: runs after a window is mapped and populated, before its first piece is consumed.
    std::function<void(std::int64_t windowOffset)> AfterMap = nullptr;
};

class TFileStream;

// One window of an open file, mapped read-only and unmapped on every path.
class TMappedWindow {
public:
    // offset: a multiple of the page size. Data() is null when the file cannot be mapped.
    TMappedWindow(const TFileStream& stream, std::int64_t offset, std::size_t size);
    ~TMappedWindow();
    TMappedWindow(const TMappedWindow&) = delete;
    TMappedWindow& operator=(const TMappedWindow&) = delete;

    const std::uint8_t* Data() const { return data_; }
    // Maps every page now, in one call, instead of one fault per few pages later. False when the
    // file no longer reaches the window's end.
    bool Populate() const;
    // Hands [at, at + size) of the window to consume under the guard; false when a page of the
    // window has gone (the file was cut short).
    bool Consume(const TConsumeFn& consume, std::size_t at, std::size_t size) const;

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_;
};

// Hands the file's bytes up to its size at opening to consume and returns true. Returns false,
// having consumed nothing, when the file cannot be mapped (not a regular file, an empty file, a
// file system or system without mappings): the caller then reads it the ordinary way. Opening
// errors throw the file layer's error; a file that ends before that size throws the read-past-end
// error; a progress function that returns false throws ECancelled.
bool ReadMapped(const std::filesystem::path& file, const TConsumeFn& consume, const ProgressFn& progress,
                const TMappedReadOptions& options = {});

} // namespace kelda
