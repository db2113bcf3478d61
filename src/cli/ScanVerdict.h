// SPDX-License-Identifier: MIT
// What scan says about one file from its header and size. The one place that decides it, so that
// the full check report can take over here once it is available.
#pragma once

#include "macbinary/MacBinaryHeader.h"

#include <cstdint>
#include <string>

namespace kelda {

enum class TScanVerdict {
    MacBinary,    // accepted, complete, header CRC right (or MacBinary I, which has none)
    Damaged,      // accepted, but forks cut short or the header CRC wrong
    NotMacBinary, // refused; Reason says why in a few words
    Unreadable,   // could not be opened or read; Reason is the system's text
    Link,         // a symbolic link, not followed
};

struct TScanJudgement {
    TScanVerdict Verdict = TScanVerdict::NotMacBinary;
    std::string Version; // "I", "II", "III" for accepted files, else empty
    std::string Reason;  // empty for MacBinary
};

// The judgement of a file of size bytes whose first bytes are header (size >= 128).
TScanJudgement JudgeMacBinary(const THeader& header, std::int64_t size);

// "macbinary", "damaged", "not-macbinary", "unreadable", "link": the word in every output format.
const char* ScanVerdictWord(TScanVerdict verdict);

} // namespace kelda
