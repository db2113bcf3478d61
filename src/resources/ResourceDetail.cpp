// SPDX-License-Identifier: MIT
#include "resources/ResourceDetail.h"

#include "resources/BundleResources.h"
#include "resources/ResourceTexts.h"
#include "resources/StringResources.h"
#include "resources/VersResource.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace kelda {

namespace {

constexpr std::size_t kDumpWidth = 16;

std::string Quoted(const TResType& type) {
    return "'" + ResTypeText(type) + "'";
}

} // namespace

std::string ResourceDecodedText(const TResType& type, std::span<const std::uint8_t> bytes,
                                TMacEncoding encoding, bool japanese) {
    std::string text;
    if (type == ResType("vers")) {
        if (const std::optional<TVersInfo> v = DecodeVers(bytes)) {
            const auto line = [&](TResText label, const std::string& value) {
                text += std::string(ResourceText(label, japanese)) + ": " + value + '\n';
            };
            line(TResText::VersVersion, v->NumberText());
            line(TResText::VersStage, v->StageName());
            line(TResText::VersRegion, std::to_string(v->Region));
            line(TResText::VersShort, v->ShortVersion);
            line(TResText::VersLong, v->LongVersion);
            text += '\n';
        }
    } else if (type == ResType("STR ")) {
        text = DecodeStr(bytes, encoding) + "\n\n";
    } else if (type == ResType("STR#")) {
        const TStringList list = DecodeStrList(bytes, encoding);
        for (std::size_t i = 0; i < list.Strings.size(); ++i) {
            text += std::to_string(i + 1) + ": " + list.Strings[i] + '\n';
        }
        text += '\n';
    } else if (type == ResType("BNDL")) {
        if (const std::optional<TBundle> b = DecodeBundle(bytes)) {
            text = Quoted(b->Signature) + " " + std::to_string(b->SignatureId) + '\n';
            for (const TBundleType& t : b->Types) {
                text += "  " + Quoted(t.Type) + ':';
                for (const TBundleMapping& m : t.Mappings) {
                    text += ' ' + std::to_string(m.LocalId) + "->" + std::to_string(m.ResourceId);
                }
                text += '\n';
            }
            text += '\n';
        }
    } else if (type == ResType("FREF")) {
        if (const std::optional<TFileReference> f = DecodeFileReference(bytes)) {
            text = Quoted(f->FileType) + " " + std::to_string(f->LocalIconId) + "\n\n";
        }
    }
    return text;
}

std::string ResourceHexDump(std::span<const std::uint8_t> bytes) {
    std::string text;
    for (std::size_t row = 0; row < bytes.size(); row += kDumpWidth) {
        const std::span<const std::uint8_t> line =
            bytes.subspan(row, std::min(kDumpWidth, bytes.size() - row));
        const std::string_view raw(reinterpret_cast<const char*>(line.data()), line.size());
        text += HexValue(static_cast<std::uint32_t>(row), 24);
        text += "  ";
        text += HexBytes(raw, ' ');
        // The ASCII column stands at the same place on every line, the last one too.
        text.append(3 * (kDumpWidth - line.size()) + 2, ' ');
        for (const std::uint8_t b : line) {
            text += b >= 0x20 && b < 0x7F ? static_cast<char>(b) : '.';
        }
        text += '\n';
    }
    return text;
}

std::string ResourceDetailText(const TResType& type, std::span<const std::uint8_t> bytes,
                               TMacEncoding encoding, bool japanese) {
    return ResourceDecodedText(type, bytes, encoding, japanese) + ResourceHexDump(bytes);
}

} // namespace kelda
