// SPDX-License-Identifier: MIT
#include "util/TFolder.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <random>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <system_error>
#else
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#if defined(__linux__) || defined(__APPLE__)
#include <sys/xattr.h>
#endif
#endif

namespace kelda {

namespace {

constexpr std::size_t kTemporaryDigits = 8;

// The live temporaries a signal handler removes: a fixed table, since the handler may neither
// allocate nor lock. A slot is in use while its folder descriptor is not -1.
struct TLiveSlot {
    std::atomic<int> Folder{-1};
    char Name[32] = {};
};
constexpr int kLiveSlots = 16;
TLiveSlot gLive[kLiveSlots];
std::atomic<int> gLiveFolderClaim[kLiveSlots];

// The files this run was given: device, inode and status change time.
using TSpared = std::array<std::int64_t, 3>;
std::mutex gSparedLock;
std::vector<TSpared> gSpared;

TSpared SparedKey(const TFileStat& file) {
    return {static_cast<std::int64_t>(file.Device), static_cast<std::int64_t>(file.Inode), file.ChangeTime};
}

} // namespace

void SpareFromCleanup(const TFileStat& file) {
    const std::lock_guard<std::mutex> hold(gSparedLock);
    if (std::find(gSpared.begin(), gSpared.end(), SparedKey(file)) == gSpared.end()) {
        gSpared.push_back(SparedKey(file));
    }
}

bool IsTemporaryName(std::string_view name) {
    if (name.size() != kTemporaryPrefix.size() + kTemporaryDigits + kTemporarySuffix.size() ||
        !name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) {
        return false;
    }
    const std::string_view digits = name.substr(kTemporaryPrefix.size(), kTemporaryDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); });
}

bool HasTemporaryShape(std::string_view name) {
    // part is lower case; name's letters are compared in any case.
    const auto startsWith = [name](std::string_view part, std::size_t at) {
        for (std::size_t i = 0; i < part.size(); ++i) {
            const char c = name[at + i];
            if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != part[i]) {
                return false;
            }
        }
        return true;
    };
    return name.size() >= kTemporaryPrefix.size() + kTemporarySuffix.size() &&
           startsWith(kTemporaryPrefix, 0) &&
           startsWith(kTemporarySuffix, name.size() - kTemporarySuffix.size());
}

std::string NewTemporaryName() {
    static std::random_device random;
    char digits[16];
    std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(random()));
    return std::string(kTemporaryPrefix) + digits + std::string(kTemporarySuffix);
}

#ifndef _WIN32

namespace {

TFileStat FromStat(const struct stat& st, bool link) {
    TFileStat s;
    s.Device = static_cast<std::uint64_t>(st.st_dev);
    s.Inode = static_cast<std::uint64_t>(st.st_ino);
    s.Regular = S_ISREG(st.st_mode);
    s.Directory = S_ISDIR(st.st_mode);
    s.Link = link && S_ISLNK(st.st_mode);
    s.Mode = static_cast<unsigned>(st.st_mode & 07777);
    s.OwnedByUs = st.st_uid == ::geteuid();
    s.Writable = (st.st_mode & S_IWUSR) != 0;
    s.Links = static_cast<std::uint64_t>(st.st_nlink);
    s.Size = static_cast<std::int64_t>(st.st_size);
    s.AgeSeconds = static_cast<std::int64_t>(std::time(nullptr)) - static_cast<std::int64_t>(st.st_mtime);
#ifdef __APPLE__
    const timespec& changed = st.st_ctimespec;
#else
    const timespec& changed = st.st_ctim;
#endif
    s.ChangeTime =
        static_cast<std::int64_t>(changed.tv_sec) * 1000000000 + static_cast<std::int64_t>(changed.tv_nsec);
    return s;
}

int OpenAt(int folder, std::string_view name, int flags, unsigned mode = 0) {
    const std::string n(name);
    int fd;
    do {
        fd = ::openat(folder, n.c_str(), flags | O_CLOEXEC | O_NOFOLLOW, static_cast<mode_t>(mode));
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A descriptor opened without waiting (O_NONBLOCK, so that a FIFO cannot block) becomes a blocking one.
int Blocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    return flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0 ? errno : 0;
}

} // namespace

std::optional<TFileStat> StatFile(const std::filesystem::path& file) {
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        return std::nullopt;
    }
    TFileStat s = FromStat(st, false);
    s.Writable = s.Writable && ::access(file.c_str(), W_OK) == 0;
    return s;
}

