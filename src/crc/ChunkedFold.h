// SPDX-License-Identifier: MIT
// Folds CRCs of a file on two threads at once.
//
// A CRC register is linear in the bytes: the register after A then B is the register after A
// shifted over |B| zero bytes (TCrcKernel::Shift) plus the register B gives from zero. So the
// file is cut into chunks, each thread folds whole chunks, each from a zero register, and the
// caller joins the chunks' registers in file order. A chunk of a regular file is mapped and
// folded straight from the page cache (the mapping of each chunk, populated in one call, is
// what costs most, and two threads share that); other files, and systems without mappings, are
// read with positional reads into a buffer of each thread. Either way the whole is faster than
// a plain read of the file on one processor. At most two chunks are mapped at a time, so memory
// stays bounded whatever the file's size.
//
// Chunks go to whichever thread asks first, so a thread that other work keeps off its processor
// simply does fewer of them. When the caller has nothing left to do but wait for a chunk the
// other thread holds, it waits at most TakeOverAfter and then folds that chunk itself: a
// stalled thread never holds the result up for long. Progress and cancel run on the caller's
// thread after each chunk is joined.
#pragma once

#include "crc/CrcKernel.h"
#include "util/Progress.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>

namespace kelda {

// The folding state of one thread: the registers of any number of CRCs over one chunk.
class TChunkFolder {
public:
    virtual ~TChunkFolder() = default;
    // A new chunk: every register from zero.
    virtual void Start() = 0;
    virtual void Calc(const std::uint8_t* data, std::size_t size) = 0;
    // The registers over the bytes since Start, in the kernels' form.
    virtual void Registers(std::span<std::uint32_t> out) const = 0;
};

// One kernel's register over a chunk, from zero.
class TKernelFolder final : public TChunkFolder {
public:
    explicit TKernelFolder(const TCrcKernel& kernel) : kernel_(kernel) {}
    void Start() override { reg_ = 0; }
    void Calc(const std::uint8_t* data, std::size_t size) override {
        reg_ = kernel_.Update(reg_, data, size);
    }
    void Registers(std::span<std::uint32_t> out) const override { out[0] = reg_; }

private:
    const TCrcKernel& kernel_;
    std::uint32_t reg_ = 0;
};

struct TChunkedFoldOptions {
    std::size_t ChunkSize = std::size_t{4} << 20; // a multiple of the page size, for mapping
    // Map the chunks of a regular file rather than read them (where the system can); a mapped
    // chunk needs no copy out of the page cache.
    bool Map = true;
    std::size_t BlockSize = std::size_t{512} << 10; // one positional read; stays in the cache
    // Only on more than one processor, for a file of two chunks or more. Without it, the chunks
    // are folded one after the other, in file order, on the caller's thread.
    bool SecondThread = true;
    std::chrono::microseconds TakeOverAfter{2000};
    // Test seam: runs before a chunk is read, on the thread that reads it (secondThread: whether
    // that is the second thread); an exception from it counts as that chunk's read error.
    std::function<void(std::uint64_t chunk, bool secondThread)> BeforeChunk = nullptr;
};

// Reads the file up to its size at opening (a file that keeps growing is not read forever); a file
// whose size reads 0 is read to its end instead, since some give bytes all the same. Hands
// each chunk's registers (count of them) to join, in file order, with the chunk's size.
// makeFolder gives each thread its folder. Opening and read errors throw the file layer's error;
// a file that ends before that size throws the read-past-end error; a progress function that
// returns false throws ECancelled. Returns how many bytes were folded.
std::int64_t FoldFileChunks(const std::filesystem::path& file, std::size_t count,
                            const std::function<std::unique_ptr<TChunkFolder>()>& makeFolder,
                            const std::function<void(std::span<const std::uint32_t>, std::uint64_t)>& join,
                            const ProgressFn& progress, const TChunkedFoldOptions& options = {});

} // namespace kelda
