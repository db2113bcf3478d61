// SPDX-License-Identifier: MIT
#include "resources/TResourceModel.h"

#include "forks/ForkExport.h"
#include "resources/BundleResources.h"
#include "resources/ResourceDetail.h"
#include "resources/ResourceTexts.h"
#include "util/TFileStream.h"

#include <stdexcept>

namespace kelda {

namespace {

// The detail area shows at most this much of a resource; decoders need far less.
constexpr std::size_t kDetailLimit = 64 * 1024;

std::string SafeMacName(const TMacFile& macFile, const std::filesystem::path& file) {
    const std::string name = ExtractName(macFile);
    return name.empty() ? file.stem().string() : name;
}

} // namespace

TResourceModel TResourceModel::Read(const std::filesystem::path& file, const THeader& header,
                                    TMacEncoding nameEncoding) {
    TResourceModel model;
    const TFileStream stream(file, FileMode::Read);
    model.fork_ = ReadResourceFork(stream, header, nameEncoding);
    const TResourceReader read = [&](const TResourceEntry& e) {
        return ReadResourceData(stream, model.fork_, e, kDetailLimit);
    };
    const TResType type = HeaderFourCharCode(header, kOffsetType);
    const TResType creator = HeaderFourCharCode(header, kOffsetCreator);
    if (const std::optional<std::int16_t> id = OwnIconId(model.fork_.Map, type, creator, read)) {
        const TResourceEntry* icon = model.fork_.Map.Find(ResType("ICN#"), *id);
        model.ownIcon_ = RenderIcon(icon->Type, read(*icon));
    }
    model.file_ = file;
    model.macName_ = SafeMacName(MacFileFromHeader(header, stream.Size(), nameEncoding), file);
    model.current_ = model.fork_.Map.Resources.empty() ? -1 : 0;
    return model;
}

TResourceModel TResourceModel::FromMacFile(std::shared_ptr<const TMacFileSource> source,
                                           TMacEncoding nameEncoding) {
    TResourceModel model;
    const TMacFile& file = source->File();
    const TFileStream* stream = source->Resource().Stream;
    if (stream != nullptr) {
        model.fork_ = ReadResourceFork(*stream, file.Resource, MacFileTextEncoding(file, nameEncoding));
        const TResourceReader read = [&](const TResourceEntry& e) {
            return ReadResourceData(*stream, model.fork_, e, kDetailLimit);
        };
        if (const std::optional<std::int16_t> id =
                OwnIconId(model.fork_.Map, file.Info.Type, file.Info.Creator, read)) {
            const TResourceEntry* icon = model.fork_.Map.Find(ResType("ICN#"), *id);
            model.ownIcon_ = RenderIcon(icon->Type, read(*icon));
        }
    }
    model.file_ = source->Path();
    model.macName_ = SafeMacName(file, model.file_);
    model.source_ = std::move(source);
    model.current_ = model.fork_.Map.Resources.empty() ? -1 : 0;
    return model;
}

template <typename F> auto TResourceModel::WithStream(F use) const {
    if (source_ != nullptr) {
        return use(*source_->Resource().Stream);
    }
    const TFileStream stream(file_, FileMode::Read);
    return use(stream);
}

std::vector<TResourceModel::TRow> TResourceModel::Rows(bool japanese) const {
    std::vector<TRow> rows;
    rows.reserve(fork_.Map.Resources.size());
    for (const TResourceEntry& e : fork_.Map.Resources) {
        rows.push_back({"'" + ResTypeText(e.Type) + "'", std::to_string(e.Id),
                        e.HasName ? e.Name : std::string(), ResAttributeNames(e.Attributes, japanese),
                        std::to_string(e.Length)});
    }
    return rows;
}

std::vector<std::string> TResourceModel::FindingLines(bool japanese) const {
    std::vector<std::string> lines;
    const TResourceMap& map = fork_.Map;
    if ((!file_.empty() || source_ != nullptr) && !map.Present) {
        lines.emplace_back(ResourceText(TResText::NoResourceFork, japanese));
    }
    if (!map.Findings.empty()) {
        lines.emplace_back(ResourceText(TResText::FindingsTitle, japanese));
    }
    for (const TResourceFinding& f : map.Findings) {
        lines.push_back("  " + f.Text(japanese));
    }
    if (map.FindingsOmitted > 0) {
        lines.push_back(
            "  " + ResourceText(TResText::FindingsOmitted, japanese, std::to_string(map.FindingsOmitted)));
    }
    return lines;
}

void TResourceModel::SetCurrentRow(int row) {
    current_ = row >= 0 && row < static_cast<int>(fork_.Map.Resources.size()) ? row : -1;
}

const TResourceEntry* TResourceModel::Current() const {
    return current_ < 0 ? nullptr : &fork_.Map.Resources[static_cast<std::size_t>(current_)];
}

TResourceDetail TResourceModel::CurrentDetail(bool japanese) const {
    TResourceDetail detail;
    const TResourceEntry* entry = Current();
    if (entry == nullptr) {
        return detail;
    }
    if (entry->ForkOffset < 0) {
        detail.Text = ResourceText(TResText::NoPreview, japanese);
        return detail;
    }
    detail.Savable = true;
    WithStream([&](const TFileStream& stream) {
        const std::vector<std::uint8_t> bytes = ReadResourceData(stream, fork_, *entry, kDetailLimit);
        detail.Text = ResourceDetailText(entry->Type, bytes, fork_.Encoding, japanese);
        if (const std::optional<TIconFormat> format = IconFormatOf(entry->Type)) {
            std::vector<std::uint8_t> mask;
            if (format->MaskType != entry->Type) {
                if (const TResourceEntry* m = fork_.Map.Find(format->MaskType, entry->Id)) {
                    mask = ReadResourceData(stream, fork_, *m, kDetailLimit);
                }
            }
            detail.Icon = RenderIcon(entry->Type, bytes, mask);
        }
        return 0;
    });
    return detail;
}

TConvertStatus TResourceModel::SaveCurrent(const std::filesystem::path& output, bool replaceReadOnly) const {
    const TResourceEntry* entry = Current();
    if (entry == nullptr) {
        throw std::logic_error("no resource chosen");
    }
    if (source_ != nullptr) {
        // The fork may lie in a scratch file; the files the source was read from are guarded too.
        const std::vector<TFileStat> inputs = source_->Inputs();
        return SaveResource(*source_->Resource().Stream, fork_, *entry, output, replaceReadOnly, inputs);
    }
    const TFileStream stream(file_, FileMode::Read);
    return SaveResource(stream, fork_, *entry, output, replaceReadOnly);
}

} // namespace kelda
