// SPDX-License-Identifier: MIT
#include "cli/ScanFile.h"

#include "forks/MacFileCheck.h"
#include "macbinary/ForkLayout.h"
#include "resources/FileVersion.h"
#include "util/BilingualError.h"
#include "util/Sha256.h"
#include "util/TFileStream.h"
#include "util/VisibleText.h"

#include <algorithm>

namespace kelda {

namespace {

// SHA-256 of the span's bytes that the file holds.
std::string Sha256(const TFileStream& file, const TForkSpan& span, std::vector<unsigned char>& buffer) {
    TSha256 sha;
    std::int64_t done = 0;
    while (done < span.Present) {
        const auto want = static_cast<std::size_t>(
            std::min<std::int64_t>(span.Present - done, static_cast<std::int64_t>(buffer.size())));
        const std::size_t got = file.ReadAt(buffer.data(), want, span.Offset + done);
        if (got == 0) {
            break; // the file shrank while it was read
        }
        sha.Update(buffer.data(), got);
        done += static_cast<std::int64_t>(got);
    }
    const std::array<std::uint8_t, 32> digest = sha.Final();
    return HexBytes(std::string_view(reinterpret_cast<const char*>(digest.data()), digest.size()));
}

// A row that says only why the file could not be read.
TScanRow Unreadable(std::string path, std::string reason) {
    TScanRow row;
    row.Path = std::move(path);
    row.Reason = std::move(reason);
    return row;
}

} // namespace

std::string_view ScanVerdictWord(TScanVerdict verdict) {
    switch (verdict) {
    case TScanVerdict::Sound:
        return VerdictId(TCheckVerdict::Sound);
    case TScanVerdict::Damaged:
        return VerdictId(TCheckVerdict::Damaged);
    case TScanVerdict::NotMacBinary:
        return VerdictId(TCheckVerdict::NotMacBinary);
    case TScanVerdict::Unreadable:
        break;
    case TScanVerdict::Link:
        return "link";
    }
    return "unreadable";
}

TScanRow ScanFile(const TFolder& folder, std::string_view name, std::string path, bool hash, bool japanese,
                  std::vector<unsigned char>& buffer) {
    TScanRow row;
    row.Path = std::move(path);
    try {
        const TFileStream stream = folder.OpenForReading(name);
        row.Size = stream.Size();
        THeader header{};
        row.Report = CheckOpenFile(stream, header);
        row.Verdict = row.Report->Verdict == TCheckVerdict::Sound     ? TScanVerdict::Sound
                      : row.Report->Verdict == TCheckVerdict::Damaged ? TScanVerdict::Damaged
                                                                      : TScanVerdict::NotMacBinary;
        // BinHex is text: only a file without a zero byte in its first 128 (or a shorter one, whose
        // header is left zero) is looked into further.
        const bool mayBeText = row.Size < static_cast<std::int64_t>(kHeaderSize) ||
                               std::find(header.begin(), header.end(), 0) == header.end();
        if (!row.Accepted() && mayBeText && SniffBinHex(stream)) {
            std::optional<TFileStream> forks;
            if (hash) {
                forks.emplace(TFileStream::Anonymous());
            }
            const TBinHexReading reading = DecodeBinHex(stream, forks ? &*forks : nullptr);
            if (reading.Fault != TBinHexFault::NoBody) {
                row.Report = CheckBinHex(reading, row.Size);
                row.Verdict = reading.Sound() ? TScanVerdict::Sound : TScanVerdict::Damaged;
                row.BinHex = reading.Header.value_or(TBinHexHeader{});
                if (forks) {
                    row.DataSha256 = Sha256(*forks, row.Report->Layout.Data, buffer);
                    row.ResourceSha256 = Sha256(*forks, row.Report->Layout.Resource, buffer);
                }
            }
            return row;
        }
        if (!row.Accepted()) {
            return row;
        }
        row.Header = header;
        row.Vers = FileShortVersion(stream, header);
        if (hash) {
            if (buffer.empty()) {
                buffer.resize(std::size_t{1} << 20);
            }
            row.DataSha256 = Sha256(stream, row.Report->Layout.Data, buffer);
            row.ResourceSha256 = Sha256(stream, row.Report->Layout.Resource, buffer);
        }
    } catch (const EBilingualError& e) {
        row = Unreadable(std::move(row.Path), japanese ? e.what() : e.english());
    } catch (const std::exception& e) {
        row = Unreadable(std::move(row.Path), e.what());
    }
    return row;
}

} // namespace kelda
