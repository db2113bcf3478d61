// SPDX-License-Identifier: MIT
// The walk of an operand that scan and the batch commands (-r) share: a file, or a folder's files
// (with recursive, everything below it). Folders are opened relative to their parent's descriptor
// and files found relative to their folder's, never through a link, so no depth is too deep;
// links are met and named, never followed; what cannot be listed or looked at is met as
// unreadable. Entries come in name order, a folder's files before its folders, depth first.
#pragma once

#include "cli/Cli.h"
#include "util/TFolder.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace kelda {

enum class TWalkKind {
    File,       // a regular file: Folder and Name open it
    Link,       // a symbolic link, not followed
    NotRegular, // an operand that is no regular file or folder (a FIFO, a device)
    Unreadable, // an entry or folder that could not be looked at or listed
};

struct TWalkEntry {
    TWalkKind Kind = TWalkKind::File;
    std::string Path; // the operand joined with the names below it
    // Where it lies, for an output tree that mirrors the input: a file operand's own name; below a
    // folder operand, that folder's own name (none for ".", ".." or "/") and the names below it.
    std::filesystem::path Relative;
    bool Below = false;                    // found inside a folder operand, not named itself
    std::shared_ptr<const TFolder> Folder; // File: its folder, open
    std::string Name;                      // File: its name in Folder
    std::string Reason;                    // Link, NotRegular, Unreadable: why, in the language asked for
};

struct TWalkRules {
    bool Recursive = false; // the folders below a folder operand too
    // A folder not to enter (the output folder of a batch inside the tree it reads).
    std::optional<TFileStat> SkipFolder = std::nullopt;
};

// Walks operand, handing each entry to visit. False, once reported, when the operand is not there
// or cannot be looked at.
bool WalkOperand(const TCliContext& context, const std::string& operand, const TWalkRules& rules,
                 const std::function<void(TWalkEntry&&)>& visit);

// The count of a batch and its status, the most serious one met: a failure before a source cut
// short (kCliSourceTruncated) before success.
struct TBatchTally {
    std::size_t Total = 0;
    std::size_t Failed = 0;
    std::size_t Skipped = 0;
    int Status = kCliOk;
    void Add(int status); // one input done
    void Skip();          // one input left out
};

// One walked input of a batch: its path, the folder below the output folder that mirrors its own
// (made already) and its name.
using TBatchStep =
    std::function<void(const std::string& in, const std::filesystem::path& folder, const std::string& name)>;

// The -r walk of a batch (tomacbin2, strip, datafork, extract): each operand walked as scan -r
// walks it, outputDir itself not entered; links and the files below a folder that reads refuses
// are skipped, what cannot be looked at fails, and every other file goes to step.
void WalkBatch(const TCliContext& context, const TCliArgs& operands, const std::filesystem::path& outputDir,
               const std::function<bool(const std::string&)>& reads, const TBatchStep& step,
               TBatchTally& tally);

} // namespace kelda
