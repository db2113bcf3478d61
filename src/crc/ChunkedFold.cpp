// SPDX-License-Identifier: MIT
#include "crc/ChunkedFold.h"

#include "util/TFileStream.h"
#include "util/TMappedFile.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <vector>

namespace kelda {

namespace {

// Chunks that may be folded ahead of the one joined next: bounds the registers kept, whatever
// the file's size, when one thread stalls.
constexpr std::uint64_t kAhead = 4;
// A thread tries the slower way again every this many chunks.
constexpr std::uint64_t kRetryEvery = 16;
// Chunks shorter than this (the file's last) are not timed.
constexpr std::uint64_t kTimedBytes = std::uint64_t{1} << 20;

constexpr std::chrono::microseconds kMaxTakeOverAfter{1'000'000};

using Clock = std::chrono::steady_clock;

class TChunkedFold {
public:
    TChunkedFold(const std::filesystem::path& file, std::size_t count, const TChunkedFoldOptions& options)
        : stream_(file, FileMode::Read),
          size_(static_cast<std::uint64_t>(std::max<std::int64_t>(stream_.Size(), 0))), count_(count),
          options_(options), takeOverAfter_(std::max(options.TakeOverAfter, std::chrono::microseconds(1))) {
        options_.ChunkSize = std::max<std::size_t>(options_.ChunkSize, 1);
        options_.BlockSize = std::clamp<std::size_t>(options_.BlockSize, 1, options_.ChunkSize);
        chunks_ = (size_ + options_.ChunkSize - 1) / options_.ChunkSize;
        // Block devices and the like are read; only a regular file keeps its pages in the cache.
        struct stat st {};
        options_.Map = options_.Map && ::fstat(stream_.Handle(), &st) == 0 && S_ISREG(st.st_mode);
#ifdef __linux__
        // One pass over the file: its pages need not climb the cache's lists, and on Linux 6.3 and
        // later the reads then skip that bookkeeping, which two threads otherwise contend for.
        (void)::posix_fadvise(stream_.Handle(), 0, 0, POSIX_FADV_NOREUSE);
#endif
        slots_.resize(static_cast<std::size_t>(kAhead));
        registers_.resize(static_cast<std::size_t>(kAhead) * count_);
    }