TFileStat StatOpenFile(const TFileStream& stream) {
    struct stat st {};
    if (::fstat(stream.Handle(), &st) != 0) {
        throw EFileError::inOut(errno, stream.FileName());
    }
    return FromStat(st, false);
}

std::optional<TFileStat> StatDescriptor(int fd) {
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        return std::nullopt;
    }
    return FromStat(st, false);
}

void SetFileMode(const TFileStream& stream, unsigned mode) {
    if (::fchmod(stream.Handle(), static_cast<mode_t>(mode)) != 0) {
        throw EFileError::inOut(errno, stream.FileName());
    }
}

std::filesystem::path ResolveLinks(const std::filesystem::path& file) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
        return file;
    }
    if (char* real = ::realpath(file.c_str(), nullptr)) {
        std::filesystem::path resolved(real);
        std::free(real);
        return resolved;
    }
    // A dangling link: the file it names, as far as the links go.
    std::filesystem::path current = file;
    for (int depth = 0; depth < 40; ++depth) {
        char target[4096];
        const ssize_t n = ::readlink(current.c_str(), target, sizeof target - 1);
        if (n < 0) {
            break;
        }
        const std::filesystem::path link(std::string(target, static_cast<std::size_t>(n)));
        current = link.is_absolute() ? link : current.parent_path() / link;
    }
    return current;
}

TFolder::TFolder(const std::filesystem::path& folder, bool followLink) : path_(folder) {
    const char* name = folder.empty() ? "." : folder.c_str();
    fd_ = ::open(name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | (followLink ? 0 : O_NOFOLLOW));
    if (fd_ < 0) {
        throw EFileError::openFailed(folder, errno);
    }
}

TFolder::~TFolder() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

