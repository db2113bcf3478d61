// SPDX-License-Identifier: MIT
#include "forks/ForkExport.h"

#include "forks/AppleWriter.h"
#include "forks/BinHex.h"
#include "forks/ForkErrors.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "forks/TMacFile.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderTable.h"
#include "util/TAtomicOutput.h"
#include "util/TFolder.h"

#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>

namespace kelda {

namespace {

// Whether every part an output needs is whole in the source.
bool AllComplete(std::initializer_list<const TForkSpan*> spans) {
    for (const TForkSpan* span : spans) {
        if (!span->Complete()) {
            return false;
        }
    }
    return true;
}

// The status of an output written from the parts needed of file, whole or not: a fork cut short
// comes first, then a fork whose CRC was missing; with withComment, a comment cut short is a
// warning, never a reason to refuse whole forks.
TForkStatus WrittenStatus(std::initializer_list<const TForkSpan*> needed, bool withComment,
                          const TMacFile& file) {
    if (!AllComplete(needed)) {
        return TForkStatus::WrittenCut;
    }
    for (const TForkSpan* span : needed) {
        if (file.Unchecked(span)) {
            return TForkStatus::WrittenUnchecked;
        }
    }
    return !withComment || file.Comment.Complete() ? TForkStatus::Written : TForkStatus::WrittenCommentCut;
}

TAppleContents ContentsOf(const TMacFileSource& source, TAppleKind kind) {
    TAppleContents contents;
    contents.Info = source.File().Info;
    contents.Comment = source.Comment();
    contents.Resource = source.Resource();
    if (kind == TAppleKind::Single) {
        contents.Data = source.Data();
    }
    return contents;
}

// The progress of one output of several, counted against the whole.
ProgressFn Shifted(const ProgressFn& progress, std::int64_t before, std::int64_t total) {
    if (!progress) {
        return {};
    }
    return [&progress, before, total](std::int64_t done, std::int64_t) {
        return progress(before + done, total);
    };
}

// The guards of one output made from the source as it was opened.
TForkStatus Guarded(const TAtomicOutput& out, const TMacFileSource& in, bool replaceReadOnly) {
    return ForkStatusOf(GuardOutput(out, in.Inputs(), replaceReadOnly));
}

// One output of in under the guards: refused before anything is written when it would replace an
// input or a read-only file (unless allowed), or when a part it needs is cut short and the policy
// refuses that; else written by write into the output's stream and put in place. withComment: the
// output carries the Finder comment, whose cut is a warning of its own.
template <typename TWrite>
TForkStatus GuardedExport(const TMacFileSource& in, const std::filesystem::path& output,
                          std::initializer_list<const TForkSpan*> needed, bool withComment, TCutPolicy policy,
                          bool replaceReadOnly, TWrite write) {
    TAtomicOutput out(output);
    if (const TForkStatus refused = Guarded(out, in, replaceReadOnly); refused != TForkStatus::Written) {
        return refused;
    }
    const bool complete = AllComplete(needed);
    if (!complete && policy == TCutPolicy::Refuse) {
        return TForkStatus::RefusedCut;
    }
    write(out.Create());
    out.Commit();
    return WrittenStatus(needed, withComment, in.File());
}

// One fork of in, its bytes alone.
TForkStatus ExportOneFork(const TMacFileSource& in, const TForkSpan& span, const TForkSource& bytes,
                          const std::filesystem::path& output, TCutPolicy policy, const ProgressFn& progress,
                          bool replaceReadOnly) {
    return GuardedExport(in, output, {&span}, false, policy, replaceReadOnly,
                         [&](TFileStream& out) { TForkCopier(out, bytes.Length, progress).Copy(bytes); });
}

void SetModificationTime(const std::filesystem::path& file, std::uint32_t macDate) {
    if (macDate == 0) {
        return;
    }
    // A time not set loses no data, so a failure here is not reported.
#ifdef _WIN32
    // The file was just written, and it is no link (refused before): the file clock's epoch is
    // 1601 there, 11644473600 seconds before the Unix one.
    using namespace std::chrono;
    const auto unix = seconds(LocalUnixTimeFromMacDate(macDate));
    std::error_code ec;
    std::filesystem::last_write_time(
        file,
        std::filesystem::file_time_type(
            duration_cast<std::filesystem::file_time_type::duration>(unix + seconds(11644473600LL))),
        ec);
#else
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(LocalUnixTimeFromMacDate(macDate));
    ::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW);
#endif
}

} // namespace

