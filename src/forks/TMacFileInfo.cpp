// SPDX-License-Identifier: MIT
#include "forks/TMacFileInfo.h"

#include "forks/AppleFormat.h"
#include "forks/MacDate.h"

#include <algorithm>

namespace kelda {

namespace {

// Offsets inside the Finder info entry.
constexpr int kFiType = 0;
constexpr int kFiCreator = 4;
constexpr int kFiFlags = 8;
constexpr int kFiLocationV = 10;
constexpr int kFiLocationH = 12;
constexpr int kFiFolder = 14;
constexpr int kFxScript = 24;
constexpr int kFxExtFlags = 25;

constexpr std::uint32_t kMacInfoProtected = 0x2;

} // namespace

TMacFileInfo FileInfoFromHeader(const THeader& header) {
    TMacFileInfo info;
    info.Name = HeaderNameBytes(header);
    std::copy_n(header.begin() + kOffsetType, kFourCharCodeWidth, info.Type.begin());
    std::copy_n(header.begin() + kOffsetCreator, kFourCharCodeWidth, info.Creator.begin());
    info.FinderFlags = static_cast<std::uint16_t>(header[kOffsetFlagsHigh] << 8 | header[kOffsetFlagsLow]);
    info.LocationV = HeaderWord(header, kOffsetLocationV);
    info.LocationH = HeaderWord(header, kOffsetLocationH);
    info.Folder = HeaderWord(header, kOffsetFolder);
    info.Protected = (header[kOffsetProtected] & 1) != 0;
    info.Script = header[kOffsetScript];
    info.ExtFlags = header[kOffsetExtFlags];
    info.Created = HeaderUInt32(header, kOffsetCreated);
    info.Modified = HeaderUInt32(header, kOffsetModified);
    return info;
}

std::array<std::uint8_t, 32> FinderInfoBytes(const TMacFileInfo& info) {
    std::array<std::uint8_t, 32> bytes{};
    std::copy(info.Type.begin(), info.Type.end(), bytes.begin() + kFiType);
    std::copy(info.Creator.begin(), info.Creator.end(), bytes.begin() + kFiCreator);
    PutBig16(bytes.data() + kFiFlags, info.FinderFlags);
    PutBig16(bytes.data() + kFiLocationV, info.LocationV);
    PutBig16(bytes.data() + kFiLocationH, info.LocationH);
    PutBig16(bytes.data() + kFiFolder, info.Folder);
    bytes[kFxScript] = info.Script;
    bytes[kFxExtFlags] = info.ExtFlags;
    return bytes;
}

void ApplyFinderInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFInfoSize) {
        return;
    }
    std::copy_n(bytes.begin() + kFiType, 4, info.Type.begin());
    std::copy_n(bytes.begin() + kFiCreator, 4, info.Creator.begin());
    info.FinderFlags = GetBig16(bytes.data() + kFiFlags);
    info.LocationV = GetBig16(bytes.data() + kFiLocationV);
    info.LocationH = GetBig16(bytes.data() + kFiLocationH);
    info.Folder = GetBig16(bytes.data() + kFiFolder);
    if (bytes.size() >= kFinderInfoSize) {
        info.Script = bytes[kFxScript];
        info.ExtFlags = bytes[kFxExtFlags];
    }
}

void ApplyFolderInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < kFinderInfoSize) {
        return;
    }
    info.FinderFlags = GetBig16(bytes.data() + kFiFlags);
    info.LocationV = GetBig16(bytes.data() + kFiLocationV);
    info.LocationH = GetBig16(bytes.data() + kFiLocationH);
    info.Script = bytes[kFxScript];
    info.ExtFlags = bytes[kFxExtFlags];
}

std::array<std::uint8_t, 16> FileDatesBytes(const TMacFileInfo& info) {
    std::array<std::uint8_t, 16> bytes{};
    PutBig32(bytes.data(), static_cast<std::uint32_t>(MacDateToAppleDate(info.Created)));
    PutBig32(bytes.data() + 4, static_cast<std::uint32_t>(MacDateToAppleDate(info.Modified)));
    PutBig32(bytes.data() + 8, static_cast<std::uint32_t>(kAppleDateUnknown));
    PutBig32(bytes.data() + 12, static_cast<std::uint32_t>(kAppleDateUnknown));
    return bytes;
}

void ApplyFileDates(TMacFileInfo& info, std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return;
    }
    info.Created = AppleDateToMacDate(static_cast<std::int32_t>(GetBig32(bytes.data())));
    info.Modified = AppleDateToMacDate(static_cast<std::int32_t>(GetBig32(bytes.data() + 4)));
}

std::array<std::uint8_t, 4> MacFileInfoBytes(const TMacFileInfo& info) {
    std::array<std::uint8_t, 4> bytes{};
    PutBig32(bytes.data(), info.Protected ? kMacInfoProtected : 0);
    return bytes;
}

void ApplyMacFileInfo(TMacFileInfo& info, std::span<const std::uint8_t> bytes) {
    if (bytes.size() >= kMacFileInfoSize) {
        info.Protected = (GetBig32(bytes.data()) & kMacInfoProtected) != 0;
    }
}

} // namespace kelda
