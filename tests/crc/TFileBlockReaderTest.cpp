// SPDX-License-Identifier: MIT
#include "crc/TFileBlockReader.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace kelda {
namespace {

constexpr std::size_t Block = 4096;

class TFileBlockReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-blocks-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path Write(std::size_t size) {
        const fs::path p = dir_ / ("f" + std::to_string(size));
        bytes_.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            bytes_[i] = static_cast<char>(i * 7 + i / 251);
        }
        std::ofstream(p, std::ios::binary).write(bytes_.data(), static_cast<std::streamsize>(size));
        return p;
    }

    // Everything Next hands out, checking the block sizes on the way: whole blocks, then the rest.
    static std::vector<char> ReadAll(TFileBlockReader& reader) {
        std::vector<char> got;
        bool shortSeen = false;
        for (auto b = reader.Next(); !b.empty(); b = reader.Next()) {
            EXPECT_FALSE(shortSeen) << "a block after a short one";
            shortSeen = b.size() < Block;
            got.insert(got.end(), b.begin(), b.end());
        }
        EXPECT_TRUE(reader.Next().empty()); // stays at the end
        return got;
    }

    fs::path dir_;
    std::vector<char> bytes_;
};

TEST_F(TFileBlockReaderTest, BlocksCoverTheFileInOrderWithAndWithoutReadingAhead) {
    // Sizes around one block, two (the smallest file read ahead is over two) and the ring of
    // slots, which wraps several times for the largest.
    for (const bool readAhead : {false, true}) {
        for (const std::size_t slots : {std::size_t{1}, std::size_t{4}}) {
            for (const std::size_t size : {std::size_t{0}, std::size_t{1}, Block, Block + 1, 2 * Block,
                                           2 * Block + 1, 4 * Block, 5 * Block - 1, 37 * Block + 5}) {
                SCOPED_TRACE(testing::Message()
                             << "readAhead " << readAhead << " slots " << slots << " size " << size);
                const fs::path file = Write(size);
                TFileBlockReader reader(file, {.BlockSize = Block, .Slots = slots, .ReadAhead = readAhead});
                EXPECT_EQ(reader.Size(), static_cast<std::int64_t>(size));
                EXPECT_EQ(reader.ReadsAhead(), readAhead && size > 2 * Block);
                EXPECT_EQ(ReadAll(reader), bytes_);
            }
        }
    }
}

TEST_F(TFileBlockReaderTest, TheCallerReadsOnWhenTheReadingThreadStalls) {
    const fs::path file = Write(40 * Block + 123);
    // The reading thread stops dead on block 3 until the caller has read the whole file; the
    // caller starts once the thread is stuck there.
    std::promise<void> stuck;
    const std::future<void> isStuck = stuck.get_future();
    std::promise<void> callerDone;
    std::shared_future<void> released = callerDone.get_future().share();
    TFileBlockReader stalled(
        file,
        {.BlockSize = Block, .TakeOverAfter = 1ms, .BeforeRead = [&stuck, released](std::uint64_t block) {
             if (block == 3) {
                 stuck.set_value();
                 released.wait();
             }
         }});
    ASSERT_TRUE(stalled.ReadsAhead());
    isStuck.wait();
    EXPECT_EQ(ReadAll(stalled), bytes_);
    // Blocks 0 to 2 came from the thread; 3 (taken over) to 40 (the short end) from the caller.
    EXPECT_EQ(stalled.BlocksReadByCaller(), 38u);
    callerDone.set_value();

    // A thread that is merely slow on every block: the caller takes blocks as they come.
    TFileBlockReader slow(file, {.BlockSize = Block, .TakeOverAfter = 1ms, .BeforeRead = [](std::uint64_t) {
                                     std::this_thread::sleep_for(2ms);
                                 }});
    EXPECT_EQ(ReadAll(slow), bytes_);
    EXPECT_GT(slow.BlocksReadByCaller(), 0u);
}

TEST_F(TFileBlockReaderTest, TheReadingThreadStopsWhenTheCallerKeepsBeingPreempted) {
    const fs::path file = Write(100 * Block + 7);
    // Checked every 16 blocks; more than one preemption per 16 blocks stops the thread.
    for (const long perCheck : {0L, 1L, 5L}) {
        SCOPED_TRACE(perCheck);
        long switches = 0;
        long checks = 0;
        TFileBlockReader reader(file, {.BlockSize = Block, .Preemptions = [&] {
                                           switches = perCheck * checks++;
                                           return switches;
                                       }});
        ASSERT_TRUE(reader.ReadsAhead());
        EXPECT_EQ(ReadAll(reader), bytes_);
        EXPECT_EQ(reader.ReadingThreadRetired(), perCheck > 1);
        if (perCheck > 1) {
            // Stopped at block 16 at the latest: the caller read most of the file itself.
            EXPECT_GE(reader.BlocksReadByCaller(), 100u - 16u - 4u);
        }
    }
}

TEST_F(TFileBlockReaderTest, AReadErrorOnTheReadingThreadReachesTheCaller) {
    const fs::path file = Write(10 * Block);
    // The caller starts once the thread has met the error, so that the thread has the block.
    std::promise<void> failed;
    const std::future<void> hasFailed = failed.get_future();
    TFileBlockReader reader(file, {.BlockSize = Block,
                                   .TakeOverAfter = 10s, // the caller waits for the thread's block
                                   .BeforeRead = [&failed](std::uint64_t block) {
                                       if (block == 2) {
                                           failed.set_value();
                                           throw EFileError::inOut(5);
                                       }
                                   }});
    hasFailed.wait();
    EXPECT_EQ(reader.Next().size(), Block);
    EXPECT_EQ(reader.Next().size(), Block);
    try {
        reader.Next();
        ADD_FAILURE() << "no error for block 2";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::InOut);
        EXPECT_EQ(e.errorCode(), 5);
    }
    EXPECT_TRUE(reader.Next().empty()); // nothing after the error
}

TEST_F(TFileBlockReaderTest, StoppingEarlyEndsTheReadingThreadAndClosesTheFile) {
    const fs::path file = Write(64 * Block);
    const auto openFiles = [] { return std::distance(fs::directory_iterator("/proc/self/fd"), {}); };
    const auto before = openFiles();
    // Stopped with the ring full, half full and untouched; with a slow disk the destructor must
    // still wait for the thread rather than leave it reading into freed buffers.
    for (const auto delay : {0ms, 1ms}) {
        for (int consumed = 0; consumed < 6; ++consumed) {
            TFileBlockReader reader(file, {.BlockSize = Block, .BeforeRead = [delay](std::uint64_t) {
                                               std::this_thread::sleep_for(delay);
                                           }});
            for (int i = 0; i < consumed; ++i) {
                EXPECT_EQ(reader.Next().size(), Block);
            }
        }
    }
    EXPECT_EQ(openFiles(), before);
}

TEST_F(TFileBlockReaderTest, OpeningErrorsComeFromTheConstructor) {
    EXPECT_THROW(TFileBlockReader(dir_ / "missing", {}), EFileError);
    EXPECT_THROW(TFileBlockReader(dir_, {}), EFileError);
}

} // namespace
} // namespace kelda
