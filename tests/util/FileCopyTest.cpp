// SPDX-License-Identifier: MIT
#include "util/FileCopy.h"

#include "util/Progress.h"
#include "util/TFileStream.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace kelda {
namespace {

using Bytes = std::vector<char>;

constexpr std::size_t kStep = std::size_t{64} << 10;
constexpr std::size_t kSplice = static_cast<std::size_t>(TCopyMethod::Splice);
constexpr std::size_t kRange = static_cast<std::size_t>(TCopyMethod::CopyRange);
constexpr std::size_t kSend = static_cast<std::size_t>(TCopyMethod::SendFile);

// The refusals that make `method` the first way that runs.
std::array<int, kCopyMethodCount> StartAt(TCopyMethod method) {
    std::array<int, kCopyMethodCount> refuse{};
    const int errors[] = {ENOSYS, EXDEV, EOPNOTSUPP};
    for (std::size_t i = 0; i < static_cast<std::size_t>(method); ++i) {
        refuse[i] = errors[i];
    }
    return refuse;
}

class FileCopyTest : public ::testing::Test {
protected:
    fs::path dir_ = fs::temp_directory_path() / ("kelda-copy-" + std::to_string(::getpid()));
    void SetUp() override { fs::create_directories(dir_); }
    void TearDown() override { fs::remove_all(dir_); }

