// SPDX-License-Identifier: MIT
#include "resources/BundleResources.h"

#include "resources/PascalString.h"
#include "util/BigEndian.h"

#include <algorithm>

namespace kelda {

namespace {

std::int16_t I16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int16_t>(GetBig16(b.data() + at));
}

// A stored count minus one: 0xFFFF (-1) is none.
std::uint32_t CountOf(std::int16_t stored) {
    return static_cast<std::uint32_t>((static_cast<std::uint16_t>(stored) + 1U) & 0xFFFFU);
}

TResType TypeAt(std::span<const std::uint8_t> b, std::size_t at) {
    return {b[at], b[at + 1], b[at + 2], b[at + 3]};
}

} // namespace

std::optional<std::int16_t> TBundle::ResourceIdOf(const TResType& type, std::int16_t localId) const {
    for (const TBundleType& t : Types) {
        if (t.Type != type) {
            continue;
        }
        for (const TBundleMapping& m : t.Mappings) {
            if (m.LocalId == localId) {
                return m.ResourceId;
            }
        }
    }
    return std::nullopt;
}

std::optional<TBundle> DecodeBundle(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 8) {
        return std::nullopt;
    }
    TBundle bundle;
    bundle.Signature = TypeAt(bytes, 0);
    bundle.SignatureId = I16(bytes, 4);
    const std::uint32_t types = CountOf(I16(bytes, 6));
    std::size_t at = 8;
    for (std::uint32_t t = 0; t < types; ++t) {
        if (at + 6 > bytes.size()) {
            bundle.Truncated = true;
            break;
        }
        TBundleType type;
        type.Type = TypeAt(bytes, at);
        const std::uint32_t count = CountOf(I16(bytes, at + 4));
        at += 6;
        const std::size_t there = std::min<std::size_t>(count, (bytes.size() - at) / 4);
        for (std::size_t k = 0; k < there; ++k, at += 4) {
            type.Mappings.push_back({I16(bytes, at), I16(bytes, at + 2)});
        }
        bundle.Types.push_back(std::move(type));
        if (there < count) {
            bundle.Truncated = true;
            break;
        }
    }
    return bundle;
}

std::optional<TFileReference> DecodeFileReference(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 6) {
        return std::nullopt;
    }
    TFileReference ref;
    ref.FileType = TypeAt(bytes, 0);
    ref.LocalIconId = I16(bytes, 4);
    std::size_t at = 6;
    ref.FileName = ReadPascalString(bytes, at).Bytes;
    return ref;
}

std::optional<TBundleSummary> ReadBundle(const TResourceMap& map, const TResType& creator,
                                         const TResourceReader& read) {
    std::optional<TBundle> chosen;
    for (const TResourceEntry* entry : map.OfType(ResType("BNDL"))) {
        std::optional<TBundle> bundle = DecodeBundle(read(*entry));
        if (!bundle) {
            continue;
        }
        const bool own = bundle->Signature == creator;
        if (!chosen || own) {
            chosen = std::move(bundle);
        }
        if (own) {
            break;
        }
    }
    if (!chosen) {
        return std::nullopt;
    }
    TBundleSummary summary{std::move(*chosen), {}};
    for (const TBundleType& type : summary.Bundle.Types) {
        if (type.Type != ResType("FREF")) {
            continue;
        }
        for (const TBundleMapping& m : type.Mappings) {
            if (const TResourceEntry* entry = map.Find(ResType("FREF"), m.ResourceId)) {
                if (std::optional<TFileReference> ref = DecodeFileReference(read(*entry))) {
                    summary.References.push_back(std::move(*ref));
                }
            }
        }
    }
    return summary;
}

std::optional<std::int16_t> OwnIconId(const TResourceMap& map, const TResType& fileType,
                                      const TResType& creator, const TResourceReader& read) {
    const std::optional<TBundleSummary> summary = ReadBundle(map, creator, read);
    if (!summary) {
        return std::nullopt;
    }
    for (const TResType& wanted : {fileType, ResType("APPL")}) {
        for (const TFileReference& ref : summary->References) {
            if (ref.FileType != wanted) {
                continue;
            }
            const std::optional<std::int16_t> id =
                summary->Bundle.ResourceIdOf(ResType("ICN#"), ref.LocalIconId);
            if (id && map.Find(ResType("ICN#"), *id) != nullptr) {
                return id;
            }
        }
    }
    return std::nullopt;
}

} // namespace kelda
