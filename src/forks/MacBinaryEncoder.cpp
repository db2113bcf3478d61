// SPDX-License-Identifier: MIT
#include "forks/MacBinaryEncoder.h"

#include "forks/ForkErrors.h"
#include "forks/ForkExport.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "forks/TAppleContainer.h"
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
constexpr std::uint8_t kScriptJapanese = 1;

std::int64_t SizeOf(const std::filesystem::path& file) {
    const TFileStream in(file, FileMode::Read);
    return in.Size();
}

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

// The entries of an AppleDouble or AppleSingle file: the Finder's fields, the comment, and where
// its forks lie.
struct TContainerPart {
    TMacFileInfo Info;
    bool HasDates = false;
    std::string Comment;
    std::optional<TAppleEntry> Data;
    std::optional<TAppleEntry> Resource;
};

TContainerPart ReadContainer(const std::filesystem::path& file) {
    const TAppleContainer container(file);
    TContainerPart part;
    part.Info = container.Info();
    part.HasDates = container.Find(kEntryFileDates) != nullptr;
    part.Comment = container.Comment();
    if (const TAppleEntry* e = container.Find(kEntryDataFork)) {
        part.Data = *e;
    }
    if (const TAppleEntry* e = container.Find(kEntryResourceFork)) {
        part.Resource = *e;
    }
    return part;
}

// How the bytes of a name taken from an entry are meant: the script says so when it is set, else
// the one name decoder judges.
bool NameBytesAreJapanese(const TMacFileInfo& info) {
    if (info.Script != 0) {
        return (info.Script & 0x7F) == kScriptJapanese;
    }
    return ReadMacName(info.Name).Encoding == TMacEncoding::Japanese;
}

void CheckForkLength(std::int64_t length) {
    if (length > kMaxForkLength) {
        throw ForkError(TMsg::ForkTooLarge);
    }
}

TFourCC FourCC(const std::string& utf8) {
    const std::string code = EncodeFourCC(utf8);
    TFourCC out{};
    std::copy_n(code.begin(), 4, out.begin());
    return out;
}

} // namespace

TEncodePlan PlanEncode(const std::filesystem::path& data, const TEncodeOptions& options) {
    if (options.Version < 1 || options.Version > 3) {
        throw std::invalid_argument("MacBinary version must be 1, 2 or 3");
    }
    TEncodePlan plan;
    plan.DataFile = data;
    std::optional<TContainerPart> container;
    // The resource fork of resource: its container's resource entry, or the whole file when it is
    // no container.
    const auto takeResource = [&plan](const std::filesystem::path& resource,
                                      const std::optional<TContainerPart>& part) {
        plan.ResourceFile.clear();
        plan.ResourceOffset = 0;
        plan.ResourceLength = 0;
        if (!part) {
            plan.ResourceFile = resource;
            plan.ResourceLength = SizeOf(resource);
        } else if (part->Resource) {
            plan.ResourceFile = resource;
            plan.ResourceOffset = part->Resource->Offset;
            plan.ResourceLength = part->Resource->Length;
        }
    };
    if (SniffAppleFile(data) == TAppleKind::Single) {
        container = ReadContainer(data);
        plan.EntriesFile = data;
        if (container->Data) {
            plan.DataOffset = container->Data->Offset;
            plan.DataLength = container->Data->Length;
        }
        takeResource(data, container);
        if (options.Resource) {
            // --rsrc wins over the entry: the resource fork comes from it, the Finder's fields
            // still from DATA's entries.
            std::optional<TContainerPart> given;
            if (SniffAppleFile(*options.Resource)) {
                given = ReadContainer(*options.Resource);
            }
            takeResource(*options.Resource, given);
        }
    } else {
        plan.DataLength = SizeOf(data);
        std::optional<std::filesystem::path> resource = options.Resource;
        if (!resource && options.UseSidecar && SniffAppleFile(SidecarName(data)) == TAppleKind::Double) {
            resource = SidecarName(data);
        }
        if (resource && SniffAppleFile(*resource)) {
            container = ReadContainer(*resource);
            plan.EntriesFile = *resource;
            takeResource(*resource, container);
        } else if (resource) {
            takeResource(*resource, std::nullopt);
        }
    }
    CheckForkLength(plan.DataLength);
    CheckForkLength(plan.ResourceLength);

    bool haveDates = false;
    if (container) {
        plan.Info = container->Info;
        plan.Comment = container->Comment;
        haveDates = container->HasDates;
    }
    // The options, when given, win over the entries: they are what the user asked for now.
    bool nameFromText = true;
    if (options.Name) {
        plan.Info.Name = EncodeMacName(*options.Name, options.NameEncoding, false, &plan.NameEncoding);
    } else if (plan.Info.Name.empty() && options.DefaultName) {
        plan.Info.Name = EncodeMacName(*options.DefaultName, options.NameEncoding, false, &plan.NameEncoding);
    } else if (plan.Info.Name.empty()) {
        plan.Info.Name =
            EncodeMacName(data.filename().string(), options.NameEncoding, true, &plan.NameEncoding);
    } else {
        nameFromText = false;
        plan.NameEncoding = NameBytesAreJapanese(plan.Info) ? TMacEncoding::Japanese : TMacEncoding::Roman;
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
    }
    if (nameFromText && plan.Info.Script == 0 && plan.NameEncoding == TMacEncoding::Japanese) {
        plan.Info.Script = kScriptJapanese;
    }
    return plan;
}

