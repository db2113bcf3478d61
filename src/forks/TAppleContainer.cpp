// SPDX-License-Identifier: MIT
#include "forks/TAppleContainer.h"

#include "forks/ForkErrors.h"

#include <algorithm>

namespace kelda {

namespace {

constexpr std::size_t kMaxNameBytes = 255;
constexpr std::size_t kMaxCommentBytes = 65535;

std::optional<TAppleKind> KindOf(std::span<const std::uint8_t> head) {
    if (head.size() < 8) {
        return std::nullopt;
    }
    const std::uint32_t magic = GetBig32(head.data());
    const std::uint32_t version = GetBig32(head.data() + 4);
    if (version != kAppleVersion1 && version != kAppleVersion2) {
        return std::nullopt;
    }
    if (magic == kAppleSingleMagic) {
        return TAppleKind::Single;
    }
    if (magic == kAppleDoubleMagic) {
        return TAppleKind::Double;
    }
    return std::nullopt;
}

// The least length an entry KELDA reads must have.
std::int64_t MinimumLength(std::uint32_t id) {
    switch (id) {
    case kEntryFinderInfo:
        return kFInfoSize;
    case kEntryFileDates:
        return 8;
    case kEntryMacFileInfo:
        return kMacFileInfoSize;
    default:
        return 0;
    }
}

} // namespace

std::optional<TAppleKind> SniffAppleFile(const std::filesystem::path& file) {
    try {
        TFileStream in(file, FileMode::Read);
        std::uint8_t head[8] = {};
        if (in.ReadAt(head, sizeof head, 0) != sizeof head) {
            return std::nullopt;
        }
        return KindOf(head);
    } catch (const EFileError&) {
        return std::nullopt;
    }
}

std::vector<TAppleEntry> ParseAppleEntries(std::span<const std::uint8_t> head, std::int64_t fileSize,
                                           TAppleKind* kind) {
    const std::optional<TAppleKind> found = KindOf(head);
    if (!found || head.size() < kAppleHeaderSize) {
        throw ForkError(TMsg::NotAppleFile);
    }
    if (kind != nullptr) {
        *kind = *found;
    }
    const std::size_t count = GetBig16(head.data() + 24);
    const auto tableEnd = static_cast<std::int64_t>(kAppleHeaderSize + count * kAppleEntrySize);
    if (tableEnd > fileSize || static_cast<std::int64_t>(head.size()) < tableEnd) {
        throw AppleDamaged(TMsg::AppleEntryPastEnd);
    }
    std::vector<TAppleEntry> entries;
    entries.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t* at = head.data() + kAppleHeaderSize + i * kAppleEntrySize;
        TAppleEntry e{GetBig32(at), GetBig32(at + 4), GetBig32(at + 8)};
        if (e.Offset + e.Length > fileSize) {
            throw AppleDamaged(TMsg::AppleEntryPastEnd);
        }
        if (e.Length < MinimumLength(e.Id)) {
            throw AppleDamaged(TMsg::AppleEntryTooShort);
        }
        if (std::any_of(entries.begin(), entries.end(), [&](const TAppleEntry& o) { return o.Id == e.Id; })) {
            throw AppleDamaged(TMsg::AppleEntryTwice);
        }
        entries.push_back(e);
    }
    // Non-empty entries, in file order, must neither overlap the table nor each other.
    std::vector<TAppleEntry> sorted;
    std::copy_if(entries.begin(), entries.end(), std::back_inserter(sorted),
                 [](const TAppleEntry& e) { return e.Length > 0; });
    std::sort(sorted.begin(), sorted.end(),
              [](const TAppleEntry& a, const TAppleEntry& b) { return a.Offset < b.Offset; });
    std::int64_t end = tableEnd;
    for (const TAppleEntry& e : sorted) {
        if (e.Offset < end) {
            throw AppleDamaged(TMsg::AppleEntriesOverlap);
        }
        end = e.Offset + e.Length;
    }
    return entries;
}

TAppleContainer::TAppleContainer(const std::filesystem::path& file) : stream_(file, FileMode::Read) {
    const std::int64_t size = stream_.Size();
    std::vector<std::uint8_t> head(kAppleHeaderSize);
    head.resize(stream_.ReadAt(head.data(), head.size(), 0));
    if (head.size() == kAppleHeaderSize && KindOf(head)) {
        // The count is 16 bits, so the table is at most 786 KB: read it whole.
        const std::size_t count = GetBig16(head.data() + 24);
        head.resize(kAppleHeaderSize + count * kAppleEntrySize);
        head.resize(kAppleHeaderSize + stream_.ReadAt(head.data() + kAppleHeaderSize, count * kAppleEntrySize,
                                                      static_cast<std::int64_t>(kAppleHeaderSize)));
    }
    entries_ = ParseAppleEntries(head, size, &kind_);
}

const TAppleEntry* TAppleContainer::Find(std::uint32_t id) const {
    const auto it =
        std::find_if(entries_.begin(), entries_.end(), [id](const TAppleEntry& e) { return e.Id == id; });
    return it == entries_.end() ? nullptr : &*it;
}

std::vector<std::uint8_t> TAppleContainer::ReadEntry(const TAppleEntry& entry, std::size_t limit) const {
    std::vector<std::uint8_t> bytes(
        static_cast<std::size_t>(std::min<std::int64_t>(entry.Length, static_cast<std::int64_t>(limit))));
    if (stream_.ReadAt(bytes.data(), bytes.size(), entry.Offset) != bytes.size()) {
        throw EFileError::readPastEnd(); // the file shrank since it was checked
    }
    return bytes;
}

TMacFileInfo TAppleContainer::Info() const {
    TMacFileInfo info;
    if (const TAppleEntry* e = Find(kEntryRealName)) {
        const std::vector<std::uint8_t> name = ReadEntry(*e, kMaxNameBytes);
        info.Name.assign(name.begin(), name.end());
    }
    if (const TAppleEntry* e = Find(kEntryFinderInfo)) {
        ApplyFinderInfo(info, ReadEntry(*e, kFinderInfoSize));
    }
    if (const TAppleEntry* e = Find(kEntryFileDates)) {
        ApplyFileDates(info, ReadEntry(*e, kFileDatesSize));
    }
    if (const TAppleEntry* e = Find(kEntryMacFileInfo)) {
        ApplyMacFileInfo(info, ReadEntry(*e, kMacFileInfoSize));
    }
    return info;
}

std::string TAppleContainer::Comment() const {
    const TAppleEntry* e = Find(kEntryComment);
    if (e == nullptr) {
        return {};
    }
    const std::vector<std::uint8_t> bytes = ReadEntry(*e, kMaxCommentBytes);
    return std::string(bytes.begin(), bytes.end());
}

} // namespace kelda
