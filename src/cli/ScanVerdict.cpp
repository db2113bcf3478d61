// SPDX-License-Identifier: MIT
#include "cli/ScanVerdict.h"

#include "macbinary/ForkLayout.h"

namespace kelda {

TScanJudgement JudgeMacBinary(const THeader& header, std::int64_t size) {
    TScanJudgement j;
    if (header[0] != 0) {
        j.Reason = "byte 0 is not 0";
        return j;
    }
    if (header[kOffsetConst1] != 0) {
        j.Reason = "byte 74 is not 0";
        return j;
    }
    // The acceptance rule alone lets any file that starts with a zero byte through; a scan over a
    // collection also wants a name that a Finder could have written.
    const int nameLength = header[kOffsetNameLength];
    if (nameLength < 1 || nameLength > 63) {
        j.Reason = "no file name of 1 to 63 bytes";
        return j;
    }
    if (header[82] != 0) {
        j.Reason = "byte 82 is not 0";
        return j;
    }
    const bool signature = HasMacBinarySignature(header);
    const std::uint8_t version = header[kOffsetVersion];
    j.Version = version == kVersionIII && signature ? "III" : version >= kVersionII ? "II" : "I";
    const TForkLayout layout = ComputeForkLayout(header, size);
    j.Verdict = TScanVerdict::MacBinary;
    if (!layout.Data.Complete() || !layout.Resource.Complete()) {
        j.Verdict = TScanVerdict::Damaged;
        j.Reason = "forks cut short";
    } else if (j.Version != "I" && HeaderWord(header, kOffsetCrc) != HeaderCrc(header)) {
        j.Verdict = TScanVerdict::Damaged;
        j.Reason = "header CRC wrong";
    }
    return j;
}

const char* ScanVerdictWord(TScanVerdict verdict) {
    switch (verdict) {
    case TScanVerdict::MacBinary:
        return "macbinary";
    case TScanVerdict::Damaged:
        return "damaged";
    case TScanVerdict::NotMacBinary:
        return "not-macbinary";
    case TScanVerdict::Unreadable:
        return "unreadable";
    case TScanVerdict::Link:
        return "link";
    }
    return "unreadable";
}

} // namespace kelda
