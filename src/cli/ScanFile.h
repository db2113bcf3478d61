// SPDX-License-Identifier: MIT
// scan's reading of one file: the header, the judgement, and with hashing the SHA-256 of each fork.
#pragma once

#include "cli/ScanVerdict.h"
#include "macbinary/MacBinaryHeader.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace kelda {

struct TScanRow {
    std::string Path; // as found (the operand joined with the names below it)
    std::int64_t Size = 0;
    TScanJudgement Judgement;
    bool HaveHeader = false; // Header holds the file's first 128 bytes
    THeader Header{};
    std::string DataSha256, ResourceSha256; // lower-case hex; empty without hashing or a fork
};

// Reads file (a regular file, not a link). buffer is the caller's scratch space for hashing, kept
// across files so that each thread allocates it once.
TScanRow ScanFile(const std::filesystem::path& file, bool hash, std::vector<unsigned char>& buffer);

} // namespace kelda
