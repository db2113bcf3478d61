// SPDX-License-Identifier: MIT
#include "image/ImageVolume.h"

#include "image/MfsVolume.h"

namespace kelda {

namespace {

class THfsAsVolume final : public TMacVolume {
public:
    explicit THfsAsVolume(THfsVolume volume) : v_(std::move(volume)) {}
    TImageKind Kind() const override { return v_.Mdb().Plus ? TImageKind::HfsPlus : TImageKind::Hfs; }
    const std::string& Name() const override { return v_.Mdb().VolumeName; }
    std::string NameText(TMacEncoding encoding) const override {
        return v_.Mdb().Plus ? v_.Mdb().VolumeText : TMacVolume::NameText(encoding);
    }
    std::uint32_t FileCount() const override { return v_.Mdb().FileCount; }
    std::uint32_t Modified() const override { return v_.Mdb().Modified; }
    std::optional<std::uint32_t> FolderCount() const override { return v_.Mdb().FolderCount; }
    const std::vector<THfsEntry>& Entries() const override { return v_.Entries(); }
    std::vector<TForkSource> ForkSources(const THfsEntry& file, THfsForkKind fork) const override {
        return v_.ForkSources(file, fork);
    }
    std::vector<TImageFinding> Check() const override { return v_.Check(); }

private:
    THfsVolume v_;
};

class TMfsAsVolume final : public TMacVolume {
public:
    explicit TMfsAsVolume(TMfsVolume volume) : v_(std::move(volume)) {}
    TImageKind Kind() const override { return TImageKind::Mfs; }
    const std::string& Name() const override { return v_.Mdb().VolumeName; }
    std::uint32_t FileCount() const override { return v_.Mdb().FileCount; }
    std::uint32_t Modified() const override { return v_.Mdb().Created; }
    std::optional<std::uint32_t> FolderCount() const override { return std::nullopt; }
    const std::vector<THfsEntry>& Entries() const override { return v_.Entries(); }
    std::vector<TForkSource> ForkSources(const THfsEntry& file, THfsForkKind fork) const override {
        return v_.ForkSources(file, fork);
    }
    std::vector<TImageFinding> Check() const override { return v_.Check(); }

private:
    TMfsVolume v_;
};

} // namespace

std::unique_ptr<TMacVolume> OpenVolume(const TFileStream& file, const TVolumeRange& range) {
    if (range.Kind == TImageKind::Mfs) {
        return std::make_unique<TMfsAsVolume>(TMfsVolume::Open(file, range.Offset, range.Length));
    }
    return std::make_unique<THfsAsVolume>(THfsVolume::Open(file, range.Offset, range.Length));
}

} // namespace kelda
