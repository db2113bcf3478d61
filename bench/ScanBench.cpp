// SPDX-License-Identifier: MIT
// kelda-cli scan -r against `file -b` (libmagic) over the same page-cached tree of small files, in
// one run: 10 % MacBinary files, the rest random bytes, 1000 files a folder. The tree has
// KELDA_SCAN_BENCH_FILES files (default 20000; the target is stated for 100000). `file` must be on
// the PATH for the second benchmark; the counter `files_per_s` compares them.
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
    TScanTree() {
        const char* count = std::getenv("KELDA_SCAN_BENCH_FILES");
        files_ = count != nullptr ? std::stoul(count) : 20000;
        root_ = fs::temp_directory_path() / ("kelda-scanbench-" + std::to_string(::getpid()));
        std::mt19937 random(7);
        std::vector<char> bytes(2048);
        for (std::size_t i = 0; i < files_; ++i) {
            const fs::path folder = root_ / ("d" + std::to_string(i / 1000));
            if (i % 1000 == 0) {
                fs::create_directories(folder);
            }
            for (char& b : bytes) {
                b = static_cast<char>(random());
            }
            const std::size_t size = 200 + random() % 1800;
            if (i % 10 == 0) {
                std::fill(bytes.begin(), bytes.begin() + 128, '\0');
                bytes[1] = 4;
                std::copy_n("Test", 4, bytes.begin() + 2);
                bytes[86] = static_cast<char>(size - 128); // the data fork fills the file
            }
            std::ofstream(folder / ("f" + std::to_string(i)), std::ios::binary)
                .write(bytes.data(), static_cast<std::streamsize>(size));
        }
        // Into the page cache, so that both read the same cached tree.
        const std::string warm = "find '" + root_.string() + "' -type f -exec cat {} + >/dev/null";
        if (std::system(warm.c_str()) != 0) {
            std::fprintf(stderr, "could not read the tree ahead\n");
        }
    }
    ~TScanTree() {
        std::error_code ec;
        fs::remove_all(root_, ec);
    }
    const fs::path& Root() const { return root_; }
    std::size_t Files() const { return files_; }

private:
    fs::path root_;
    std::size_t files_ = 0;
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
