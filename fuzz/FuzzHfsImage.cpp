// SPDX-License-Identifier: MIT
// Any file as a disk image: the container layers and every HFS, HFS+ and MFS volume in them (an HFS
// wrapper opening its embedded HFS+ volume) either refused
// with a bilingual error naming the damage, or read so that every volume lies inside the file, every
// entry's path ends in its name, and every fork's spans lie inside its volume and add up to its
// length. The check runs on the same bytes and ends; no descriptor is left open.
#include "FuzzSupport.h"

#include "image/DiskImage.h"
#include "image/HfsVolume.h"
#include "image/ImageVolume.h"

#include <cstdint>
#include <fstream>
#include <memory>

using namespace kelda;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = fuzz::ScratchFolder() / "hfs";
    static const bool made = std::filesystem::create_directories(folder);
    (void)made;
    const std::filesystem::path file = folder / "in.img";
    {
        std::ofstream f(file, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const int descriptors = fuzz::OpenDescriptorCount();
    {
        const TFileStream stream(file, FileMode::Read);
        const auto length = static_cast<std::int64_t>(size);
        try {
            for (const TVolumeRange& range : FindVolumes(stream, 0, length)) {
                KELDA_FUZZ_CHECK(range.Offset >= 0 && range.Length >= 0 &&
                                 range.Offset + range.Length <= length);
                if (range.Kind == TImageKind::Unknown) {
                    continue;
                }
                try {
                    const std::unique_ptr<TMacVolume> volume = OpenVolume(stream, range);
                    std::unique_ptr<THfsVolume> hfs;
                    if (range.Kind != TImageKind::Mfs) {
                        hfs = std::make_unique<THfsVolume>(
                            THfsVolume::Open(stream, range.Offset, range.Length));
                    }
                    for (std::size_t i = 0; i < volume->Entries().size(); ++i) {
                        const THfsEntry& e = volume->Entries()[i];
                        // HFS+ paths are UTF-8; the Mac bytes of the name fit a header's field.
                        KELDA_FUZZ_CHECK(!e.Path.empty());
                        KELDA_FUZZ_CHECK(e.UnicodeNames ? fuzz::IsWellFormedUtf8(e.Path.back()) &&
                                                              e.Info.Name.size() <= 63
                                                        : e.Path.back() == e.Info.Name);
                        KELDA_FUZZ_CHECK(!hfs || hfs->Find(e.Id) == &hfs->Entries()[i]);
                        (void)EntryPathText(e);
                        for (const THfsForkKind fork : {THfsForkKind::Data, THfsForkKind::Resource}) {
                            try {
                                std::int64_t total = 0;
                                for (const TForkSource& s : volume->ForkSources(e, fork)) {
                                    KELDA_FUZZ_CHECK(s.Stream == &stream && s.Length > 0);
                                    KELDA_FUZZ_CHECK(s.Offset >= range.Offset &&
                                                     s.Offset + s.Length <= range.Offset + range.Length);
                                    total += s.Length;
                                }
                                const THfsFork& f = fork == THfsForkKind::Data ? e.Data : e.Resource;
                                KELDA_FUZZ_CHECK(e.Kind == THfsKind::Folder ||
                                                 static_cast<std::uint64_t>(total) == f.LogicalLength);
                            } catch (const EImageError& error) {
                                KELDA_FUZZ_CHECK(error.Finding().Fatal());
                            }
                        }
                    }
                    for (const TImageFinding& finding : volume->Check()) {
                        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(finding.Text(true)));
                    }
                } catch (const EImageError& error) {
                    KELDA_FUZZ_CHECK(error.Finding().Fatal());
                    KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(error.what()) && !error.english().empty());
                }
            }
        } catch (const EImageError& error) {
            KELDA_FUZZ_CHECK(error.Finding().Fatal());
        }
        (void)CheckHfsImage(stream, 0, length);
    }
    KELDA_FUZZ_CHECK(fuzz::OpenDescriptorCount() == descriptors);
    return 0;
}
