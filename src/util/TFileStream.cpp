// SPDX-License-Identifier: MIT
#include "util/TFileStream.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

namespace kelda {

std::string SystemErrorText(int err) {
    char buffer[256] = {};
#ifdef _WIN32
    const char* text = strerror_s(buffer, sizeof buffer, err) == 0 ? buffer : nullptr;
#else
    // GNU strerror_r returns a pointer that may or may not be buffer.
    const char* text = strerror_r(err, buffer, sizeof buffer);
#endif
    return text != nullptr ? std::string(text) : std::string("error ") + std::to_string(err);
}

#ifndef _WIN32
namespace {

// A locale of the C library's, held for the life of the program; null when it is not installed.
class TMessageLocale {
public:
    explicit TMessageLocale(std::initializer_list<const char*> names) {
        for (const char* name : names) {
            handle_ = ::newlocale(LC_ALL_MASK, name, nullptr);
            if (handle_ != nullptr) {
                break;
            }
        }
    }
    ~TMessageLocale() {
        if (handle_ != nullptr) {
            ::freelocale(handle_);
        }
    }
    TMessageLocale(const TMessageLocale&) = delete;
    TMessageLocale& operator=(const TMessageLocale&) = delete;

    locale_t Handle() const { return handle_; }

private:
    locale_t handle_ = nullptr;
};

} // namespace
#endif

std::string SystemErrorText(int err, bool japanese) {
#ifdef _WIN32
    (void)japanese;
    return SystemErrorText(err);
#else
    static const TMessageLocale english({"C"});
    static const TMessageLocale japaneseLocale({"ja_JP.UTF-8", "ja_JP.utf8"});
    const locale_t chosen =
        japanese && japaneseLocale.Handle() != nullptr ? japaneseLocale.Handle() : english.Handle();
    if (chosen == nullptr) {
        return SystemErrorText(err);
    }
    // strerror_l gives that locale's text (the C library's catalogue for its language), whatever
    // the process's own locale, and is safe beside other threads.
    const char* text = ::strerror_l(err, chosen);
    return text != nullptr ? std::string(text) : SystemErrorText(err);
#endif
}

EFileError EFileError::openFailed(const std::filesystem::path& file, int err) {
    const std::string reason = SystemErrorText(err);
    EFileError e(Kind::Open, err, "ファイル \"" + file.string() + "\". " + reason + " は開けません",
                 "Can not open the file \"" + file.string() + "\": " + reason, file);
    e.systemReason_ = true;
    return e;
}

EFileError EFileError::createFailed(const std::filesystem::path& file, int err) {
    const std::string reason = SystemErrorText(err);
    EFileError e(Kind::Create, err, "ファイル \"" + file.string() + "\". " + reason + " を作成できません",
                 "Can not create the file \"" + file.string() + "\": " + reason, file);
    e.systemReason_ = true;
    return e;
}

EFileError EFileError::readPastEnd(const std::filesystem::path& file) {
    return EFileError(Kind::ReadPastEnd, 0, "ファイルの末尾以降を読み込みました",
                      "Read past the end of the file", file);
}

EFileError EFileError::inOut(int err, const std::filesystem::path& file) {
    EFileError e(Kind::InOut, err, "I/O エラー (" + std::to_string(err) + ")",
                 "I/O error (" + std::to_string(err) + "): " + SystemErrorText(err), file);
    e.systemReason_ = true;
    return e;
}

namespace {

int OpenFlags(FileMode mode) {
    switch (mode) {
    case FileMode::Read:
        return O_RDONLY;
    case FileMode::ReadWrite:
        return O_RDWR;
    case FileMode::Create:
        return O_WRONLY | O_CREAT | O_TRUNC;
    }
    return O_RDONLY;
}

} // namespace

TFileStream::TFileStream(const std::filesystem::path& file, FileMode mode) : file_(file) {
    const bool creating = mode == FileMode::Create;
    // O_NONBLOCK keeps open() from hanging on a FIFO; it is cleared again below.
#ifdef _WIN32
    // The wide name keeps every character; there are no FIFOs to hang on.
    int fd = ::_wopen(file.c_str(), OpenFlags(mode) | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
#else
    int fd = ::open(file.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0 && errno == ENXIO && creating) {
        // A FIFO that nobody reads yet: an output waits for its reader, as a shell's redirection does.
        fd = ::open(file.c_str(), OpenFlags(mode) | O_CLOEXEC, 0666);
    }
#endif
    if (fd < 0) {
        const int err = errno;
        throw creating ? EFileError::createFailed(file, err) : EFileError::openFailed(file, err);
    }
    struct stat st {};
    int refusal = 0;
    if (::fstat(fd, &st) != 0) {
        refusal = errno;
    } else if (S_ISDIR(st.st_mode)) {
        refusal = EISDIR;
    } else if (S_ISREG(st.st_mode) || (S_ISBLK(st.st_mode) && mode == FileMode::Read) ||
               ((S_ISCHR(st.st_mode) || S_ISFIFO(st.st_mode)) && creating)) {
#ifndef _WIN32
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            refusal = errno;
        }
#endif
    } else {
        refusal = EINVAL; // FIFO, socket or device: not a file KELDA reads (a FIFO is written, never read)
    }
    if (refusal != 0) {
        ::close(fd);
        throw creating ? EFileError::createFailed(file, refusal) : EFileError::openFailed(file, refusal);
    }
    fd_ = fd;
}

TFileStream TFileStream::Adopt(int fd, const std::filesystem::path& shownName) {
    TFileStream stream;
    stream.file_ = shownName;
    stream.fd_ = fd;
    return stream;
}

TFileStream TFileStream::Anonymous() {
    const char* tmp = std::getenv("TMPDIR");
    const std::filesystem::path folder = tmp != nullptr && *tmp != '\0' ? tmp : "/tmp";
    const std::filesystem::path shown = folder / "(scratch)";
#ifdef _WIN32
    // The C library's temporary file goes when it is closed; its descriptor is taken over.
    std::FILE* file = std::tmpfile();
    if (file == nullptr) {
        throw EFileError::createFailed(shown, errno);
    }
    const int fd = ::_dup(::_fileno(file));
    const int err = errno;
    std::fclose(file);
    if (fd < 0) {
        throw EFileError::createFailed(shown, err);
    }
#else
    int fd = -1;
#ifdef O_TMPFILE
    fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#endif
    if (fd < 0) {
        // A file system without unnamed files: a private name, removed at once.
        std::string name = (folder / "kelda-scratch-XXXXXX").string();
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd >= 0) {
            ::unlink(name.c_str());
        }
    }
#endif
    if (fd < 0) {
        throw EFileError::createFailed(shown, errno);
    }
    return Adopt(fd, shown);
}

