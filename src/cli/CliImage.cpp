// SPDX-License-Identifier: MIT
// The image command of kelda-cli: the HFS volumes of a disk image (bare, DiskCopy 4.2, with a
// partition map, or as the data fork of a MacBinary, AppleSingle or BinHex file) listed, checked,
// or their files extracted, each file through the one model and the fork writers' guards. The
// image is only ever read.
#include "app/Language.h"
#include "cli/Cli.h"
#include "cli/CliJson.h"
#include "cli/CliText.h"
#include "cli/TCliCommands.h"
#include "forks/ForkExport.h"
#include "forks/MacNames.h"
#include "image/HfsVolume.h"
#include "image/ImageFile.h"
#include "image/ImageVolume.h"
#include "image/TImageModel.h"
#include "macbinary/HeaderTable.h"
#include "util/TFolder.h"
#include "util/VisibleText.h"

#include <algorithm>
#include <map>
#include <ostream>

namespace kelda {

namespace {

enum class TImageAction { List, Check, Extract };

struct TImageOptions {
    TImageAction Action = TImageAction::List;
    std::string Image;
    TCliArgs Paths; // extract: the files and folders to take (their paths in the volume); none: all
    std::string Folder = ".";
    TImageForm Form = TImageForm::MacBinary;
    TMacEncoding NameEncoding = TMacEncoding::Auto;
    bool Json = false;
    bool Force = false;
};

std::string DateText(std::uint32_t macDate) {
    return FormatDateTime(MacDateToDateTime(macDate), '-', ':');
}

// The volume's name and where it lies, for the lines that name it.
std::string VolumeTitle(const TMacVolume& volume, TMacEncoding encoding) {
    return EscapeControls(volume.NameText(encoding));
}

int RunList(const TCliContext& context, const TImageOptions& options, const TImageFile& image) {
    for (const TVolumeRange& range : image.Volumes()) {
        const std::unique_ptr<TMacVolume> opened = OpenVolume(image.Stream(), range);
        const TMacVolume& volume = *opened;
        const std::string volumeName = VolumeTitle(volume, options.NameEncoding);
        // In tree order: each folder followed by what it holds (the catalog's is by parent id).
        std::vector<const THfsEntry*> entries;
        for (const THfsEntry& entry : volume.Entries()) {
            entries.push_back(&entry);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const THfsEntry* a, const THfsEntry* b) { return a->Path < b->Path; });
        for (const THfsEntry* listed : entries) {
            const THfsEntry& entry = *listed;
            const std::string path = EntryPathText(entry, options.NameEncoding);
            const bool folder = entry.Kind == THfsKind::Folder;
            if (options.Json) {
                TCliJson o = CliJsonObject("kelda-cli.image", options.Image);
                o["volume"] = volume.NameText(options.NameEncoding);
                o["entry_path"] = path;
                o["kind"] = folder ? "folder" : "file";
                o["id"] = entry.Id;
                const TMacNameReading name = ReadEntryName(entry, options.NameEncoding);
                o["name"] = MacNameJson(entry.Info.Name, name);
                if (!folder) {
                    o["type"] = MacTextJson(FourCCBytes(entry.Info.Type), TMacEncoding::Roman);
                    o["creator"] = MacTextJson(FourCCBytes(entry.Info.Creator), TMacEncoding::Roman);
                    o["finder_flags"] = entry.Info.FinderFlags;
                    o["data_fork_length"] = entry.Data.LogicalLength;
                    o["resource_fork_length"] = entry.Resource.LogicalLength;
                } else {
                    o["items"] = entry.Valence;
                }
                o["created"] = DateText(entry.Info.Created);
                o["modified"] = DateText(entry.Info.Modified);
                CliWriteJson(context, o);
                continue;
            }
            const std::string typeCreator =
                folder
                    ? "-"
                    : EscapeControls(MacTextToUtf8(FourCCBytes(entry.Info.Type), TMacEncoding::Roman) + "/" +
                                     MacTextToUtf8(FourCCBytes(entry.Info.Creator), TMacEncoding::Roman));
            context.Out << (folder ? "folder" : "file") << '\t' << typeCreator << '\t'
                        << (folder ? std::string("-") : std::to_string(entry.Data.LogicalLength)) << '\t'
                        << (folder ? std::string("-") : std::to_string(entry.Resource.LogicalLength)) << '\t'
                        << DateText(entry.Info.Modified) << '\t' << volumeName << ':' << EscapeControls(path)
                        << (folder ? "/" : "") << '\n';
        }
    }
    return kCliOk;
}

int RunCheck(const TCliContext& context, const TImageOptions& options, const TImageFile& image) {
    context.Out << EscapeControls(options.Image) << '\n';
    bool sound = true;
    for (const TImageVolumeCheck& check : CheckImageVolumes(image, options.NameEncoding)) {
        sound = sound && check.Sound();
        for (const std::string& line : check.Lines(context.Japanese)) {
            context.Out << "  " << line << '\n';
        }
    }
    return sound ? kCliOk : kCliFailure;
}

// Whether the entry is one the operands ask for: all without operands, else those at or below a
// path given (as list shows it, without the volume's name).
bool Chosen(const TImageOptions& options, const std::string& path) {
    if (options.Paths.empty()) {
        return true;
    }
    for (const std::string& want : options.Paths) {
        const std::string trimmed =
            want.size() > 1 && want.back() == '/' ? want.substr(0, want.size() - 1) : want;
        if (path == trimmed || path.compare(0, trimmed.size() + 1, trimmed + "/") == 0) {
            return true;
        }
    }
    return false;
}

// Writes one file of the volume; returns the command status for it.
int ExtractEntry(const TCliContext& context, const TImageOptions& options, const TMacVolume& volume,
                 const TImageFile& image, const THfsEntry& entry, const std::filesystem::path& local) {
    const std::string shown = EntryPathText(entry, options.NameEncoding);
    return CliGuarded(context, shown, [&] {
        const TMacFileSource source =
            TMacFileSource::FromVolume(entry.Info, ReadEntryName(entry, options.NameEncoding),
                                       volume.ForkSources(entry, THfsForkKind::Data),
                                       volume.ForkSources(entry, THfsForkKind::Resource), image.Stream());
        const bool force = options.Force || context.Force;
        const std::filesystem::path out = local.string() + ImageFormSuffix(options.Form);
        const std::vector<std::filesystem::path> written = ImageFormOutputs(out, options.Form);
        for (const std::filesystem::path& file : written) {
            std::error_code ec;
            if (std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec))) {
                CliReport(context, file.string(), MessageText(TMsg::NoWriteThroughLink, context.Japanese));
                return kCliFailure;
            }
            if (!force && CliOutputExists(context, image.Stream().FileName(), file)) {
                return kCliFailure;
            }
        }
        const TForkStatus status = ExportImageFile(source, out, options.Form, TCutPolicy::Refuse, {}, force);
        if (!ForkOutputWritten(status)) {
            CliReport(context, out.string(),
                      MessageText(status == TForkStatus::OutputReadOnly ? TMsg::OutputReadOnly
                                  : status == TForkStatus::ThroughLink  ? TMsg::NoWriteThroughLink
                                                                        : TMsg::CannotWriteOverSource,
                                  context.Japanese));
            return kCliFailure;
        }
        for (const std::filesystem::path& file : written) {
            context.Out << EscapeControls(file.string()) << '\n';
        }
        return kCliOk;
    });
}

