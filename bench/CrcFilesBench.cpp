// SPDX-License-Identifier: MIT
// The per-file cost of kelda-cli crc over many small page-cached files, in-process: the files' CRC
// lines (variant 10 and --all) and their check with -c. Half the files start with a MacBinary
// header, the rest are random bytes; 100 to 3000 bytes each, 100 files a folder.
// KELDA_CRC_FILES_BENCH_FILES sets how many (default 2000). The counter `per_file` (processor seconds a file)
// is the figure to compare with `find -type f -print0 | xargs -0 sha256sum` over the same kind of tree.
#include "cli/Cli.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

class TCrcTree {
public:
    TCrcTree() {
        const char* count = std::getenv("KELDA_CRC_FILES_BENCH_FILES");
        const std::size_t files = count != nullptr ? std::stoul(count) : 2000;
        root_ = fs::temp_directory_path() / ("kelda-crcfilesbench-" + std::to_string(::getpid()));
        std::mt19937 random(11);
        std::vector<char> bytes(3000);
        for (std::size_t i = 0; i < files; ++i) {
            const fs::path folder = root_ / ("d" + std::to_string(i / 100));
            if (i % 100 == 0) {
                fs::create_directories(folder);
            }
            for (char& b : bytes) {
                b = static_cast<char>(random());
            }
            const std::size_t size = 100 + random() % 2900;
            if (i % 2 == 0) {
                std::fill(bytes.begin(), bytes.begin() + 128, '\0');
                bytes[1] = 4;
                std::copy_n("Test", 4, bytes.begin() + 2);
                bytes[86] = static_cast<char>((size - 128) >> 8);
                bytes[87] = static_cast<char>(size - 128);
            }
            const fs::path file = folder / ("f" + std::to_string(i));
            std::ofstream(file, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(size));
            files_.push_back(file.string());
        }
        sums_ = root_ / "sums";
        std::ostringstream out, err;
        std::vector<std::string> args{"crc"};
        args.insert(args.end(), files_.begin(), files_.end());
        kelda::CliMain(args, out, err); // also brings the tree into the page cache
        std::ofstream(sums_, std::ios::binary) << out.str();
    }
    ~TCrcTree() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const std::vector<std::string>& Files() const { return files_; }
    std::string Sums() const { return sums_.string(); }

private:
    fs::path root_;
    fs::path sums_;
    std::vector<std::string> files_;
};

TCrcTree& Tree() {
    static TCrcTree tree;
    return tree;
}

void Run(benchmark::State& state, std::vector<std::string> args, std::size_t files) {
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = kelda::CliMain(args, out, err);
        benchmark::DoNotOptimize(status);
    }
    // Seconds of processor time per file (shown with an SI prefix: 12u is 12 microseconds).
    state.counters["per_file"] =
        benchmark::Counter(static_cast<double>(files),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_CrcSmallFiles(benchmark::State& state) {
    std::vector<std::string> args{"crc"};
    args.insert(args.end(), Tree().Files().begin(), Tree().Files().end());
    Run(state, std::move(args), Tree().Files().size());
}

void BM_CrcAllSmallFiles(benchmark::State& state) {
    std::vector<std::string> args{"crc", "--all"};
    args.insert(args.end(), Tree().Files().begin(), Tree().Files().end());
    Run(state, std::move(args), Tree().Files().size());
}

void BM_CrcCheckSmallFiles(benchmark::State& state) {
    Run(state, {"crc", "-c", Tree().Sums()}, Tree().Files().size());
}

} // namespace

BENCHMARK(BM_CrcSmallFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrcAllSmallFiles)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CrcCheckSmallFiles)->Unit(benchmark::kMillisecond);
