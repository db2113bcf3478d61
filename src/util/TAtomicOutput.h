// SPDX-License-Identifier: MIT
// An output file that appears only when it is complete: the bytes go to a temporary file in the
// output's folder, which Commit renames into place. Without Commit (an error, a
// cancel) the temporary file is removed and the output, if it existed, keeps its old contents; a
// signal that ends the program removes it too. An existing output that is no regular file (a device
// such as /dev/null, a FIFO, a pipe as /dev/stdout, /proc/self/fd/N or a shell's >(...)) is written
// directly, with no temporary: renaming over it would replace the device itself, and a pipe has no
// folder to put a temporary in.
// The outputs of the conversions, the saved log and the settings file all go through this class.
#pragma once

#include "util/TFileStream.h"
#include "util/TFolder.h"

#include <filesystem>
#include <optional>
#include <string>

namespace kelda {

class TAtomicOutput {
public:
    // Finds the file to replace and opens its folder; creates nothing yet. A symbolic link as output
    // is followed, so the link stays and its target is replaced.
    explicit TAtomicOutput(const std::filesystem::path& output);
    ~TAtomicOutput();

    TAtomicOutput(const TAtomicOutput&) = delete;
    TAtomicOutput& operator=(const TAtomicOutput&) = delete;

    // Whether the file that Commit would replace is file, as the kernel sees them (device and inode,
    // links followed): the test that keeps a source from being written over.
    bool Replaces(const TFileStat& file) const;
    // Whether the output exists as a regular file without write permission.
    bool ReplacesReadOnlyFile() const;

    // Creates the temporary file (only ever a new one, never through a link, readable by its owner
    // alone until Commit gives it its final permissions) and returns its stream. Temporaries that
    // killed runs left in the folder (RemoveStaleTemporaries) are removed first. The create error
    // names the output.
    TFileStream& Create();
    TFileStream& Stream() { return *stream_; }

    // Gives the temporary file the old output's access (a new one the usual permissions) and renames
    // it over the output. What is kept of a file replaced: its permission bits, its owner and group
    // where this process may set them, and its access ACL. What is not: its other extended
    // attributes (they describe the old contents), and its other names (hard links), which keep the
    // old contents, as after mv. The temporary stays locked until the rename is done, so that no
    // other run takes it for stale. When it replaces a file, it is first written to disk, and the folder
    // after the rename, so that even a crash of the system leaves the old file or the new one. A new output
    // is renamed at once, as copying tools leave theirs: a crash of the system can then cost only
    // that output, never a file that was there before, and a large conversion does not wait for the
    // disk (half its time). SetSyncNewOutputs(true) writes new outputs to disk too.
    void Commit();

    // The file that Commit replaces (the output with its links followed).
    const std::filesystem::path& Target() const { return target_; }
    // Empty until Create, and when the target is written directly.
    std::filesystem::path TemporaryFile() const;

private:
    std::filesystem::path output_;
    std::filesystem::path target_;
    TFolder folder_;
    std::string name_;
    std::string temporary_;
    std::optional<TFileStat> existing_;
    std::optional<TFileStream> stream_;
    std::optional<TLiveTemporary> live_;
    bool committed_ = false;
};

// Whether Commit writes new outputs to disk before renaming them (kelda-cli --sync); off at start.
void SetSyncNewOutputs(bool sync);
bool SyncNewOutputs();

} // namespace kelda
