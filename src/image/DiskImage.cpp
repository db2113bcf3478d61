// SPDX-License-Identifier: MIT
#include "image/DiskImage.h"

#include "image/ImageBytes.h"
#include "util/BigEndian.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace kelda {

namespace {

constexpr std::int64_t kBlock = 512;
constexpr std::int64_t kVolumeHeaderAt = 1024;
constexpr std::uint16_t kSigHfs = 0x4244;       // "BD"
constexpr std::uint16_t kSigHfsPlus = 0x482B;   // "H+"
constexpr std::uint16_t kSigHfsX = 0x4858;      // "HX"
constexpr std::uint16_t kSigMfs = 0xD2D7;       //
constexpr std::uint16_t kSigDriver = 0x4552;    // "ER"
constexpr std::uint16_t kSigPartition = 0x504D; // "PM"
constexpr std::uint16_t kDiskCopyPrivate = 0x0100;
// Partition maps of real disks have a few dozen entries; a count beyond this is damage, and the
// bound keeps a forged count from making the reader walk a huge file.
constexpr std::uint32_t kMaxPartitions = 4096;
// DiskCopy image inside a partition inside a DiskCopy image: three layers is more than any disk has.
constexpr int kMaxLayers = 3;
// The largest device block a partition map is taken to count in (CDs and DVDs have 2048).
constexpr std::int64_t kMaxMapBlock = 32768;

std::uint16_t Big16At(const TImageBytes& bytes, std::int64_t at) {
    std::array<std::uint8_t, 2> b{};
    if (!bytes.Holds(at, 2)) {
        return 0;
    }
    bytes.Read(b.data(), b.size(), at, TImageStructure::Image);
    return GetBig16(b.data());
}

// The bytes of a fixed field up to its first zero byte.
std::string FieldText(const std::uint8_t* at, std::size_t size) {
    const auto* end = std::find(at, at + size, std::uint8_t{0});
    return std::string(at, end);
}

// The private word and a name that fits its field: what every DiskCopy 4.2 image has, so that a
// damaged size or checksum is reported as such rather than as no image at all. A bare volume does
// not match: its boot blocks begin "LK" (a count above 63) or are zero (no private word).
bool LooksLikeDiskCopy(const TImageBytes& bytes) {
    if (!bytes.Holds(0, kDiskCopyHeaderSize)) {
        return false;
    }
    std::array<std::uint8_t, kDiskCopyHeaderSize> h{};
    bytes.Read(h.data(), h.size(), 0, TImageStructure::DiskCopyHeader);
    return GetBig16(h.data() + 82) == kDiskCopyPrivate && h[0] <= 63;
}

TImageKind VolumeKind(std::uint16_t signature) {
    switch (signature) {
    case kSigHfs:
        return TImageKind::Hfs;
    case kSigHfsPlus:
    case kSigHfsX:
        return TImageKind::HfsPlus;
    case kSigMfs:
        return TImageKind::Mfs;
    default:
        return TImageKind::Unknown;
    }
}

// The block size a partition map's entries lie in and count in: 512 when the first entry stands
// at byte 512 (the map of a disk, and maps written in 512-byte blocks on a larger device), else
// the driver descriptor's device block size when it stands in the block after the descriptor
// (the map of a CD, in 2048-byte blocks); 0 when neither place holds an entry.
std::int64_t MapBlockSize(const TImageBytes& bytes) {
    if (Big16At(bytes, kBlock) == kSigPartition) {
        return kBlock;
    }
    const std::int64_t device = Big16At(bytes, 2);
    if (device > kBlock && device <= kMaxMapBlock && device % kBlock == 0 &&
        Big16At(bytes, device) == kSigPartition) {
        return device;
    }
    return 0;
}

TImageKind Detect(const TImageBytes& bytes) {
    if (LooksLikeDiskCopy(bytes)) {
        return TImageKind::DiskCopy42;
    }
    if (Big16At(bytes, 0) == kSigDriver && MapBlockSize(bytes) != 0) {
        return TImageKind::PartitionMap;
    }
    const TImageKind volume = VolumeKind(Big16At(bytes, kVolumeHeaderAt));
    // An HFS volume that wraps an HFS+ one (its embedded signature "H+") is the HFS+ volume: the
    // wrapper holds only a placeholder file.
    if (volume == TImageKind::Hfs && Big16At(bytes, kVolumeHeaderAt + 124) == kSigHfsPlus) {
        return TImageKind::HfsPlus;
    }
    return volume;
}

// The checksum of count bytes of the range from at, read in blocks.
std::uint32_t ChecksumOf(const TImageBytes& bytes, std::int64_t at, std::int64_t count,
                         TImageStructure structure) {
    std::vector<std::uint8_t> buffer(64 * 1024);
    std::uint32_t sum = 0;
    while (count > 0) {
        const auto n = static_cast<std::size_t>(std::min<std::int64_t>(count, std::ssize(buffer)));
        bytes.Read(buffer.data(), n, at, structure);
        sum = DiskCopyChecksum(std::span(buffer.data(), n), sum);
        at += static_cast<std::int64_t>(n);
        count -= static_cast<std::int64_t>(n);
    }
    return sum;
}

TDiskCopyImage ReadDiskCopyIn(const TImageBytes& bytes) {
    std::array<std::uint8_t, kDiskCopyHeaderSize> h{};
    bytes.Read(h.data(), h.size(), 0, TImageStructure::DiskCopyHeader);
    TDiskCopyImage image;
    image.Private = GetBig16(h.data() + 82);
    if (image.Private != kDiskCopyPrivate) {
        ThrowImageFault(TImageFault::BadSignature, TImageStructure::DiskCopyHeader,
                        {"82", FaultHex(image.Private, 4), FaultHex(kDiskCopyPrivate, 4)});
    }
    if (h[0] > 63) {
        ThrowImageFault(TImageFault::BadValue, TImageStructure::DiskCopyHeader,
                        {"diskName", std::to_string(h[0])});
    }
    image.Name.assign(h.begin() + 1, h.begin() + 1 + h[0]);
    image.DataSize = GetBig32(h.data() + 64);
    image.TagSize = GetBig32(h.data() + 68);
    image.DataChecksum = GetBig32(h.data() + 72);
    image.TagChecksum = GetBig32(h.data() + 76);
    image.DiskFormat = h[80];
    image.FormatByte = h[81];
    if (image.DataSize % 2 != 0 || image.TagSize % 2 != 0) {
        ThrowImageFault(TImageFault::BadValue, TImageStructure::DiskCopyHeader,
                        {image.DataSize % 2 != 0 ? "dataSize" : "tagSize",
                         std::to_string(image.DataSize % 2 != 0 ? image.DataSize : image.TagSize)});
    }
    const std::int64_t after = bytes.Length() - kDiskCopyHeaderSize;
    if (std::int64_t{image.DataSize} + image.TagSize > after) {
        ThrowImageFault(
            TImageFault::DiskCopySizes, TImageStructure::DiskCopyHeader,
            {std::to_string(image.DataSize), std::to_string(image.TagSize), std::to_string(after)});
    }
    image.DataOffset = bytes.Offset() + kDiskCopyHeaderSize;
    image.TagOffset = image.DataOffset + image.DataSize;
    const std::uint32_t data =
        ChecksumOf(bytes, kDiskCopyHeaderSize, image.DataSize, TImageStructure::DiskCopyData);
    if (data != image.DataChecksum) {
        ThrowImageFault(TImageFault::DiskCopyChecksum, TImageStructure::DiskCopyData,
                        {FaultHex(data, 8), FaultHex(image.DataChecksum, 8)});
    }
    // The tags of the first sector are left out of their checksum (they changed as the disk was used).
    const std::int64_t tagSkip = std::min<std::int64_t>(12, image.TagSize);
    const std::uint32_t tags = ChecksumOf(bytes, kDiskCopyHeaderSize + std::int64_t{image.DataSize} + tagSkip,
                                          image.TagSize - tagSkip, TImageStructure::DiskCopyTags);
    if (tags != image.TagChecksum) {
        ThrowImageFault(TImageFault::DiskCopyChecksum, TImageStructure::DiskCopyTags,
                        {FaultHex(tags, 8), FaultHex(image.TagChecksum, 8)});
    }
    return image;
}

TPartitionMap ReadPartitionMapIn(const TImageBytes& bytes) {
    std::array<std::uint8_t, kBlock> block{};
    bytes.Read(block.data(), block.size(), 0, TImageStructure::DriverDescriptor);
    if (GetBig16(block.data()) != kSigDriver) {
        ThrowImageFault(TImageFault::BadSignature, TImageStructure::DriverDescriptor,
                        {"0", FaultHex(GetBig16(block.data()), 4), FaultHex(kSigDriver, 4)});
    }
    TPartitionMap map;
    map.BlockSize = GetBig16(block.data() + 2);
    map.BlockCount = GetBig32(block.data() + 4);
    const std::int64_t unit = std::max<std::int64_t>(MapBlockSize(bytes), kBlock);
    map.MapBlockSize = static_cast<std::uint32_t>(unit);
    const std::int64_t imageBlocks = bytes.Length() / unit;
    std::uint32_t count = 1;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::int64_t at = (std::int64_t{i} + 1) * unit;
        bytes.Read(block.data(), block.size(), at, TImageStructure::PartitionEntry);
        if (GetBig16(block.data()) != kSigPartition) {
            ThrowImageFault(
                TImageFault::BadSignature, TImageStructure::PartitionEntry,
                {std::to_string(at), FaultHex(GetBig16(block.data()), 4), FaultHex(kSigPartition, 4)});
        }
        if (i == 0) {
            count = GetBig32(block.data() + 4);
            const std::int64_t room = std::max<std::int64_t>(imageBlocks - 1, 0);
            if (count == 0 || count > kMaxPartitions || count > room) {
                ThrowImageFault(
                    TImageFault::PartitionCount, TImageStructure::PartitionEntry,
                    {std::to_string(count), std::to_string(std::min<std::int64_t>(room, kMaxPartitions))});
            }
        }
        TPartition p;
        p.StartBlock = GetBig32(block.data() + 8);
        p.BlockCount = GetBig32(block.data() + 12);
        p.Name = FieldText(block.data() + 16, 32);
        p.Type = FieldText(block.data() + 48, 32);
        const std::int64_t end = std::int64_t{p.StartBlock} + p.BlockCount;
        if (end > imageBlocks) {
            ThrowImageFault(TImageFault::PartitionOutside, TImageStructure::PartitionEntry,
                            {std::to_string(i + 1), std::to_string(p.StartBlock), std::to_string(end - 1),
                             std::to_string(imageBlocks)});
        }
        p.Offset = bytes.Offset() + std::int64_t{p.StartBlock} * unit;
        p.Length = std::int64_t{p.BlockCount} * unit;
        map.Partitions.push_back(std::move(p));
    }
    return map;
}

