// SPDX-License-Identifier: MIT
#include "util/FileCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string_view>
#include <vector>

#ifdef __linux__
#include <fcntl.h>
#include <sys/sendfile.h>
#include <unistd.h>
#endif

namespace kelda {

namespace {

constexpr std::int64_t kPageSize = 4096;
// A piece of a source page this short at the start of every output page slows a kernel copy down.
constexpr std::int64_t kSmallPiece = 64;
// Copies at least this long get the output's room reserved first.
constexpr std::int64_t kReserveFrom = std::int64_t{1} << 20;

std::size_t FirstMethod() {
    static const std::size_t first = [] {
        const char* name = std::getenv("KELDA_COPY_METHOD");
        for (std::size_t i = 0; name != nullptr && i < kCopyMethodCount; ++i) {
            if (std::string_view(name) == kCopyMethodNames[i]) {
                return i;
            }
        }
        return std::size_t{0};
    }();
    return first;
}

#ifdef __linux__

// Failures that say "not this way" (a kernel without the call, file systems or file kinds it does
// not join, a sandbox that forbids the call) rather than a failed read or write: the next way takes
// over. EPERM is among them because some sandboxes answer calls they filter with it; a real refusal
// to write shows again, with its own text, when the plain loop writes.
bool IsRefusal(int err) {
    switch (err) {
    case EINVAL:
    case ENOSYS:
    case EXDEV:
    case EOPNOTSUPP:
#if ENOTSUP != EOPNOTSUPP
    case ENOTSUP:
#endif
    case EBADF:
    case EPERM:
    case ESPIPE:
        return true;
    default:
        return false;
    }
}

// A full disk or quota is the output's failure; anything else is reported against the source.
EFileError KernelCopyError(int err, const TFileStream& in, const TFileStream& out) {
    const bool outputs = err == ENOSPC || err == EDQUOT || err == EFBIG;
    return EFileError::inOut(err, outputs ? out.FileName() : in.FileName());
}

// The pipe the splice way moves pages through, closed on every path.
class TPipe {
public:
    TPipe() = default;
    ~TPipe() {
        for (const int fd : fd_) {
            if (fd >= 0) {
                ::close(fd);
            }
        }
    }
    TPipe(const TPipe&) = delete;
    TPipe& operator=(const TPipe&) = delete;

    // Opens the pipe, as large as size where the system allows; false when no pipe can be had.
    bool Open(std::size_t size) {
        if (fd_[0] >= 0) {
            return true;
        }
        if (::pipe2(fd_, O_CLOEXEC) != 0) {
            fd_[0] = fd_[1] = -1;
            return false;
        }
        ::fcntl(fd_[1], F_SETPIPE_SZ, static_cast<int>(std::min<std::size_t>(size, 1u << 30)));
        const int got = ::fcntl(fd_[1], F_GETPIPE_SZ);
        capacity_ = got > 0 ? static_cast<std::size_t>(got) : std::size_t{64} << 10;
        return true;
    }
    int ReadEnd() const { return fd_[0]; }
    int WriteEnd() const { return fd_[1]; }
    std::size_t Capacity() const { return capacity_; }

private:
    int fd_[2] = {-1, -1};
    std::size_t capacity_ = 0;
};

#endif

class TCopier {
public:
    TCopier(const TFileStream& in, TFileStream& out, const TCopyOptions& options)
        : in_(in), out_(out), options_(options) {}

    // Moves up to want bytes from source offset at with method; returns the bytes moved, 0 when
    // the source gave none, -1 with errno set when the method failed.
    long KernelStep(TCopyMethod method, std::int64_t at, std::size_t want) {
        const auto index = static_cast<std::size_t>(method);
        if (!started_[index]) {
            started_[index] = true;
            if (options_.Refuse[index] != 0) {
                errno = options_.Refuse[index];
                return -1;
            }
        }
#ifdef __linux__
        for (;;) {
            long n = -1;
            switch (method) {
            case TCopyMethod::Splice:
                return SpliceStep(at, want);
            case TCopyMethod::CopyRange: {
                loff_t from = at;
                n = ::copy_file_range(in_.Handle(), &from, out_.Handle(), nullptr, want, 0);
                break;
            }
            case TCopyMethod::SendFile: {
                off_t from = at;
                n = ::sendfile(out_.Handle(), in_.Handle(), &from, want);
                break;
            }
            case TCopyMethod::Buffered:
                break;
            }
            if (n >= 0 || errno != EINTR) {
                return n;
            }
        }
#else
        (void)at;
        (void)want;
        errno = ENOSYS;
        return -1;
#endif
    }

    // Reads want bytes at at and writes them; a source that ends first is the read-past-end error.
    std::size_t BufferedStep(std::int64_t at, std::size_t want) {
        buffer_.resize(std::max(buffer_.size(), want));
        if (in_.ReadAt(buffer_.data(), want, at) != want) {
            throw EFileError::readPastEnd(in_.FileName());
        }
        out_.WriteBuffer(buffer_.data(), want);
        return want;
    }

