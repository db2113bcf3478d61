// SPDX-License-Identifier: MIT
// Reads a file from start to end in large blocks, for work that takes every byte in order (CRCs).
//
// Copying a cached file out of the operating system costs about as much as folding it into a
// CRC, so for a file of several blocks a second thread reads ahead into a small ring of buffers
// while the caller works on the block before. Both threads wait by spinning for a short while
// before they sleep: a processor that has gone idle can take long to wake.
//
// The reading thread never holds the caller up for long. Blocks are numbered and read with
// positional reads, and whichever thread comes to a block first takes it: when the reading
// thread falls behind (its processor is busy with other work, or there is only one), the
// caller reads the blocks itself; when the block the caller needs is still being read after
// TakeOverAfter, the caller reads that block again into its own buffer and goes on. So the
// caller is never much slower than reading on its own thread would be. And while the caller
// waits for a block, it reads a later one into the ring itself.
//
// The file is opened by the constructor (on the caller's thread, so opening errors surface
// there) and closed by the destructor on every path; read errors are raised by Next on the
// caller's thread.
#pragma once

#include "util/TFileStream.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace kelda {

class TFileBlockReader {
public:
    struct TOptions {
        std::size_t BlockSize = std::size_t{512} << 10;
        std::size_t Slots = 4; // buffers the reading thread may fill ahead
        // Read ahead on a second thread (for a file of more than two blocks on more than one
        // processor).
        bool ReadAhead = true;
        std::chrono::microseconds TakeOverAfter{1000};
        // Test seam: runs on the reading thread before it reads a block; an exception from it
        // counts as that block's read error.
        std::function<void(std::uint64_t block)> BeforeRead = nullptr;
        // Test seam: how often the caller's thread has been preempted so far (by default the
        // system's count).
        std::function<long()> Preemptions = nullptr;
    };

    TFileBlockReader(const std::filesystem::path& file, TOptions options);
    ~TFileBlockReader();

    TFileBlockReader(const TFileBlockReader&) = delete;
    TFileBlockReader& operator=(const TFileBlockReader&) = delete;

    // The file's size when it was opened.
    std::int64_t Size() const { return FSize; }

    // The next block of the file: whole blocks, then the rest; empty at the end. Reading stops at
    // the size the file had when it was opened, so a file that keeps growing is read to an end; one
    // that shrank ends early. The block stays valid until the next call.
    std::span<const std::uint8_t> Next();

    // Whether a reading thread was started.
    bool ReadsAhead() const { return FThread.joinable(); }
    // The blocks the caller read itself (into its own buffer or ahead into the ring) although the
    // reading thread was there.
    std::size_t BlocksReadByCaller() const { return FReadByCaller; }
    // Whether the reading thread was stopped because the caller kept being preempted by other
    // work.
    bool ReadingThreadRetired() const;

private:
    // A slot of the ring: Free → (the reading thread takes a block) Busy → Full → (the caller is
    // done with it) Free. Busy → Abandoned when the caller has given up waiting for the block;
    // the reading thread then drops what it read and frees the slot.
    enum TState : int { Free, Busy, Full, Abandoned };

    struct TSlot {
        std::vector<std::uint8_t> Data;
        std::atomic<int> State{Free}; // changed under FMutex, read without it while spinning
        std::uint64_t Index = 0;      // the block the slot is for, while Busy or Full
        std::size_t Size = 0;
        std::exception_ptr Error;
    };

    void ReadAheadLoop();
    // Marks slot as taken for block index; under FMutex.
    void Claim(TSlot& slot, std::uint64_t index);
    // Reads block index into slot, taken before, and marks it Full (Free when it was abandoned).
    void FillSlot(TSlot& slot, std::uint64_t index, bool onReadingThread);
    std::span<const std::uint8_t> ReadOwn(std::uint64_t index);
    // The bytes block index holds within the size at opening (0 past it).
    std::size_t BlockBytes(std::uint64_t index) const;
    std::span<const std::uint8_t> Deliver(std::span<const std::uint8_t> block);
    void ReleaseHeld();

    TFileStream FStream;
    std::int64_t FSize = 0;
    TOptions FOptions;

    std::vector<TSlot> FSlots;
    std::vector<std::uint8_t> FOwn; // the caller's buffer for the blocks it reads itself
    std::uint64_t FConsumed = 0;    // blocks handed out by Next
    TSlot* FHeld = nullptr;         // the slot whose block the caller has now
    bool FDone = false;
    std::size_t FReadByCaller = 0;
    std::chrono::microseconds FTakeOverAfter; // grows while take-overs do not help

    mutable std::mutex FMutex;
    std::condition_variable FChanged;
    std::uint64_t FNextClaim = 0; // the first block no thread has taken yet
    bool FEnded = false;          // the last block has been read into a slot
    bool FStop = false;
    bool FRetired = false;
    long FSwitchesAtStart = 0; // the caller's preemptions before the first block
    std::thread FThread;
};

} // namespace kelda