TFolder::TFolder(TFolder&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

TFileStream TFolder::CreateNew(std::string_view name, unsigned mode,
                               const std::filesystem::path& shownName) const {
    const int fd = OpenAt(fd_, name, O_WRONLY | O_CREAT | O_EXCL, mode);
    if (fd < 0) {
        throw EFileError::createFailed(shownName, errno);
    }
    return TFileStream::Adopt(fd, shownName);
}

TFileStream TFolder::CreateOrEmpty(std::string_view name) const {
    const std::filesystem::path shown = path_ / std::string(name);
    // Not O_TRUNC: what the name is must be known before anything is emptied.
    const int fd = OpenAt(fd_, name, O_WRONLY | O_CREAT | O_NONBLOCK, 0666);
    if (fd < 0) {
        throw EFileError::createFailed(shown, errno);
    }
    TFileStream stream = TFileStream::Adopt(fd, shown);
    struct stat st {};
    int refusal = ::fstat(fd, &st) != 0 ? errno : 0;
    if (refusal == 0 && (!S_ISREG(st.st_mode) || st.st_nlink != 1)) {
        // A FIFO, a device, or a second name of some other file: not ours to write.
        refusal = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (refusal == 0) {
        refusal = Blocking(fd);
    }
    if (refusal == 0 && ::ftruncate(fd, 0) != 0) {
        refusal = errno;
    }
    if (refusal != 0) {
        throw EFileError::createFailed(shown, refusal);
    }
    return stream;
}

TFileStream TFolder::OpenForReading(std::string_view name) const {
    const std::filesystem::path shown = path_ / std::string(name);
    const int fd = OpenAt(fd_, name, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        throw EFileError::openFailed(shown, errno);
    }
    TFileStream stream = TFileStream::Adopt(fd, shown);
    struct stat st {};
    int refusal = ::fstat(fd, &st) != 0 ? errno : 0;
    if (refusal == 0 && !S_ISREG(st.st_mode)) {
        refusal = S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
    }
    if (refusal == 0) {
        refusal = Blocking(fd);
    }
    if (refusal != 0) {
        throw EFileError::openFailed(shown, refusal);
    }
    return stream;
}

TFolder TFolder::OpenFolder(std::string_view name) const {
    std::filesystem::path path = path_ / std::string(name);
    const int fd = OpenAt(fd_, name, O_RDONLY | O_DIRECTORY);
    if (fd < 0) {
        throw EFileError::openFailed(path, errno);
    }
    return TFolder(std::move(path), fd);
}

std::optional<TFileStat> TFolder::Stat(std::string_view name, bool followLinks) const {
    const std::string n(name);
    struct stat st {};
    if (::fstatat(fd_, n.c_str(), &st, followLinks ? 0 : AT_SYMLINK_NOFOLLOW) != 0) {
        return std::nullopt;
    }
    TFileStat s = FromStat(st, !followLinks);
    if (followLinks) {
        s.Writable = s.Writable && ::faccessat(fd_, n.c_str(), W_OK, AT_EACCESS) == 0;
    }
    return s;
}

bool TFolder::Remove(std::string_view name) const {
    return ::unlinkat(fd_, std::string(name).c_str(), 0) == 0;
}

bool TFolder::RemoveUnheld(std::string_view name) const {
    const int fd = OpenAt(fd_, name, O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
        return Remove(name);
    }
    bool removed = false;
    struct stat st {};
    // The exclusive lock is refused while any program holds the file; the name must still be the
    // file examined when it goes.
    if (::fstat(fd, &st) == 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        const std::optional<TFileStat> now = Stat(name, false);
        removed = now && now->Inode == static_cast<std::uint64_t>(st.st_ino) &&
                  now->Device == static_cast<std::uint64_t>(st.st_dev) && Remove(name);
    }
    ::close(fd);
    return removed;
}

void HoldFile(const TFileStream& stream) {
    ::flock(stream.Handle(), LOCK_SH | LOCK_NB);
}

int TFolder::Rename(std::string_view from, std::string_view to) const {
    return ::renameat(fd_, std::string(from).c_str(), fd_, std::string(to).c_str()) == 0 ? 0 : errno;
}

void TFolder::Sync() const {
    ::fsync(fd_); // a folder that cannot be synchronised (some file systems) still holds the rename
}

std::vector<std::string> TFolder::Names(int* error) const {
    std::vector<std::string> names;
    int failure = 0;
    const int fd = ::dup(fd_);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (dir == nullptr) {
        failure = errno;
        if (fd >= 0) {
            ::close(fd);
        }
    } else {
        ::rewinddir(dir);
        for (;;) {
            errno = 0;
            const dirent* entry = ::readdir(dir);
            if (entry == nullptr) {
                failure = errno; // 0 at the end of the folder
                break;
            }
            const std::string_view name(entry->d_name);
            if (name != "." && name != "..") {
                names.emplace_back(name);
            }
        }
        ::closedir(dir);
    }
    if (error != nullptr) {
        *error = failure;
    }
    std::sort(names.begin(), names.end());
    return names;
}

// ---------------------------------------------------------------- temporaries

namespace {

// The mark of a temporary: an extended attribute holding the identity of the file it was set on.
// A file system without extended attributes takes no mark; its temporaries are then never removed
// by another run (only by their own program and its signal handler).
constexpr const char* kMarkName = "user.kelda.temporary";

std::string MarkOf(const struct stat& st) {
    char text[48];
    std::snprintf(text, sizeof text, "%llx:%llx", static_cast<unsigned long long>(st.st_dev),
                  static_cast<unsigned long long>(st.st_ino));
    return text;
}

#if defined(__linux__)
int SetAttribute(int fd, const char* name, const void* value, std::size_t size) {
    return ::fsetxattr(fd, name, value, size, 0);
}
ssize_t GetAttribute(int fd, const char* name, void* value, std::size_t size) {
    return ::fgetxattr(fd, name, value, size);
}
void RemoveAttribute(int fd, const char* name) {
    ::fremovexattr(fd, name);
}
#elif defined(__APPLE__)
int SetAttribute(int fd, const char* name, const void* value, std::size_t size) {
    return ::fsetxattr(fd, name, value, size, 0, 0);
}
ssize_t GetAttribute(int fd, const char* name, void* value, std::size_t size) {
    return ::fgetxattr(fd, name, value, size, 0, 0);
}
void RemoveAttribute(int fd, const char* name) {
    ::fremovexattr(fd, name, 0);
}
#else
int SetAttribute(int, const char*, const void*, std::size_t) {
    errno = ENOTSUP;
    return -1;
}
ssize_t GetAttribute(int, const char*, void*, std::size_t) {
    errno = ENOTSUP;
    return -1;
}
void RemoveAttribute(int, const char*) {}
#endif

bool IsSpared(const TFileStat& file) {
    const std::lock_guard<std::mutex> hold(gSparedLock);
    return std::find(gSpared.begin(), gSpared.end(), SparedKey(file)) != gSpared.end();
}

// Whether the open file fd (whose status is st) carries the mark made for it.
bool CarriesOurMark(int fd, const struct stat& st) {
    const std::string expected = MarkOf(st);
    char value[48] = {};
    const ssize_t n = GetAttribute(fd, kMarkName, value, sizeof value);
    return n == static_cast<ssize_t>(expected.size()) &&
           expected.compare(0, expected.size(), value, expected.size()) == 0;
}

} // namespace

TLiveTemporary::TLiveTemporary(const TFolder& folder, std::string_view name, const TFileStream& stream) {
    // A descriptor of its own, so that closing the stream (which reports a delayed write error
    // before the rename) does not end the lock.
    lock_ = ::fcntl(stream.Handle(), F_DUPFD_CLOEXEC, 0);
    // Marked only once locked: another run never sees a mark on a temporary it could lock while
    // its program lives. One that cannot be locked stays unmarked, and so never taken for stale.
    struct stat st {};
    if (lock_ >= 0 && ::flock(lock_, LOCK_EX | LOCK_NB) == 0 && ::fstat(lock_, &st) == 0) {
        const std::string mark = MarkOf(st);
        SetAttribute(lock_, kMarkName, mark.data(), mark.size());
    }
    if (name.size() >= sizeof(TLiveSlot::Name)) {
        return;
    }
    for (int i = 0; i < kLiveSlots; ++i) {
        int expected = 0;
        if (gLiveFolderClaim[i].compare_exchange_strong(expected, 1)) {
            std::memcpy(gLive[i].Name, name.data(), name.size());
            gLive[i].Name[name.size()] = '\0';
            gLive[i].Folder.store(folder.Handle(), std::memory_order_release);
            slot_ = i;
            return;
        }
    }
}

TLiveTemporary::~TLiveTemporary() {
    if (slot_ >= 0) {
        gLive[slot_].Folder.store(-1, std::memory_order_release);
        gLiveFolderClaim[slot_].store(0);
    }
    if (lock_ >= 0) {
        ::close(lock_);
    }
}

void TLiveTemporary::Unmark() {
    if (lock_ >= 0) {
        RemoveAttribute(lock_, kMarkName);
    }
}

void RemoveLiveTemporaries() noexcept {
    for (TLiveSlot& slot : gLive) {
        const int folder = slot.Folder.exchange(-1, std::memory_order_acq_rel);
        if (folder >= 0) {
            ::unlinkat(folder, slot.Name, 0);
        }
    }
}

void RemoveStaleTemporaries(const TFolder& folder) {
    for (const std::string& name : folder.Names()) {
        if (!IsTemporaryName(name)) {
            continue;
        }
        const int fd = OpenAt(folder.Handle(), name, O_RDONLY | O_NONBLOCK);
        if (fd < 0) {
            continue; // a link or something we may not read: not ours
        }
        struct stat st {};
        const bool ours = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == ::geteuid() &&
                          st.st_nlink == 1 && !IsSpared(FromStat(st, false)) && CarriesOurMark(fd, st);
        // A marked temporary that cannot be locked belongs to a running program.
        if (ours && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // The name must still be the file examined.
            const std::optional<TFileStat> now = folder.Stat(name, false);
            if (now && now->Inode == static_cast<std::uint64_t>(st.st_ino) &&
                now->Device == static_cast<std::uint64_t>(st.st_dev)) {
                folder.Remove(name);
            }
        }
        ::close(fd);
    }
}

void CopyAccess(const TFolder& folder, std::string_view from, const TFileStream& to) {
    const std::string name(from);
    struct stat old {};
    struct stat mine {};
    if (::fstatat(folder.Handle(), name.c_str(), &old, 0) != 0 || ::fstat(to.Handle(), &mine) != 0) {
        throw EFileError::inOut(errno, to.FileName());
    }
    // Owner and group first (a change of owner clears set-id bits). Whoever may not give the file
    // away may still give it a group of their own; beyond that it stays theirs.
    if (old.st_uid != mine.st_uid || old.st_gid != mine.st_gid) {
        const bool kept = ::fchown(to.Handle(), old.st_uid, old.st_gid) == 0 ||
                          ::fchown(to.Handle(), static_cast<uid_t>(-1), old.st_gid) == 0;
        static_cast<void>(kept);
    }
#if defined(__linux__)
    // The access ACL, read from the old file itself (never through a link planted under its name).
    constexpr const char* kAccessAcl = "system.posix_acl_access";
    if (const int fd = OpenAt(folder.Handle(), name, O_RDONLY | O_NONBLOCK); fd >= 0) {
        const ssize_t size = GetAttribute(fd, kAccessAcl, nullptr, 0);
        if (size > 0) {
            std::vector<char> acl(static_cast<std::size_t>(size));
            const ssize_t n = GetAttribute(fd, kAccessAcl, acl.data(), acl.size());
            if (n > 0) {
                SetAttribute(to.Handle(), kAccessAcl, acl.data(), static_cast<std::size_t>(n));
            }
        }
        ::close(fd);
    }
#endif
    SetFileMode(to, static_cast<unsigned>(old.st_mode & 0777));
}

namespace {

extern "C" void OnEndingSignal(int sig) {
    RemoveLiveTemporaries();
    std::signal(sig, SIG_DFL);
    std::raise(sig); // delivered when this handler returns: the program ends as the signal says
}

extern "C" void OnFileSizeLimit(int) {
    // Nothing here: the write that crossed the limit fails with EFBIG and is reported.
}

} // namespace

void InstallTemporaryCleanupOnSignals() {
    const int ending[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGPIPE};
    for (int sig : ending) {
        struct sigaction old {};
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
            struct sigaction action {};
            action.sa_handler = OnEndingSignal;
            sigemptyset(&action.sa_mask);
            for (int other : ending) {
                sigaddset(&action.sa_mask, other);
            }
            sigaction(sig, &action, nullptr);
        }
    }
    struct sigaction old {};
    if (sigaction(SIGXFSZ, nullptr, &old) == 0 && old.sa_handler == SIG_DFL) {
        struct sigaction action {};
        action.sa_handler = OnFileSizeLimit;
        sigemptyset(&action.sa_mask);
        sigaction(SIGXFSZ, &action, nullptr);
    }
}

unsigned ApplyUmask(unsigned mode) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mode & ~static_cast<unsigned>(mask);
}

