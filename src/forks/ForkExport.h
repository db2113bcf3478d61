// SPDX-License-Identifier: MIT
// The forks of a Mac file (any container TMacFileSource::Open reads) written out: the raw resource fork, an
// AppleDouble or AppleSingle file, and the extraction of the Mac file into a folder. Each output appears only
// when complete (TAtomicOutput), the source can never be an output (the file an output would replace is
// compared with the source as it was opened: device and inode), a read-only output is replaced only when
// replaceReadOnly is set, and a fork the source holds only in part is either refused before anything
// is written or written as far as it goes, as the caller chooses.
#pragma once

#include "forks/AppleFormat.h"
#include "forks/BinHex.h"
#include "forks/TMacFile.h"
#include "macbinary/Conversion.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/MacText.h"
#include "util/Progress.h"

#include <filesystem>
#include <string>

namespace kelda {

enum class TCutPolicy {
    Refuse,          // a fork cut short: nothing is written
    WriteWhatExists, // a fork cut short: its bytes that exist are written
};

enum class TForkStatus {
    Written,           // complete and in place
    WrittenCut,        // in place, but a fork was cut short in the source
    WrittenCommentCut, // in place with both forks whole; the Finder comment, cut short, as far as it goes
    WrittenUnchecked,  // in place with every byte of the forks, but a fork's CRC was not in the source
    RefusedCut,        // a fork was cut short in the source; nothing was written
    SourceIsOutput,    // an output names the source file; nothing was written
    ThroughLink,       // an extracted file's name is a symbolic link; nothing was written
    OutputReadOnly,    // an output is a read-only file and replacing it was not allowed; nothing was written
};

// Whether the status says the output is in place.
constexpr bool ForkOutputWritten(TForkStatus status) {
    return status == TForkStatus::Written || status == TForkStatus::WrittenCut ||
           status == TForkStatus::WrittenCommentCut || status == TForkStatus::WrittenUnchecked;
}

// The fork status for a conversion status.
TForkStatus ForkStatusOf(TConvertStatus status);

// The resource fork alone. Each export takes the source by name (TMacFileSource::Open) or open.
TForkStatus ExportResourceFork(const std::filesystem::path& source, const std::filesystem::path& output,
                               TCutPolicy policy, const ProgressFn& progress = {},
                               bool replaceReadOnly = false);

TForkStatus ExportResourceFork(const TMacFileSource& source, const std::filesystem::path& output,
                               TCutPolicy policy, const ProgressFn& progress = {},
                               bool replaceReadOnly = false);

// The data fork alone (of any container; the design's datafork conversion is MacBinary's own).
TForkStatus ExportDataFork(const TMacFileSource& source, const std::filesystem::path& output,
                           TCutPolicy policy, const ProgressFn& progress = {}, bool replaceReadOnly = false);

// AppleDouble (the "._NAME" sidecar: everything but the data fork) or AppleSingle (both forks).
TForkStatus ExportAppleFile(TAppleKind kind, const std::filesystem::path& source,
                            const std::filesystem::path& output, TCutPolicy policy,
                            const ProgressFn& progress = {}, bool replaceReadOnly = false);
TForkStatus ExportAppleFile(TAppleKind kind, const TMacFileSource& source,
                            const std::filesystem::path& output, TCutPolicy policy,
                            const ProgressFn& progress = {}, bool replaceReadOnly = false);

// The BinHex header of a Mac file: its name (cut to 63 bytes, never inside a double-byte character),
// type, creator, Finder flags and the lengths of the forks as far as the source holds them.
TBinHexHeader BinHexHeaderOf(const TMacFile& file);

// The Mac file as BinHex 4.0 (WriteBinHex). The Finder comment and the dates have no place in
// BinHex and are left out. Throws EBilingualError for a file without a name (BinHex needs one) or a
// fork of 4 GiB or more.
TForkStatus ExportBinHex(const TMacFileSource& source, const std::filesystem::path& output, TCutPolicy policy,
                         const ProgressFn& progress = {}, bool replaceReadOnly = false);

// The Mac file as MacBinary of version 1, 2 or 3 (WriteMacBinary).
TForkStatus ExportMacBinary(const TMacFileSource& source, const std::filesystem::path& output, int version,
                            TCutPolicy policy, const ProgressFn& progress = {}, bool replaceReadOnly = false);

enum class TResourceForm {
    Sidecar,     // "._NAME", AppleDouble
    AppleSingle, // "NAME.as", AppleSingle with the resource fork and the Finder's entries
    Raw,         // "NAME.rsrc", the fork's bytes alone
};

struct TExtractResult {
    TForkStatus Status = TForkStatus::Written;
    std::filesystem::path DataFile;
    std::filesystem::path ResourceFile;
    std::filesystem::path Refused; // the file a SourceIsOutput, ThroughLink or OutputReadOnly is about
};

// The data fork as folder/name and the rest in the chosen form beside it; the data fork's
// modification time is set from the header. name empty: ExtractName of the header (in
// nameEncoding). A fork cut short
// is refused before the folder is made; neither file may be a symbolic link.
TExtractResult Extract(const std::filesystem::path& source, const std::filesystem::path& folder,
                       TResourceForm form, TCutPolicy policy, const ProgressFn& progress = {},
                       const std::string& name = {}, bool replaceReadOnly = false,
                       TMacEncoding nameEncoding = TMacEncoding::Auto);
// The same from a Mac file already open (its name as the source read it).
TExtractResult Extract(const TMacFileSource& source, const std::filesystem::path& folder, TResourceForm form,
                       TCutPolicy policy, const ProgressFn& progress = {}, const std::string& name = {},
                       bool replaceReadOnly = false);

// The local name of the Mac file: its name as the user sees it (the model's reading, with the
// user's choice of encoding), made safe (SafeLocalText).
std::string ExtractName(const TMacFile& file);
// "folder/._name" for "folder/name".
std::filesystem::path SidecarName(const std::filesystem::path& dataFile);
// The name of the resource fork's file for a data fork file in a form.
std::filesystem::path ResourceFileName(const std::filesystem::path& dataFile, TResourceForm form);

} // namespace kelda
