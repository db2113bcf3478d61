// SPDX-License-Identifier: MIT
#include "crc/TFileBlockReader.h"

#include "util/ThreadPreemptions.h"

#include <algorithm>
#include <system_error>

namespace kelda {

namespace {

using Clock = std::chrono::steady_clock;

// How long a waiting thread spins before it sleeps. A cached block is read or folded in tens of
// microseconds, so the other thread is usually done well within this.
constexpr auto SpinTime = std::chrono::microseconds(50);

// Blocks between the caller's checks of how often it is preempted.
constexpr std::uint64_t RetireCheckBlocks = 16;

constexpr auto MaxTakeOverAfter = std::chrono::microseconds(1'000'000);

inline void CpuRelax() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}

// Spins until done() holds or SpinTime has passed; returns done().
template <typename Done> bool Spin(Done&& done) {
    const auto until = Clock::now() + SpinTime;
    for (;;) {
        for (int i = 0; i < 64; ++i) {
            if (done()) {
                return true;
            }
            CpuRelax();
        }
        if (Clock::now() >= until) {
            return done();
        }
    }
}

} // namespace

TFileBlockReader::TFileBlockReader(const std::filesystem::path& file, TOptions options)
    : FStream(file, FileMode::Read), FSize(FStream.Size()), FOptions(options),
      FTakeOverAfter(options.TakeOverAfter) {
    FOptions.BlockSize = std::max<std::size_t>(FOptions.BlockSize, 1);
    FOptions.Slots = std::max<std::size_t>(FOptions.Slots, 1);
    const auto size = static_cast<std::uint64_t>(std::max<std::int64_t>(FSize, 0));
    // On a single processor a second thread could only take turns with the work, and for a
    // file of a block or two starting it costs more than it saves.
    if (FOptions.ReadAhead && size > 2 * std::uint64_t{FOptions.BlockSize} &&
        std::thread::hardware_concurrency() != 1) {
        FSlots = std::vector<TSlot>(FOptions.Slots);
        for (TSlot& slot : FSlots) {
            slot.Data.resize(FOptions.BlockSize);
        }
        try {
            FThread = std::thread([this] { ReadAheadLoop(); });
        } catch (const std::system_error&) {
            // No thread to be had: the caller reads every block itself.
            FSlots.clear();
        }
    }
    if (!FThread.joinable()) {
        // Reading on the caller's thread only: a small file needs no full block.
        FOptions.BlockSize = static_cast<std::size_t>(std::clamp<std::uint64_t>(
            size, std::min<std::uint64_t>(4096, FOptions.BlockSize), FOptions.BlockSize));
    }
}

TFileBlockReader::~TFileBlockReader() {
    if (FThread.joinable()) {
        {
            const std::lock_guard lock(FMutex);
            FStop = true;
        }
        FChanged.notify_all();
        FThread.join();
    }
}

void TFileBlockReader::ReadAheadLoop() {
    for (;;) {
        TSlot* slot = nullptr;
        std::uint64_t index = 0;
        {
            std::unique_lock lock(FMutex);
            for (;;) {
                if (FStop || FEnded || FRetired) {
                    return;
                }
                index = FNextClaim;
                slot = &FSlots[index % FSlots.size()];
                if (slot->State.load(std::memory_order_relaxed) == Free) {
                    break;
                }
                // The caller is still on the block before in this slot.
                lock.unlock();
                const bool freed = Spin([&] { return slot->State.load(std::memory_order_acquire) == Free; });
                lock.lock();
                if (!freed) {
                    FChanged.wait(lock, [&] {
                        return FStop || FRetired || FNextClaim != index ||
                               slot->State.load(std::memory_order_relaxed) == Free;
                    });
                }
            }
            Claim(*slot, index);
        }
        FillSlot(*slot, index, /*onReadingThread=*/true);
    }
}

void TFileBlockReader::Claim(TSlot& slot, std::uint64_t index) {
    FNextClaim = index + 1;
    slot.Index = index;
    slot.State.store(Busy, std::memory_order_relaxed);
}

void TFileBlockReader::FillSlot(TSlot& slot, std::uint64_t index, bool onReadingThread) {
    // The slot's buffer is this thread's until the slot is marked Full or Free again.
    std::size_t size = 0;
    std::exception_ptr error;
    try {
        if (onReadingThread && FOptions.BeforeRead) {
            FOptions.BeforeRead(index);
        }
        size = FStream.ReadAt(slot.Data.data(), BlockBytes(index),
                              static_cast<std::int64_t>(index * FOptions.BlockSize));
    } catch (...) {
        error = std::current_exception();
    }
    {
        const std::lock_guard lock(FMutex);
        if (slot.State.load(std::memory_order_relaxed) == Abandoned) {
            // The caller read this block itself meanwhile.
            slot.State.store(Free, std::memory_order_release);
        } else {
            slot.Size = size;
            slot.Error = error;
            slot.State.store(Full, std::memory_order_release);
        }
        // A short block is the end of the file; nothing lies beyond it to read ahead.
        if (error || size < FOptions.BlockSize) {
            FEnded = true;
        }
    }
    FChanged.notify_all();
}

