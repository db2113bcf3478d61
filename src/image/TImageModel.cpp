// SPDX-License-Identifier: MIT
#include "image/TImageModel.h"

#include "forks/MacNames.h"
#include "macbinary/HeaderTable.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace kelda {

namespace {

std::string Code(const TFourCC& code) {
    return EscapeControls(MacTextToUtf8(FourCCBytes(code), TMacEncoding::Roman));
}

std::string DateText(std::uint32_t macDate) {
    return FormatDateTime(MacDateToDateTime(macDate), '-', ':');
}

std::string Count(std::uint32_t n, const char* one, const char* many, const char* japanese, bool ja) {
    return std::to_string(n) + (ja ? japanese : n == 1 ? one : many);
}

} // namespace

std::string ImageFormSuffix(TImageForm form) {
    switch (form) {
    case TImageForm::MacBinary:
        return ".bin";
    case TImageForm::AppleSingle:
        return ".as";
    case TImageForm::BinHex:
        return ".hqx";
    case TImageForm::AppleDouble:
    case TImageForm::Data:
        break;
    }
    return "";
}

std::vector<std::filesystem::path> ImageFormOutputs(const std::filesystem::path& local, TImageForm form) {
    std::vector<std::filesystem::path> outputs = {local};
    if (form == TImageForm::AppleDouble) {
        outputs.push_back(SidecarName(local));
    }
    return outputs;
}

std::filesystem::path VolumeLocalPath(const std::filesystem::path& folder, const THfsEntry& entry,
                                      TMacEncoding encoding, std::size_t skip) {
    std::filesystem::path local = folder;
    const TMacNameReading name = ReadEntryName(entry, encoding);
    for (std::size_t i = skip; i < entry.Path.size(); ++i) {
        local /=
            entry.UnicodeNames ? SafeLocalText(entry.Path[i]) : SafeLocalName(entry.Path[i], name.Encoding);
    }
    return local;
}

TForkStatus ExportImageFile(const TMacFileSource& source, const std::filesystem::path& out, TImageForm form,
                            TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
    for (const std::filesystem::path& file : ImageFormOutputs(out, form)) {
        std::error_code ec;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec))) {
            return TForkStatus::ThroughLink;
        }
    }
    switch (form) {
    case TImageForm::MacBinary:
        return ExportMacBinary(source, out, 3, policy, progress, replaceReadOnly);
    case TImageForm::AppleSingle:
        return ExportAppleFile(TAppleKind::Single, source, out, policy, progress, replaceReadOnly);
    case TImageForm::BinHex:
        return ExportBinHex(source, out, policy, progress, replaceReadOnly);
    case TImageForm::Data:
        return ExportDataFork(source, out, policy, progress, replaceReadOnly);
    case TImageForm::AppleDouble:
        break;
    }
    return Extract(source, out.parent_path(), TResourceForm::Sidecar, policy, progress,
                   out.filename().string(), replaceReadOnly)
        .Status;
}

// ---------------------------------------------------------------------- the check

std::string TImageVolumeCheck::Verdict(bool japanese) const {
    return !Read     ? (japanese ? "読めない" : "Not read")
           : Sound() ? (japanese ? "正常" : "Sound")
                     : (japanese ? "破損" : "Damaged");
}

std::string TImageVolumeCheck::Title(bool japanese) const {
    std::string title;
    for (const TImageKind kind : Range.Containers) {
        title += std::string(ImageKindName(kind)) + " > ";
    }
    title += ImageKindName(Range.Kind);
    if (Opened) {
        title += " \"" + EscapeControls(VolumeName) + "\", " +
                 Count(Files, " file", " files", " ファイル", japanese);
        if (Folders) {
            title +=
                (japanese ? "、" : ", ") + Count(*Folders, " folder", " folders", " フォルダー", japanese);
        }
    }
    return title;
}

std::vector<std::string> TImageVolumeCheck::Lines(bool japanese) const {
    std::vector<std::string> lines = {Verdict(japanese) + ": " + Title(japanese)};
    for (const TImageFinding& f : Findings) {
        lines.push_back(
            "  [" +
            std::string(f.Fatal() ? (japanese ? "破損" : "damage") : (japanese ? "警告" : "warning")) + "] " +
            f.Text(japanese));
    }
    return lines;
}

