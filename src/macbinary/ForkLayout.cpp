// SPDX-License-Identifier: MIT
#include "macbinary/ForkLayout.h"

#include <algorithm>

namespace kelda {

namespace {

TForkSpan Span(std::int64_t offset, std::int64_t length, std::int64_t fileSize) {
    const std::int64_t present = std::clamp<std::int64_t>(fileSize - offset, 0, length);
    return TForkSpan{offset, length, present};
}

} // namespace

TForkLayout ComputeForkLayout(const THeader& header, std::int64_t fileSize) {
    TForkLayout layout;
    layout.SecondaryHeaderLength = HeaderWord(header, kOffsetSecondaryHeaderLength);
    const std::int64_t dataOffset =
        static_cast<std::int64_t>(kHeaderSize) + PadToBlock(layout.SecondaryHeaderLength);
    const std::int64_t dataLength = HeaderUInt32(header, kOffsetDataForkLength);
    const std::int64_t resourceLength = HeaderUInt32(header, kOffsetResourceForkLength);
    const std::int64_t resourceOffset = dataOffset + PadToBlock(dataLength);
    const std::int64_t commentOffset = resourceOffset + PadToBlock(resourceLength);
    const std::int64_t commentLength = HeaderWord(header, kOffsetCommentLength);

    layout.Data = Span(dataOffset, dataLength, fileSize);
    layout.Resource = Span(resourceOffset, resourceLength, fileSize);
    layout.Comment = Span(commentOffset, commentLength, fileSize);

    // The last part that holds bytes decides where the file ends.
    std::int64_t end = dataOffset;
    for (const TForkSpan* span : {&layout.Data, &layout.Resource, &layout.Comment}) {
        if (span->Length > 0) {
            end = span->Offset + span->Length;
        }
    }
    layout.MinimalSize = std::max<std::int64_t>(end, kHeaderSize);
    layout.PaddedSize = std::max<std::int64_t>(PadToBlock(end), kHeaderSize);
    return layout;
}

} // namespace kelda
