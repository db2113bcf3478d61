// SPDX-License-Identifier: MIT
// The per-file cost of kelda-cli crc over many small page-cached files, in-process: the files' CRC
// lines (variant 10 and --all) and their check with -c. Half the files are MacBinary I files whose
// data fork fills them, the rest random bytes; 130 to 3000 bytes each, 100 files a folder.
// KELDA_CRC_FILES_BENCH_FILES sets how many (default 2000). The counter `per_file` (processor seconds a file)
// is the figure to compare with `find -type f -print0 | xargs -0 sha256sum` over the same kind of tree.
#include "SmallFileTree.h"
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
    TCrcTree()
        : files_({.Name = "crcfilesbench",
                  .CountVariable = "KELDA_CRC_FILES_BENCH_FILES",
                  .Count = 2000,
                  .PerFolder = 100,
                  .MinSize = 130,
                  .SizeSpread = 2870,
                  .MacBinaryEvery = 2,
                  .Seed = 11}) {
        sums_ = files_.Root() / "sums";
        std::ostringstream out, err;
        std::vector<std::string> args{"crc"};
        args.insert(args.end(), Files().begin(), Files().end());
        kelda::CliMain(args, out, err); // also brings the tree into the page cache
        std::ofstream(sums_, std::ios::binary) << out.str();
    }
    const std::vector<std::string>& Files() const { return files_.Files(); }
    std::string Sums() const { return sums_.string(); }

private:
    kelda::bench::TSmallFileTree files_;
    fs::path sums_;
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
