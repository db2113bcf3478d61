// SPDX-License-Identifier: MIT
// The disk images of the tests: the HFS images built with another tool of the field (kept gzip-
// compressed in tests/corpus/images), written out to a scratch folder, and edits of their bytes
// at the places the image's own structures give.
#pragma once

#include "forks/TForkCopier.h"
#include "image/ImageFault.h"
#include "macbinary/TestFiles.h"
#include "support/Corpus.h"
#include "util/BigEndian.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace kelda::test {

// The image tests/corpus/images/<name>.gz decompressed.
inline Bytes ImageBytes(const std::string& name) {
    const std::filesystem::path file = CorpusFile("images/" + name + ".gz");
    gzFile in = gzopen(file.c_str(), "rb");
    if (in == nullptr) {
        ADD_FAILURE() << "cannot open " << file;
        return {};
    }
    Bytes bytes;
    std::uint8_t buffer[65536];
    for (int n; (n = gzread(in, buffer, sizeof buffer)) > 0;) {
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    gzclose(in);
    return bytes;
}

inline std::uint32_t Big32(const Bytes& b, std::size_t at) {
    return GetBig32(b.data() + at);
}
inline std::uint16_t Big16(const Bytes& b, std::size_t at) {
    return GetBig16(b.data() + at);
}
inline void SetBig16(Bytes& b, std::size_t at, std::uint16_t v) {
    PutBig16(b.data() + at, v);
}
inline void SetBig32(Bytes& b, std::size_t at, std::uint32_t v) {
    PutBig32(b.data() + at, v);
}

// Where node n of a volume's catalog (or extents) file lies, through the three extents the master
// directory block gives it (a test touches no node the overflow extents hold).
inline std::size_t NodeAt(const Bytes& volume, std::uint32_t n, bool catalog = true) {
    const std::size_t mdb = 1024;
    const std::uint32_t blockSize = Big32(volume, mdb + 20);
    const std::uint16_t start = Big16(volume, mdb + 28);
    std::size_t at = std::size_t{n} * 512;
    for (std::size_t i = 0; i < 3; ++i) {
        const std::size_t extent = mdb + (catalog ? 150 : 134) + 4 * i;
        const std::size_t span = std::size_t{Big16(volume, extent + 2)} * blockSize;
        if (at < span) {
            return std::size_t{start} * 512 + std::size_t{Big16(volume, extent)} * blockSize + at;
        }
        at -= span;
    }
    ADD_FAILURE() << "node " << n << " lies in an overflow extent";
    return 0;
}

struct TPart {
    std::string Name;
    std::string Type;
    Bytes Volume;
};

// A disk of blocks of blockSize bytes: the driver descriptor, the map (its own entry first, one
// entry a block), the partitions (each volume padded to whole blocks).
inline Bytes PartitionedDisk(const std::vector<TPart>& parts, std::uint32_t blockSize = 512) {
    const std::uint32_t entries = static_cast<std::uint32_t>(parts.size()) + 1;
    std::uint32_t next = 1 + entries;
    Bytes disk((1 + entries) * blockSize, 0);
    auto entry = [&](std::uint32_t i, const std::string& name, const std::string& type, std::uint32_t start,
                     std::uint32_t count) {
        const std::size_t at = (1 + i) * blockSize;
        SetBig16(disk, at, 0x504D);
        SetBig32(disk, at + 4, entries);
        SetBig32(disk, at + 8, start);
        SetBig32(disk, at + 12, count);
        std::memcpy(disk.data() + at + 16, name.data(), name.size());
        std::memcpy(disk.data() + at + 48, type.data(), type.size());
    };
    entry(0, "Apple", "Apple_partition_map", 1, entries);
    for (std::uint32_t i = 0; i < parts.size(); ++i) {
        const auto blocks = static_cast<std::uint32_t>((parts[i].Volume.size() + blockSize - 1) / blockSize);
        entry(i + 1, parts[i].Name, parts[i].Type, next, blocks);
        disk.insert(disk.end(), parts[i].Volume.begin(), parts[i].Volume.end());
        disk.resize(std::size_t{next + blocks} * blockSize, 0);
        next += blocks;
    }
    SetBig16(disk, 0, 0x4552);
    SetBig16(disk, 2, static_cast<std::uint16_t>(blockSize));
    SetBig32(disk, 4, next);
    return disk;
}

// The bytes a list of fork sources holds, streamed through TForkCopier as a writer would.
inline Bytes CopyForks(const std::vector<TForkSource>& sources, const std::filesystem::path& scratch) {
    std::int64_t total = 0;
    for (const TForkSource& s : sources) {
        total += s.Length;
    }
    {
        TFileStream out(scratch, FileMode::Create);
        TForkCopier copier(out, total, {});
        for (const TForkSource& s : sources) {
            copier.Copy(s);
        }
        out.Close();
    }
    return ReadBytes(scratch);
}

// The fault the call throws; a failure when it throws none.
inline TImageFinding FaultOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const EImageError& error) {
        return error.Finding();
    }
    ADD_FAILURE() << "no fault";
    return {TImageFault::NotDiskImage, TImageStructure::None, {}};
}

} // namespace kelda::test