bool TFileBlockReader::ReadingThreadRetired() const {
    const std::lock_guard lock(FMutex);
    return FRetired;
}

void TFileBlockReader::ReleaseHeld() {
    if (FHeld == nullptr) {
        return;
    }
    {
        const std::lock_guard lock(FMutex);
        FHeld->Error = nullptr;
        FHeld->State.store(Free, std::memory_order_release);
    }
    FHeld = nullptr;
    FChanged.notify_all();
}

std::size_t TFileBlockReader::BlockBytes(std::uint64_t index) const {
    const std::uint64_t size = static_cast<std::uint64_t>(std::max<std::int64_t>(FSize, 0));
    const std::uint64_t start = index * FOptions.BlockSize;
    return start >= size
               ? 0
               : static_cast<std::size_t>(std::min<std::uint64_t>(FOptions.BlockSize, size - start));
}

std::span<const std::uint8_t> TFileBlockReader::ReadOwn(std::uint64_t index) {
    FOwn.resize(FOptions.BlockSize);
    try {
        const std::size_t size = FStream.ReadAt(FOwn.data(), BlockBytes(index),
                                                static_cast<std::int64_t>(index * FOptions.BlockSize));
        return Deliver({FOwn.data(), size});
    } catch (...) {
        FDone = true;
        throw;
    }
}

std::span<const std::uint8_t> TFileBlockReader::Deliver(std::span<const std::uint8_t> block) {
    ++FConsumed;
    if (block.size() < FOptions.BlockSize) {
        FDone = true;
    }
    return block;
}

std::span<const std::uint8_t> TFileBlockReader::Next() {
    ReleaseHeld();
    if (FDone) {
        return {};
    }
    const std::uint64_t index = FConsumed;
    if (!FThread.joinable()) {
        return ReadOwn(index);
    }
    if (index % RetireCheckBlocks == 0 && !FRetired) {
        const long switches = FOptions.Preemptions ? FOptions.Preemptions() : ThreadPreemptions();
        if (index == 0) {
            FSwitchesAtStart = switches;
        } else if (switches - FSwitchesAtStart > static_cast<long>(index / RetireCheckBlocks)) {
            // The caller loses its processor more than once every RetireCheckBlocks blocks: the
            // processors are busy with other work, which a second thread only makes worse.
            // The caller goes on alone; it takes every block no thread has taken.
            {
                const std::lock_guard lock(FMutex);
                FRetired = true;
            }
            FChanged.notify_all();
        }
    }
    TSlot& slot = FSlots[index % FSlots.size()];
    const auto takeOver = Clock::now() + FTakeOverAfter;
    std::unique_lock lock(FMutex);
    for (;;) {
        const int state = slot.State.load(std::memory_order_relaxed);
        if (state == Full && slot.Index == index) {
            FHeld = &slot;
            lock.unlock();
            if (slot.Error) {
                FDone = true;
                std::rethrow_exception(slot.Error);
            }
            return Deliver({slot.Data.data(), slot.Size});
        }
        if (FNextClaim == index) {
            // Not taken by the reading thread (it is behind, or has ended): read it here.
            FNextClaim = index + 1;
            lock.unlock();
            ++FReadByCaller;
            return ReadOwn(index);
        }
        // The reading thread has the block and is reading it.
        if (Clock::now() >= takeOver) {
            slot.State.store(Abandoned, std::memory_order_relaxed);
            lock.unlock();
            ++FReadByCaller;
            const auto start = Clock::now();
            const auto block = ReadOwn(index);
            if (Clock::now() - start >= FTakeOverAfter) {
                // Reading the block here took as long as the wait: the file comes from a slow
                // disk rather than from a stalled thread, so wait longer before the next take-over.
                FTakeOverAfter = std::min<std::chrono::microseconds>(2 * FTakeOverAfter, MaxTakeOverAfter);
            }
            return block;
        }
        // Rather than wait, read a later block into its slot, as the reading thread would: when
        // folding is faster than reading, two threads copying keep it busier.
        const std::uint64_t ahead = FNextClaim;
        if (!FEnded && ahead < index + FSlots.size()) {
            TSlot& later = FSlots[ahead % FSlots.size()];
            if (later.State.load(std::memory_order_relaxed) == Free) {
                Claim(later, ahead);
                lock.unlock();
                ++FReadByCaller;
                FillSlot(later, ahead, /*onReadingThread=*/false);
                lock.lock();
                continue;
            }
        }
        lock.unlock();
        const bool ready = Spin([&] { return slot.State.load(std::memory_order_acquire) == Full; });
        lock.lock();
        if (!ready) {
            FChanged.wait_until(lock, takeOver, [&] {
                return slot.State.load(std::memory_order_relaxed) == Full || FNextClaim == index;
            });
        }
    }
}

} // namespace kelda
