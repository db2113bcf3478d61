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
    std::int64_t ChangeTime = 0; // the last change of the file's status, in nanoseconds (0: unknown)

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
// output name fits beside them. The name alone proves nothing (anyone may name a file so): a
// temporary is KELDA's only while it carries the mark that only TLiveTemporary writes.
inline constexpr std::string_view kTemporaryPrefix = ".kelda-";
inline constexpr std::string_view kTemporarySuffix = ".tmp";
bool IsTemporaryName(std::string_view name);
// Whether a name has the temporaries' shape in any letter case (".KELDA-anything.Tmp"): names that
// KELDA itself never makes from a name it reads (see SafeLocalName).
bool HasTemporaryShape(std::string_view name);
std::string NewTemporaryName();

// A temporary file while its output is written, from just after its creation (O_EXCL) until it is
// renamed into place or removed. It holds a lock on the file through a descriptor of its own, so the
// lock outlives the closing of the stream until the rename is done (and ends when a killed program's
// descriptors close); once locked, the file is marked as KELDA's (an extended attribute holding the
// file's device and inode, so that a copy of it does not pass). A signal that ends the program
// removes the file while this lives.
class TLiveTemporary {
public:
    TLiveTemporary(const TFolder& folder, std::string_view name, const TFileStream& stream);
    ~TLiveTemporary();
    TLiveTemporary(const TLiveTemporary&) = delete;
    TLiveTemporary& operator=(const TLiveTemporary&) = delete;

    // Takes the mark away before the rename, so that the output never carries it; the lock stays.
    void Unmark();

private:
    int lock_ = -1;
    int slot_ = -1;
};

// Files this run was given (the sources of its outputs, a command's inputs): the removal of stale
// temporaries never takes them, whatever their names and marks. A file is known by its identity and
// the time of its last status change, so that a later file that reuses the inode is not spared.
void SpareFromCleanup(const TFileStat& file);

// Removes the temporaries in folder that a killed run left: files of our name pattern that carry
// our mark for their own identity, regular files of this user with one name, not links, not locked by
// a running program, and none of the files spared. Every other file stays, whatever its name.
void RemoveStaleTemporaries(const TFolder& folder);

// Gives to (a temporary about to replace the regular file from in folder) from's access: its owner and
// group where this process may set them, its permission bits (without set-id bits) and its access
// ACL. Other extended attributes are not carried: they describe the old contents.
void CopyAccess(const TFolder& folder, std::string_view from, const TFileStream& to);

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