int RunExtract(const TCliContext& context, const TImageOptions& options, const TImageFile& image) {
    std::size_t files = 0;
    std::size_t failed = 0;
    for (const TVolumeRange& range : image.Volumes()) {
        const std::unique_ptr<TMacVolume> opened = OpenVolume(image.Stream(), range);
        const TMacVolume& volume = *opened;
        for (const THfsEntry& entry : volume.Entries()) {
            if (!Chosen(options, EntryPathText(entry, options.NameEncoding))) {
                continue;
            }
            const std::filesystem::path local = VolumeLocalPath(options.Folder, entry, options.NameEncoding);
            std::error_code ec;
            std::filesystem::create_directories(entry.Kind == THfsKind::Folder ? local : local.parent_path(),
                                                ec);
            if (ec) {
                CliReport(context, local.string(), EFileError::createFailed(local, ec.value()).english());
                ++failed;
                continue;
            }
            if (entry.Kind == THfsKind::File) {
                ++files;
                if (ExtractEntry(context, options, volume, image, entry, local) != kCliOk) {
                    ++failed;
                }
            }
        }
    }
    if (files > 1 || failed > 0) {
        CliReport(context, options.Image,
                  CliText(TCliMsg::BatchSummary, context.Japanese,
                          {std::to_string(files), std::to_string(files - std::min(files, failed)),
                           std::to_string(failed)}));
    }
    return failed == 0 ? kCliOk : kCliFailure;
}

int RunImage(const TCliContext& context, const TImageOptions& options) {
    return CliGuarded(context, options.Image, [&] {
        const TImageFile image(options.Image);
        switch (options.Action) {
        case TImageAction::List:
            return RunList(context, options, image);
        case TImageAction::Check:
            return RunCheck(context, options, image);
        case TImageAction::Extract:
            break;
        }
        return RunExtract(context, options, image);
    });
}

} // namespace

void RegisterImageCommands(TCliCommands& commands) {
    TImageOptions& options = commands.Store<TImageOptions>();
    CLI::App& image = commands.Add(
        "image",
        "The HFS volumes of a disk image (bare, DiskCopy 4.2, partitioned, or inside a MacBinary, "
        "AppleSingle or BinHex file): list, check, or extract their files",
        [&options](const TCliContext& context) { return RunImage(context, options); });
    const std::map<std::string, TImageAction> actions = {
        {"list", TImageAction::List}, {"check", TImageAction::Check}, {"extract", TImageAction::Extract}};
    image.add_option("ACTION", options.Action, "list, check or extract")
        ->required()
        ->transform(CLI::CheckedTransformer(actions).description(""))
        ->type_name("list|check|extract");
    image.add_option("IMAGE", options.Image, "The disk image")->required()->type_name("");
    image
        .add_option("PATH", options.Paths,
                    "extract: the files and folders to take, as list shows them (default: all)")
        ->type_name("");
    image.add_flag("--json", options.Json, "list: one JSON object per file and folder");
    AddOutputDirOption(image, options.Folder, "extract: the folder to write to (default: the current one)");
    const std::map<std::string, TImageForm> forms = {{"macbinary", TImageForm::MacBinary},
                                                     {"appledouble", TImageForm::AppleDouble},
                                                     {"applesingle", TImageForm::AppleSingle},
                                                     {"binhex", TImageForm::BinHex},
                                                     {"data", TImageForm::Data}};
    image
        .add_option("--as", options.Form,
                    "extract: each file as MacBinary III NAME.bin (default), NAME with its ._NAME sidecar, "
                    "NAME.as, NAME.hqx, or its data fork alone")
        ->transform(CLI::CheckedTransformer(forms).description(""))
        ->type_name("macbinary|appledouble|applesingle|binhex|data");
    AddForceFlag(image, options.Force);
    AddNameEncodingOption(image, options.NameEncoding);
}

} // namespace kelda
