// An output file that appears only when it is complete: the bytes go to a temporary file in the
// output's folder, which Commit renames into place. Without Commit (an error or a cancel) the
// temporary file is removed and the output, if it existed, keeps its old contents.
// An existing output that is no regular file (a device such as /dev/null) is written directly:
// renaming over it would replace the device itself.
#pragma once

#include "util/TFileStream.h"

#include <filesystem>
#include <optional>

namespace kelda {

class TAtomicOutput {
public:
    // A symbolic link as output is followed, so the link stays and its target is replaced.
    explicit TAtomicOutput(const std::filesystem::path& output);
    ~TAtomicOutput();

    TAtomicOutput(const TAtomicOutput&) = delete;
    TAtomicOutput& operator=(const TAtomicOutput&) = delete;

    TFileStream& Stream() { return *stream_; }

    // Closes the temporary file and moves it over the output. An existing output's permissions
    // are kept.
    void Commit();

    // The file that Commit replaces (the output with its links followed).
    const std::filesystem::path& Target() const { return target_; }
    // Empty when the target is written directly.
    const std::filesystem::path& TemporaryFile() const { return temporary_; }

private:
    std::filesystem::path target_;
    std::filesystem::path temporary_;
    std::optional<TFileStream> stream_;
    bool committed_ = false;
};

// The file a path names once its symbolic links are followed (the path itself when it is no link;
// a dangling link gives the file it would create).
std::filesystem::path FollowLinks(const std::filesystem::path& file);

} // namespace kelda
