// SPDX-License-Identifier: MIT
#include "util/TMappedFile.h"

#include "util/TFileStream.h"

#if defined(__unix__) || defined(__APPLE__)
#include <cerrno>
#include <csetjmp>
#include <csignal>
#include <mutex>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define KELDA_HAVE_MMAP 1
#endif

#include <algorithm>

namespace kelda {

#if KELDA_HAVE_MMAP

namespace {

// The window the current thread is reading, and where to jump when a page of it has gone.
thread_local sigjmp_buf* tJump = nullptr;
thread_local const std::uint8_t* tWindowBegin = nullptr;
thread_local const std::uint8_t* tWindowEnd = nullptr;

struct sigaction gPreviousBus {};

void OnBusError(int signal, siginfo_t* info, void* context) {
    const auto* address = static_cast<const std::uint8_t*>(info->si_addr);
    if (tJump != nullptr && address >= tWindowBegin && address < tWindowEnd) {
        siglongjmp(*tJump, 1);
    }
    // Not a page of ours: behave as the handler before us would have.
    if ((gPreviousBus.sa_flags & SA_SIGINFO) != 0 && gPreviousBus.sa_sigaction != nullptr) {
        gPreviousBus.sa_sigaction(signal, info, context);
        return;
    }
    if (gPreviousBus.sa_handler != SIG_DFL && gPreviousBus.sa_handler != SIG_IGN) {
        gPreviousBus.sa_handler(signal);
        return;
    }
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

void InstallBusHandler() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action {};
        action.sa_sigaction = OnBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGBUS, &action, &gPreviousBus);
    });
}

// Runs consume over [data, data + size) and returns false when a page of it raised SIGBUS.
bool ConsumeGuarded(const TConsumeFn& consume, const std::uint8_t* data, std::size_t size,
                    const std::uint8_t* windowBegin, const std::uint8_t* windowEnd) {
    // Clears the jump on every way out of this frame, an exception from consume included.
    struct TDisarm {
        ~TDisarm() { tJump = nullptr; }
    } disarm;
    sigjmp_buf jump;
    if (sigsetjmp(jump, 0) != 0) {
        return false;
    }
    tWindowBegin = windowBegin;
    tWindowEnd = windowEnd;
    tJump = &jump;
    consume(data, size);
    return true;
}

} // namespace

TMappedWindow::TMappedWindow(const TFileStream& stream, std::int64_t offset, std::size_t size) : size_(size) {
    InstallBusHandler();
    void* p = ::mmap(nullptr, size, PROT_READ, MAP_SHARED, stream.Handle(), static_cast<off_t>(offset));
    if (p != MAP_FAILED) {
        data_ = static_cast<const std::uint8_t*>(p);
    }
}

TMappedWindow::~TMappedWindow() {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
    }
}

bool TMappedWindow::Populate() const {
    ::madvise(const_cast<std::uint8_t*>(data_), size_, MADV_SEQUENTIAL);
#ifdef MADV_HUGEPAGE
    ::madvise(const_cast<std::uint8_t*>(data_), size_, MADV_HUGEPAGE);
#endif
#ifdef MADV_POPULATE_READ
    if (::madvise(const_cast<std::uint8_t*>(data_), size_, MADV_POPULATE_READ) != 0) {
        return errno != EFAULT; // EINVAL: an older kernel without it; the faults then map pages
    }
#endif
    return true;
}

bool TMappedWindow::Consume(const TConsumeFn& consume, std::size_t at, std::size_t size) const {
    return ConsumeGuarded(consume, data_ + at, size, data_, data_ + size_);
}

bool ReadMapped(const std::filesystem::path& file, const TConsumeFn& consume, const ProgressFn& progress,
                const TMappedReadOptions& options) {
    TFileStream stream(file, FileMode::Read);
    struct stat st {};
    if (::fstat(stream.Handle(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0) {
        return false;
    }
    const std::int64_t total = st.st_size;
    std::int64_t done = 0;
    while (done < total) {
        const std::size_t windowSize = static_cast<std::size_t>(
            std::min<std::int64_t>(total - done, static_cast<std::int64_t>(options.WindowSize)));
        const TMappedWindow window(stream, done, windowSize);
        if (window.Data() == nullptr) {
            if (done == 0) {
                return false; // this file system does not map files
            }
            throw EFileError::inOut(errno);
        }
        if (!window.Populate()) {
            throw EFileError::readPastEnd();
        }
        if (options.AfterMap) {
            options.AfterMap(done);
        }
        for (std::size_t at = 0; at < windowSize;) {
            const std::size_t piece = std::min(options.PieceSize, windowSize - at);
            if (!window.Consume(consume, at, piece)) {
                throw EFileError::readPastEnd();
            }
            at += piece;
            done += static_cast<std::int64_t>(piece);
            if (progress && !progress(done, total)) {
                throw ECancelled();
            }
        }
    }
    return true;
}

#else

TMappedWindow::TMappedWindow(const TFileStream&, std::int64_t, std::size_t size) : size_(size) {}
TMappedWindow::~TMappedWindow() = default;
bool TMappedWindow::Populate() const {
    return false;
}
bool TMappedWindow::Consume(const TConsumeFn&, std::size_t, std::size_t) const {
    return false;
}

bool ReadMapped(const std::filesystem::path&, const TConsumeFn&, const ProgressFn&,
                const TMappedReadOptions&) {
    return false;
}

#endif

} // namespace kelda
