// SPDX-License-Identifier: MIT
#include "cli/TCliScratch.h"

#include "util/TFileStream.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <system_error>
#ifdef _WIN32
#include <process.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelda {

namespace {

#ifndef _WIN32
constexpr std::string_view kScratchPrefix = "kelda-cli-";
constexpr std::size_t kScratchRandom = 6; // mkdtemp's XXXXXX
constexpr const char* kLockName = ".lock";
// What ".lock" holds: the mark of a folder that kelda-cli made.
constexpr std::string_view kLockMark = "kelda-cli scratch folder\n";

// The scratch folders a signal handler removes: a fixed table, since the handler may neither
// allocate nor lock. A slot is in use while Own is not -1.
constexpr int kSlots = 8;
constexpr int kFiles = 4;
constexpr std::size_t kFileName = 16;
struct TScratchSlot {
    std::atomic<int> Own{-1};
    int Base = -1;
    char Name[32] = {};
    char Files[kFiles][kFileName] = {};
    std::atomic<int> FileCount{0};
};
TScratchSlot gSlots[kSlots];
std::atomic<bool> gSlotClaim[kSlots];

bool IsScratchName(std::string_view name) {
    return name.size() == kScratchPrefix.size() + kScratchRandom && name.starts_with(kScratchPrefix) &&
           std::all_of(name.begin() + static_cast<std::ptrdiff_t>(kScratchPrefix.size()), name.end(),
                       [](char c) {
                           return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
                       });
}

// Removes the slot's files, its lock and the folder; async-signal-safe.
void RemoveSlot(TScratchSlot& slot, int own) noexcept {
    const int files = std::min(slot.FileCount.load(std::memory_order_acquire), kFiles);
    for (int i = 0; i < files; ++i) {
        ::unlinkat(own, slot.Files[i], 0);
    }
    ::unlinkat(own, kLockName, 0);
    ::unlinkat(slot.Base, slot.Name, AT_REMOVEDIR);
}
#endif

} // namespace

TCliScratch::TCliScratch() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
#ifdef _WIN32
    // No mkdtemp: a name from the process and a counter, created only when it is new.
    static int counter = 0;
    for (;;) {
        const std::filesystem::path candidate =
            base / ("kelda-cli-" + std::to_string(::_getpid()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(candidate, ec)) {
            folder_ = candidate;
            return;
        }
        if (ec) {
            throw EFileError::createFailed(candidate, ec.value());
        }
    }
#else
    base_.emplace(base, true);
    RemoveStaleScratchFolders(*base_);
    std::string pattern = (base / (std::string(kScratchPrefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw EFileError::createFailed(pattern, errno);
    }
    folder_ = pattern;
    const std::string name = folder_.filename().string();
    try {
        own_.emplace(base_->OpenFolder(name));
        TFileStream lock = own_->CreateNew(kLockName, 0600, folder_ / kLockName);
        // Locked before it is marked: a run that finds the mark finds the lock held.
        while (::flock(lock.Handle(), LOCK_EX) != 0 && errno == EINTR) {
        }
        lock.WriteBuffer(kLockMark.data(), kLockMark.size());
        lock_ = ::dup(lock.Handle());
    } catch (...) {
        if (own_) {
            ::unlinkat(own_->Handle(), kLockName, 0);
        }
        ::unlinkat(base_->Handle(), name.c_str(), AT_REMOVEDIR);
        throw;
    }
    for (int i = 0; i < kSlots; ++i) {
        bool expected = false;
        if (gSlotClaim[i].compare_exchange_strong(expected, true)) {
            TScratchSlot& slot = gSlots[i];
            slot.Base = base_->Handle();
            std::memcpy(slot.Name, name.c_str(), std::min(name.size() + 1, sizeof slot.Name));
            slot.FileCount.store(0);
            slot.Own.store(own_->Handle(), std::memory_order_release);
            slot_ = i;
            break;
        }
    }
#endif
}

std::filesystem::path TCliScratch::File(std::string_view name) {
#ifndef _WIN32
    if (slot_ >= 0) {
        TScratchSlot& slot = gSlots[slot_];
        const int count = slot.FileCount.load();
        if (count < kFiles && name.size() < kFileName) {
            std::memcpy(slot.Files[count], name.data(), name.size());
            slot.Files[count][name.size()] = '\0';
            slot.FileCount.store(count + 1, std::memory_order_release);
        }
    }
#endif
    return folder_ / std::string(name);
}

TCliScratch::~TCliScratch() {
#ifndef _WIN32
    if (slot_ >= 0) {
        gSlots[slot_].Own.store(-1, std::memory_order_release);
        gSlotClaim[slot_].store(false);
    }
#endif
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
#ifndef _WIN32
    if (lock_ >= 0) {
        ::close(lock_);
    }
#endif
}

void RemoveLiveScratchFolders() noexcept {
#ifndef _WIN32
    for (TScratchSlot& slot : gSlots) {
        const int own = slot.Own.exchange(-1, std::memory_order_acq_rel);
        if (own >= 0) {
            RemoveSlot(slot, own);
        }
    }
#endif
}

void RemoveStaleScratchFolders(const TFolder& base) {
#ifdef _WIN32
    (void)base;
#else
    for (const std::string& name : base.Names()) {
        if (!IsScratchName(name)) {
            continue;
        }
        const std::optional<TFileStat> folder = base.Stat(name, false);
        if (!folder || !folder->Directory || !folder->OwnedByUs) {
            continue; // a link, a file, or another user's: not ours
        }
        try {
            const TFolder scratch = base.OpenFolder(name);
            const TFileStream lock = scratch.OpenForReading(kLockName);
            if (!StatOpenFile(lock).OwnedByUs || ::flock(lock.Handle(), LOCK_EX | LOCK_NB) != 0) {
                continue; // in use by a running kelda-cli
            }
            char mark[64] = {};
            const std::size_t got = lock.ReadAt(mark, sizeof mark, 0);
            if (std::string_view(mark, got) != kLockMark) {
                continue; // not marked as ours (or being made just now)
            }
            for (const std::string& file : scratch.Names()) {
                const std::optional<TFileStat> entry = scratch.Stat(file, false);
                if (entry && !entry->Directory && file != kLockName) {
                    scratch.Remove(file);
                }
            }
            scratch.Remove(kLockName);
            ::unlinkat(base.Handle(), name.c_str(), AT_REMOVEDIR); // fails, harmlessly, if not empty
        } catch (const EFileError&) {
            // Gone meanwhile, or no lock file: not ours to touch.
        }
    }
#endif
}

} // namespace kelda
