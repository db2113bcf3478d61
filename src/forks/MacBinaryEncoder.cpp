// SPDX-License-Identifier: MIT
#include "forks/MacBinaryEncoder.h"

#include "forks/ForkErrors.h"
#include "forks/ForkExport.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "forks/TForkCopier.h"
#include "macbinary/ForkLayout.h"
#include "util/TAtomicOutput.h"

#include <algorithm>
#include <cerrno>
#include <optional>
#include <stdexcept>
#include <sys/stat.h>

namespace kelda {

namespace {

constexpr std::int64_t kMaxForkLength = 0x7FFFFFFF;
constexpr std::size_t kMaxCommentLength = 0xFFFF;
constexpr std::uint8_t kScriptJapanese = 1;

std::int64_t ModificationTime(const std::filesystem::path& file) {
#ifdef _WIN32
    struct _stat64 st {};
    if (::_wstat64(file.c_str(), &st) != 0) {
        throw EFileError::openFailed(file, errno);
    }
#else
    struct stat st {};
    if (::stat(file.c_str(), &st) != 0) {
        throw EFileError::openFailed(file, errno);
    }
#endif
    return static_cast<std::int64_t>(st.st_mtime);
}

TFourCC FourCC(const std::string& utf8) {
    const std::string code = EncodeFourCC(utf8);
    TFourCC out{};
    std::copy_n(code.begin(), 4, out.begin());
    return out;
}

} // namespace

TMacFileSource PlanEncode(const std::filesystem::path& data, const TEncodeOptions& options) {
    if (options.Version < 1 || options.Version > 3) {
        throw std::invalid_argument("MacBinary version must be 1, 2 or 3");
    }
    TMacFileSource source = TMacFileSource::OpenForks(data, options.Resource, options.UseSidecar);
    TMacFile& plan = source.Edit();
    const bool haveDates = plan.HasDates;
    // The options, when given, win over the entries: they are what the user asked for now.
    bool nameFromText = true;
    TMacEncoding encoding = TMacEncoding::Roman;
    if (options.Name) {
        plan.Info.Name = EncodeMacName(*options.Name, options.NameEncoding, false, &encoding);
    } else if (plan.Info.Name.empty() && options.DefaultName) {
        plan.Info.Name = EncodeMacName(*options.DefaultName, options.NameEncoding, false, &encoding);
    } else if (plan.Info.Name.empty()) {
        plan.Info.Name = EncodeMacName(data.filename().string(), options.NameEncoding, true, &encoding);
    } else {
        nameFromText = false;
    }
    if (nameFromText) {
        plan.Name = ReadMacName(plan.Info.Name, encoding);
    }
    if (options.Type) {
        plan.Info.Type = FourCC(*options.Type);
    }
    if (options.Creator) {
        plan.Info.Creator = FourCC(*options.Creator);
    }
    std::optional<std::uint32_t> date;
    // A date MacBinary cannot hold is refused wherever it comes from, never written as "no date".
    if (options.Date) {
        bool outOfRange = false;
        date = ParseMacDate(*options.Date, &outOfRange);
        if (!date) {
            throw ForkError(outOfRange ? TMsg::DateOutOfRange : TMsg::DateInvalid);
        }
    } else if (!haveDates) {
        date = options.SourceDateEpoch ? MacDateFromUtcUnixTime(*options.SourceDateEpoch)
                                       : MacDateFromLocalUnixTime(ModificationTime(data));
        if (!date) {
            throw ForkError(TMsg::DateOutOfRange);
        }
    }
    if (date) {
        plan.Info.Created = *date;
        plan.Info.Modified = *date;
        plan.HasDates = true;
    }
    if (nameFromText && plan.Info.Script == 0 && encoding == TMacEncoding::Japanese) {
        plan.Info.Script = kScriptJapanese;
    }
    return source;
}

THeader BuildMacBinaryHeader(const TMacFile& file, std::string_view comment, int version) {
    THeader h{};
    const TMacFileInfo& info = file.Info;
    const std::string name = CutMacName(info.Name, file.Name.Encoding == TMacEncoding::Japanese);
    h[kOffsetNameLength] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), h.begin() + kOffsetName);
    std::copy(info.Type.begin(), info.Type.end(), h.begin() + kOffsetType);
    std::copy(info.Creator.begin(), info.Creator.end(), h.begin() + kOffsetCreator);
    h[kOffsetFlagsHigh] = static_cast<std::uint8_t>(info.FinderFlags >> 8);
    PutBig16(h.data() + kOffsetLocationV, info.LocationV);
    PutBig16(h.data() + kOffsetLocationH, info.LocationH);
    PutBig16(h.data() + kOffsetFolder, info.Folder);
    h[kOffsetProtected] = info.Protected ? 1 : 0;
    PutBig32(h.data() + kOffsetDataForkLength, static_cast<std::uint32_t>(file.Data.Length));
    PutBig32(h.data() + kOffsetResourceForkLength, static_cast<std::uint32_t>(file.Resource.Length));
    PutBig32(h.data() + kOffsetCreated, info.Created);
    PutBig32(h.data() + kOffsetModified, info.Modified);
    if (version == 1) {
        return h;
    }
    PutBig16(h.data() + kOffsetCommentLength,
             static_cast<std::uint16_t>(std::min<std::size_t>(comment.size(), kMaxCommentLength)));
    h[kOffsetFlagsLow] = static_cast<std::uint8_t>(info.FinderFlags);
    if (version == 3) {
        std::copy_n("mBIN", kFourCharCodeWidth, h.begin() + kOffsetSignature);
        h[kOffsetScript] = info.Script;
        h[kOffsetExtFlags] = info.ExtFlags;
    }
    h[kOffsetVersion] = version == 3 ? kVersionIII : kVersionII;
    h[kOffsetMinVersion] = kVersionII;
    PutBig16(h.data() + kOffsetCrc, HeaderCrc(h));
    return h;
}