    fs::path Source(std::size_t size) {
        source_.resize(size);
        for (std::size_t i = 0; i < size; ++i) {
            source_[i] = static_cast<char>(i * 167 + (i >> 11));
        }
        const fs::path p = dir_ / "source";
        std::ofstream(p, std::ios::binary).write(source_.data(), static_cast<std::streamsize>(size));
        return p;
    }
    Bytes Read(const fs::path& p) const {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    Bytes Range(std::size_t from, std::size_t count) const {
        return Bytes(source_.begin() + static_cast<std::ptrdiff_t>(from),
                     source_.begin() + static_cast<std::ptrdiff_t>(from + count));
    }
    Bytes source_;
};

// Every way copies the same bytes, after what the output already holds, in steps of exactly the
// step size, and leaves the source's position alone; sizes sit around the step and pipe boundaries.
TEST_F(FileCopyTest, EveryWayCopiesTheSameBytesInWholeSteps) {
    const std::size_t sizes[] = {0, 1, kStep - 1, kStep, kStep + 1, 3 * kStep + 127};
    for (const TCopyMethod method :
         {TCopyMethod::Splice, TCopyMethod::CopyRange, TCopyMethod::SendFile, TCopyMethod::Buffered}) {
        for (const std::int64_t offset : {0, 128, 4096}) {
            for (const std::size_t count : sizes) {
                SCOPED_TRACE(testing::Message() << kCopyMethodNames[static_cast<std::size_t>(method)]
                                                << " at " << offset << ", " << count);
                const fs::path source = Source(static_cast<std::size_t>(offset) + count + 50);
                TFileStream in(source, FileMode::Read);
                TFileStream out(dir_ / "out", FileMode::Create);
                out.WriteBuffer("head", 4);
                std::vector<std::size_t> steps;
                const TCopyReport report = CopyFileBytes(in, offset, out, static_cast<std::int64_t>(count),
                                                         [&](std::size_t n) { steps.push_back(n); },
                                                         {.StepSize = kStep, .Refuse = StartAt(method)});
                out.Close();
                Bytes expected{'h', 'e', 'a', 'd'};
                const Bytes body = Range(static_cast<std::size_t>(offset), count);
                expected.insert(expected.end(), body.begin(), body.end());
                EXPECT_EQ(Read(dir_ / "out"), expected);
                // The plain loop may take the bytes before the output's first page boundary.
                const std::int64_t plain =
                    method == TCopyMethod::Buffered ? 0 : report.Of(TCopyMethod::Buffered);
                EXPECT_EQ(report.Of(method) + plain, static_cast<std::int64_t>(count));
                EXPECT_EQ(in.Position(), 0);
                ASSERT_EQ(steps.size(), (count + kStep - 1) / kStep);
                for (std::size_t i = 0; i < steps.size(); ++i) {
                    EXPECT_EQ(steps[i], std::min(kStep, count - i * kStep)) << i;
                }
            }
        }
    }
}

// The plain loop fills the output up to its next page boundary and the kernel copies the rest,
// unless every output page would then begin with a sliver of a source page: then the plain loop
// copies everything.
TEST_F(FileCopyTest, PlainBytesWhereTheKernelCopyIsSlow) {
    struct Case {
        std::size_t prefix; // bytes the output holds before the copy
        std::int64_t offset;
        std::int64_t plain; // bytes the plain loop copies
    };
    const std::int64_t count = 3 * kStep;
    const Case cases[] = {
        {0, 0, 0},     {0, 128, 0},    {0, 4090, count},  {4, 128, 4092},
        {4, 0, count}, {127, 0, 3969}, {139, 128, count}, {4096, 4032, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.prefix << " before, from " << c.offset);
        const fs::path source = Source(static_cast<std::size_t>(c.offset + count));
        TFileStream in(source, FileMode::Read);
        TFileStream out(dir_ / "out", FileMode::Create);
        const Bytes prefix(c.prefix, 'p');
        out.WriteBuffer(prefix.data(), prefix.size());
        const TCopyReport report = CopyFileBytes(in, c.offset, out, count, {}, {.StepSize = kStep});
        EXPECT_EQ(report.Of(TCopyMethod::Buffered), c.plain);
        out.Close();
        Bytes expected = prefix;
        const Bytes body = Range(static_cast<std::size_t>(c.offset), static_cast<std::size_t>(count));
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(Read(dir_ / "out"), expected);
    }
}

// A refusal hands the rest to the next way; a failed read or write is an error, not a refusal.
TEST_F(FileCopyTest, RefusalsFallThroughButFailuresAreErrors) {
    struct Case {
        const char* name;
        std::array<int, kCopyMethodCount> refuse;
        TCopyMethod carrier; // the way that moves every byte; Buffered with error set: none
        int error;
    };
    const Case cases[] = {
        {"cross-device", {EXDEV, EXDEV, 0, 0}, TCopyMethod::SendFile, 0},
        {"sandboxed", {EPERM, ENOSYS, EPERM, 0}, TCopyMethod::Buffered, 0},
        {"not supported", {EOPNOTSUPP, 0, 0, 0}, TCopyMethod::CopyRange, 0},
        {"wrong kind", {EINVAL, EINVAL, 0, 0}, TCopyMethod::SendFile, 0},
        {"disk error", {EIO, 0, 0, 0}, TCopyMethod::Buffered, EIO},
        {"disk full", {ENOSYS, ENOSPC, 0, 0}, TCopyMethod::Buffered, ENOSPC},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path source = Source(2 * kStep + 9);
        TFileStream in(source, FileMode::Read);
        TFileStream out(dir_ / "out", FileMode::Create);
        const auto copy = [&] {
            return CopyFileBytes(in, 9, out, 2 * kStep, {}, {.StepSize = kStep, .Refuse = c.refuse});
        };
        if (c.error != 0) {
            try {
                copy();
                ADD_FAILURE() << "a failure was taken for a refusal";
            } catch (const EFileError& e) {
                EXPECT_EQ(e.kind(), EFileError::Kind::InOut);
                EXPECT_EQ(e.errorCode(), c.error);
            }
            continue;
        }
        EXPECT_EQ(copy().Of(c.carrier), static_cast<std::int64_t>(2 * kStep));
        out.Close();
        EXPECT_EQ(Read(dir_ / "out"), Range(9, 2 * kStep));
    }
}

// A source cut short while it is copied is read past its end, whichever way copies it; one that
// grows gives no more than its size at opening; a cancel between steps stops the copy there.
TEST_F(FileCopyTest, ShrinkGrowthAndCancelDuringTheCopy) {
    enum class Change { Shrink, Grow, Cancel };
    for (const TCopyMethod method :
         {TCopyMethod::Splice, TCopyMethod::CopyRange, TCopyMethod::SendFile, TCopyMethod::Buffered}) {
        for (const Change change : {Change::Shrink, Change::Grow, Change::Cancel}) {
            SCOPED_TRACE(testing::Message() << kCopyMethodNames[static_cast<std::size_t>(method)] << " "
                                            << static_cast<int>(change));
            const std::size_t count = 4 * kStep;
            const fs::path source = Source(128 + count);
            TFileStream in(source, FileMode::Read);
            TFileStream out(dir_ / "out", FileMode::Create);
            const auto before = [&](std::int64_t done) {
                if (done != static_cast<std::int64_t>(kStep)) {
                    return;
                }
                if (change == Change::Shrink) {
                    fs::resize_file(source, 128 + 2 * kStep + 100);
                } else if (change == Change::Grow) {
                    std::ofstream(source, std::ios::binary | std::ios::app) << std::string(3 * kStep, 'g');
                }
            };
            std::size_t steps = 0;
            const auto advance = [&](std::size_t) {
                if (change == Change::Cancel && ++steps == 2) {
                    throw ECancelled();
                }
            };
            const TCopyOptions options{.StepSize = kStep, .Refuse = StartAt(method), .BeforeStep = before};
            switch (change) {
            case Change::Shrink:
                try {
                    CopyFileBytes(in, 128, out, count, advance, options);
                    ADD_FAILURE() << "a cut source was copied as whole";
                } catch (const EFileError& e) {
                    EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
                    EXPECT_EQ(e.File(), source);
                }
                break;
            case Change::Grow:
                CopyFileBytes(in, 128, out, count, advance, options);
                out.Close();
                EXPECT_EQ(Read(dir_ / "out"), Range(128, count));
                break;
            case Change::Cancel:
                EXPECT_THROW(CopyFileBytes(in, 128, out, count, advance, options), ECancelled);
                out.Close();
                EXPECT_EQ(Read(dir_ / "out"), Range(128, 2 * kStep));
                break;
            }
        }
    }
}

// Outputs the kernel ways do not all serve: a pipe, and a file opened for appending (splice and
// sendfile refuse it, copy_file_range too). The bytes arrive whole through whichever way remains.
TEST_F(FileCopyTest, OutputsThatRefuseSomeWaysStillGetEveryByte) {
    const std::size_t count = 3 * kStep + 5;
    for (const TCopyMethod method :
         {TCopyMethod::Splice, TCopyMethod::CopyRange, TCopyMethod::SendFile, TCopyMethod::Buffered}) {
        SCOPED_TRACE(kCopyMethodNames[static_cast<std::size_t>(method)]);
        const fs::path source = Source(128 + count);
        TFileStream in(source, FileMode::Read);

        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        Bytes received;
        std::thread reader([&] {
            char buffer[4096];
            for (ssize_t n; (n = ::read(ends[0], buffer, sizeof buffer)) > 0;) {
                received.insert(received.end(), buffer, buffer + n);
            }
        });
        {
            TFileStream pipe = TFileStream::Adopt(ends[1], "pipe");
            CopyFileBytes(in, 128, pipe, static_cast<std::int64_t>(count), {},
                          {.StepSize = kStep, .Refuse = StartAt(method)});
        }
        reader.join();
        ::close(ends[0]);
        EXPECT_EQ(received, Range(128, count));

        const fs::path appended = dir_ / "appended";
        std::ofstream(appended, std::ios::binary) << "old";
        const int fd = ::open(appended.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
        ASSERT_GE(fd, 0);
        {
            TFileStream out = TFileStream::Adopt(fd, appended);
            const TCopyReport report = CopyFileBytes(in, 128, out, static_cast<std::int64_t>(count), {},
                                                     {.StepSize = kStep, .Refuse = StartAt(method)});
            EXPECT_GT(report.Of(TCopyMethod::Buffered), 0);
            EXPECT_EQ(report.Bytes[kSplice] + report.Bytes[kRange] + report.Bytes[kSend] +
                          report.Of(TCopyMethod::Buffered),
                      static_cast<std::int64_t>(count));
        }
        Bytes expected{'o', 'l', 'd'};
        const Bytes body = Range(128, count);
        expected.insert(expected.end(), body.begin(), body.end());
        EXPECT_EQ(Read(appended), expected);
    }
}

// A long copy reserves the output's room before the bytes arrive, and the output's size still grows
// only with them, so a copy that stops leaves no unwritten end.
TEST_F(FileCopyTest, ALongCopyReservesTheRoomAheadButNotTheSize) {
    const std::size_t count = std::size_t{2} << 20;
    const fs::path source = Source(128 + count);
    TFileStream in(source, FileMode::Read);
    TFileStream out(dir_ / "out", FileMode::Create);
    if (::fallocate(out.Handle(), FALLOC_FL_KEEP_SIZE, 0, 1) != 0) {
        GTEST_SKIP() << "this file system reserves no room";
    }
    out.WriteBuffer("head", 4);
    const auto before = [&](std::int64_t done) {
        struct stat st {};
        ASSERT_EQ(::fstat(out.Handle(), &st), 0);
        EXPECT_EQ(st.st_size, 4 + done);
        EXPECT_GE(static_cast<std::int64_t>(st.st_blocks) * 512, static_cast<std::int64_t>(count));
    };
    CopyFileBytes(in, 128, out, static_cast<std::int64_t>(count), {},
                  {.StepSize = kStep, .BeforeStep = before});
    out.Close();
    Bytes expected{'h', 'e', 'a', 'd'};
    const Bytes body = Range(128, count);
    expected.insert(expected.end(), body.begin(), body.end());
    EXPECT_EQ(Read(dir_ / "out"), expected);
}

} // namespace
} // namespace kelda