    // Whether a refusal while emptying the pipe has ruled the splice way out for the next steps.
    bool SpliceBroken() const {
        return spliceBroken_;
    }

private:
#ifdef __linux__
    long SpliceStep(std::int64_t at, std::size_t want) {
        if (!pipe_.Open(options_.StepSize)) {
            errno = ENOSYS;
            return -1;
        }
        loff_t from = at;
        long n = 0;
        do {
            n = ::splice(in_.Handle(), &from, pipe_.WriteEnd(), nullptr, std::min(want, pipe_.Capacity()), 0);
        } while (n < 0 && errno == EINTR);
        if (n <= 0) {
            return n;
        }
        for (auto left = static_cast<std::size_t>(n); left > 0;) {
            const long k = ::splice(pipe_.ReadEnd(), nullptr, out_.Handle(), nullptr, left, 0);
            if (k > 0) {
                left -= static_cast<std::size_t>(k);
            } else if (k < 0 && errno == EINTR) {
                continue;
            } else if (k < 0 && IsRefusal(errno)) {
                // The output takes no pages from a pipe: write what the pipe holds the plain way.
                DrainPipe(left);
                spliceBroken_ = true;
                break;
            } else {
                throw KernelCopyError(k < 0 ? errno : EIO, in_, out_);
            }
        }
        return n;
    }

    void DrainPipe(std::size_t left) {
        buffer_.resize(std::max(buffer_.size(), left));
        std::size_t got = 0;
        while (got < left) {
            const long r = ::read(pipe_.ReadEnd(), buffer_.data() + got, left - got);
            if (r < 0 && errno == EINTR) {
                continue;
            }
            if (r <= 0) {
                throw EFileError::inOut(r < 0 ? errno : EIO, in_.FileName());
            }
            got += static_cast<std::size_t>(r);
        }
        out_.WriteBuffer(buffer_.data(), left);
    }

    TPipe pipe_;
#endif

    const TFileStream& in_;
    TFileStream& out_;
    const TCopyOptions& options_;
    std::array<bool, kCopyMethodCount> started_{};
    std::vector<std::uint8_t> buffer_; // only for the plain way
    bool spliceBroken_ = false;
};

} // namespace

TCopyReport CopyFileBytes(const TFileStream& in, std::int64_t inOffset, TFileStream& out, std::int64_t count,
                          const std::function<void(std::size_t)>& advance, const TCopyOptions& options) {
    TCopyReport report;
    TCopier copier(in, out, options);
    const auto buffered = static_cast<std::size_t>(TCopyMethod::Buffered);
    std::size_t method = FirstMethod();
    const auto step = static_cast<std::int64_t>(std::max<std::size_t>(options.StepSize, 1));
    // Two layouts make the kernel ways slower than the plain loop (measured with splice on ext4, the
    // forks of an AppleSingle or AppleDouble file behind their header): an output position inside
    // a page (a fifth slower), and output pages that each begin with the last few bytes of a source
    // page (twice the time). The plain loop writes up to the output's next page boundary, and the
    // kernel takes over from there unless the second layout would follow.
    std::int64_t head = 0;
    // Pipes and other unseekable outputs have no pages to align to.
#ifdef __linux__
    const std::int64_t outAt = method < buffered && count > 0 ? ::lseek(out.Handle(), 0, SEEK_CUR) : -1;
    // Room reserved for the bytes ahead of the copy spares the file system finding it page by page
    // (a fifth to a third of a large copy on ext4, by any way). The size stays as the bytes make it;
    // an output that has no room to reserve (a pipe, a device, a file system without it) is simply
    // written.
    if (outAt >= 0 && count >= kReserveFrom) {
        (void)::fallocate(out.Handle(), FALLOC_FL_KEEP_SIZE, outAt, count);
    }
#else
    const std::int64_t outAt = -1; // only the plain loop here
#endif
    if (outAt >= 0) {
        head = std::min(count, (kPageSize - outAt % kPageSize) % kPageSize);
        if ((inOffset + head) % kPageSize > kPageSize - kSmallPiece) {
            method = buffered;
            head = 0;
        }
    }
    for (std::int64_t done = 0; done < count;) {
        if (options.BeforeStep) {
            options.BeforeStep(done);
        }
        const auto want = static_cast<std::size_t>(std::min(count - done, step));
        const std::int64_t at = inOffset + done;
        // Every step moves want bytes, whichever ways share them, so that progress comes in steps.
        std::size_t moved = 0;
        if (head > 0) {
            moved = std::min(want, static_cast<std::size_t>(head));
            report.Bytes[buffered] += static_cast<std::int64_t>(copier.BufferedStep(at, moved));
            head -= static_cast<std::int64_t>(moved);
        }
        while (moved < want && method < buffered) {
            const long n = copier.KernelStep(static_cast<TCopyMethod>(method),
                                             at + static_cast<std::int64_t>(moved), want - moved);
            if (n > 0) {
                moved += static_cast<std::size_t>(n);
                report.Bytes[method] += n;
                if (method == static_cast<std::size_t>(TCopyMethod::Splice) && copier.SpliceBroken()) {
                    ++method;
                }
                continue;
            }
#ifdef __linux__
            if (n < 0 && !IsRefusal(errno)) {
                throw KernelCopyError(errno, in, out);
            }
#endif
            // Refused, or no bytes where the size at opening promised some: the next way decides,
            // and the plain read finally tells a source that ended early.
            ++method;
        }
        if (moved < want) {
            report.Bytes[buffered] += static_cast<std::int64_t>(
                copier.BufferedStep(at + static_cast<std::int64_t>(moved), want - moved));
            moved = want;
        }
        done += static_cast<std::int64_t>(moved);
        if (advance) {
            advance(moved);
        }
    }
    return report;
}

} // namespace kelda
