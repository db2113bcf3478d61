// SPDX-License-Identifier: MIT
// A private temporary folder (under TMPDIR or /tmp) that is removed with everything in it when the
// object goes: where standard input is kept while a command reads it as a file, and where an
// output for standard output is made before it is copied there.
#pragma once

#include <filesystem>

namespace kelda {

class TCliScratch {
public:
    TCliScratch(); // throws EFileError when the folder cannot be made
    ~TCliScratch();
    TCliScratch(const TCliScratch&) = delete;
    TCliScratch& operator=(const TCliScratch&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

private:
    std::filesystem::path folder_;
};

} // namespace kelda
