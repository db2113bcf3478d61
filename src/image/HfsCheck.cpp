// SPDX-License-Identifier: MIT
// THfsVolume::Check and the check of a whole image: what Open does not stop at.
#include "image/DiskImage.h"
#include "image/HfsFormat.h"
#include "image/HfsVolume.h"
#include "image/ImageVolume.h"

#include <algorithm>
#include <map>
#include <set>

namespace kelda {

using namespace hfs;

namespace {

// Findings of one kind that Check lists before it says no more: a volume whose every block is
// shared would otherwise give a list as long as the volume.
constexpr std::size_t kMaxOverlapFindings = 64;

} // namespace

std::vector<TImageFinding> THfsVolume::Check() const {
    std::vector<TImageFinding> findings = journal_.Findings;
    auto add = [&](TImageFault kind, TImageStructure structure, std::vector<std::string> args) {
        findings.push_back({kind, structure, std::move(args)});
    };
    auto treeCounts = [&](TImageStructure structure, const THfsTreeHeader& h, std::uint32_t records,
                          std::uint32_t first, std::uint32_t last) {
        if (h.LeafRecords != records) {
            add(TImageFault::LeafCountWrong, structure, {Num(records), Num(h.LeafRecords)});
        }
        if (h.FirstLeaf != first && h.Depth > 0) {
            add(TImageFault::FirstLeafWrong, structure, {Num(first), Num(h.FirstLeaf)});
        }
        if (h.LastLeaf != last) {
            add(TImageFault::LastLeafWrong, structure, {Num(last), Num(h.LastLeaf)});
        }
    };
    // A volume cut short: its files may all be readable, but the blocks (and the spare master
    // directory block) past the image's end are lost.
    // (HFS+: the blocks cover the whole volume, its spare header in the last kilobyte.)
    const std::int64_t needed = std::int64_t{mdb_.AllocationStart} * 512 +
                                std::int64_t{mdb_.AllocationBlocks} * mdb_.AllocationBlockSize +
                                (mdb_.Plus ? 0 : 1024);
    if (usableBlocks_ < mdb_.AllocationBlocks || needed > length_) {
        add(TImageFault::StructureCut, TImageStructure::Image, {Num(0), Num(needed), Num(length_)});
    }
    treeCounts(TImageStructure::ExtentsTree, extentsHeader_, extentsLeafRecords_, extentsFirstLeaf_,
               extentsLastLeaf_);
    treeCounts(TImageStructure::CatalogTree, catalogHeader_, catalogLeafRecords_, catalogFirstLeaf_,
               catalogLastLeaf_);

    std::int64_t files = 0, folders = 0, rootFiles = 0, rootFolders = 0;
    std::map<std::uint32_t, std::int64_t> children;
    for (const THfsEntry& e : entries_) {
        const bool folder = e.Kind == THfsKind::Folder;
        (folder ? folders : files) += 1;
        if (e.ParentId == kRootId) {
            (folder ? rootFolders : rootFiles) += 1;
        }
        ++children[e.ParentId];
    }
    if (mdb_.FileCount != files) {
        add(TImageFault::FileCountWrong, TImageStructure::Mdb, {Num(mdb_.FileCount), Num(files)});
    }
    if (mdb_.FolderCount != folders) {
        add(TImageFault::FolderCountWrong, TImageStructure::Mdb, {Num(mdb_.FolderCount), Num(folders)});
    }
    // HFS+ keeps no counts of the root folder's items (its valence is checked below).
    if (!mdb_.Plus && mdb_.RootFiles != rootFiles) {
        add(TImageFault::RootFilesWrong, TImageStructure::Mdb, {Num(mdb_.RootFiles), Num(rootFiles)});
    }
    if (!mdb_.Plus && mdb_.RootFolders != rootFolders) {
        add(TImageFault::RootFoldersWrong, TImageStructure::Mdb, {Num(mdb_.RootFolders), Num(rootFolders)});
    }
    std::vector<std::uint32_t> threads = threadIds_;
    std::sort(threads.begin(), threads.end());
    auto checkFolder = [&](std::uint32_t id, std::uint32_t valence) {
        const std::int64_t held = children.contains(id) ? children[id] : 0;
        if (valence != held) {
            add(TImageFault::ValenceWrong, TImageStructure::CatalogTree, {Num(id), Num(valence), Num(held)});
        }
        if (!std::binary_search(threads.begin(), threads.end(), id)) {
            add(TImageFault::ThreadMissing, TImageStructure::CatalogTree, {Num(id)});
        }
    };
    checkFolder(kRootId, rootValence_);
    for (const THfsEntry& e : entries_) {
        if (e.Kind == THfsKind::Folder) {
            checkFolder(e.Id, e.Valence);
        }
    }

    // Who holds each allocation block: the two tree files, then every fork as far as it is allocated.
    std::vector<std::uint32_t> owner(static_cast<std::size_t>(usableBlocks_), 0);
    std::set<std::pair<std::uint32_t, std::uint32_t>> reported;
    auto claim = [&](std::uint32_t id, const std::vector<THfsExtent>& extents) {
        // Once the list of shared blocks is full the rest is not looked at: forged extents that
        // each claim the whole volume would otherwise cost its size for every fork.
        for (const THfsExtent& e : extents) {
            if (reported.size() >= kMaxOverlapFindings) {
                return;
            }
            for (std::uint64_t b = e.Start; b < std::uint64_t{e.Start} + e.Count && b < owner.size(); ++b) {
                if (owner[b] != 0 && owner[b] != id && reported.size() < kMaxOverlapFindings &&
                    reported.insert({owner[b], id}).second) {
                    add(TImageFault::ExtentsOverlap, TImageStructure::None,
                        {Num(owner[b]), Num(id), Num(static_cast<std::int64_t>(b))});
                }
                owner[b] = id;
            }
        }
    };
    auto treeExtents = [&](std::uint64_t size, const THfsExtentRecord& first, bool overflow) {
        return Cover(overflow ? TImageStructure::CatalogTree : TImageStructure::ExtentsTree,
                     overflow ? kCatalogFileId : kExtentsFileId, first, static_cast<std::int64_t>(size),
                     overflow);
    };
    claim(kExtentsFileId, treeExtents(mdb_.ExtentsFileSize, mdb_.ExtentsExtents, false));
    claim(kCatalogFileId, treeExtents(mdb_.CatalogFileSize, mdb_.CatalogExtents, true));
    for (const THfsEntry& e : entries_) {
        if (e.Kind != THfsKind::File) {
            continue;
        }
        for (const THfsForkKind fork : {THfsForkKind::Data, THfsForkKind::Resource}) {
            const THfsFork& f = fork == THfsForkKind::Data ? e.Data : e.Resource;
            try {
                if (!e.Compressed) { // listed, not read: no damage
                    (void)ForkSources(e, fork);
                }
                // The blocks allocated, which may reach past the logical length.
                claim(e.Id, Extents(e, fork, std::max(f.LogicalLength, f.PhysicalLength)));
            } catch (const EImageError& error) {
                findings.push_back(error.Finding());
            }
        }
    }
    return findings;
}

std::vector<TImageFinding> CheckHfsImage(const TFileStream& file, std::int64_t offset, std::int64_t length) {
    std::vector<TImageFinding> findings;
    try {
        const std::vector<TVolumeRange> volumes = FindVolumes(file, offset, length);
        if (volumes.empty()) {
            findings.push_back({TImageFault::NoHfsVolume, TImageStructure::Image, {}});
        }
        for (const TVolumeRange& range : volumes) {
            try {
                const std::vector<TImageFinding> more = OpenVolume(file, range)->Check();
                findings.insert(findings.end(), more.begin(), more.end());
            } catch (const EImageError& error) {
                findings.push_back(error.Finding());
            }
        }
    } catch (const EImageError& error) {
        findings.push_back(error.Finding());
    }
    return findings;
}

} // namespace kelda