namespace {

TImageVolumeCheck CheckVolume(const TImageFile& image, const TVolumeRange& range, TMacEncoding encoding,
                              std::unique_ptr<TMacVolume>* keep) {
    TImageVolumeCheck check;
    check.Range = range;
    check.Read = range.Kind != TImageKind::Unknown; // HFS, HFS+ (and HFSX), MFS
    check.Findings = CheckHfsImage(image.Stream(), range.Offset, range.Length);
    if (check.Read) {
        try {
            std::unique_ptr<TMacVolume> volume = OpenVolume(image.Stream(), range);
            check.Opened = true;
            check.VolumeName = volume->NameText(encoding);
            check.Files = volume->FileCount();
            check.Folders = volume->FolderCount();
            if (keep != nullptr) {
                *keep = std::move(volume);
            }
        } catch (const EImageError&) {
            // The findings say why it cannot be read.
        }
    }
    return check;
}

} // namespace

std::vector<TImageVolumeCheck> CheckImageVolumes(const TImageFile& image, TMacEncoding encoding) {
    std::vector<TImageVolumeCheck> checks;
    for (const TVolumeRange& range : image.Volumes()) {
        checks.push_back(CheckVolume(image, range, encoding, nullptr));
    }
    return checks;
}

// ---------------------------------------------------------------------- the model

TImageModel TImageModel::Open(const std::filesystem::path& file, TMacEncoding encoding) {
    TImageModel model;
    model.file_ = file;
    model.encoding_ = encoding;
    model.image_ = std::make_unique<TImageFile>(file);
    for (const TVolumeRange& range : model.image_->Volumes()) {
        std::unique_ptr<TMacVolume> volume;
        model.checks_.push_back(CheckVolume(*model.image_, range, encoding, &volume));
        const std::size_t index = model.volumes_.size();
        const TMacVolume* read = volume.get();
        model.volumes_.push_back(std::move(volume));

        TRow top;
        top.Volume = index;
        if (read != nullptr) {
            top.Cells[5] = DateText(read->Modified());
        }
        const int topRow = static_cast<int>(model.rows_.size());
        model.rows_.push_back(top);
        if (read == nullptr) {
            continue;
        }
        // In tree order: each folder followed by what it holds (the catalog's is by parent id).
        std::vector<const THfsEntry*> entries;
        for (const THfsEntry& entry : read->Entries()) {
            entries.push_back(&entry);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const THfsEntry* a, const THfsEntry* b) { return a->Path < b->Path; });
        // The row of the folder last seen at each depth, the parents of what follows.
        std::vector<int> folderAt = {topRow};
        for (const THfsEntry* entry : entries) {
            TRow row;
            row.Volume = index;
            row.Entry = entry;
            row.Depth = static_cast<int>(entry->Path.size());
            folderAt.resize(std::max<std::size_t>(entry->Path.size(), 1));
            row.Parent = folderAt[entry->Path.size() - 1];
            const bool isFile = entry->Kind == THfsKind::File;
            if (isFile) {
                row.Cells[1] = Code(entry->Info.Type);
                row.Cells[2] = Code(entry->Info.Creator);
                row.Cells[3] = std::to_string(entry->Data.LogicalLength);
                row.Cells[4] = std::to_string(entry->Resource.LogicalLength);
            }
            row.Cells[5] = DateText(entry->Info.Modified);
            const int at = static_cast<int>(model.rows_.size());
            model.rows_.push_back(row);
            if (!isFile) {
                folderAt.push_back(at);
            }
        }
    }
    model.NameRows();
    return model;
}

void TImageModel::SetNameEncoding(TMacEncoding encoding) {
    encoding_ = encoding;
    for (std::size_t v = 0; v < checks_.size(); ++v) {
        if (checks_[v].Opened && volumes_[v] != nullptr) {
            checks_[v].VolumeName = ReadMacName(volumes_[v]->Name(), encoding).Text;
        }
    }
    NameRows();
}