TForkStatus ForkStatusOf(TConvertStatus status) {
    switch (status) {
    case TConvertStatus::Written:
        break;
    case TConvertStatus::SourceIsOutput:
        return TForkStatus::SourceIsOutput;
    case TConvertStatus::OutputReadOnly:
        return TForkStatus::OutputReadOnly;
    }
    return TForkStatus::Written;
}

std::string ExtractName(const TMacFile& file) {
    return SafeLocalText(file.Name.Text);
}

std::filesystem::path SidecarName(const std::filesystem::path& dataFile) {
    return dataFile.parent_path() / ("._" + dataFile.filename().string());
}

std::filesystem::path ResourceFileName(const std::filesystem::path& dataFile, TResourceForm form) {
    switch (form) {
    case TResourceForm::Sidecar:
        return SidecarName(dataFile);
    case TResourceForm::AppleSingle:
        return dataFile.parent_path() / (dataFile.filename().string() + ".as");
    case TResourceForm::Raw:
        break;
    }
    return dataFile.parent_path() / (dataFile.filename().string() + ".rsrc");
}

TForkStatus ExportResourceFork(const std::filesystem::path& source, const std::filesystem::path& output,
                               TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
    return ExportResourceFork(TMacFileSource::Open(source), output, policy, progress, replaceReadOnly);
}

TForkStatus ExportResourceFork(const TMacFileSource& in, const std::filesystem::path& output,
                               TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
    return ExportOneFork(in, in.File().Resource, in.Resource(), output, policy, progress, replaceReadOnly);
}

TForkStatus ExportDataFork(const TMacFileSource& in, const std::filesystem::path& output, TCutPolicy policy,
                           const ProgressFn& progress, bool replaceReadOnly) {
    return ExportOneFork(in, in.File().Data, in.Data(), output, policy, progress, replaceReadOnly);
}

TForkStatus ExportAppleFile(TAppleKind kind, const std::filesystem::path& source,
                            const std::filesystem::path& output, TCutPolicy policy,
                            const ProgressFn& progress, bool replaceReadOnly) {
    return ExportAppleFile(kind, TMacFileSource::Open(source), output, policy, progress, replaceReadOnly);
}

TForkStatus ExportAppleFile(TAppleKind kind, const TMacFileSource& in, const std::filesystem::path& output,
                            TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
    const TMacFile& file = in.File();
    const auto write = [&](TFileStream& out) { WriteAppleFile(kind, ContentsOf(in, kind), out, progress); };
    if (kind == TAppleKind::Single) {
        return GuardedExport(in, output, {&file.Data, &file.Resource}, true, policy, replaceReadOnly, write);
    }
    return GuardedExport(in, output, {&file.Resource}, true, policy, replaceReadOnly, write);
}

TBinHexHeader BinHexHeaderOf(const TMacFile& file) {
    TBinHexHeader header;
    header.Name = CutMacName(file.Info.Name, file.Name.Encoding == TMacEncoding::Japanese);
    header.Type = file.Info.Type;
    header.Creator = file.Info.Creator;
    header.Flags = file.Info.FinderFlags;
    header.DataLength = static_cast<std::uint32_t>(file.Data.Present);
    header.ResourceLength = static_cast<std::uint32_t>(file.Resource.Present);
    return header;
}

TForkStatus ExportBinHex(const TMacFileSource& in, const std::filesystem::path& output, TCutPolicy policy,
                         const ProgressFn& progress, bool replaceReadOnly) {
    const TMacFile& file = in.File();
    if (file.Info.Name.empty()) {
        throw ForkError(TMsg::BinHexNeedsName);
    }
    for (const TForkSpan* fork : {&file.Data, &file.Resource}) {
        if (fork->Length > 0xFFFFFFFF) {
            throw ForkError(TMsg::ForkTooLarge);
        }
    }
    return GuardedExport(in, output, {&file.Data, &file.Resource}, false, policy, replaceReadOnly,
                         [&](TFileStream& out) {
                             WriteBinHex(BinHexHeaderOf(file), in.Data(), in.Resource(), out, progress);
                         });
}