#else // _WIN32: no descriptors of folders; names are used, and open files cannot be deleted anyway.

namespace {

std::filesystem::path In(const std::filesystem::path& folder, std::string_view name) {
    return folder / std::filesystem::path(std::string(name));
}

TFileStat FromStatus(const std::filesystem::path& file, const std::filesystem::file_status& st) {
    TFileStat s;
    s.Regular = std::filesystem::is_regular_file(st);
    s.Directory = std::filesystem::is_directory(st);
    s.Link = std::filesystem::is_symlink(st);
    s.Mode = static_cast<unsigned>(st.permissions()) & 0777;
    s.Writable = (st.permissions() & std::filesystem::perms::owner_write) != std::filesystem::perms::none;
    s.OwnedByUs = true;
    std::error_code ec;
    s.Size = s.Regular ? static_cast<std::int64_t>(std::filesystem::file_size(file, ec)) : 0;
    // Without inode numbers the file's full name stands for its identity.
    const std::string canonical = std::filesystem::weakly_canonical(file, ec).string();
    s.Inode = std::hash<std::string>{}(canonical);
    return s;
}

} // namespace

std::optional<TFileStat> StatFile(const std::filesystem::path& file) {
    std::error_code ec;
    const auto st = std::filesystem::status(file, ec);
    if (ec || !std::filesystem::exists(st)) {
        return std::nullopt;
    }
    return FromStatus(file, st);
}

