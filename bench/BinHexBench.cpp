// SPDX-License-Identifier: MIT
// BinHex 4.0 of a 64 MiB data fork (random bytes, so few runs) in a page-cached file: writing the
// .hqx file from the fork and decoding it into a forks file. Rates count the fork's bytes; the
// counter text_MBps counts the .hqx text's.
#include "forks/BinHex.h"
#include "util/TFileStream.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <stdexcept>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kelda;

namespace {

constexpr std::int64_t kForkSize = std::int64_t{64} << 20;

class TBinHexFiles {
public:
    TBinHexFiles() {
        folder_ = fs::temp_directory_path() / ("kelda-binhexbench-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        std::vector<std::uint8_t> block(std::size_t{1} << 20);
        std::uint32_t x = 2463534242u;
        TFileStream out(Fork(), FileMode::Create);
        for (std::int64_t done = 0; done < kForkSize; done += static_cast<std::int64_t>(block.size())) {
            for (auto& b : block) {
                x ^= x << 13;
                x ^= x >> 17;
                x ^= x << 5;
                b = static_cast<std::uint8_t>(x);
            }
            out.WriteBuffer(block.data(), block.size());
        }
        out.Close();
        Encode(Text());
    }
    ~TBinHexFiles() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    TBinHexFiles(const TBinHexFiles&) = delete;
    TBinHexFiles& operator=(const TBinHexFiles&) = delete;

    fs::path Fork() const { return folder_ / "fork"; }
    fs::path Text() const { return folder_ / "fork.hqx"; }
    fs::path Output() const { return folder_ / "output"; }

    void Encode(const fs::path& to) const {
        const TFileStream fork(Fork(), FileMode::Read);
        TFileStream out(to, FileMode::Create);
        TBinHexHeader header;
        header.Name = "Bench";
        header.DataLength = static_cast<std::uint32_t>(kForkSize);
        WriteBinHex(header, {&fork, 0, kForkSize}, {}, out);
        out.Close();
    }

    void Decode() const {
        const TFileStream in(Text(), FileMode::Read);
        TFileStream out(Output(), FileMode::Create);
        if (!DecodeBinHex(in, &out).Sound()) {
            throw std::runtime_error("the benchmark's file does not decode");
        }
        out.Close();
    }

private:
    fs::path folder_;
};

TBinHexFiles& Files() {
    static TBinHexFiles files;
    return files;
}

template <typename Work> void Run(benchmark::State& state, Work work) {
    TBinHexFiles& files = Files();
    for (auto _ : state) {
        work(files);
        state.PauseTiming();
        std::error_code ec;
        fs::remove(files.Output(), ec);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * kForkSize);
    state.counters["text_MBps"] = benchmark::Counter(static_cast<double>(fs::file_size(files.Text())) *
                                                         static_cast<double>(state.iterations()) / 1e6,
                                                     benchmark::Counter::kIsRate);
}

void BM_BinHexEncode(benchmark::State& state) {
    Run(state, [](TBinHexFiles& f) { f.Encode(f.Output()); });
}
void BM_BinHexDecode(benchmark::State& state) {
    Run(state, [](TBinHexFiles& f) { f.Decode(); });
}

BENCHMARK(BM_BinHexEncode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_BinHexDecode)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
