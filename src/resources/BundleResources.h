// SPDX-License-Identifier: MIT
// What an application tells the Finder: its bundle ('BNDL': its signature and which local IDs of
// 'FREF' and 'ICN#' stand for which resources) and its file references ('FREF': a file type it
// owns and the local ID of that type's icon).
#pragma once

#include "resources/ResourceMap.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kelda {

struct TBundleMapping {
    std::int16_t LocalId = 0;
    std::int16_t ResourceId = 0;
};

struct TBundleType {
    TResType Type{};
    std::vector<TBundleMapping> Mappings;
};

struct TBundle {
    TResType Signature{};
    std::int16_t SignatureId = 0;
    std::vector<TBundleType> Types;
    bool Truncated = false;

    // The resource ID that local ID stands for among the resources of type; nothing when unmapped.
    std::optional<std::int16_t> ResourceIdOf(const TResType& type, std::int16_t localId) const;
};

struct TFileReference {
    TResType FileType{};
    std::int16_t LocalIconId = 0;
    std::string FileName; // raw bytes; most are empty
};

std::optional<TBundle> DecodeBundle(std::span<const std::uint8_t> bytes);
std::optional<TFileReference> DecodeFileReference(std::span<const std::uint8_t> bytes);

// Reads one resource's data.
using TResourceReader = std::function<std::vector<std::uint8_t>(const TResourceEntry&)>;

struct TBundleSummary {
    TBundle Bundle;
    std::vector<TFileReference> References; // the FREFs the bundle names that exist
};

// The bundle of the file: the 'BNDL' whose signature is the file's creator, else the first.
std::optional<TBundleSummary> ReadBundle(const TResourceMap& map, const TResType& creator,
                                         const TResourceReader& read);

// The ID of the 'ICN#' the bundle gives the file itself: the icon of the 'FREF' for the file's own
// type (for an application, 'APPL'), else of the one for 'APPL'. Nothing when the bundle names none
// or that ICN# is not in the map.
std::optional<std::int16_t> OwnIconId(const TResourceMap& map, const TResType& fileType,
                                      const TResType& creator, const TResourceReader& read);

} // namespace kelda
