// SPDX-License-Identifier: MIT
#include "macbinary/MacBinaryHeader.h"

#include "crc/CrcUtils.h"
#include "util/BigEndian.h"

#include <algorithm>

namespace kelda {

namespace {

// The table must tile the header; a wrong offset or width fails the build.
constexpr bool FieldsTileHeader() {
    int next = 0;
    for (const THeaderField& f : HeaderFields) {
        if (f.Offset != next || f.Width <= 0) {
            return false;
        }
        next += f.Width;
    }
    return next == static_cast<int>(kHeaderSize);
}
static_assert(FieldsTileHeader(), "header fields must cover bytes 0 to 127 without gap or overlap");

constexpr int kNameFieldEnd = 63; // last byte that the MacBinary II rewrite may clear
// The MacBinary II rewrite keeps one name byte fewer than the field holds.
constexpr int kRewriteNameBytes = 62;

} // namespace

std::uint16_t HeaderWord(const THeader& header, int offset) {
    return GetBig16(header.data() + offset);
}

std::uint32_t HeaderUInt32(const THeader& header, int offset) {
    return GetBig32(header.data() + offset);
}

std::int32_t HeaderInteger(const THeader& header, int offset) {
    // Conversion of an out-of-range unsigned value to a signed type is modular since C++20.
    return static_cast<std::int32_t>(HeaderUInt32(header, offset));
}

bool IsMacBinary(const THeader& header) {
    return header[kOffsetVersionZero] == 0 && header[kOffsetConst1] == 0;
}

std::string_view FileTypeText(const THeader& header) {
    const std::uint8_t version = header[kOffsetVersion];
    return version == kVersionII || version == kVersionIII ? kFileTypeIIorIII : kFileTypeI;
}

bool HasMacBinarySignature(const THeader& header) {
    return header[kOffsetSignature] == 'm' && header[kOffsetSignature + 1] == 'B' &&
           header[kOffsetSignature + 2] == 'I' && header[kOffsetSignature + 3] == 'N';
}

std::string_view HeaderNameBytes(const THeader& header) {
    const std::string_view field(
        reinterpret_cast<const char*>(header.data()) + kOffsetName,
        static_cast<std::size_t>(std::min<int>(header[kOffsetNameLength], kMaxHeaderNameLength)));
    return field.substr(0, field.find('\0'));
}

bool HeaderScriptIsJapanese(const THeader& header) {
    return HasMacBinarySignature(header) && header[kOffsetScript] == 1;
}

TFileLayout ComputeLayout(std::int32_t dataLength, std::int32_t resourceLength, std::int64_t fileSize) {
    const std::int64_t header = static_cast<std::int64_t>(kHeaderSize);
    const std::int64_t dataStart = header;
    const std::int64_t resourceStart = dataStart + dataLength;
    const std::int64_t commentStart = resourceStart + resourceLength;
    return TFileLayout{
        TByteRange{0, header - 1},
        TByteRange{dataStart, resourceStart - 1},
        TByteRange{resourceStart, commentStart - 1},
        TByteRange{commentStart, fileSize - 1},
    };
}

TFileLayout ComputeLayout(const THeader& header, std::int64_t fileSize) {
    return ComputeLayout(HeaderInteger(header, kOffsetDataForkLength),
                         HeaderInteger(header, kOffsetResourceForkLength), fileSize);
}

void ApplyMacBinaryIIFields(THeader& header, const THeader& nameSource) {
    const int n = std::min<int>(nameSource[kOffsetNameLength], kRewriteNameBytes);
    for (int i = 0; i < n; ++i) {
        header[static_cast<std::size_t>(kOffsetName + i)] =
            nameSource[static_cast<std::size_t>(kOffsetName + i)];
    }
    for (int i = kOffsetName + n; i <= kNameFieldEnd; ++i) {
        header[static_cast<std::size_t>(i)] = 0;
    }
    header[kOffsetVersion] = kVersionII;
    header[kOffsetMinVersion] = kVersionII;
}

std::uint16_t HeaderCrc(const THeader& header) {
    return Crc16Xmodem(header.data(), kCrcCoveredBytes);
}

THeader MacBinaryIIForm(const THeader& header) {
    THeader form = header;
    ApplyMacBinaryIIFields(form, header);
    const std::uint16_t crc = HeaderCrc(form);
    form[kOffsetCrc] = static_cast<std::uint8_t>(crc >> 8);
    form[kOffsetCrc + 1] = static_cast<std::uint8_t>(crc & 0xFF);
    return form;
}

} // namespace kelda
