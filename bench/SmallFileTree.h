// SPDX-License-Identifier: MIT
// A tree of small files for the per-file benchmarks, made in the temporary folder and removed at
// the end: Count files (the environment variable CountVariable overrides it) of MinSize to
// MinSize + SizeSpread - 1 random bytes, PerFolder files a folder, and every MacBinaryEvery-th file
// a MacBinary I file whose data fork fills it. The same seed gives the same tree.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace kelda::bench {

struct TSmallFileTreeShape {
    const char* Name;          // a part of the folder's name
    const char* CountVariable; // the environment variable that sets the count
    std::size_t Count;
    std::size_t PerFolder;
    std::size_t MinSize; // at least 130: a MacBinary header and some data
    std::size_t SizeSpread;
    std::size_t MacBinaryEvery;
    unsigned Seed;
};

class TSmallFileTree {
public:
    explicit TSmallFileTree(const TSmallFileTreeShape& shape) {
        const char* count = std::getenv(shape.CountVariable);
        const std::size_t files = count != nullptr ? std::stoul(count) : shape.Count;
        root_ = std::filesystem::temp_directory_path() /
                ("kelda-" + std::string(shape.Name) + "-" + std::to_string(::getpid()));
        std::mt19937 random(shape.Seed);
        std::vector<char> bytes(shape.MinSize + shape.SizeSpread);
        for (std::size_t i = 0; i < files; ++i) {
            const std::filesystem::path folder = root_ / ("d" + std::to_string(i / shape.PerFolder));
            if (i % shape.PerFolder == 0) {
                std::filesystem::create_directories(folder);
            }
            for (char& b : bytes) {
                b = static_cast<char>(random());
            }
            const std::size_t size = shape.MinSize + random() % shape.SizeSpread;
            if (i % shape.MacBinaryEvery == 0) {
                std::fill(bytes.begin(), bytes.begin() + 128, '\0');
                bytes[1] = 4;
                std::copy_n("Test", 4, bytes.begin() + 2);
                bytes[85] = static_cast<char>((size - 128) >> 8); // the data fork's length, 83-86
                bytes[86] = static_cast<char>(size - 128);
            }
            const std::filesystem::path file = folder / ("f" + std::to_string(i));
            std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
            files_.push_back(file.string());
        }
    }
    ~TSmallFileTree() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
    }
    TSmallFileTree(const TSmallFileTree&) = delete;
    TSmallFileTree& operator=(const TSmallFileTree&) = delete;

    const std::filesystem::path& Root() const { return root_; }
    const std::vector<std::string>& Files() const { return files_; }

private:
    std::filesystem::path root_;
    std::vector<std::string> files_;
};

} // namespace kelda::bench