TForkStatus ExportMacBinary(const TMacFileSource& in, const std::filesystem::path& output, int version,
                            TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
    const TMacFile& file = in.File();
    return GuardedExport(in, output, {&file.Data, &file.Resource}, true, policy, replaceReadOnly,
                         [&](TFileStream& out) { WriteMacBinary(in, version, out, progress); });
}

TExtractResult Extract(const std::filesystem::path& source, const std::filesystem::path& folder,
                       TResourceForm form, TCutPolicy policy, const ProgressFn& progress,
                       const std::string& name, bool replaceReadOnly, TMacEncoding nameEncoding) {
    return Extract(TMacFileSource::Open(source, nameEncoding), folder, form, policy, progress, name,
                   replaceReadOnly);
}

TExtractResult Extract(const TMacFileSource& in, const std::filesystem::path& folder, TResourceForm form,
                       TCutPolicy policy, const ProgressFn& progress, const std::string& name,
                       bool replaceReadOnly) {
    TExtractResult result;
    const TMacFile& layout = in.File();
    const std::string local = name.empty() ? ExtractName(layout) : name;
    result.DataFile = folder / local;
    result.ResourceFile = ResourceFileName(result.DataFile, form);
    const bool complete = AllComplete({&layout.Data, &layout.Resource});
    if (!complete && policy == TCutPolicy::Refuse) {
        result.Status = TForkStatus::RefusedCut;
        return result;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw EFileError::createFailed(folder, ec.value());
    }
    // A link under either name is refused before the outputs look for the files they replace (one
    // that dangles would lead them elsewhere), and once more after, should one have appeared meanwhile.
    const TFolder opened(folder, true);
    const auto isLink = [&opened](const std::filesystem::path& file) {
        const std::optional<TFileStat> st = opened.Stat(file.filename().string(), false);
        return st && st->Link;
    };
    for (const std::filesystem::path* file : {&result.DataFile, &result.ResourceFile}) {
        if (isLink(*file)) {
            result.Status = TForkStatus::ThroughLink;
            result.Refused = *file;
            return result;
        }
    }
    TAtomicOutput data(result.DataFile);
    TAtomicOutput resource(result.ResourceFile);
    const std::pair<const TAtomicOutput*, const std::filesystem::path*> outputs[] = {
        {&data, &result.DataFile}, {&resource, &result.ResourceFile}};
    for (const auto& [out, file] : outputs) {
        TForkStatus guard = Guarded(*out, in, replaceReadOnly);
        if (guard != TForkStatus::SourceIsOutput && isLink(*file)) {
            guard = TForkStatus::ThroughLink;
        }
        if (guard != TForkStatus::Written) {
            result.Status = guard;
            result.Refused = *file;
            return result;
        }
    }

    const TAppleKind kind = form == TResourceForm::AppleSingle ? TAppleKind::Single : TAppleKind::Double;
    const TAppleContents contents = ContentsOf(in, TAppleKind::Double);
    const std::int64_t dataBytes = in.Data().Length;
    const std::int64_t resourceBytes =
        form == TResourceForm::Raw ? in.Resource().Length : AppleFileSize(AppleLayout(kind, contents));
    const std::int64_t total = dataBytes + resourceBytes;

    TForkCopier(data.Create(), total, progress).Copy(in.Data());
    resource.Create();
    const ProgressFn rest = Shifted(progress, dataBytes, total);
    if (form == TResourceForm::Raw) {
        TForkCopier(resource.Stream(), resourceBytes, rest).Copy(in.Resource());
    } else {
        WriteAppleFile(kind, contents, resource.Stream(), rest);
    }
    data.Commit();
    resource.Commit();
    SetModificationTime(data.Target(), layout.Info.Modified);
    result.Status = WrittenStatus({&layout.Data, &layout.Resource}, true, layout);
    return result;
}

} // namespace kelda
