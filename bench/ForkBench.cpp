// SPDX-License-Identifier: MIT
// Fork exports and encodes of a 128 MiB page-cached MacBinary file (half data fork, half resource
// fork) against a plain copy of the same file with the same block size, in the same run and folder.
// Each reports "vs_copy", its share of the plain copy's rate (target: at least 0.8).
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "macbinary/Conversion.h"
#include "util/TFileStream.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kelda;

namespace {

constexpr std::int64_t kForkSize = std::int64_t{64} << 20;

class TForkFiles {
public:
    TForkFiles() {
        folder_ = fs::temp_directory_path() / ("kelda-forkbench-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        std::vector<std::uint8_t> block(kConvertBlockSize);
        std::uint32_t x = 2463534242u;
        for (auto& b : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            b = static_cast<std::uint8_t>(x);
        }
        THeader h{};
        h[1] = 5;
        std::copy_n("Bench", 5, h.begin() + 2);
        for (const int at : {83, 87}) {
            for (int i = 0; i < 4; ++i) {
                h[static_cast<std::size_t>(at + i)] =
                    static_cast<std::uint8_t>(static_cast<std::uint64_t>(kForkSize) >> (24 - 8 * i));
            }
        }
        h[122] = h[123] = 129;
        TFileStream out(source(), FileMode::Create);
        out.WriteBuffer(h.data(), h.size());
        for (std::int64_t done = 0; done < 2 * kForkSize; done += static_cast<std::int64_t>(block.size())) {
            out.WriteBuffer(block.data(), block.size());
        }
        out.Close();
        // The forks as files, for the encodes.
        const TExtractResult r = Extract(source(), folder_ / "x", TResourceForm::Sidecar, TCutPolicy::Refuse);
        data_ = r.DataFile;
    }
    ~TForkFiles() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    fs::path source() const { return folder_ / "source.bin"; }
    fs::path Output() const { return folder_ / "output"; }
    const fs::path& DataFork() const { return data_; }
    std::int64_t Size() const { return static_cast<std::int64_t>(fs::file_size(source())); }

private:
    fs::path folder_;
    fs::path data_;
};

TForkFiles& Files() {
    static TForkFiles files;
    return files;
}

double& CopyRate() {
    static double rate = 0;
    return rate;
}

// An export that replaces a file (or runs under kelda-cli --sync) writes its output to disk before it
// renames it into place, so a copy that does the same is the reference for those beside the plain
// one; the exports here write new files.
double& SyncedCopyRate() {
    static double rate = 0;
    return rate;
}

enum class TBaseline { None, Copy, SyncedCopy };

void PlainCopy(const fs::path& from, const fs::path& to, bool sync = false) {
    std::vector<std::uint8_t> buffer(kConvertBlockSize);
    TFileStream in(from, FileMode::Read);
    TFileStream out(to, FileMode::Create);
    while (const std::size_t n = in.Read(buffer.data(), buffer.size())) {
        out.WriteBuffer(buffer.data(), n);
    }
    if (sync) {
        out.Sync();
    }
    out.Close();
}

// Rates count the bytes each piece of work writes.
template <typename Work> void Run(benchmark::State& state, TBaseline baseline, Work work) {
    TForkFiles& files = Files();
    std::chrono::steady_clock::duration busy{};
    std::int64_t bytes = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        work(files);
        busy += std::chrono::steady_clock::now() - start;
        state.PauseTiming();
        bytes += static_cast<std::int64_t>(fs::file_size(files.Output()));
        std::error_code ec;
        fs::remove(files.Output(), ec);
        state.ResumeTiming();
    }
    state.SetBytesProcessed(bytes);
    const double seconds = std::chrono::duration<double>(busy).count();
    const double rate = seconds > 0 ? static_cast<double>(bytes) / seconds : 0;
    if (baseline == TBaseline::Copy) {
        CopyRate() = rate;
    } else if (baseline == TBaseline::SyncedCopy) {
        SyncedCopyRate() = rate;
    } else {
        if (CopyRate() > 0) {
            state.counters["vs_copy"] = rate / CopyRate();
        }
        if (SyncedCopyRate() > 0) {
            state.counters["vs_synced_copy"] = rate / SyncedCopyRate();
        }
    }
}

void BM_ForkPlainCopy(benchmark::State& state) {
    Run(state, TBaseline::Copy, [](TForkFiles& f) { PlainCopy(f.source(), f.Output()); });
}
void BM_ForkSyncedCopy(benchmark::State& state) {
    Run(state, TBaseline::SyncedCopy, [](TForkFiles& f) { PlainCopy(f.source(), f.Output(), true); });
}
void BM_ExportResourceFork(benchmark::State& state) {
    Run(state, TBaseline::None,
        [](TForkFiles& f) { ExportResourceFork(f.source(), f.Output(), TCutPolicy::Refuse); });
}
void BM_ExportAppleDouble(benchmark::State& state) {
    Run(state, TBaseline::None, [](TForkFiles& f) {
        ExportAppleFile(TAppleKind::Double, f.source(), f.Output(), TCutPolicy::Refuse);
    });
}
void BM_ExportAppleSingle(benchmark::State& state) {
    Run(state, TBaseline::None, [](TForkFiles& f) {
        ExportAppleFile(TAppleKind::Single, f.source(), f.Output(), TCutPolicy::Refuse);
    });
}
void BM_EncodeFromSidecar(benchmark::State& state) {
    Run(state, TBaseline::None, [](TForkFiles& f) {
        TEncodeOptions options;
        options.SourceDateEpoch = 0;
        EncodeMacBinary(f.DataFork(), f.Output(), options);
    });
}

BENCHMARK(BM_ForkPlainCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ForkSyncedCopy)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ExportResourceFork)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ExportAppleDouble)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_ExportAppleSingle)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);
BENCHMARK(BM_EncodeFromSidecar)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(2.0);

} // namespace