void FindIn(const TImageBytes& bytes, std::vector<TImageKind>& layers, std::vector<TVolumeRange>& out,
            const std::string& partition) {
    const TImageKind kind = Detect(bytes);
    switch (kind) {
    case TImageKind::Unknown:
        if (layers.empty()) {
            ThrowImageFault(TImageFault::NotDiskImage, TImageStructure::Image);
        }
        // Inside a layer that says a volume is there: the range is given, and opening it names
        // the damaged signature.
        out.push_back({kind, layers, partition, bytes.Offset(), bytes.Length()});
        return;
    case TImageKind::DiskCopy42:
    case TImageKind::PartitionMap:
        if (std::ssize(layers) >= kMaxLayers) {
            return;
        }
        break;
    default:
        out.push_back({kind, layers, partition, bytes.Offset(), bytes.Length()});
        return;
    }
    layers.push_back(kind);
    if (kind == TImageKind::DiskCopy42) {
        const TDiskCopyImage image = ReadDiskCopyIn(bytes);
        FindIn(bytes.Sub(kDiskCopyHeaderSize, image.DataSize), layers, out, partition);
    } else {
        for (const TPartition& p : ReadPartitionMapIn(bytes).Partitions) {
            if (p.Type == "Apple_HFS" || p.Type == "Apple_HFSX" || p.Type == "Apple_MFS") {
                FindIn(bytes.Sub(p.Offset - bytes.Offset(), p.Length), layers, out, p.Name);
            }
        }
    }
    layers.pop_back();
}

} // namespace

