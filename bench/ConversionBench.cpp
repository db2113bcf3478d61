// SPDX-License-Identifier: MIT
// Conversion throughput: the three outputs of a 256 MiB page-cached MacBinary file against a plain
// copy of the same file with the same block size, written to the same folder. Prints the ratios.
#include "macbinary/Conversion.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/TFileStream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kelda;

namespace {

constexpr std::int64_t SourceSize = std::int64_t{256} << 20;

// A MacBinary file whose data fork fills the whole body, written once and removed at exit.
class TConversionFiles {
public:
    TConversionFiles() {
        FFolder = fs::temp_directory_path() / ("kelda-convbench-" + std::to_string(::getpid()));
        fs::create_directories(FFolder);
        FSource = FFolder / "source.bin";
        std::vector<std::uint8_t> block(kConvertBlockSize);
        std::uint32_t x = 2463534242u;
        for (auto& b : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<std::uint8_t>(x);
        }
        const std::int64_t body = SourceSize - 128;
        FHeader.fill(0);
        FHeader[1] = 4;
        FHeader[2] = 'B';
        FHeader[3] = 'e';
        FHeader[4] = 'n';
        FHeader[5] = 'c';
        for (int i = 0; i < 4; ++i) {
            FHeader[83 + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(body) >> (24 - 8 * i));
        }
        TFileStream out(FSource, FileMode::Create);
        out.WriteBuffer(FHeader.data(), FHeader.size());
        for (std::int64_t done = 128; done < SourceSize;) {
            const auto n = static_cast<std::size_t>(
                std::min<std::int64_t>(static_cast<std::int64_t>(block.size()), SourceSize - done));
            out.WriteBuffer(block.data(), n);
            done += static_cast<std::int64_t>(n);
        }
        out.Close();
    }
    ~TConversionFiles() {
        std::error_code ec;
        fs::remove_all(FFolder, ec);
    }
    const fs::path& Source() const { return FSource; }
    fs::path Output() const { return FFolder / "output.bin"; }
    const THeader& Header() const { return FHeader; }

private:
    fs::path FFolder;
    fs::path FSource;
    THeader FHeader{};
};

TConversionFiles& Files() {
    static TConversionFiles files;
    return files;
}

// Bytes per second of the plain copy, measured first, so each conversion can report its share of it.
double& CopyRate() {
    static double rate = 0;
    return rate;
}

// The ceiling: read and write the same file with the same block size and one reused buffer.
void PlainCopy(const fs::path& from, const fs::path& to) {
    std::vector<std::uint8_t> buffer(kConvertBlockSize);
    TFileStream in(from, FileMode::Read);
    TFileStream out(to, FileMode::Create);
    for (;;) {
        const std::size_t n = in.Read(buffer.data(), buffer.size());
        if (n == 0) {
            break;
        }
        out.WriteBuffer(buffer.data(), n);
    }
    out.Close();
}

template <typename Work> void Run(benchmark::State& state, bool isCopy, Work work) {
    TConversionFiles& files = Files();
    std::chrono::steady_clock::duration busy{};
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work(files);
        busy += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        std::error_code ec;
        fs::remove(files.Output(), ec);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(state.iterations() * SourceSize);
    const double seconds = std::chrono::duration<double>(busy).count();
    const double rate =
        seconds > 0 ? static_cast<double>(SourceSize) * static_cast<double>(state.iterations()) / seconds : 0;
    if (isCopy) {
        CopyRate() = rate;
    } else if (CopyRate() > 0) {
        // Target: at least 0.8 of the plain copy.
        state.counters["vs_copy"] = rate / CopyRate();
    }
}

void BM_PlainCopy(benchmark::State& state) {
    Run(state, true, [](TConversionFiles& f) { PlainCopy(f.Source(), f.Output()); });
}
void BM_MacBinaryII(benchmark::State& state) {
    Run(state, false, [](TConversionFiles& f) { WriteMacBinaryII(f.Header(), f.Source(), f.Output()); });
}
void BM_WithoutHeader(benchmark::State& state) {
    Run(state, false, [](TConversionFiles& f) { WriteWithoutHeader(f.Source(), f.Output()); });
}
void BM_DataFork(benchmark::State& state) {
    Run(state, false, [](TConversionFiles& f) { WriteDataFork(f.Source(), f.Header(), f.Output()); });
}

BENCHMARK(BM_PlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_MacBinaryII)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_WithoutHeader)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_DataFork)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
