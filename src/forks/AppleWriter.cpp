// SPDX-License-Identifier: MIT
#include "forks/AppleWriter.h"

#include <algorithm>

namespace kelda {

std::vector<TAppleEntry> AppleLayout(TAppleKind kind, const TAppleContents& contents) {
    std::vector<TAppleEntry> entries;
    entries.push_back({kEntryRealName, 0, static_cast<std::int64_t>(contents.Info.Name.size())});
    if (!contents.Comment.empty()) {
        entries.push_back({kEntryComment, 0, static_cast<std::int64_t>(contents.Comment.size())});
    }
    entries.push_back({kEntryFileDates, 0, static_cast<std::int64_t>(kFileDatesSize)});
    entries.push_back({kEntryFinderInfo, 0, static_cast<std::int64_t>(kFinderInfoSize)});
    if (contents.Info.Protected) {
        entries.push_back({kEntryMacFileInfo, 0, static_cast<std::int64_t>(kMacFileInfoSize)});
    }
    entries.push_back({kEntryResourceFork, 0, contents.Resource.Length});
    if (kind == TAppleKind::Single && contents.Data.Stream != nullptr) {
        entries.push_back({kEntryDataFork, 0, contents.Data.Length});
    }
    auto offset = static_cast<std::int64_t>(kAppleHeaderSize + entries.size() * kAppleEntrySize);
    for (TAppleEntry& e : entries) {
        e.Offset = offset;
        offset += e.Length;
    }
    return entries;
}

std::int64_t AppleFileSize(const std::vector<TAppleEntry>& entries) {
    return entries.empty() ? static_cast<std::int64_t>(kAppleHeaderSize)
                           : entries.back().Offset + entries.back().Length;
}

void WriteAppleFile(TAppleKind kind, const TAppleContents& contents, TFileStream& out,
                    const ProgressFn& progress) {
    const std::vector<TAppleEntry> entries = AppleLayout(kind, contents);
    std::vector<std::uint8_t> head(kAppleHeaderSize + entries.size() * kAppleEntrySize, 0);
    PutBig32(head.data(), kind == TAppleKind::Single ? kAppleSingleMagic : kAppleDoubleMagic);
    PutBig32(head.data() + 4, kAppleVersion2);
    PutBig16(head.data() + 24, static_cast<std::uint16_t>(entries.size()));
    for (std::size_t i = 0; i < entries.size(); ++i) {
        std::uint8_t* at = head.data() + kAppleHeaderSize + i * kAppleEntrySize;
        PutBig32(at, entries[i].Id);
        PutBig32(at + 4, static_cast<std::uint32_t>(entries[i].Offset));
        PutBig32(at + 8, static_cast<std::uint32_t>(entries[i].Length));
    }
    TForkCopier copier(out, AppleFileSize(entries), progress);
    copier.Write(head.data(), head.size());
    for (const TAppleEntry& e : entries) {
        switch (e.Id) {
        case kEntryRealName:
            copier.Write(contents.Info.Name.data(), contents.Info.Name.size());
            break;
        case kEntryComment:
            copier.Write(contents.Comment.data(), contents.Comment.size());
            break;
        case kEntryFileDates: {
            const auto bytes = FileDatesBytes(contents.Info);
            copier.Write(bytes.data(), bytes.size());
            break;
        }
        case kEntryFinderInfo: {
            const auto bytes = FinderInfoBytes(contents.Info);
            copier.Write(bytes.data(), bytes.size());
            break;
        }
        case kEntryMacFileInfo: {
            const auto bytes = MacFileInfoBytes(contents.Info);
            copier.Write(bytes.data(), bytes.size());
            break;
        }
        case kEntryResourceFork:
            copier.Copy(contents.Resource);
            break;
        case kEntryDataFork:
            copier.Copy(contents.Data);
            break;
        default:
            break;
        }
    }
}

} // namespace kelda
