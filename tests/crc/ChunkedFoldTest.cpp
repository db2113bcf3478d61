// SPDX-License-Identifier: MIT
#include "crc/ChunkedFold.h"

#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kelda {
namespace {

constexpr std::size_t kChunk = std::size_t{64} << 10;

// Lets the caller's thread wait (a while at most) until the second thread has come to a chunk.
void WaitFor(const std::atomic<bool>& flag) {
    for (int i = 0; i < 10000 && !flag; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}

class ChunkedFoldTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-chunks-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        engine_->Init();
        start_ = engine_->KernelRegister();
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    fs::path Write(std::size_t size) {
        bytes_.resize(size);
        std::mt19937 rng(static_cast<unsigned>(size));
        for (auto& b : bytes_) {
            b = static_cast<std::uint8_t>(rng());
        }
        const fs::path p = dir_ / "file";
        std::ofstream(p, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes_.data()), static_cast<std::streamsize>(size));
        return p;
    }

    // The CRC of the file through the chunks, joined as the CRC functions join them.
    std::uint32_t Fold(const fs::path& file, const TChunkedFoldOptions& options,
                       const ProgressFn& progress = {}) {
        const TCrcKernel& kernel = engine_->Kernel();
        std::uint32_t reg = start_;
        FoldFileChunks(
            file, 1, [&kernel] { return std::make_unique<TKernelFolder>(kernel); },
            [&](std::span<const std::uint32_t> r, std::uint64_t size) {
                reg = kernel.Shift(reg, size) ^ r[0];
            },
            progress, options);
        engine_->SetKernelRegister(reg);
        return engine_->Value();
    }

    std::uint32_t InMemory(std::size_t size) {
        engine_->Init();
        engine_->Calc(bytes_.data(), 0, static_cast<std::int64_t>(size));
        return engine_->Value();
    }

    fs::path dir_;
    std::vector<std::uint8_t> bytes_;
    std::unique_ptr<TCrc> engine_ = MakeCrcEngine(CrcVariants[10]);
    std::uint32_t start_ = 0;
};

// Mapped or read, on one thread or two, every size around the chunk and block sizes gives the
// CRC of one pass, and progress comes once per chunk, up to the size.
TEST_F(ChunkedFoldTest, EveryWayGivesTheCrcOfOnePass) {
    const std::size_t sizes[] = {0, 1, kChunk - 1, kChunk, kChunk + 1, 7 * kChunk + 4099};
    for (const bool map : {true, false}) {
        for (const bool second : {true, false}) {
            for (const std::size_t size : sizes) {
                SCOPED_TRACE(testing::Message()
                             << (map ? "mapped" : "read") << (second ? ", two threads" : "") << ", " << size);
                const fs::path file = Write(size);
                std::vector<std::int64_t> seen;
                const std::uint32_t crc = Fold(
                    file, {.ChunkSize = kChunk, .Map = map, .BlockSize = 16 << 10, .SecondThread = second},
                    [&](std::int64_t done, std::int64_t total) {
                        EXPECT_EQ(total, static_cast<std::int64_t>(size));
                        seen.push_back(done);
                        return true;
                    });
                EXPECT_EQ(crc, InMemory(size));
                ASSERT_EQ(seen.size(), (size + kChunk - 1) / kChunk);
                for (std::size_t i = 0; i < seen.size(); ++i) {
                    EXPECT_EQ(seen[i], static_cast<std::int64_t>(std::min(size, (i + 1) * kChunk)));
                }
            }
        }
    }
}

// A file cut short before a chunk is read gives the read-past-end error, mapped or read; an error
// on the second thread reaches the caller; a cancel stops the fold.
TEST_F(ChunkedFoldTest, CutsErrorsAndCancelEndTheFold) {
    const std::size_t size = 12 * kChunk;
    for (const bool map : {true, false}) {
        SCOPED_TRACE(map ? "mapped" : "read");
        const fs::path file = Write(size);
        std::once_flag once;
        const auto cut = [&](std::uint64_t chunk, bool) {
            if (chunk >= 2) {
                std::call_once(once, [&] { fs::resize_file(file, kChunk + 100); });
            }
        };
        try {
            Fold(file, {.ChunkSize = kChunk, .Map = map, .BeforeChunk = cut});
            ADD_FAILURE() << "a cut file gave a CRC";
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
        }

        Write(size);
        std::atomic<bool> failed{false};
        const auto failOnSecond = [&](std::uint64_t, bool second) {
            if (second) {
                failed = true;
                throw EFileError::inOut(EIO);
            }
            WaitFor(failed);
        };
        try {
            // Without takeovers the caller has to wait for the chunks the second thread holds.
            Fold(file, {.ChunkSize = kChunk,
                        .Map = map,
                        .TakeOverAfter = std::chrono::seconds(30),
                        .BeforeChunk = failOnSecond});
            // A machine with one processor starts no second thread.
            EXPECT_EQ(std::thread::hardware_concurrency(), 1u);
        } catch (const EFileError& e) {
            EXPECT_EQ(e.errorCode(), EIO);
        }

        int calls = 0;
        EXPECT_THROW(Fold(file, {.ChunkSize = kChunk, .Map = map},
                          [&](std::int64_t, std::int64_t) { return ++calls < 3; }),
                     ECancelled);
        EXPECT_EQ(calls, 3);
    }
}

// A second thread that stalls on a chunk does not hold the result up: the caller folds that chunk
// itself, and the result is the same.
TEST_F(ChunkedFoldTest, TheCallerTakesOverAChunkTheStalledThreadHolds) {
    if (std::thread::hardware_concurrency() == 1) {
        GTEST_SKIP() << "one processor: no second thread";
    }
    const fs::path file = Write(6 * kChunk + 1);
    std::mutex mutex;
    std::set<std::uint64_t> byCaller;
    std::atomic<bool> stalled{false};
    const auto stall = [&](std::uint64_t chunk, bool second) {
        if (!second) {
            WaitFor(stalled);
            const std::lock_guard lock(mutex);
            byCaller.insert(chunk);
        } else if (!stalled.exchange(true)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            const std::lock_guard lock(mutex);
            byCaller.insert(1000 + chunk); // marks the chunk the second thread stalled on
        }
    };
    EXPECT_EQ(
        Fold(file,
             {.ChunkSize = kChunk, .TakeOverAfter = std::chrono::milliseconds(5), .BeforeChunk = stall}),
        InMemory(6 * kChunk + 1));
    const std::lock_guard lock(mutex);
    // Every chunk but the one the second thread took first was folded by the caller, and that one too.
    for (std::uint64_t c = 0; c < 7; ++c) {
        if (byCaller.count(c) == 0) {
            ADD_FAILURE() << "chunk " << c << " was not folded by the caller";
        }
    }
}

} // namespace
} // namespace kelda
