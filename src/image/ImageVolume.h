// SPDX-License-Identifier: MIT
// A volume of an image as its readers give it, of either kind read (HFS with its folders, MFS
// flat): its name, its files and folders as entries of one shape, their forks as byte spans of the
// file, and its check. The image command lists, checks and extracts through this alone.
#pragma once

#include "forks/TForkCopier.h"
#include "image/DiskImage.h"
#include "image/HfsVolume.h"
#include "image/ImageFault.h"
#include "util/MacText.h"
#include "util/TFileStream.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kelda {

class TMacVolume {
public:
    virtual ~TMacVolume() = default;
    virtual TImageKind Kind() const = 0;
    virtual const std::string& Name() const = 0; // Mac bytes
    // The name as text: the Mac bytes read by ReadMacName in encoding; HFS+ keeps it in Unicode.
    virtual std::string NameText(TMacEncoding encoding) const { return ReadMacName(Name(), encoding).Text; }
    virtual std::uint32_t FileCount() const = 0; // as the master directory block counts them
    // When the volume was last changed (seconds since 1904, local time); MFS keeps only the
    // creation date, which stands in.
    virtual std::uint32_t Modified() const = 0;
    // The folders it counts, not counting the root; nullopt for a volume without folders.
    virtual std::optional<std::uint32_t> FolderCount() const = 0;
    // Every folder and file but the root folder; a flat volume's paths are the names alone.
    virtual const std::vector<THfsEntry>& Entries() const = 0;
    // The fork as byte spans of the file, in order; throws an EImageError on damage.
    virtual std::vector<TForkSource> ForkSources(const THfsEntry& file, THfsForkKind fork) const = 0;
    // The findings that opening does not stop at.
    virtual std::vector<TImageFinding> Check() const = 0;
};

// The volume of a range FindVolumes gave, read by the reader of its kind (a range of no known
// kind is tried as HFS, which names the damaged signature). Throws an EImageError on damage.
std::unique_ptr<TMacVolume> OpenVolume(const TFileStream& file, const TVolumeRange& range);

} // namespace kelda
