// SPDX-License-Identifier: MIT
// The one model of a Mac file, whatever carried it: the Finder's fields, the name decoded by the
// one name rule, and the data fork, the resource fork and the comment as spans of the files that
// hold them. One reader per container fills it (MacBinary, AppleSingle, AppleDouble with its data
// file, a data fork with its resource fork from a raw file or a container); every writer (the
// resource fork, AppleDouble, AppleSingle, MacBinary, the extract folder) takes it.
#pragma once

#include "forks/AppleFormat.h"
#include "forks/BinHex.h"
#include "forks/TAppleContainer.h"
#include "forks/TForkCopier.h"
#include "forks/TMacFileInfo.h"
#include "macbinary/CheckReport.h"
#include "macbinary/ForkLayout.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"
#include "util/TFileStream.h"
#include "util/TFolder.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

enum class TMacContainer {
    MacBinary,   // header, forks and comment in one file
    AppleSingle, // both forks and the Finder's entries in one file
    AppleDouble, // the "._NAME" sidecar; the data fork is the file NAME beside it
    BinHex,      // BinHex 4.0 text; its forks are decoded into a file of their own
    Forks,       // a data fork file, the resource fork from a raw file or a container's entry
    Volume,      // a file of a disk image's volume; its forks are copied into a file of their own
};

// "macbinary", "applesingle", "appledouble", "binhex", "forks", "volume": for JSON and messages.
std::string_view MacContainerId(TMacContainer container);

// The container a file's bytes say it is by their magic or marker: AppleSingle, AppleDouble or
// BinHex; nullopt for anything else (MacBinary has no magic: it is judged by its header), also for
// a file that cannot be read.
std::optional<TMacContainer> SniffContainer(const std::filesystem::path& file);

struct TMacFile {
    TMacContainer Container = TMacContainer::Forks;
    // MacBinary only: the header as stored, kept for display, and the version it claims
    // (MacBinaryVersionOf; None for the other containers).
    std::optional<THeader> Header;
    TMacBinaryVersion Version = TMacBinaryVersion::None;
    // The Finder's fields; Info.Name holds the name's Mac bytes.
    TMacFileInfo Info;
    // The name decoded by the one rule (ReadMacName): text, the encoding taken and why.
    TMacNameReading Name;
    // Whether the container gave the two dates (else Info's dates are 0).
    bool HasDates = false;
    // Each part as a span of the file that holds it: where it starts, its stated length, and how
    // much of it that file holds. A part the container lacks is the empty span.
    TForkSpan Data;
    TForkSpan Resource;
    TForkSpan Comment;
    // BinHex only: a fork whose bytes all came but whose CRC did not (the text ends before it), so
    // the bytes could not be verified. An output of that fork is written and warned about.
    bool DataUnchecked = false;
    bool ResourceUnchecked = false;
    // Whether span, one of the three above, is a fork that could not be verified.
    bool Unchecked(const TForkSpan* span) const {
        return (span == &Data && DataUnchecked) || (span == &Resource && ResourceUnchecked);
    }
};

// How the file's other texts (type, creator, resource names) are decoded: for MacBinary as the
// header's (HeaderTextEncoding); else as the name was read when it has other than ASCII to go by,
// else each text's bytes decide (Auto); forced, when not Auto, holds.
TMacEncoding MacFileTextEncoding(const TMacFile& file, TMacEncoding forced = TMacEncoding::Auto);

// The MacBinary reader: the model of a file of fileSize bytes with this header, its parts where
// they really are (ComputeForkLayout: the secondary header and each part's padding skipped).
TMacFile MacFileFromHeader(const THeader& header, std::int64_t fileSize,
                           TMacEncoding nameEncoding = TMacEncoding::Auto);