const char* ImageKindName(TImageKind kind) {
    switch (kind) {
    case TImageKind::DiskCopy42:
        return "DiskCopy 4.2";
    case TImageKind::PartitionMap:
        return "Apple partition map";
    case TImageKind::Hfs:
        return "HFS";
    case TImageKind::HfsPlus:
        return "HFS+";
    case TImageKind::Mfs:
        return "MFS";
    case TImageKind::Unknown:
        break;
    }
    return "unknown";
}

TImageKind DetectImage(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    return Detect(TImageBytes(file, offset, length));
}

std::optional<std::int64_t> DiskCopyFormatSize(std::uint8_t diskFormat) {
    static constexpr std::array<std::int64_t, 4> kSizes = {409600, 819200, 737280, 1474560};
    if (diskFormat < kSizes.size()) {
        return kSizes[diskFormat];
    }
    return std::nullopt;
}

std::uint32_t DiskCopyChecksum(std::span<const std::uint8_t> bytes, std::uint32_t sum) {
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        sum += GetBig16(bytes.data() + i);
        sum = (sum >> 1) | (sum << 31);
    }
    return sum;
}

TDiskCopyImage ReadDiskCopy(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    return ReadDiskCopyIn(TImageBytes(file, offset, length));
}

TPartitionMap ReadPartitionMap(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    return ReadPartitionMapIn(TImageBytes(file, offset, length));
}

std::vector<TVolumeRange> FindVolumes(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    std::vector<TVolumeRange> volumes;
    std::vector<TImageKind> layers;
    FindIn(TImageBytes(file, offset, length), layers, volumes, {});
    return volumes;
}

} // namespace kelda
