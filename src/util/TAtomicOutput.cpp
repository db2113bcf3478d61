// SPDX-License-Identifier: MIT
#include "util/TAtomicOutput.h"

#include <atomic>
#include <cerrno>

namespace kelda {

namespace {

constexpr unsigned kPrivateMode = 0600;
constexpr int kNameAttempts = 100;

std::atomic<bool> syncNewOutputs{false};

// The output's folder; one that cannot be opened is the output's create error.
TFolder OpenFolderOf(const std::filesystem::path& target, const std::filesystem::path& output) {
    const std::filesystem::path folder = target.parent_path();
    try {
        return TFolder(folder.empty() ? std::filesystem::path(".") : folder, true);
    } catch (const EFileError& e) {
        throw EFileError::createFailed(output, e.errorCode());
    }
}

// The file Commit replaces: the output with its links followed. An output that leads to no regular
// file (a FIFO, a device, a pipe named /dev/stdout or /proc/self/fd/N) is written under its own
// name: the kernel follows such a name to the pipe, which has no path of its own to resolve to.
std::filesystem::path TargetOf(const std::filesystem::path& output) {
    const std::optional<TFileStat> file = StatFile(output);
    return file && !file->Regular && !file->Directory ? output : ResolveLinks(output);
}

} // namespace

TAtomicOutput::TAtomicOutput(const std::filesystem::path& output)
    : output_(output), target_(TargetOf(output)), folder_(OpenFolderOf(target_, output)),
      name_(target_.filename().string()), existing_(folder_.Stat(name_, true)) {}

TAtomicOutput::~TAtomicOutput() {
    if (!committed_ && !temporary_.empty()) {
        stream_.reset();
        folder_.Remove(temporary_);
    }
    live_.reset();
}

bool TAtomicOutput::Replaces(const TFileStat& file) const {
    const std::optional<TFileStat> now = folder_.Stat(name_, true);
    return now && now->SameFile(file);
}

bool TAtomicOutput::ReplacesReadOnlyFile() const {
    const std::optional<TFileStat> now = folder_.Stat(name_, true);
    return now && now->Regular && !now->Writable;
}

std::filesystem::path TAtomicOutput::TemporaryFile() const {
    return temporary_.empty() ? std::filesystem::path() : folder_.Path() / temporary_;
}

TFileStream& TAtomicOutput::Create() {
    existing_ = folder_.Stat(name_, true);
    if (existing_ && existing_->Directory) {
        throw EFileError::createFailed(output_, EISDIR);
    }
    if (existing_ && !existing_->Regular) {
        stream_.emplace(target_, FileMode::Create);
        return *stream_;
    }
    RemoveStaleTemporaries(folder_);
    for (int attempt = 0;; ++attempt) {
        const std::string name = NewTemporaryName();
        try {
            stream_.emplace(folder_.CreateNew(name, kPrivateMode, output_));
            temporary_ = name;
            break;
        } catch (const EFileError& e) {
            if (e.errorCode() != EEXIST || attempt + 1 >= kNameAttempts) {
                throw;
            }
        }
    }
    live_.emplace(folder_, temporary_, *stream_);
    return *stream_;
}

void TAtomicOutput::Commit() {
    if (temporary_.empty()) {
        stream_->Close();
        committed_ = true;
        return;
    }
    const std::optional<TFileStat> old = folder_.Stat(name_, true);
    const bool replaces = old && old->Regular;
    if (replaces) {
        CopyAccess(folder_, name_, *stream_);
    } else {
        SetFileMode(*stream_, ApplyUmask(0666));
    }
    const bool sync = replaces || SyncNewOutputs();
    if (sync) {
        stream_->Sync();
    }
    live_->Unmark();
    stream_->Close();
    if (const int err = folder_.Rename(temporary_, name_); err != 0) {
        throw EFileError::createFailed(target_, err);
    }
    committed_ = true;
    live_.reset(); // the lock ends only now that the temporary has its final name
    if (sync) {
        folder_.Sync();
    }
}

void SetSyncNewOutputs(bool sync) {
    syncNewOutputs.store(sync);
}

bool SyncNewOutputs() {
    return syncNewOutputs.load();
}

} // namespace kelda
