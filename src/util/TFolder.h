// SPDX-License-Identifier: MIT
// A folder opened once, and the files KELDA creates, empties and replaces inside it, named relative to
// that folder so that a name swapped for a link after a check cannot redirect a write. This is the
// one file of the file layer that speaks to the operating system about folders, file identities,
// temporaries and signals; other systems get their branch here.
#pragma once

#include "util/TFileStream.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

// What the kernel says a name or a descriptor is.
struct TFileStat {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    bool Regular = false;
    bool Directory = false;
    bool Link = false;      // only when asked not to follow links
    unsigned Mode = 0;      // permission bits
    bool Writable = true;   // write permission for the owner, and for this process
    bool OwnedByUs = false; // owned by this process's user
    std::uint64_t Links = 1;
    std::int64_t Size = 0;
    std::int64_t AgeSeconds = 0; // since the last change of the contents

    // Whether both name the same file.
    bool SameFile(const TFileStat& other) const { return Device == other.Device && Inode == other.Inode; }
};

// The file a name leads to once the kernel has followed its links; nothing when there is none.
std::optional<TFileStat> StatFile(const std::filesystem::path& file);
// Whether both names lead to one existing file (device and inode, links followed). Only a guard
// before work; writers test the descriptors they opened.
bool IsSameFile(const std::filesystem::path& a, const std::filesystem::path& b);
// The file an open stream reads or writes.
TFileStat StatOpenFile(const TFileStream& stream);
// The file behind an open descriptor (standard input or output); nothing when it cannot be told.
std::optional<TFileStat> StatDescriptor(int fd);
// Gives an open file the permission bits mode.
void SetFileMode(const TFileStream& stream, unsigned mode);

// Where a name leads once its symbolic links are followed: the kernel's answer when the file exists,
// else the file a dangling link would create (the name itself when it is no link).
std::filesystem::path ResolveLinks(const std::filesystem::path& file);

class TFolder {
public:
    // Opens folder. followLink false refuses a folder that is itself a symbolic link (ELOOP).
    // Throws the open error naming the folder.
    TFolder(const std::filesystem::path& folder, bool followLink);
    ~TFolder();
    TFolder(const TFolder&) = delete;
    TFolder& operator=(const TFolder&) = delete;
    TFolder(TFolder&& other) noexcept;
    TFolder& operator=(TFolder&&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    // Creates a new file, never through a link and never over an existing name (O_EXCL), with the
    // permission bits mode (before the umask). Errors are the create error naming shownName.
    TFileStream CreateNew(std::string_view name, unsigned mode, const std::filesystem::path& shownName) const;
    // Opens name for writing, creating it when it is missing, and empties it through the descriptor.
    // A link, or anything but a regular file of one link, is refused with the create error.
    TFileStream CreateOrEmpty(std::string_view name) const;
    // Opens an existing regular file for reading, never through a link (the open error otherwise).
    TFileStream OpenForReading(std::string_view name) const;

    // Opens the folder name inside this one, never through a link; its Path() is Path() / name. So a
    // walk goes as deep as a tree does, past the length a full path may have (PATH_MAX). Throws the
    // open error naming that path.
    TFolder OpenFolder(std::string_view name) const;

    // What name is, its links followed by the kernel or not; nothing when the kernel cannot say
    // (errno then says why).
    std::optional<TFileStat> Stat(std::string_view name, bool followLinks) const;
    // Removes a file name (never a folder); false when that failed.
    bool Remove(std::string_view name) const;
    // Removes a file name unless a running program holds the file (HoldFile); false when it stays.
    // A file that cannot be opened to ask is removed as by Remove.
    bool RemoveUnheld(std::string_view name) const;
    // Renames within this folder, replacing to. 0 or the errno of the failure.
    int Rename(std::string_view from, std::string_view to) const;
    // Writes the folder's entries to disk (after a rename).
    void Sync() const;
    // The names of the folder's entries, without "." and "..", in name order. error, when given,
    // receives the errno of a listing that failed or stopped early (the names read until then are
    // returned), else 0.
    std::vector<std::string> Names(int* error = nullptr) const;

    int Handle() const { return fd_; }

private:
    TFolder(std::filesystem::path path, int fd) : path_(std::move(path)), fd_(fd) {}

    std::filesystem::path path_;
    int fd_ = -1;
};

// Marks an open file as held by this running program until the stream closes (also when the program
// is killed): a shared advisory lock, so that several programs may hold one file, and
// TFolder::RemoveUnheld in any of them leaves it. Where the system has no such locks an open file
// cannot be deleted anyway.
void HoldFile(const TFileStream& stream);

// ---------------------------------------------------------------- temporaries

// Temporary files are named ".kelda-XXXXXXXX.tmp" (eight hexadecimal digits), short so that any
// output name fits beside them, and recognisable so that ones left by a program that was killed can
// be removed later.
inline constexpr std::string_view kTemporaryPrefix = ".kelda-";
inline constexpr std::string_view kTemporarySuffix = ".tmp";
bool IsTemporaryName(std::string_view name);
std::string NewTemporaryName();

// Marks stream (just created in folder as name) as a live temporary: it is locked so that no other
// run takes it for stale, and it is removed if a signal ends the program before Forget.
// Returns a ticket for ForgetLiveTemporary.
int RegisterLiveTemporary(const TFolder& folder, std::string_view name, const TFileStream& stream);
void ForgetLiveTemporary(int ticket);

// Removes the temporaries of our pattern in folder that no running program holds: regular files of
// this user, not links, unlocked, and not a moment old. Other files are never touched.
void RemoveStaleTemporaries(const TFolder& folder);

// Installs, for the signals that end a program and can be caught (SIGINT, SIGTERM, SIGHUP, SIGQUIT,
// SIGUSR1, SIGPIPE), a handler that removes the live temporaries and then lets the signal end the
// program as usual; a signal the program inherited as ignored stays ignored. SIGXFSZ (a file-size
// limit) is caught so that the write fails with EFBIG and is reported like a full disk.
void InstallTemporaryCleanupOnSignals();
// Removes every live temporary; safe inside a signal handler.
void RemoveLiveTemporaries() noexcept;

// The permission bits a new file gets from mode under this process's umask.
unsigned ApplyUmask(unsigned mode);

} // namespace kelda
