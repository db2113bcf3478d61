// SPDX-License-Identifier: MIT
#include "forks/ForkExport.h"

#include "forks/AppleWriter.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "forks/TMacBinarySource.h"
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

TAppleContents ContentsOf(const TMacBinarySource& source, TAppleKind kind) {
    TAppleContents contents;
    contents.Info = source.Info();
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

bool IsLink(const std::filesystem::path& file) {
    std::error_code ec;
    return std::filesystem::is_symlink(std::filesystem::symlink_status(file, ec));
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
        file, std::filesystem::file_time_type(duration_cast<std::filesystem::file_time_type::duration>(
                  unix + seconds(11644473600LL))),
        ec);
#else
    timespec times[2] = {};
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(LocalUnixTimeFromMacDate(macDate));
    ::utimensat(AT_FDCWD, file.c_str(), times, AT_SYMLINK_NOFOLLOW);
#endif
}

} // namespace

bool IsSameExistingFile(const std::filesystem::path& a, const std::filesystem::path& b) {
    const std::optional<TFileStat> x = StatFile(a);
    const std::optional<TFileStat> y = StatFile(b);
    return x && y && x->SameFile(*y);
}

std::string ExtractName(const THeader& header) {
    return SafeLocalName(FileInfoFromHeader(header).Name, HeaderTextEncoding(header));
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
                               TCutPolicy policy, const ProgressFn& progress) {
    if (IsSameExistingFile(source, output)) {
        return TForkStatus::SourceIsOutput;
    }
    const TMacBinarySource in(source);
    const bool complete = AllComplete({&in.Layout().Resource});
    if (!complete && policy == TCutPolicy::Refuse) {
        return TForkStatus::RefusedCut;
    }
    TAtomicOutput out(output);
    TForkCopier copier(out.Create(), in.Resource().Length, progress);
    copier.Copy(in.Resource());
    out.Commit();
    return complete ? TForkStatus::Written : TForkStatus::WrittenCut;
}

TForkStatus ExportAppleFile(TAppleKind kind, const std::filesystem::path& source,
                            const std::filesystem::path& output, TCutPolicy policy,
                            const ProgressFn& progress) {
    if (IsSameExistingFile(source, output)) {
        return TForkStatus::SourceIsOutput;
    }
    const TMacBinarySource in(source);
    const TForkLayout& layout = in.Layout();
    const bool complete = kind == TAppleKind::Single
                              ? AllComplete({&layout.Data, &layout.Resource, &layout.Comment})
                              : AllComplete({&layout.Resource, &layout.Comment});
    if (!complete && policy == TCutPolicy::Refuse) {
        return TForkStatus::RefusedCut;
    }
    TAtomicOutput out(output);
    WriteAppleFile(kind, ContentsOf(in, kind), out.Create(), progress);
    out.Commit();
    return complete ? TForkStatus::Written : TForkStatus::WrittenCut;
}

TExtractResult Extract(const std::filesystem::path& source, const std::filesystem::path& folder,
                       TResourceForm form, TCutPolicy policy, const ProgressFn& progress,
                       const std::string& name) {
    const TMacBinarySource in(source);
    TExtractResult result;
    const std::string local = name.empty() ? ExtractName(in.Header()) : name;
    result.DataFile = folder / local;
    result.ResourceFile = ResourceFileName(result.DataFile, form);
    for (const auto& file : {result.DataFile, result.ResourceFile}) {
        if (IsSameExistingFile(source, file)) {
            result.Status = TForkStatus::SourceIsOutput;
            return result;
        }
        if (IsLink(file)) {
            result.Status = TForkStatus::ThroughLink;
            return result;
        }
    }
    const TForkLayout& layout = in.Layout();
    const bool complete = AllComplete({&layout.Data, &layout.Resource, &layout.Comment});
    if (!complete && policy == TCutPolicy::Refuse) {
        result.Status = TForkStatus::RefusedCut;
        return result;
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (ec) {
        throw EFileError::createFailed(folder, ec.value());
    }

    const TAppleKind kind = form == TResourceForm::AppleSingle ? TAppleKind::Single : TAppleKind::Double;
    const TAppleContents contents = ContentsOf(in, TAppleKind::Double);
    const std::int64_t dataBytes = in.Data().Length;
    const std::int64_t resourceBytes =
        form == TResourceForm::Raw ? in.Resource().Length : AppleFileSize(AppleLayout(kind, contents));
    const std::int64_t total = dataBytes + resourceBytes;

    TAtomicOutput data(result.DataFile);
    TForkCopier(data.Create(), total, progress).Copy(in.Data());
    TAtomicOutput resource(result.ResourceFile);
    resource.Create();
    const ProgressFn rest = Shifted(progress, dataBytes, total);
    if (form == TResourceForm::Raw) {
        TForkCopier(resource.Stream(), resourceBytes, rest).Copy(in.Resource());
    } else {
        WriteAppleFile(kind, contents, resource.Stream(), rest);
    }
    data.Commit();
    resource.Commit();
    SetModificationTime(data.Target(), in.Info().Modified);
    result.Status = complete ? TForkStatus::Written : TForkStatus::WrittenCut;
    return result;
}

} // namespace kelda
