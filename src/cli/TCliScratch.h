// SPDX-License-Identifier: MIT
// A private temporary folder (under TMPDIR or /tmp) that is removed with everything in it when the
// object goes: where standard input is kept while a command reads it as a file, and where an
// output for standard output is made before it is copied there.
//
// The folder is removed on every path out of the program that can run code: the destructor, and a
// signal that ends the program (RemoveLiveScratchFolders, called by kelda-cli's signal handlers, as
// TFolder's live temporaries are removed there). One left by a run that was killed outright is
// removed by the next run that makes one: a scratch folder holds ".lock", locked (flock) while its
// run lives and naming kelda-cli, so only folders provably made by kelda-cli and no longer in use
// are ever removed.
#pragma once

#include "util/TFolder.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace kelda {

class TCliScratch {
public:
    TCliScratch(); // throws EFileError when the folder cannot be made
    ~TCliScratch();
    TCliScratch(const TCliScratch&) = delete;
    TCliScratch& operator=(const TCliScratch&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }
    // A file name in the folder (a plain name of at most 15 bytes, such as "stdin"); recorded so that
    // a signal removes it with the folder.
    std::filesystem::path File(std::string_view name);

private:
    std::filesystem::path folder_;
    std::optional<TFolder> base_; // the folder it lies in
    std::optional<TFolder> own_;  // the scratch folder itself
    int lock_ = -1;               // ".lock", locked while this run lives
    int slot_ = -1;               // in the table the signal handlers read
};

// Removes every scratch folder this process has, with its files; safe inside a signal handler.
void RemoveLiveScratchFolders() noexcept;

// Removes the scratch folders in base that a run of kelda-cli left and no running one holds:
// folders of this user named "kelda-cli-XXXXXX", not links, whose ".lock" names kelda-cli and is
// not locked. Anything else is left alone.
void RemoveStaleScratchFolders(const TFolder& base);

} // namespace kelda
