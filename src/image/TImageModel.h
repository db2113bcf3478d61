// SPDX-License-Identifier: MIT
// A disk image as the window's Images page and kelda-cli's image command see it (core, no Qt): the
// volumes an image holds with their check (verdict, title and findings in both languages), every
// folder and file as a row of a tree, a file of the volume opened through the one model
// (TMacFileSource::FromVolume), and a file written out in a chosen form through the guarded writers.
#pragma once

#include "forks/ForkExport.h"
#include "image/HfsVolume.h"
#include "image/ImageFile.h"
#include "image/ImageVolume.h"
#include "util/MacText.h"

#include <array>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelda {

// The forms a file of a volume is written in.
enum class TImageForm { MacBinary, AppleDouble, AppleSingle, BinHex, Data };

// What the form adds to the file's local name: ".bin", ".as", ".hqx", or nothing.
std::string ImageFormSuffix(TImageForm form);

// The files the form writes for a file of the volume whose local path is local (suffix and all):
// local itself, and for AppleDouble its "._" sidecar beside it.
std::vector<std::filesystem::path> ImageFormOutputs(const std::filesystem::path& local, TImageForm form);

// The local path of an entry under folder: each name of its path made safe, the first skip names
// left out (0: the path from the volume's root).
std::filesystem::path VolumeLocalPath(const std::filesystem::path& folder, const THfsEntry& entry,
                                      TMacEncoding encoding, std::size_t skip = 0);

// Writes source, a file of a volume, as out (ImageFormOutputs of it) in the form, under the fork
// writers' guards; ThroughLink, and nothing written, when an output is a symbolic link.
TForkStatus ExportImageFile(const TMacFileSource& source, const std::filesystem::path& out, TImageForm form,
                            TCutPolicy policy, const ProgressFn& progress = {}, bool replaceReadOnly = false);

// The check of one volume of an image.
struct TImageVolumeCheck {
    TVolumeRange Range;
    bool Read = false; // an HFS or MFS volume (HFS+ is recognised and not read)
    std::vector<TImageFinding> Findings;
    std::string VolumeName; // decoded; empty when the volume could not be opened
    std::uint32_t Files = 0;
    std::optional<std::uint32_t> Folders; // nullopt for a volume without folders (MFS)
    bool Opened = false;

    bool Sound() const { return Read && Findings.empty(); }
    // "Sound", "Damaged", "Not read" in the language asked for.
    std::string Verdict(bool japanese) const;
    // The layers and the volume: "DiskCopy 4.2 > HFS "Name", 3 files, 1 folder".
    std::string Title(bool japanese) const;
    // "Verdict: title", then one line a finding ("  [damage] text").
    std::vector<std::string> Lines(bool japanese) const;
};

std::vector<TImageVolumeCheck> CheckImageVolumes(const TImageFile& image, TMacEncoding encoding);

class TImageModel {
public:
    // One row of the tree: a volume (Entry null) or a folder or file of it under its folder.
    static constexpr std::size_t kColumns = 6; // name, type, creator, data, resource, modified
    struct TRow {
        std::size_t Volume = 0;
        const THfsEntry* Entry = nullptr;
        int Depth = 0;   // 0 the volume, 1 the root folder's items, …
        int Parent = -1; // the row it lies under; -1 for a volume
        std::array<std::string, kColumns> Cells;
    };

    // Opens file as TImageFile does (throws its errors) and reads and checks every volume.
    static TImageModel Open(const std::filesystem::path& file, TMacEncoding encoding = TMacEncoding::Auto);

    const std::filesystem::path& File() const { return file_; }
    // How the names of the volumes, folders and files are decoded; setting it decodes the rows'
    // names, the volumes' names, the paths of the details and of extraction anew.
    TMacEncoding NameEncoding() const { return encoding_; }
    void SetNameEncoding(TMacEncoding encoding);
    const TImageFile& Image() const { return *image_; }
    // Rows in tree order: each folder followed by what it holds.
    const std::vector<TRow>& Rows() const { return rows_; }
    const std::vector<TImageVolumeCheck>& Checks() const { return checks_; }
    bool Sound() const;
    // The check's lines of every volume.
    std::vector<std::string> CheckLines(bool japanese) const;

    // The file of row opened through the one model; nullopt for a volume or folder row. Without
    // withData its data fork is left out (for showing its resources without copying the data).
    std::optional<TMacFileSource> OpenFile(std::size_t row, bool withData = true) const;
    // The row's details: kind, path, type, creator, Finder flags, dates, fork lengths.
    std::vector<std::string> DetailLines(std::size_t row, bool japanese) const;

    // A file to write: its row and its local path under a folder (without the form's suffix).
    struct TExtractItem {
        std::size_t Row = 0;
        std::filesystem::path Local;
    };
    // The files of the rows chosen (a volume or folder: every file below it; each file once), with
    // their local paths under folder, each path from the chosen row's own name down.
    std::vector<TExtractItem> ExtractItems(const std::vector<std::size_t>& chosen,
                                           const std::filesystem::path& folder) const;

private:
    // Decodes the name column of every row, and each volume's name, in encoding_.
    void NameRows();

    std::filesystem::path file_;
    TMacEncoding encoding_ = TMacEncoding::Auto;
    std::unique_ptr<TImageFile> image_;                // held so that the volumes' stream stays put
    std::vector<std::unique_ptr<TMacVolume>> volumes_; // null where a volume could not be read
    std::vector<TImageVolumeCheck> checks_;
    std::vector<TRow> rows_;
};

} // namespace kelda
