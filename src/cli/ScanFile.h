// SPDX-License-Identifier: MIT
// scan's reading of one file: the header, its check report, the 'vers' short string, and with
// hashing the SHA-256 of each fork. Only the header, the size and the resource map are read, never
// the forks, unless hashing asks for them.
#pragma once

#include "forks/BinHex.h"
#include "macbinary/CheckReport.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/TFolder.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

// The check report's three verdicts, and two for entries that have no report.
enum class TScanVerdict {
    Sound,
    Damaged,
    NotMacBinary,
    Unreadable, // could not be opened or read; Reason says why
    Link,       // a symbolic link, not followed
};
inline constexpr std::size_t kScanVerdicts = 5;

// "sound", "damaged", "not-macbinary" (the check report's words), "unreadable", "link".
std::string_view ScanVerdictWord(TScanVerdict verdict);

struct TScanRow {
    std::string Path; // as found (the operand joined with the names below it)
    std::int64_t Size = 0;
    TScanVerdict Verdict = TScanVerdict::Unreadable;
    std::optional<TCheckReport> Report;     // for every file whose size could be read
    std::string Reason;                     // why it is unreadable or a link (Report gives the others')
    THeader Header{};                       // the first 128 bytes, for a file the report accepts
    std::optional<TBinHexHeader> BinHex;    // the header of a BinHex file (then Header is unused)
    std::string Vers;                       // the 'vers' resource's short string, or empty
    std::string DataSha256, ResourceSha256; // lower-case hex; empty without hashing or a fork

    // Sound or damaged: the header's fields mean something.
    bool Accepted() const { return Verdict == TScanVerdict::Sound || Verdict == TScanVerdict::Damaged; }
};

// Reads the file name of folder (a regular file, never opened through a link), shown as path;
// error texts in Japanese or English. Opened relative to its folder, a file is read however long
// its full path. buffer is the caller's scratch space for hashing, kept across files so that each
// thread allocates it once.
TScanRow ScanFile(const TFolder& folder, std::string_view name, std::string path, bool hash, bool japanese,
                  std::vector<unsigned char>& buffer);

} // namespace kelda
