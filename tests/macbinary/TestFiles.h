// SPDX-License-Identifier: MIT
// Helpers for tests that work on real files: a scratch folder removed afterwards, byte I/O, and
// headers built field by field.
#pragma once

#include "macbinary/MacBinaryHeader.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unistd.h>
#include <vector>

namespace kelda::test {

using Bytes = std::vector<std::uint8_t>;

class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "kelda-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        // Restore write permission a test may have taken away, so everything can be removed.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline Bytes ReadBytes(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

inline void PutUInt32(THeader& header, int offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        header[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

inline void PutName(THeader& header, std::string_view name) {
    header[kOffsetNameLength] = static_cast<std::uint8_t>(name.size());
    for (std::size_t i = 0; i < name.size() && i < 63; ++i) {
        header[static_cast<std::size_t>(kOffsetName) + i] = static_cast<std::uint8_t>(name[i]);
    }
}

// A MacBinary file: the header (with the given fork lengths stored) followed by body.
inline Bytes MakeMacBinaryFile(THeader header, std::int32_t dataLength, std::int32_t resourceLength,
                               const Bytes& body) {
    PutUInt32(header, kOffsetDataForkLength, static_cast<std::uint32_t>(dataLength));
    PutUInt32(header, kOffsetResourceForkLength, static_cast<std::uint32_t>(resourceLength));
    Bytes file(header.begin(), header.end());
    file.insert(file.end(), body.begin(), body.end());
    return file;
}

inline Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
    from = std::min(from, bytes.size());
    count = std::min(count, bytes.size() - from);
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

} // namespace kelda::test
