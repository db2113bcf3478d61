// SPDX-License-Identifier: MIT
#include "forks/TMacFile.h"

#include "forks/ForkErrors.h"
#include "macbinary/HeaderTable.h"

namespace kelda {

namespace {

constexpr std::uint8_t kScriptJapanese = 1;

// An entry of a checked container: always whole inside its file.
TForkSpan EntrySpan(const TAppleEntry* entry) {
    if (entry == nullptr) {
        return {};
    }
    return {entry->Offset, entry->Length, entry->Length};
}

// The data file of an AppleDouble sidecar "folder/._NAME": "folder/NAME", when that is a file.
std::optional<std::filesystem::path> SidecarDataFile(const std::filesystem::path& sidecar) {
    const std::string name = sidecar.filename().string();
    if (name.size() <= 2 || name.compare(0, 2, "._") != 0) {
        return std::nullopt;
    }
    std::filesystem::path data = sidecar.parent_path() / name.substr(2);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(data, ec)) {
        return std::nullopt;
    }
    return data;
}

} // namespace

std::string_view MacContainerId(TMacContainer container) {
    switch (container) {
    case TMacContainer::MacBinary:
        return "macbinary";
    case TMacContainer::AppleSingle:
        return "applesingle";
    case TMacContainer::AppleDouble:
        return "appledouble";
    case TMacContainer::BinHex:
        return "binhex";
    case TMacContainer::Volume:
        return "volume";
    case TMacContainer::Forks:
        break;
    }
    return "forks";
}

TMacNameReading ReadInfoName(const TMacFileInfo& info, TMacEncoding chosen) {
    if (chosen != TMacEncoding::Auto || info.Script == 0) {
        return ReadMacName(info.Name, chosen);
    }
    // A script set in the Finder's entry says how the bytes are meant, either way.
    const bool japanese = (info.Script & 0x7F) == kScriptJapanese;
    TMacNameReading reading = ReadMacName(info.Name, japanese ? TMacEncoding::Japanese : TMacEncoding::Roman);
    if (reading.Reason != TMacNameReason::Ascii) {
        reading.Reason = TMacNameReason::Script;
    }
    return reading;
}

TMacEncoding MacFileTextEncoding(const TMacFile& file, TMacEncoding forced) {
    if (file.Header) {
        return HeaderTextEncoding(*file.Header, forced);
    }
    if (forced != TMacEncoding::Auto) {
        return forced;
    }
    return file.Name.Reason == TMacNameReason::Ascii ? TMacEncoding::Auto : file.Name.Encoding;
}

TMacFile MacFileFromHeader(const THeader& header, std::int64_t fileSize, TMacEncoding nameEncoding) {
    const TForkLayout layout = ComputeForkLayout(header, fileSize);
    TMacFile model;
    model.Container = TMacContainer::MacBinary;
    model.Header = header;
    model.Version = MacBinaryVersionOf(header);
    model.Info = FileInfoFromHeader(header);
    model.Name = ReadHeaderName(header, nameEncoding);
    model.HasDates = true;
    model.Data = layout.Data;
    model.Resource = layout.Resource;
    model.Comment = layout.Comment;
    return model;
}

const TFileStream* TMacFileSource::Keep(TFileStream stream) {
    streams_.push_back(std::make_unique<TFileStream>(std::move(stream)));
    return streams_.back().get();
}

const TAppleContainer& TMacFileSource::Keep(TAppleContainer container) {
    containers_.push_back(std::make_unique<TAppleContainer>(std::move(container)));
    return *containers_.back();
}

void TMacFileSource::SetComment(std::string comment) {
    comment_ = std::move(comment);
    const auto length = static_cast<std::int64_t>(comment_.size());
    file_.Comment = {0, length, length};
}

void TMacFileSource::TakeEntries(const TAppleContainer& container, TMacEncoding nameEncoding) {
    file_.Info = container.Info();
    file_.Name = ReadInfoName(file_.Info, nameEncoding);
    file_.HasDates = container.Find(kEntryFileDates) != nullptr;
    SetComment(container.Comment());
}