// A Mac file opened: the model and the open files its parts are streamed from. Every file stays
// open (and so stays the file it was) until the source goes.
class TMacFileSource {
public:
    // A Mac file in the container its bytes say (SniffContainer): AppleSingle, AppleDouble (a
    // "._NAME" takes the file NAME beside it as its data fork, when there is one) or BinHex, else
    // MacBinary, with the header taken as it stands (whether to accept it is the caller's judgement).
    // nameEncoding: the user's choice for the name (Auto: the one name rule). Throws EFileError when
    // a file cannot be read, EBilingualError on a damaged container.
    static TMacFileSource Open(const std::filesystem::path& file,
                               TMacEncoding nameEncoding = TMacEncoding::Auto);
    static TMacFileSource OpenMacBinary(const std::filesystem::path& file,
                                        TMacEncoding nameEncoding = TMacEncoding::Auto);
    static TMacFileSource OpenApple(const std::filesystem::path& file,
                                    TMacEncoding nameEncoding = TMacEncoding::Auto);
    // BinHex 4.0: the forks are decoded into an unnamed scratch file (TFileStream::Anonymous), each
    // CRC checked. Text that ends inside a fork gives that fork's span with what was decoded
    // (Present < Length), so the cut policies apply as to MacBinary; every other fault throws
    // BinHexDamaged.
    static TMacFileSource OpenBinHex(const std::filesystem::path& file, const ProgressFn& progress = {},
                                     TMacEncoding nameEncoding = TMacEncoding::Auto);
    // A data fork and its resource fork: data is a plain file, or an AppleSingle or BinHex file (its
    // data fork, and its fields for the Finder's); resource, when given, is a raw fork or an
    // AppleDouble/AppleSingle file (its resource entry; its entries too when data has none). Without
    // resource, "._DATA" is taken when useSidecar is set and it is an AppleDouble file.
    static TMacFileSource OpenForks(const std::filesystem::path& data,
                                    const std::optional<std::filesystem::path>& resource, bool useSidecar,
                                    TMacEncoding nameEncoding = TMacEncoding::Auto);

    const TMacFile& File() const { return file_; }
    // The model, for a caller that sets fields the user gave (name, type, dates) before writing.
    TMacFile& Edit() { return file_; }
    // The file that was opened (the data file for OpenForks).
    const std::filesystem::path& Path() const { return path_; }

    // The bytes of each part that its file holds, to stream.
    TForkSource Data() const { return {data_, file_.Data.Offset, file_.Data.Present}; }
    TForkSource Resource() const { return {resource_, file_.Resource.Offset, file_.Resource.Present}; }
    // The comment's bytes that the file holds.
    const std::string& Comment() const { return comment_; }
    void SetComment(std::string comment);

    // The decoding of a BinHex source (nullopt for the other containers).
    const std::optional<TBinHexReading>& BinHexReading() const { return binHex_; }

    // A file of a volume (a disk image's): its Finder fields and the byte spans of image that hold
    // each fork, copied in order into an unnamed scratch file (fragments made whole). image is an
    // input (never an output) and must outlive the copy only.
    static TMacFileSource FromVolume(const TMacFileInfo& info, const TMacNameReading& name,
                                     const std::vector<TForkSource>& data,
                                     const std::vector<TForkSource>& resource, const TFileStream& image);

    // Every file read, as it was opened: an output must be none of them.
    std::vector<TFileStat> Inputs() const;

    TMacFileSource(TMacFileSource&&) = default;
    TMacFileSource& operator=(TMacFileSource&&) = default;

private:
    TMacFileSource() = default;
    // Takes the Finder's fields, the comment and the name of a container's entries.
    void TakeEntries(const TAppleContainer& container, TMacEncoding nameEncoding);
    const TFileStream* Keep(TFileStream stream);
    const TAppleContainer& Keep(TAppleContainer container);

    std::filesystem::path path_;
    TMacFile file_;
    std::string comment_;
    // The open files (a few at most); held by pointer so their addresses survive a move.
    std::vector<std::unique_ptr<TFileStream>> streams_;
    std::vector<std::unique_ptr<TAppleContainer>> containers_;
    std::vector<std::unique_ptr<TFileStream>> scratch_; // decoded forks: not inputs
    std::optional<TBinHexReading> binHex_;
    std::optional<TFileStat> image_; // the disk image a volume's file was copied from
    const TFileStream* data_ = nullptr;
    const TFileStream* resource_ = nullptr;
};

// The name bytes of info decoded by the one rule: chosen, else its script when set, else as the
// bytes read most plausibly.
TMacNameReading ReadInfoName(const TMacFileInfo& info, TMacEncoding chosen = TMacEncoding::Auto);

} // namespace kelda