    ~TChunkedFold() {
        {
            const std::lock_guard lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        if (thread_.joinable()) {
            thread_.join();
        }
    }

    TChunkedFold(const TChunkedFold&) = delete;
    TChunkedFold& operator=(const TChunkedFold&) = delete;

    std::int64_t Run(const std::function<std::unique_ptr<TChunkFolder>()>& makeFolder,
                     const std::function<void(std::span<const std::uint32_t>, std::uint64_t)>& join,
                     const ProgressFn& progress) {
        // A read never asks for more than the file holds: a block for a small file would cost more
        // to clear than the file to fold.
        const auto buffer = static_cast<std::size_t>(std::min<std::uint64_t>(options_.BlockSize, size_));
        TWorker own{makeFolder(), std::vector<std::uint8_t>(buffer), std::vector<std::uint32_t>(count_)};
        if (options_.SecondThread && chunks_ >= 2 && std::thread::hardware_concurrency() != 1) {
            helper_ =
                TWorker{makeFolder(), std::vector<std::uint8_t>(buffer), std::vector<std::uint32_t>(count_)};
            try {
                thread_ = std::thread([this] { HelperLoop(); });
            } catch (const std::system_error&) {
                // No thread to be had: this thread folds every chunk.
            }
        }
        if (size_ == 0) {
            return ReadToEnd(own, join, progress);
        }
        std::vector<std::uint32_t> joined(count_);
        for (std::uint64_t k = 0; k < chunks_; ++k) {
            AwaitChunk(k, own);
            {
                const std::lock_guard lock(mutex_);
                const TSlot& slot = slots_[static_cast<std::size_t>(k % kAhead)];
                if (slot.Error) {
                    std::rethrow_exception(slot.Error);
                }
                std::copy_n(registers_.begin() + static_cast<std::ptrdiff_t>(Base(k)), count_,
                            joined.begin());
                joined_ = k + 1;
            }
            changed_.notify_all();
            join(joined, ChunkBytes(k));
            const auto done = static_cast<std::int64_t>(std::min(size_, (k + 1) * options_.ChunkSize));
            if (progress && !progress(done, static_cast<std::int64_t>(size_))) {
                throw ECancelled();
            }
        }
        return static_cast<std::int64_t>(size_);
    }

private:
    enum class TWay { Map, Read };

    struct TWorker {
        std::unique_ptr<TChunkFolder> Folder;
        std::vector<std::uint8_t> Buffer;
        std::vector<std::uint32_t> Registers;
        // Nanoseconds per byte of each way's last chunk; 0 while not yet timed.
        std::array<double, 2> Cost{};
        std::uint64_t Chunks = 0;
        bool MapFailed = false;

        TWay Choose(bool mayMap) const {
            if (!mayMap || MapFailed) {
                return TWay::Read;
            }
            if (Cost[0] == 0 || Cost[1] == 0) {
                return Cost[0] == 0 ? TWay::Map : TWay::Read;
            }
            const TWay faster = Cost[0] <= Cost[1] ? TWay::Map : TWay::Read;
            const bool retry = Chunks % kRetryEvery == kRetryEvery - 1;
            return retry ? (faster == TWay::Map ? TWay::Read : TWay::Map) : faster;
        }
        void Took(TWay way, Clock::duration time, std::uint64_t bytes) {
            ++Chunks;
            if (bytes >= kTimedBytes) {
                const double ns =
                    static_cast<double>(std::chrono::duration_cast<std::chrono::nanoseconds>(time).count());
                Cost[static_cast<std::size_t>(way)] = std::max(ns, 1.0) / static_cast<double>(bytes);
            }
        }
    };
    struct TSlot {
        std::uint64_t Chunk = ~std::uint64_t{0};
        std::exception_ptr Error;
    };

    // A file whose size reads 0 may still yield bytes (files of /proc and /sys, some FUSE files): it
    // is read in order up to its end on this thread, each block joined as a chunk of its own.
    // Returns how many bytes it gave.
    std::int64_t ReadToEnd(const TWorker& own,
                           const std::function<void(std::span<const std::uint32_t>, std::uint64_t)>& join,
                           const ProgressFn& progress) {
        std::vector<std::uint8_t> block(options_.BlockSize);
        std::vector<std::uint32_t> registers(count_);
        std::int64_t done = 0;
        while (const std::size_t got = stream_.ReadAt(block.data(), block.size(), done)) {
            own.Folder->Start();
            own.Folder->Calc(block.data(), got);
            own.Folder->Registers(registers);
            join(registers, got);
            done += static_cast<std::int64_t>(got);
            if (progress && !progress(done, -1)) {
                throw ECancelled();
            }
        }
        return done;
    }

    std::size_t Base(std::uint64_t chunk) const {
        return static_cast<std::size_t>(chunk % kAhead) * count_;
    }

    std::uint64_t ChunkBytes(std::uint64_t chunk) const {
        return std::min<std::uint64_t>(options_.ChunkSize, size_ - chunk * options_.ChunkSize);
    }

    // The next chunk no thread has taken, within kAhead of the one joined next; under mutex_.
    std::optional<std::uint64_t> Claim() {
        if (nextClaim_ >= chunks_ || nextClaim_ >= joined_ + kAhead) {
            return std::nullopt;
        }
        return nextClaim_++;
    }

    void Fold(std::uint64_t chunk, TWorker& worker, bool secondThread) {
        if (options_.BeforeChunk) {
            options_.BeforeChunk(chunk, secondThread);
        }
        worker.Folder->Start();
        const std::uint64_t from = chunk * options_.ChunkSize;
        const std::uint64_t size = ChunkBytes(chunk);
        // Which way is faster depends on how the file's pages sit in the cache: pages held in
        // large blocks map several times faster than a read copies them, single pages map
        // slower. Each thread times both ways on its first chunks, then takes the faster one and
        // tries the other again now and then, as the file's pages may change along it.
        const auto started = Clock::now();
        const TWay way = worker.Choose(options_.Map);
        if (way != TWay::Map || !FoldMapped(from, size, worker)) {
            FoldRead(from, size, worker);
        }
        worker.Took(way, Clock::now() - started, size);
        worker.Folder->Registers(worker.Registers);
    }

    // False, having folded nothing, when the chunk cannot be mapped.
    bool FoldMapped(std::uint64_t from, std::uint64_t size, TWorker& worker) {
        const TMappedWindow window(stream_, static_cast<std::int64_t>(from), static_cast<std::size_t>(size));
        if (window.Data() == nullptr) {
            worker.MapFailed = true; // a file system without mappings: read from now on
            return false;
        }
        TChunkFolder& folder = *worker.Folder;
        const TConsumeFn calc = [&folder](const std::uint8_t* data, std::size_t n) { folder.Calc(data, n); };
        if (!window.Populate() || !window.Consume(calc, 0, static_cast<std::size_t>(size))) {
            throw EFileError::readPastEnd(); // cut short while it was read
        }
        return true;
    }

    void FoldRead(std::uint64_t from, std::uint64_t size, TWorker& worker) {
        for (std::uint64_t at = 0; at < size;) {
            const auto want =
                static_cast<std::size_t>(std::min<std::uint64_t>(options_.BlockSize, size - at));
            const std::size_t got =
                stream_.ReadAt(worker.Buffer.data(), want, static_cast<std::int64_t>(from + at));
            if (got < want) {
                throw EFileError::readPastEnd(); // cut short while it was read
            }
            worker.Folder->Calc(worker.Buffer.data(), got);
            at += got;
        }
    }

    // Leaves chunk's registers or its error in its slot, unless the other thread was first or the
    // chunk was joined already (its slot may then hold a later chunk); false then.
    bool Publish(std::uint64_t chunk, const TWorker& worker, std::exception_ptr error) {
        {
            const std::lock_guard lock(mutex_);
            TSlot& slot = slots_[static_cast<std::size_t>(chunk % kAhead)];
            if (chunk < joined_ || slot.Chunk == chunk) {
                return false;
            }
            slot.Chunk = chunk;
            slot.Error = std::move(error);
            std::copy(worker.Registers.begin(), worker.Registers.end(),
                      registers_.begin() + static_cast<std::ptrdiff_t>(Base(chunk)));
        }
        changed_.notify_all();
        return true;
    }

    // Returns once chunk k is in its slot: folds later chunks meanwhile, and chunk k itself when
    // the other thread has held it for TakeOverAfter with nothing else left to do.
    void AwaitChunk(std::uint64_t k, TWorker& own) {
        std::unique_lock lock(mutex_);
        const auto ready = [&] { return slots_[static_cast<std::size_t>(k % kAhead)].Chunk == k; };
        while (!ready()) {
            std::optional<std::uint64_t> chunk = Claim();
            const bool takeOver = !chunk;
            if (takeOver) {
                if (changed_.wait_for(lock, takeOverAfter_, ready)) {
                    return;
                }
                chunk = k;
            }
            lock.unlock();
            Fold(*chunk, own, false); // an error here ends the whole fold at once
            if (!Publish(*chunk, own, nullptr) && takeOver) {
                // The other thread was done first: its chunks take longer than the wait here (a
                // slow disk), and folding them twice only adds reads. Wait longer next time.
                takeOverAfter_ = std::min(2 * takeOverAfter_, kMaxTakeOverAfter);
            }
            lock.lock();
        }
    }

    void HelperLoop() {
        for (;;) {
            std::optional<std::uint64_t> chunk;
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [&] { return stop_ || nextClaim_ >= chunks_ || (chunk = Claim()); });
                if (!chunk) {
                    return;
                }
            }
            std::exception_ptr error;
            try {
                Fold(*chunk, helper_, true);
            } catch (...) {
                error = std::current_exception();
            }
            Publish(*chunk, helper_, std::move(error));
        }
    }

    TFileStream stream_;
    std::uint64_t size_;
    std::size_t count_;
    TChunkedFoldOptions options_;
    std::uint64_t chunks_ = 0;

    std::chrono::microseconds takeOverAfter_; // the caller's thread only
    TWorker helper_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<TSlot> slots_;             // chunk c in slot c % kAhead; under mutex_
    std::vector<std::uint32_t> registers_; // count_ per slot; under mutex_
    std::uint64_t nextClaim_ = 0;          // under mutex_
    std::uint64_t joined_ = 0;             // chunks handed to join; under mutex_
    bool stop_ = false;                    // under mutex_
    std::thread thread_;                   // last: started after everything it uses
};

} // namespace

std::int64_t FoldFileChunks(const std::filesystem::path& file, std::size_t count,
                            const std::function<std::unique_ptr<TChunkFolder>()>& makeFolder,
                            const std::function<void(std::span<const std::uint32_t>, std::uint64_t)>& join,
                            const ProgressFn& progress, const TChunkedFoldOptions& options) {
    TChunkedFold fold(file, count, options);
    return fold.Run(makeFolder, join, progress);
}

} // namespace kelda