TFileStat StatOpenFile(const TFileStream& stream) {
    return StatFile(stream.FileName()).value_or(TFileStat{});
}

std::optional<TFileStat> StatDescriptor(int) {
    return std::nullopt; // no inode numbers to compare
}

void SetFileMode(const TFileStream& stream, unsigned mode) {
    std::error_code ec;
    std::filesystem::permissions(stream.FileName(), static_cast<std::filesystem::perms>(mode), ec);
}

std::filesystem::path ResolveLinks(const std::filesystem::path& file) {
    std::error_code ec;
    const auto resolved = std::filesystem::weakly_canonical(file, ec);
    return ec ? file : resolved;
}

TFolder::TFolder(const std::filesystem::path& folder, bool followLink) : path_(folder) {
    std::error_code ec;
    const auto st =
        followLink ? std::filesystem::status(folder, ec) : std::filesystem::symlink_status(folder, ec);
    if (ec || !std::filesystem::is_directory(st)) {
        throw EFileError::openFailed(folder, ec ? ec.value() : ENOTDIR);
    }
}

TFolder::~TFolder() = default;

TFolder::TFolder(TFolder&& other) noexcept
    : path_(std::move(other.path_)), fd_(std::exchange(other.fd_, -1)) {}

TFileStream TFolder::CreateNew(std::string_view name, unsigned,
                               const std::filesystem::path& shownName) const {
    std::error_code ec;
    if (std::filesystem::exists(std::filesystem::symlink_status(In(path_, name), ec))) {
        throw EFileError::createFailed(shownName, EEXIST);
    }
    TFileStream stream(In(path_, name), FileMode::Create);
    return stream;
}

