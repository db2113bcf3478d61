// Reads a file from start to end in large blocks, for work that takes every byte in order (CRCs).
//
// A file larger than one block is read on a second thread into a few rotating buffers, so that
// copying the next block from the operating system overlaps the work on the current one; a
// smaller file is read on the caller's thread. The file is opened by the constructor (on the
// caller's thread, so opening errors surface there) and closed by the destructor on every path.
#pragma once

#include "util/TFileStream.h"

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <mutex>
#include <span>
#include <thread>
#include <vector>

namespace kelda {

class TFileBlockReader {
public:
    TFileBlockReader(const std::filesystem::path& file, std::size_t blockSize);
    ~TFileBlockReader();

    TFileBlockReader(const TFileBlockReader&) = delete;
    TFileBlockReader& operator=(const TFileBlockReader&) = delete;

    // The file's size when it was opened.
    std::int64_t Size() const { return FSize; }

    // The next block of the file; empty at its end. Valid until the next call. Rethrows a read
    // error (EFileError) here, on the caller's thread.
    std::span<const std::uint8_t> Next();

private:
    static constexpr std::size_t SlotCount = 3;

    struct TSlot {
        std::vector<std::uint8_t> Data;
        std::size_t Size = 0;
        bool Filled = false;
        bool Last = false; // end of file (Size 0) or a read error
        std::exception_ptr Error;
    };

    void ReadAhead();
    // Reads one block into slot; returns false at the end of the file.
    bool Fill(TSlot& slot);

    TFileStream FStream;
    std::int64_t FSize = 0;
    std::size_t FBlockSize;
    std::array<TSlot, SlotCount> FSlots;
    std::size_t FConsumerSlot = 0;
    bool FHolding = false; // the consumer holds FSlots[FConsumerSlot]
    bool FDone = false;    // the consumer has seen the last slot

    std::mutex FMutex;
    std::condition_variable FChanged;
    bool FStop = false;
    bool FThreaded = false; // false for a file of one block or less
    std::thread FThread;
};

} // namespace kelda