void TImageModel::NameRows() {
    for (TRow& row : rows_) {
        const TImageVolumeCheck& check = checks_[row.Volume];
        row.Cells[0] = row.Entry != nullptr ? EscapeControls(ReadEntryName(*row.Entry, encoding_).Text)
                       : check.Opened       ? EscapeControls(check.VolumeName)
                                            : ImageKindName(check.Range.Kind);
    }
}

bool TImageModel::Sound() const {
    return std::all_of(checks_.begin(), checks_.end(), [](const TImageVolumeCheck& c) { return c.Sound(); });
}

std::vector<std::string> TImageModel::CheckLines(bool japanese) const {
    std::vector<std::string> lines;
    for (const TImageVolumeCheck& check : checks_) {
        for (std::string& line : check.Lines(japanese)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

std::optional<TMacFileSource> TImageModel::OpenFile(std::size_t row, bool withData) const {
    if (row >= rows_.size() || rows_[row].Entry == nullptr || rows_[row].Entry->Kind != THfsKind::File) {
        return std::nullopt;
    }
    const THfsEntry& entry = *rows_[row].Entry;
    const TMacVolume& volume = *volumes_[rows_[row].Volume];
    return TMacFileSource::FromVolume(entry.Info, ReadEntryName(entry, encoding_),
                                      withData ? volume.ForkSources(entry, THfsForkKind::Data)
                                               : std::vector<TForkSource>{},
                                      volume.ForkSources(entry, THfsForkKind::Resource), image_->Stream());
}

std::vector<std::string> TImageModel::DetailLines(std::size_t row, bool japanese) const {
    std::vector<std::string> lines;
    if (row >= rows_.size()) {
        return lines;
    }
    const TRow& r = rows_[row];
    const auto line = [&](const char* english, const char* ja, const std::string& value) {
        lines.push_back(std::string(japanese ? ja : english) + value);
    };
    if (r.Entry == nullptr) {
        for (std::string& text : checks_[r.Volume].Lines(japanese)) {
            lines.push_back(std::move(text));
        }
        return lines;
    }
    const THfsEntry& e = *r.Entry;
    const bool isFile = e.Kind == THfsKind::File;
    line("Kind     : ", "種類       : ",
         isFile ? (japanese ? "ファイル" : "file") : (japanese ? "フォルダー" : "folder"));
    line("Path     : ", "パス       : ", EscapeControls(EntryPathText(e, encoding_, ":")));
    if (isFile) {
        line("Type     : ", "タイプ     : ", Code(e.Info.Type));
        line("Creator  : ", "クリエータ : ", Code(e.Info.Creator));
        line("Flags    : ", "フラグ     : ", FaultHex(e.Info.FinderFlags, 4));
        line("Data     : ", "データ     : ", std::to_string(e.Data.LogicalLength));
        line("Resource : ", "リソース   : ", std::to_string(e.Resource.LogicalLength));
    } else {
        line("Items    : ", "項目数     : ", std::to_string(e.Valence));
    }
    line("Created  : ", "作成日     : ", DateText(e.Info.Created));
    line("Modified : ", "変更日     : ", DateText(e.Info.Modified));
    return lines;
}

std::vector<TImageModel::TExtractItem> TImageModel::ExtractItems(const std::vector<std::size_t>& chosen,
                                                                 const std::filesystem::path& folder) const {
    std::vector<TExtractItem> items;
    std::set<std::size_t> taken;
    for (const std::size_t pick : chosen) {
        if (pick >= rows_.size()) {
            continue;
        }
        // The chosen row's own name is the first name of each local path below it.
        const std::size_t skip = rows_[pick].Entry == nullptr ? 0 : rows_[pick].Entry->Path.size() - 1;
        for (std::size_t row = pick; row < rows_.size(); ++row) {
            if (row != pick) {
                // Rows below pick follow it until one at its depth or above.
                if (rows_[row].Depth <= rows_[pick].Depth) {
                    break;
                }
            }
            const THfsEntry* entry = rows_[row].Entry;
            if (entry == nullptr || entry->Kind != THfsKind::File || !taken.insert(row).second) {
                continue;
            }
            items.push_back({row, VolumeLocalPath(folder, *entry, encoding_, skip)});
        }
    }
    return items;
}

} // namespace kelda