TFileStream TFolder::CreateOrEmpty(std::string_view name) const {
    std::error_code ec;
    const auto st = std::filesystem::symlink_status(In(path_, name), ec);
    if (std::filesystem::exists(st) && !std::filesystem::is_regular_file(st)) {
        throw EFileError::createFailed(In(path_, name), EINVAL);
    }
    return TFileStream(In(path_, name), FileMode::Create);
}

TFileStream TFolder::OpenForReading(std::string_view name) const {
    std::error_code ec;
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(In(path_, name), ec))) {
        throw EFileError::openFailed(In(path_, name), EINVAL);
    }
    return TFileStream(In(path_, name), FileMode::Read);
}

TFolder TFolder::OpenFolder(std::string_view name) const {
    return TFolder(In(path_, name), false);
}

std::optional<TFileStat> TFolder::Stat(std::string_view name, bool followLinks) const {
    std::error_code ec;
    const auto file = In(path_, name);
    const auto st =
        followLinks ? std::filesystem::status(file, ec) : std::filesystem::symlink_status(file, ec);
    if (ec || !std::filesystem::exists(st)) {
        return std::nullopt;
    }
    return FromStatus(file, st);
}

bool TFolder::Remove(std::string_view name) const {
    std::error_code ec;
    return std::filesystem::remove(In(path_, name), ec) && !ec;
}

bool TFolder::RemoveUnheld(std::string_view name) const {
    return Remove(name); // a file some program holds open cannot be deleted here
}

void HoldFile(const TFileStream&) {}

int TFolder::Rename(std::string_view from, std::string_view to) const {
    std::error_code ec;
    std::filesystem::rename(In(path_, from), In(path_, to), ec);
    return ec.value();
}

void TFolder::Sync() const {}

std::vector<std::string> TFolder::Names(int* error) const {
    std::vector<std::string> names;
    std::error_code ec;
    for (std::filesystem::directory_iterator it(path_, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    if (error != nullptr) {
        *error = ec.value();
    }
    std::sort(names.begin(), names.end());
    return names;
}

TLiveTemporary::TLiveTemporary(const TFolder&, std::string_view, const TFileStream&) {}
TLiveTemporary::~TLiveTemporary() = default;
void TLiveTemporary::Unmark() {}
void RemoveLiveTemporaries() noexcept {}

void RemoveStaleTemporaries(const TFolder&) {
    // No mark can be set here that would prove a file ours, so none is taken for a stale temporary:
    // a file a killed run left stays for its user to remove.
}

void CopyAccess(const TFolder& folder, std::string_view from, const TFileStream& to) {
    std::error_code ec;
    const auto st = std::filesystem::status(In(folder.Path(), from), ec);
    SetFileMode(to, ec ? 0666 : static_cast<unsigned>(st.permissions()) & 0777);
}

void InstallTemporaryCleanupOnSignals() {}

unsigned ApplyUmask(unsigned mode) {
    return mode;
}

#endif

bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::optional<TFileStat> x = StatFile(a);
    const std::optional<TFileStat> y = StatFile(b);
    return x && y && x->SameFile(*y);
}

} // namespace kelda