void WriteMacBinary(const TMacFileSource& source, int version, TFileStream& out, const ProgressFn& progress) {
    const TMacFile& file = source.File();
    // MacBinary keeps each fork's length in 32 bits, and readers take it as signed.
    for (const TForkSpan* fork : {&file.Data, &file.Resource}) {
        if (fork->Length > kMaxForkLength) {
            throw ForkError(TMsg::ForkTooLarge);
        }
    }
    const std::string_view comment =
        version == 1 ? std::string_view() : std::string_view(source.Comment()).substr(0, kMaxCommentLength);
    const THeader header = BuildMacBinaryHeader(file, comment, version);
    const std::int64_t total = static_cast<std::int64_t>(kHeaderSize) + PadToBlock(file.Data.Present) +
                               PadToBlock(file.Resource.Present) +
                               PadToBlock(static_cast<std::int64_t>(comment.size()));
    TForkCopier copier(out, total, progress);
    copier.Write(header.data(), header.size());
    copier.Copy(source.Data());
    copier.PadTo128(file.Data.Present);
    copier.Copy(source.Resource());
    copier.PadTo128(file.Resource.Present);
    copier.Write(comment.data(), comment.size());
    copier.PadTo128(static_cast<std::int64_t>(comment.size()));
}

TConvertStatus EncodeMacBinary(const std::filesystem::path& data, const std::filesystem::path& output,
                               const TEncodeOptions& options, const ProgressFn& progress,
                               bool replaceReadOnly) {
    const TMacFileSource source = PlanEncode(data, options);
    TAtomicOutput out(output);
    if (const TConvertStatus guard = GuardOutput(out, source.Inputs(), replaceReadOnly);
        guard != TConvertStatus::Written) {
        return guard;
    }
    WriteMacBinary(source, options.Version, out.Create(), progress);
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace kelda
