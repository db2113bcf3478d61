// SPDX-License-Identifier: MIT
// The check report of any 128 bytes and any file size: the verdict agrees with its findings, a
// sound verdict only for a header that passes the rules it stands for, and every text is UTF-8.
#include "FuzzSupport.h"

#include "crc/CrcUtils.h"
#include "macbinary/CheckReport.h"
#include "macbinary/CheckReportText.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <vector>

using namespace kelda;

namespace {

bool AnyOf(const TCheckReport& r, TCheckSeverity severity) {
    return std::any_of(r.Findings.begin(), r.Findings.end(),
                       [&](const TCheckFinding& f) { return f.Severity == severity; });
}

void CheckVerdict(const THeader& h, std::int64_t size, const TCheckReport& r) {
    const bool foreign = AnyOf(r, TCheckSeverity::NotMacBinary);
    const bool damage = AnyOf(r, TCheckSeverity::Damage);
    KELDA_FUZZ_CHECK(r.Verdict == (foreign  ? TCheckVerdict::NotMacBinary
                                   : damage ? TCheckVerdict::Damaged
                                            : TCheckVerdict::Sound));
    KELDA_FUZZ_CHECK((r.Version == TMacBinaryVersion::None) == (r.Verdict == TCheckVerdict::NotMacBinary));
    KELDA_FUZZ_CHECK(r.CrcComputed == Crc16Xmodem(h.data(), kCrcCoveredBytes));
    KELDA_FUZZ_CHECK(r.CrcStored == HeaderWord(h, kOffsetCrc));
    KELDA_FUZZ_CHECK(r.CrcOk == (r.CrcStored == r.CrcComputed));
    if (r.Verdict != TCheckVerdict::Sound) {
        return;
    }
    // What a sound verdict promises.
    KELDA_FUZZ_CHECK(IsMacBinary(h));
    KELDA_FUZZ_CHECK(h[kOffsetNameLength] >= 1 && h[kOffsetNameLength] <= 63);
    KELDA_FUZZ_CHECK(h[82] == 0);
    KELDA_FUZZ_CHECK(HeaderUInt32(h, kOffsetDataForkLength) < 0x80000000u);
    KELDA_FUZZ_CHECK(HeaderUInt32(h, kOffsetResourceForkLength) < 0x80000000u);
    KELDA_FUZZ_CHECK(r.Layout.Data.Complete() && r.Layout.Resource.Complete());
    KELDA_FUZZ_CHECK(size >= r.Layout.MinimalSize - r.Layout.Comment.Missing());
    const bool zeros = std::all_of(h.begin() + 99, h.begin() + 126, [](std::uint8_t b) { return b == 0; });
    KELDA_FUZZ_CHECK(r.Version == TMacBinaryVersion::I ? zeros : (r.CrcOk || r.CrcOtherVariant.has_value()));
}

void CheckTexts(const TCheckReport& r) {
    for (const TCheckFinding& f : r.Findings) {
        KELDA_FUZZ_CHECK(!f.Id.empty());
        KELDA_FUZZ_CHECK(!f.English.empty() && !f.Japanese.empty());
        KELDA_FUZZ_CHECK(f.English.find('{') == std::string::npos);
        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(f.English) && fuzz::IsWellFormedUtf8(f.Japanese));
    }
    for (const bool japanese : {false, true}) {
        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(r.VerdictLine(japanese)));
        for (const std::string& line : CheckReportLines(r, japanese)) {
            KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(line));
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    THeader header{};
    const std::vector<std::uint8_t> bytes = input.ConsumeBytes<std::uint8_t>(kHeaderSize);
    std::copy(bytes.begin(), bytes.end(), header.begin());
    const auto fileSize = input.ConsumeIntegralInRange<std::int64_t>(128, std::int64_t{1} << 40);
    const TCheckReport report = CheckMacBinary(header, fileSize);
    CheckVerdict(header, fileSize, report);
    CheckTexts(report);
    KELDA_FUZZ_CHECK(CheckTooShort(fileSize % 128).Verdict == TCheckVerdict::NotMacBinary);
    return 0;
}
