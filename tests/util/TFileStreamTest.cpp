// SPDX-License-Identifier: MIT
#include "util/TFileStream.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;
using kelda::EFileError;
using kelda::FileMode;
using kelda::TFileStream;

namespace {

struct TempDir {
    fs::path path;
    TempDir() {
        path = fs::temp_directory_path() / ("kelda-fs-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(reinterpret_cast<std::uintptr_t>(this)));
        fs::create_directories(path);
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

void WriteBytes(const fs::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary) << bytes;
}

} // namespace

TEST(TFileStream, ReadsWritesAndReportsSize) {
    TempDir dir;
    const fs::path file = dir.path / "a.bin";
    {
        TFileStream out(file, FileMode::Create);
        out.WriteBuffer("123456789", 9);
    }
    TFileStream in(file, FileMode::Read);
    EXPECT_EQ(in.Size(), 9);
    char buf[16] = {};
    EXPECT_EQ(in.Read(buf, 4), 4u);
    EXPECT_EQ(in.Position(), 4);
    EXPECT_EQ(in.Read(buf, 16), 5u);
    EXPECT_EQ(std::string(buf, 5), "56789");
    EXPECT_EQ(in.Read(buf, 16), 0u);
}

TEST(TFileStream, ReadAtLeavesThePositionAndIsShortOnlyAtTheEnd) {
    TempDir dir;
    const fs::path file = dir.path / "r.bin";
    WriteBytes(file, "0123456789");
    TFileStream in(file, FileMode::Read);
    in.Seek(2);
    struct Case {
        std::int64_t offset;
        std::size_t count;
        std::string expected;
    };
    for (const Case& c :
         {Case{0, 4, "0123"}, Case{6, 4, "6789"}, Case{7, 8, "789"}, Case{10, 4, ""}, Case{50, 4, ""}}) {
        std::string got(c.count, '\0');
        got.resize(in.ReadAt(got.data(), c.count, c.offset));
        EXPECT_EQ(got, c.expected) << "offset " << c.offset;
    }
    EXPECT_EQ(in.Position(), 2);
}

TEST(TFileStream, ReadBufferPastEndKeepsPresentBytesAndThrows) {
    TempDir dir;
    const fs::path file = dir.path / "short.bin";
    WriteBytes(file, "abc");
    TFileStream in(file, FileMode::Read);
    char buf[8] = {'x', 'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    try {
        in.ReadBuffer(buf, 8);
        FAIL() << "expected the read-past-end error";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::ReadPastEnd);
        EXPECT_STREQ(e.what(), "ファイルの末尾以降を読み込みました");
    }
    EXPECT_EQ(std::string(buf, 4), "abcx");
}

TEST(TFileStream, OpenAndCreateFailuresCarryTheSystemReason) {
    TempDir dir;
    struct Case {
        fs::path file;
        FileMode mode;
        EFileError::Kind kind;
        std::string text;
    };
    const Case cases[] = {
        {dir.path / "missing.bin", FileMode::Read, EFileError::Kind::Open,
         "ファイル \"" + (dir.path / "missing.bin").string() + "\". " + kelda::SystemErrorText(ENOENT) +
             " は開けません"},
        {dir.path / "no" / "such" / "x.bin", FileMode::Create, EFileError::Kind::Create,
         "ファイル \"" + (dir.path / "no" / "such" / "x.bin").string() + "\". " +
             kelda::SystemErrorText(ENOENT) + " を作成できません"},
        {dir.path, FileMode::Read, EFileError::Kind::Open,
         "ファイル \"" + dir.path.string() + "\". " + kelda::SystemErrorText(EISDIR) + " は開けません"},
    };
    for (const Case& c : cases) {
        try {
            TFileStream f(c.file, c.mode);
            ADD_FAILURE() << "opened " << c.file;
        } catch (const EFileError& e) {
            EXPECT_EQ(e.kind(), c.kind) << c.file;
            EXPECT_EQ(std::string(e.what()), c.text);
        }
    }
}

TEST(TFileStream, FifoIsRefusedWithoutBlocking) {
    TempDir dir;
    const fs::path fifo = dir.path / "pipe";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_THROW(TFileStream(fifo, FileMode::Read), EFileError);
}

TEST(TFileStream, CreateEmptiesAnExistingFile) {
    TempDir dir;
    const fs::path file = dir.path / "old.bin";
    WriteBytes(file, "old contents");
    {
        TFileStream out(file, FileMode::Create);
        out.WriteBuffer("new", 3);
    }
    EXPECT_EQ(fs::file_size(file), 3u);
}

TEST(TFileStream, WriteToFullDeviceThrowsInOutError) {
    if (!fs::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    TFileStream out("/dev/full", FileMode::Create);
    try {
        out.WriteBuffer("x", 1);
        FAIL() << "write to /dev/full succeeded";
    } catch (const EFileError& e) {
        EXPECT_EQ(e.kind(), EFileError::Kind::InOut);
        EXPECT_EQ(std::string(e.what()), "I/O エラー (" + std::to_string(ENOSPC) + ")");
    }
}

TEST(TFileStream, DescriptorIsClosedWhenTheObjectEnds) {
    TempDir dir;
    const fs::path file = dir.path / "a.bin";
    WriteBytes(file, "x");
    int fd = -1;
    {
        TFileStream in(file, FileMode::Read);
        fd = in.Handle();
        EXPECT_GE(fd, 0);
    }
    errno = 0;
    EXPECT_EQ(::fcntl(fd, F_GETFD), -1);
    EXPECT_EQ(errno, EBADF);
}