THeader BuildMacBinaryHeader(const TEncodePlan& plan, int version) {
    THeader h{};
    const TMacFileInfo& info = plan.Info;
    const std::string name = CutMacName(info.Name, plan.NameEncoding == TMacEncoding::Japanese);
    h[kOffsetNameLength] = static_cast<std::uint8_t>(name.size());
    std::copy(name.begin(), name.end(), h.begin() + kOffsetName);
    std::copy(info.Type.begin(), info.Type.end(), h.begin() + kOffsetType);
    std::copy(info.Creator.begin(), info.Creator.end(), h.begin() + kOffsetCreator);
    h[kOffsetFlagsHigh] = static_cast<std::uint8_t>(info.FinderFlags >> 8);
    PutBig16(h.data() + kOffsetLocationV, info.LocationV);
    PutBig16(h.data() + kOffsetLocationH, info.LocationH);
    PutBig16(h.data() + kOffsetFolder, info.Folder);
    h[kOffsetProtected] = info.Protected ? 1 : 0;
    PutBig32(h.data() + kOffsetDataForkLength, static_cast<std::uint32_t>(plan.DataLength));
    PutBig32(h.data() + kOffsetResourceForkLength, static_cast<std::uint32_t>(plan.ResourceLength));
    PutBig32(h.data() + kOffsetCreated, info.Created);
    PutBig32(h.data() + kOffsetModified, info.Modified);
    if (version == 1) {
        return h;
    }
    PutBig16(h.data() + kOffsetCommentLength,
             static_cast<std::uint16_t>(std::min<std::size_t>(plan.Comment.size(), 0xFFFF)));
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

TConvertStatus EncodeMacBinary(const std::filesystem::path& data, const std::filesystem::path& output,
                               const TEncodeOptions& options, const ProgressFn& progress,
                               bool replaceReadOnly) {
    const TEncodePlan plan = PlanEncode(data, options);
    const THeader header = BuildMacBinaryHeader(plan, options.Version);
    const TFileStream dataIn(plan.DataFile, FileMode::Read);
    std::optional<TFileStream> resourceIn;
    if (!plan.ResourceFile.empty()) {
        resourceIn.emplace(plan.ResourceFile, FileMode::Read);
    }
    // The container of the entries is an input too, even when it gave no fork.
    std::optional<TFileStream> entriesIn;
    if (!plan.EntriesFile.empty()) {
        entriesIn.emplace(plan.EntriesFile, FileMode::Read);
    }
    TAtomicOutput out(output);
    const TFileStat dataStat = StatOpenFile(dataIn);
    const auto statOf = [&dataStat](const std::optional<TFileStream>& in) {
        return in ? StatOpenFile(*in) : dataStat;
    };
    if (const TConvertStatus guard =
            GuardOutput(out, {dataStat, statOf(resourceIn), statOf(entriesIn)}, replaceReadOnly);
        guard != TConvertStatus::Written) {
        return guard;
    }
    const std::string comment = options.Version == 1 ? std::string() : plan.Comment.substr(0, 0xFFFF);
    const std::int64_t total = static_cast<std::int64_t>(kHeaderSize) + PadToBlock(plan.DataLength) +
                               PadToBlock(plan.ResourceLength) +
                               PadToBlock(static_cast<std::int64_t>(comment.size()));
    TForkCopier copier(out.Create(), total, progress);
    copier.Write(header.data(), header.size());
    copier.Copy({&dataIn, plan.DataOffset, plan.DataLength});
    copier.PadTo128(plan.DataLength);
    if (resourceIn) {
        copier.Copy({&*resourceIn, plan.ResourceOffset, plan.ResourceLength});
        copier.PadTo128(plan.ResourceLength);
    }
    copier.Write(comment.data(), comment.size());
    copier.PadTo128(static_cast<std::int64_t>(comment.size()));
    out.Commit();
    return TConvertStatus::Written;
}

} // namespace kelda
