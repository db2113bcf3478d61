#include "crc/TFileBlockReader.h"

#include <algorithm>
#include <system_error>

namespace kelda {

TFileBlockReader::TFileBlockReader(const std::filesystem::path& file, std::size_t blockSize)
    : FStream(file, FileMode::Read), FSize(FStream.Size()), FBlockSize(std::max<std::size_t>(blockSize, 1)) {
    // On a single processor a second thread could only take turns with the work.
    if (FSize > static_cast<std::int64_t>(FBlockSize) && std::thread::hardware_concurrency() != 1) {
        for (TSlot& slot : FSlots) {
            slot.Data.resize(FBlockSize);
        }
        try {
            FThread = std::thread([this] { ReadAhead(); });
            FThreaded = true;
        } catch (const std::system_error&) {
            // No thread to be had: read on the caller's thread instead.
        }
    } else {
        // A small file (or one that grows while it is read) needs no more than one block here.
        FSlots[0].Data.resize(std::clamp<std::size_t>(
            static_cast<std::size_t>(std::max<std::int64_t>(FSize, 0)), std::size_t{4096}, FBlockSize));
    }
}

TFileBlockReader::~TFileBlockReader() {
    if (FThreaded) {
        {
            const std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        FThread.join();
    }
}

bool TFileBlockReader::Fill(TSlot& slot) {
    try {
        slot.Size = FStream.Read(slot.Data.data(), slot.Data.size());
        slot.Last = slot.Size == 0;
    } catch (...) {
        slot.Error = std::current_exception();
        slot.Last = true;
    }
    return !slot.Last;
}

void TFileBlockReader::ReadAhead() {
    for (std::size_t i = 0;; i = (i + 1) % SlotCount) {
        TSlot& slot = FSlots[i];
        {
            std::unique_lock lock(FMutex);
            FChanged.wait(lock, [&] { return FStop || !slot.Filled; });
            if (FStop) {
                return;
            }
        }
        // The slot is this thread's until it is marked filled.
        const bool more = Fill(slot);
        {
            const std::lock_guard lock(FMutex);
            slot.Filled = true;
        }
        FChanged.notify_all();
        if (!more) {
            return;
        }
    }
}

std::span<const std::uint8_t> TFileBlockReader::Next() {
    if (FDone) {
        return {};
    }
    if (!FThreaded) {
        TSlot& slot = FSlots[0];
        Fill(slot);
        if (slot.Error) {
            FDone = true;
            std::rethrow_exception(slot.Error);
        }
        FDone = slot.Last;
        return {slot.Data.data(), slot.Size};
    }
    std::unique_lock lock(FMutex);
    if (FHolding) {
        FSlots[FConsumerSlot].Filled = false;
        FConsumerSlot = (FConsumerSlot + 1) % SlotCount;
        FHolding = false;
        FChanged.notify_all();
    }
    TSlot& slot = FSlots[FConsumerSlot];
    FChanged.wait(lock, [&] { return slot.Filled; });
    FHolding = true;
    if (slot.Last) {
        FDone = true;
        if (slot.Error) {
            std::rethrow_exception(slot.Error);
        }
        return {};
    }
    return {slot.Data.data(), slot.Size};
}

} // namespace kelda