std::vector<TFileStat> TMacFileSource::Inputs() const {
    std::vector<TFileStat> inputs;
    for (const auto& stream : streams_) {
        inputs.push_back(StatOpenFile(*stream));
    }
    for (const auto& container : containers_) {
        inputs.push_back(StatOpenFile(container->Stream()));
    }
    if (image_) {
        inputs.push_back(*image_);
    }
    return inputs;
}

TMacFileSource TMacFileSource::OpenMacBinary(const std::filesystem::path& file, TMacEncoding nameEncoding) {
    TMacFileSource source;
    source.path_ = file;
    const TFileStream* in = source.Keep(TFileStream(file, FileMode::Read));
    THeader header{};
    if (in->ReadAt(header.data(), header.size(), 0) != header.size()) {
        throw EFileError::readPastEnd();
    }
    source.file_ = MacFileFromHeader(header, in->Size(), nameEncoding);
    source.data_ = in;
    source.resource_ = in;
    const TForkSpan& comment = source.file_.Comment;
    source.comment_.assign(static_cast<std::size_t>(comment.Present), '\0');
    if (in->ReadAt(source.comment_.data(), source.comment_.size(), comment.Offset) !=
        source.comment_.size()) {
        throw EFileError::readPastEnd();
    }
    return source;
}

TMacFileSource TMacFileSource::OpenApple(const std::filesystem::path& file, TMacEncoding nameEncoding) {
    TMacFileSource source;
    source.path_ = file;
    const TAppleContainer& container = source.Keep(TAppleContainer(file));
    source.TakeEntries(container, nameEncoding);
    TMacFile& model = source.file_;
    model.Resource = EntrySpan(container.Find(kEntryResourceFork));
    source.resource_ = &container.Stream();
    if (container.Kind() == TAppleKind::Single) {
        model.Container = TMacContainer::AppleSingle;
        model.Data = EntrySpan(container.Find(kEntryDataFork));
        source.data_ = &container.Stream();
    } else {
        model.Container = TMacContainer::AppleDouble;
        if (const std::optional<std::filesystem::path> data = SidecarDataFile(file)) {
            source.data_ = source.Keep(TFileStream(*data, FileMode::Read));
            const std::int64_t size = source.data_->Size();
            model.Data = {0, size, size};
        }
    }
    return source;
}

std::optional<TMacContainer> SniffContainer(const std::filesystem::path& file) {
    if (const std::optional<TAppleKind> kind = SniffAppleFile(file)) {
        return *kind == TAppleKind::Single ? TMacContainer::AppleSingle : TMacContainer::AppleDouble;
    }
    try {
        const TFileStream in(file, FileMode::Read);
        if (SniffBinHex(in)) {
            return TMacContainer::BinHex;
        }
    } catch (const EFileError&) {
    }
    return std::nullopt;
}

TMacFileSource TMacFileSource::OpenBinHex(const std::filesystem::path& file, const ProgressFn& progress,
                                          TMacEncoding nameEncoding) {
    TMacFileSource source;
    source.path_ = file;
    const TFileStream* in = source.Keep(TFileStream(file, FileMode::Read));
    source.scratch_.push_back(std::make_unique<TFileStream>(TFileStream::Anonymous()));
    TFileStream& forks = *source.scratch_.back();
    const TBinHexReading reading = DecodeBinHex(*in, &forks, progress);
    const bool cutInFork =
        reading.Fault == TBinHexFault::EndsInData || reading.Fault == TBinHexFault::EndsInResource;
    if (!reading.Sound() && !cutInFork) {
        throw BinHexDamaged(reading.Fault);
    }
    const TBinHexHeader& header = *reading.Header;
    TMacFile& model = source.file_;
    model.Container = TMacContainer::BinHex;
    model.Info.Name = header.Name;
    model.Info.Type = header.Type;
    model.Info.Creator = header.Creator;
    model.Info.FinderFlags = header.Flags;
    model.Name = ReadMacName(header.Name, nameEncoding);
    model.Data = {0, header.DataLength, reading.DataPresent};
    model.Resource = {reading.DataPresent, header.ResourceLength, reading.ResourcePresent};
    // The text ended after every byte of a fork but before its CRC (a fork of 0 bytes after a data
    // fork cut there has no CRC either).
    model.DataUnchecked = reading.Fault == TBinHexFault::EndsInData && model.Data.Complete();
    model.ResourceUnchecked = cutInFork && model.Resource.Complete();
    source.data_ = &forks;
    source.resource_ = &forks;
    source.binHex_ = reading;
    return source;
}

