#include "util/TFileStream.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace kelda {

std::string SystemErrorText(int err) {
    char buffer[256] = {};
    // GNU strerror_r returns a pointer that may or may not be buffer.
    const char* text = strerror_r(err, buffer, sizeof buffer);
    return text != nullptr ? std::string(text) : std::string("error ") + std::to_string(err);
}

EFileError EFileError::openFailed(const std::filesystem::path& file, int err) {
    const std::string reason = SystemErrorText(err);
    return EFileError(Kind::Open, err, "ファイル \"" + file.string() + "\". " + reason + " は開けません",
                      "Can not open the file \"" + file.string() + "\": " + reason, file);
}

EFileError EFileError::createFailed(const std::filesystem::path& file, int err) {
    const std::string reason = SystemErrorText(err);
    return EFileError(Kind::Create, err,
                      "ファイル \"" + file.string() + "\". " + reason + " を作成できません",
                      "Can not create the file \"" + file.string() + "\": " + reason, file);
}

EFileError EFileError::readPastEnd(const std::filesystem::path& file) {
    return EFileError(Kind::ReadPastEnd, 0, "ファイルの末尾以降を読み込みました",
                      "Read past the end of the file", file);
}

EFileError EFileError::inOut(int err, const std::filesystem::path& file) {
    return EFileError(Kind::InOut, err, "I/O エラー (" + std::to_string(err) + ")",
                      "I/O error (" + std::to_string(err) + "): " + SystemErrorText(err), file);
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
    int fd = ::open(file.c_str(), OpenFlags(mode) | O_CLOEXEC | O_NONBLOCK, 0666);
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
               (S_ISCHR(st.st_mode) && creating)) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
            refusal = errno;
        }
    } else {
        refusal = EINVAL; // FIFO, socket or device: not a file KELDA reads
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
        return ::pread(fd_, out + done, count - done, static_cast<off_t>(offset) + static_cast<off_t>(done));
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

void TFileStream::Sync() {
    if (fd_ >= 0 && ::fsync(fd_) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
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
