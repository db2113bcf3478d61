// SPDX-License-Identifier: MIT
// kelda-cli scan -r against `file -b` (libmagic) over the same page-cached tree of small files, in
// one run: 10 % MacBinary files, the rest random bytes, 1000 files a folder. The tree has
// KELDA_SCAN_BENCH_FILES files (default 20000; the target is stated for 100000). `file` must be on
// the PATH for the second benchmark; the counter `files_per_s` compares them.
#include "SmallFileTree.h"
#include "cli/Cli.h"

#include <benchmark/benchmark.h>

#include <cstdio>
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

class TScanTree {
public:
    TScanTree()
        : files_({.Name = "scanbench",
                  .CountVariable = "KELDA_SCAN_BENCH_FILES",
                  .Count = 20000,
                  .PerFolder = 1000,
                  .MinSize = 200,
                  .SizeSpread = 1800,
                  .MacBinaryEvery = 10,
                  .Seed = 7}) {
        // Into the page cache, so that both read the same cached tree.
        const std::string warm = "find '" + Root().string() + "' -type f -exec cat {} + >/dev/null";
        if (std::system(warm.c_str()) != 0) {
            std::fprintf(stderr, "could not read the tree ahead\n");
        }
    }
    const fs::path& Root() const { return files_.Root(); }
    std::size_t Files() const { return files_.Files().size(); }

private:
    kelda::bench::TSmallFileTree files_;
};

TScanTree& Tree() {
    static TScanTree tree;
    return tree;
}

void BM_ScanRecursive(benchmark::State& state) {
    TScanTree& tree = Tree();
    for (auto _ : state) {
        std::ostringstream out, err;
        const int status = kelda::CliMain({"scan", "-r", "--json", tree.Root().string()}, out, err);
        benchmark::DoNotOptimize(status);
    }
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(tree.Files()), benchmark::Counter::kIsIterationInvariantRate);
}

void BM_FileDashB(benchmark::State& state) {
    TScanTree& tree = Tree();
    const std::string command =
        "find '" + tree.Root().string() + "' -type f -print0 | xargs -0 file -b >/dev/null";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("file -b did not run");
            break;
        }
    }
    state.counters["files_per_s"] =
        benchmark::Counter(static_cast<double>(tree.Files()), benchmark::Counter::kIsIterationInvariantRate);
}

} // namespace

BENCHMARK(BM_ScanRecursive)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_FileDashB)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