TMacFileSource TMacFileSource::FromVolume(const TMacFileInfo& info, const TMacNameReading& name,
                                          const std::vector<TForkSource>& data,
                                          const std::vector<TForkSource>& resource,
                                          const TFileStream& image) {
    TMacFileSource source;
    source.path_ = image.FileName();
    source.image_ = StatOpenFile(image);
    source.scratch_.push_back(std::make_unique<TFileStream>(TFileStream::Anonymous()));
    TFileStream& forks = *source.scratch_.back();
    const auto total = [](const std::vector<TForkSource>& spans) {
        std::int64_t sum = 0;
        for (const TForkSource& span : spans) {
            sum += span.Length;
        }
        return sum;
    };
    const std::int64_t dataLength = total(data);
    const std::int64_t resourceLength = total(resource);
    TForkCopier copier(forks, dataLength + resourceLength, {});
    for (const std::vector<TForkSource>* spans : {&data, &resource}) {
        for (const TForkSource& span : *spans) {
            copier.Copy(span);
        }
    }
    TMacFile& model = source.file_;
    model.Container = TMacContainer::Volume;
    model.Info = info;
    model.Name = name;
    model.HasDates = true;
    model.Data = {0, dataLength, dataLength};
    model.Resource = {dataLength, resourceLength, resourceLength};
    source.data_ = &forks;
    source.resource_ = &forks;
    return source;
}

TMacFileSource TMacFileSource::Open(const std::filesystem::path& file, TMacEncoding nameEncoding) {
    switch (SniffContainer(file).value_or(TMacContainer::MacBinary)) {
    case TMacContainer::AppleSingle:
    case TMacContainer::AppleDouble:
        return OpenApple(file, nameEncoding);
    case TMacContainer::BinHex:
        return OpenBinHex(file, {}, nameEncoding);
    case TMacContainer::MacBinary:
    case TMacContainer::Forks:
    case TMacContainer::Volume:
        break;
    }
    return OpenMacBinary(file, nameEncoding);
}

TMacFileSource TMacFileSource::OpenForks(const std::filesystem::path& data,
                                         const std::optional<std::filesystem::path>& resource,
                                         bool useSidecar, TMacEncoding nameEncoding) {
    TMacFileSource source;
    const std::optional<TMacContainer> kind = SniffContainer(data);
    const bool dataIsContainer = kind == TMacContainer::AppleSingle || kind == TMacContainer::BinHex;
    if (kind == TMacContainer::AppleSingle) {
        source = OpenApple(data, nameEncoding);
    } else if (kind == TMacContainer::BinHex) {
        // BinHex holds both forks and the Finder's fields: a source of forks as AppleSingle is.
        source = OpenBinHex(data, {}, nameEncoding);
    } else {
        source.path_ = data;
        source.data_ = source.Keep(TFileStream(data, FileMode::Read));
        const std::int64_t size = source.data_->Size();
        source.file_.Data = {0, size, size};
    }
    source.file_.Container = TMacContainer::Forks;
    std::optional<std::filesystem::path> rsrc = resource;
    if (!rsrc && useSidecar && !dataIsContainer) {
        const std::filesystem::path sidecar = data.parent_path() / ("._" + data.filename().string());
        if (SniffAppleFile(sidecar) == TAppleKind::Double) {
            rsrc = sidecar;
        }
    }
    if (!rsrc) {
        return source;
    }
    // The resource fork of rsrc: its container's resource entry, or the whole file when it is no
    // container. The Finder's fields come from data's entries when it has them, else from rsrc's.
    if (SniffAppleFile(*rsrc)) {
        const bool dataHadEntries = dataIsContainer;
        const TAppleContainer& container = source.Keep(TAppleContainer(*rsrc));
        if (!dataHadEntries) {
            source.TakeEntries(container, nameEncoding);
        }
        source.file_.Resource = EntrySpan(container.Find(kEntryResourceFork));
        source.resource_ = &container.Stream();
    } else {
        source.resource_ = source.Keep(TFileStream(*rsrc, FileMode::Read));
        const std::int64_t size = source.resource_->Size();
        source.file_.Resource = {0, size, size};
    }
    return source;
}

} // namespace kelda