TFileStream::~TFileStream() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

TFileStream::TFileStream(TFileStream&& other) noexcept
    : file_(std::move(other.file_)), fd_(std::exchange(other.fd_, -1)) {}

TFileStream& TFileStream::operator=(TFileStream&& other) noexcept {
    if (this != &other) {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        file_ = std::move(other.file_);
        fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
}

namespace {

// Calls readSome(done) until count bytes are in or the file ends; an interrupted call is repeated.
template <typename ReadSome>
std::size_t ReadFully(const std::filesystem::path& file, std::size_t count, ReadSome&& readSome) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = readSome(done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EFileError::inOut(errno, file);
        }
        if (n == 0) {
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace

std::size_t TFileStream::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<unsigned char*>(buffer);
    return ReadFully(file_, count, [&](std::size_t done) { return ::read(fd_, out + done, count - done); });
}

std::size_t TFileStream::ReadAt(void* buffer, std::size_t count, std::int64_t offset) const {
    auto* out = static_cast<unsigned char*>(buffer);
    return ReadFully(file_, count, [&](std::size_t done) {
#ifdef _WIN32
        // A read at an offset of its own, as pread: ReadFile with the offset in an OVERLAPPED.
        const std::uint64_t at = static_cast<std::uint64_t>(offset) + done;
        OVERLAPPED where{};
        where.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        where.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD got = 0;
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(count - done, 0x40000000u));
        if (::ReadFile(reinterpret_cast<HANDLE>(::_get_osfhandle(fd_)), out + done, want, &got, &where)) {
            return static_cast<ssize_t>(got);
        }
        const DWORD error = ::GetLastError();
        errno = error == ERROR_HANDLE_EOF ? 0 : EIO;
        return error == ERROR_HANDLE_EOF ? ssize_t{0} : ssize_t{-1};
#else
        return ::pread(fd_, out + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
#endif
    });
}

void TFileStream::ReadBuffer(void* buffer, std::size_t count) {
    if (Read(buffer, count) != count) {
        throw EFileError::readPastEnd(file_);
    }
}

void TFileStream::WriteBuffer(const void* buffer, std::size_t count) {
    const auto* in = static_cast<const unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        const ssize_t n = ::write(fd_, in + done, count - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            throw EFileError::inOut(errno, file_);
        }
        if (n == 0) {
            throw EFileError::inOut(EIO, file_);
        }
        done += static_cast<std::size_t>(n);
    }
}

std::int64_t TFileStream::Size() const {
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        throw EFileError::inOut(errno, file_);
    }
    if (S_ISBLK(st.st_mode)) {
        // A block device reports no size in st_size: measure it and return to where we were.
        const off_t here = ::lseek(fd_, 0, SEEK_CUR);
        const off_t end = ::lseek(fd_, 0, SEEK_END);
        if (here < 0 || end < 0 || ::lseek(fd_, here, SEEK_SET) < 0) {
            throw EFileError::inOut(errno, file_);
        }
        return end;
    }
    return static_cast<std::int64_t>(st.st_size);
}

std::int64_t TFileStream::Position() const {
    const off_t pos = ::lseek(fd_, 0, SEEK_CUR);
    if (pos < 0) {
        throw EFileError::inOut(errno, file_);
    }
    return pos;
}

void TFileStream::Seek(std::int64_t offset) {
    if (::lseek(fd_, static_cast<off_t>(offset), SEEK_SET) < 0) {
        throw EFileError::inOut(errno, file_);
    }
}

namespace {
std::atomic<std::uint64_t> fileSyncs{0};
} // namespace

std::uint64_t FileSyncCount() {
    return fileSyncs.load();
}

void TFileStream::Sync() {
    if (fd_ >= 0) {
        fileSyncs.fetch_add(1);
    }
#ifdef _WIN32
    if (fd_ >= 0 && ::_commit(fd_) != 0 && errno != EINVAL && errno != EBADF) {
#else
    if (fd_ >= 0 && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
#endif
        throw EFileError::inOut(errno, file_);
    }
}

void TFileStream::Close() {
    if (fd_ < 0) {
        return;
    }
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0 && errno != EINTR) {
        throw EFileError::inOut(errno, file_);
    }
}

} // namespace kelda
