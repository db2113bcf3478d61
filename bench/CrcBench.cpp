// SPDX-License-Identifier: MIT
// CRC throughput: every variant on a 256 MiB buffer and on a 1 GiB page-cached file, single and
// "All", against the byte-table baseline, zlib's crc32 and a plain read of the same file.
// Ends with a summary of the ratios that matter.
//
// How fast a cached file is read depends on how it was written: a file written in large pieces
// sits in the page cache in large folios and is copied out about three times as fast as one
// written 4 KiB at a time. The main file is written in large pieces (the harder case for the
// ratios); a second one, written in 4 KiB pieces, gives the other end.
#include "ByteTableCrc.h"

#include "crc/CrcAllPass.h"
#include "crc/CrcKernel.h"
#include "crc/CrcUtils.h"
#include "util/TFileStream.h"

#include <benchmark/benchmark.h>

#ifdef KELDA_HAVE_ZLIB
#include <zlib.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace kelda;

namespace {

constexpr std::size_t BufferSize = std::size_t{256} << 20;
constexpr std::int64_t FileSize = std::int64_t{1} << 30;

std::vector<std::uint8_t>& Buffer() {
    static std::vector<std::uint8_t> buffer = [] {
        std::vector<std::uint8_t> bytes(BufferSize);
        std::uint64_t x = 0x9E3779B97F4A7C15u;
        for (std::size_t i = 0; i < bytes.size(); i += 8) {
            x ^= x << 13;
            x ^= x >> 7;
            x ^= x << 17;
            for (std::size_t k = 0; k < 8; ++k) {
                bytes[i + k] = static_cast<std::uint8_t>(x >> (8 * k));
            }
        }
        return bytes;
    }();
    return buffer;
}

// A plain read of the whole file through buffer, the ceiling the file CRCs are measured against;
// returns the bytes read.
std::size_t PlainRead(const fs::path& file, std::vector<std::uint8_t>& buffer) {
    TFileStream in(file, FileMode::Read);
    std::size_t total = 0;
    for (std::size_t n; (n = in.Read(buffer.data(), buffer.size())) > 0;) {
        total += n;
    }
    return total;
}

// The 1 GiB file, written once into a temporary folder and removed at exit. Writing it leaves
// it in the page cache; one read before the first measurement makes sure.
class TBenchFile {
public:
    TBenchFile(const std::string& name, std::size_t writeSize) {
        FFolder = fs::temp_directory_path() / ("kelda-bench-" + std::to_string(::getpid()) + "-" + name);
        fs::create_directories(FFolder);
        FPath = FFolder / "cached-1GiB.bin";
        TFileStream out(FPath, FileMode::Create);
        const auto& pattern = Buffer();
        for (std::int64_t done = 0; done < FileSize;) {
            for (std::size_t at = 0; at < pattern.size(); at += writeSize) {
                out.WriteBuffer(pattern.data() + at, std::min(writeSize, pattern.size() - at));
            }
            done += static_cast<std::int64_t>(pattern.size());
        }
        out.Close();
        std::vector<std::uint8_t> block(CrcReadBlockSize);
        PlainRead(FPath, block);
    }
    ~TBenchFile() {
        std::error_code ec;
        fs::remove_all(FFolder, ec);
    }
    const fs::path& Path() const { return FPath; }

private:
    fs::path FFolder;
    fs::path FPath;
};

const fs::path& BenchFile() {
    static TBenchFile file("large-writes", BufferSize);
    return file.Path();
}

const fs::path& SmallWritesFile() {
    static TBenchFile file("small-writes", 4096);
    return file.Path();
}

using FileFn = const fs::path& (*)();

void SetBytes(benchmark::State& state, std::int64_t perIteration) {
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * perIteration);
}

// ------------------------------------------------------------------ buffer

void BufferVariant(benchmark::State& state, std::size_t variant, std::optional<TCrcPath> path) {
    SetCrcPath(path);
    const auto& buffer = Buffer();
    auto engine = MakeCrcEngine(CrcVariants[variant]);
    for (auto _ : state) {
        engine->Init();
        engine->Calc(buffer.data(), 0, static_cast<std::int64_t>(buffer.size()));
        benchmark::DoNotOptimize(engine->Value());
    }
    SetCrcPath(std::nullopt);
    SetBytes(state, static_cast<std::int64_t>(buffer.size()));
}

void BufferAll(benchmark::State& state) {
    const auto& buffer = Buffer();
    const auto engines = MakeCrcEngines();
    TCrcAllPass pass(engines);
    for (auto _ : state) {
        pass.Init();
        pass.Calc(buffer.data(), buffer.size());
        pass.Finish();
        benchmark::DoNotOptimize(engines[0]->Value());
    }
    SetBytes(state, static_cast<std::int64_t>(buffer.size()));
}

void BufferByteTable(benchmark::State& state, std::size_t variant) {
    const auto& buffer = Buffer();
    bench::TByteTableCrc crc(CrcVariants[variant]);
    for (auto _ : state) {
        crc.Init();
        crc.Calc(buffer.data(), 0, buffer.size());
        benchmark::DoNotOptimize(crc.GetCrc());
    }
    SetBytes(state, static_cast<std::int64_t>(buffer.size()));
}

#ifdef KELDA_HAVE_ZLIB
std::uint32_t ZlibCrc(std::uint32_t crc, const std::uint8_t* data, std::size_t size) {
    // zlib takes at most 4 GiB - 1 per call.
    while (size > 0) {
        const auto n = static_cast<uInt>(std::min<std::size_t>(size, 1u << 30));
        crc = static_cast<std::uint32_t>(::crc32(crc, data, n));
        data += n;
        size -= n;
    }
    return crc;
}

void BufferZlib(benchmark::State& state) {
    const auto& buffer = Buffer();
    for (auto _ : state) {
        benchmark::DoNotOptimize(ZlibCrc(0, buffer.data(), buffer.size()));
    }
    SetBytes(state, static_cast<std::int64_t>(buffer.size()));
}

void FileZlib(benchmark::State& state) {
    const fs::path& file = BenchFile(); // made before the clock runs
    std::vector<std::uint8_t> block(CrcReadBlockSize);
    for (auto _ : state) {
        TFileStream in(file, FileMode::Read);
        std::uint32_t crc = 0;
        for (std::size_t n; (n = in.Read(block.data(), block.size())) > 0;) {
            crc = ZlibCrc(crc, block.data(), n);
        }
        benchmark::DoNotOptimize(crc);
    }
    SetBytes(state, FileSize);
}
#endif

// ------------------------------------------------------------------ file

void FileRead(benchmark::State& state, FileFn fileFn) {
    const fs::path& file = fileFn(); // made before the clock runs
    std::vector<std::uint8_t> block(CrcReadBlockSize);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainRead(file, block));
    }
    SetBytes(state, FileSize);
}

void FileVariant(benchmark::State& state, FileFn fileFn, std::size_t variant) {
    const fs::path& file = fileFn(); // made before the clock runs
    auto engine = MakeCrcEngine(CrcVariants[variant]);
    for (auto _ : state) {
        benchmark::DoNotOptimize(CrcFile(*engine, file));
    }
    SetBytes(state, FileSize);
}

void FileAll(benchmark::State& state, FileFn fileFn) {
    const fs::path& file = fileFn(); // made before the clock runs
    for (auto _ : state) {
        benchmark::DoNotOptimize(CrcFileAll(file));
    }
    SetBytes(state, FileSize);
}

// A plain read of the file and then its CRC (variant 10, or "All"), in every iteration. The
// machine this runs on may change speed over a run (other work on the host), which skews a ratio
// of two benchmarks measured minutes apart; taken in turns, both see the same machine. The time
// is the CRC's; the counter vs_read is the median over the iterations of read time / CRC time.
void FilePaired(benchmark::State& state, bool all) {
    using Clock = std::chrono::steady_clock;
    const fs::path& file = BenchFile(); // made before the clock runs
    auto engine = MakeCrcEngine(CrcVariants[10]);
    std::vector<std::uint8_t> block(CrcReadBlockSize);
    std::vector<double> ratios;
    for (auto _ : state) {
        const auto start = Clock::now();
        benchmark::DoNotOptimize(PlainRead(file, block));
        const auto read = Clock::now();
        if (all) {
            benchmark::DoNotOptimize(CrcFileAll(file));
        } else {
            benchmark::DoNotOptimize(CrcFile(*engine, file));
        }
        const std::chrono::duration<double> readTime = read - start;
        const std::chrono::duration<double> crcTime = Clock::now() - read;
        state.SetIterationTime(crcTime.count());
        ratios.push_back(readTime / crcTime);
    }
    std::sort(ratios.begin(), ratios.end());
    state.counters["vs_read"] = ratios.empty() ? 0.0 : ratios[ratios.size() / 2];
    SetBytes(state, FileSize);
}

void FileByteTable(benchmark::State& state, std::size_t variant) {
    const fs::path& file = BenchFile(); // made before the clock runs
    bench::TByteTableCrc crc(CrcVariants[variant]);
    for (auto _ : state) {
        benchmark::DoNotOptimize(crc.File(file));
    }
    SetBytes(state, FileSize);
}

// Twelve readings of the file, one per variant.
void FileByteTableAll(benchmark::State& state) {
    const fs::path& file = BenchFile(); // made before the clock runs
    std::vector<bench::TByteTableCrc> crcs;
    for (const auto& variant : CrcVariants) {
        crcs.emplace_back(variant);
    }
    for (auto _ : state) {
        for (auto& crc : crcs) {
            benchmark::DoNotOptimize(crc.File(file));
        }
    }
    SetBytes(state, FileSize);
}

// ------------------------------------------------------------------ one block in cache

// The CRCs over one read block, again and again (1 GiB in all): the block stays in the
// processor's cache, as a block just read does, so this is the folding cost alone. Were reading
// and folding to take turns on one thread, a file CRC would reach at most F / (F + R) of the
// plain read (F this rate, R the read's); folding chunks on two threads (ChunkedFold.h) lifts
// that bound.
void BlockVariant(benchmark::State& state, std::size_t variant) {
    const std::vector<std::uint8_t> block(Buffer().begin(), Buffer().begin() + CrcReadBlockSize);
    auto engine = MakeCrcEngine(CrcVariants[variant]);
    for (auto _ : state) {
        engine->Init();
        for (std::int64_t done = 0; done < FileSize; done += static_cast<std::int64_t>(block.size())) {
            engine->Calc(block.data(), 0, static_cast<std::int64_t>(block.size()));
        }
        benchmark::DoNotOptimize(engine->Value());
    }
    SetBytes(state, FileSize);
}

void BlockAll(benchmark::State& state) {
    const std::vector<std::uint8_t> block(Buffer().begin(), Buffer().begin() + CrcReadBlockSize);
    const auto engines = MakeCrcEngines();
    TCrcAllPass pass(engines);
    for (auto _ : state) {
        pass.Init();
        for (std::int64_t done = 0; done < FileSize; done += static_cast<std::int64_t>(block.size())) {
            pass.Calc(block.data(), block.size());
        }
        pass.Finish();
        benchmark::DoNotOptimize(engines[0]->Value());
    }
    SetBytes(state, FileSize);
}

// ------------------------------------------------------------------ read size

// The read sizes compared: the ceiling and the CRCs each read the file with the same size, so
// their ratio shows what the CRC costs on top of the reading at that size.
constexpr std::size_t SweepKiB[] = {32, 64, 128, 256, 512, 1024};

// The file read in blocks of `block` bytes on this thread, each block handed to consume.
template <typename Consume> void ReadInBlocks(const fs::path& file, std::size_t block, Consume&& consume) {
    TFileStream in(file, FileMode::Read);
    std::vector<std::uint8_t> buffer(block);
    for (std::size_t n; (n = in.Read(buffer.data(), block)) > 0;) {
        consume(buffer.data(), n);
    }
}

// The ceiling: plain reads of `block` bytes into one buffer.
void SweepRead(benchmark::State& state, std::size_t block) {
    const fs::path& file = BenchFile(); // made before the clock runs
    std::vector<std::uint8_t> buffer(block);
    for (auto _ : state) {
        benchmark::DoNotOptimize(PlainRead(file, buffer));
    }
    SetBytes(state, FileSize);
}

void SweepVariant(benchmark::State& state, std::size_t block, std::size_t variant) {
    const fs::path& file = BenchFile(); // made before the clock runs
    auto engine = MakeCrcEngine(CrcVariants[variant]);
    for (auto _ : state) {
        engine->Init();
        ReadInBlocks(file, block, [&engine](const std::uint8_t* data, std::size_t n) {
            engine->Calc(data, 0, static_cast<std::int64_t>(n));
        });
        benchmark::DoNotOptimize(engine->Value());
    }
    SetBytes(state, FileSize);
}

void SweepAll(benchmark::State& state, std::size_t block) {
    const fs::path& file = BenchFile(); // made before the clock runs
    const auto engines = MakeCrcEngines();
    TCrcAllPass pass(engines);
    for (auto _ : state) {
        pass.Init();
        ReadInBlocks(file, block, [&pass](const std::uint8_t* data, std::size_t n) { pass.Calc(data, n); });
        pass.Finish();
        benchmark::DoNotOptimize(engines[0]->Value());
    }
    SetBytes(state, FileSize);
}

std::string SweepName(const char* what, std::size_t kib) {
    return std::string("File/ReadSize/") + what + "/" + std::to_string(kib) + "KiB";
}

// ------------------------------------------------------------------ registration and summary

void Register() {
    const auto add = [](const std::string& name, auto fn) {
        return benchmark::RegisterBenchmark(name.c_str(), fn)->Unit(benchmark::kMillisecond)->UseRealTime();
    };
    for (std::size_t v = 0; v < CrcVariantCount; ++v) {
        add("Buffer/Variant" + std::to_string(v),
            [v](benchmark::State& s) { BufferVariant(s, v, std::nullopt); });
    }
    for (const TCrcPath path : AvailableCrcPaths()) {
        for (const std::size_t v : {std::size_t{1}, std::size_t{10}}) {
            add(std::string("Buffer/Path/") + CrcPathName(path) + "/Variant" + std::to_string(v),
                [v, path](benchmark::State& s) { BufferVariant(s, v, path); });
        }
    }
    add("Buffer/All", BufferAll);
    add("Block/Variant10", [](benchmark::State& s) { BlockVariant(s, 10); });
    add("Block/All", BlockAll);
#ifdef KELDA_HAVE_ZLIB
    add("Buffer/Zlib", BufferZlib);
#endif
    for (std::size_t v = 0; v < CrcVariantCount; ++v) {
        add("Buffer/ByteTable/Variant" + std::to_string(v), [v](benchmark::State& s) {
            BufferByteTable(s, v);
        })->Iterations(1);
    }

    add("File/Read", [](benchmark::State& s) { FileRead(s, BenchFile); });
    for (std::size_t v = 0; v < CrcVariantCount; ++v) {
        add("File/Variant" + std::to_string(v), [v](benchmark::State& s) { FileVariant(s, BenchFile, v); });
    }
    add("File/All", [](benchmark::State& s) { FileAll(s, BenchFile); });
    for (const bool all : {false, true}) {
        benchmark::RegisterBenchmark(all ? "File/Paired/All" : "File/Paired/Variant10",
                                     [all](benchmark::State& s) { FilePaired(s, all); })
            ->Unit(benchmark::kMillisecond)
            ->UseManualTime();
    }
    add("File/OneThread/Variant10", [](benchmark::State& s) { SweepVariant(s, CrcReadBlockSize, 10); });
    add("File/OneThread/All", [](benchmark::State& s) { SweepAll(s, CrcReadBlockSize); });
    add("File/SmallWrites/Read", [](benchmark::State& s) { FileRead(s, SmallWritesFile); });
    add("File/SmallWrites/Variant10", [](benchmark::State& s) { FileVariant(s, SmallWritesFile, 10); });
    add("File/SmallWrites/All", [](benchmark::State& s) { FileAll(s, SmallWritesFile); });
#ifdef KELDA_HAVE_ZLIB
    add("File/Zlib", FileZlib);
#endif
    for (const std::size_t kib : SweepKiB) {
        const std::size_t block = kib << 10;
        add(SweepName("Read", kib), [block](benchmark::State& s) { SweepRead(s, block); });
        add(SweepName("Variant10", kib), [block](benchmark::State& s) { SweepVariant(s, block, 10); });
        add(SweepName("All", kib), [block](benchmark::State& s) { SweepAll(s, block); });
    }
    add("File/ByteTable/Variant10", [](benchmark::State& s) { FileByteTable(s, 10); })->Iterations(1);
    add("File/ByteTable/All", FileByteTableAll)->Iterations(1);
}

// Prints as usual and keeps every result's throughput for the summary.
class TSummaryReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports) {
            const auto it = run.counters.find("bytes_per_second");
            if (run.error_occurred || it == run.counters.end()) {
                continue;
            }
            const auto paired = run.counters.find("vs_read");
            // With repetitions the median stands for the benchmark, else its one run.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                FMedians[run.run_name.function_name] = it->second.value;
                if (paired != run.counters.end()) {
                    FPairedMedians[run.run_name.function_name] = paired->second.value;
                }
            } else if (run.run_type == Run::RT_Iteration) {
                FRates[run.run_name.function_name] = it->second.value;
                if (paired != run.counters.end()) {
                    FPaired[run.run_name.function_name] = paired->second.value;
                }
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }

    void PrintSummary() const {
        std::printf("\nPath: %s\n", CrcPathName(BestCrcPath()));
        std::printf("%-58s %10s %10s\n", "ratio", "measured", "target");
        Paired("one variant (10), cached file / plain read, in turns", "File/Paired/Variant10", 0.80);
        Paired("\"All\", cached file / plain read, in turns", "File/Paired/All", 0.60);
        Ratio("one variant (10), cached file / plain read", "File/Variant10", "File/Read", 0.80, true);
        double worst = 0;
        std::string worstName;
        for (std::size_t v = 0; v < CrcVariantCount; ++v) {
            const std::string name = "File/Variant" + std::to_string(v);
            if (Has(name) && Has("File/Read") && (worstName.empty() || Rate(name) < worst)) {
                worst = Rate(name);
                worstName = name;
            }
        }
        if (!worstName.empty()) {
            Ratio("slowest variant (" + worstName.substr(5) + "), cached file / plain read", worstName,
                  "File/Read", 0.80, true);
        }
        Ratio("one variant (10), cached file / byte table", "File/Variant10", "File/ByteTable/Variant10", 20,
              false);
        Ratio("one variant (10), buffer / zlib crc32", "Buffer/Variant10", "Buffer/Zlib", 1, false);
        Ratio("one variant (10), cached file / zlib crc32", "File/Variant10", "File/Zlib", 1, false);
        Ratio("\"All\", cached file / plain read", "File/All", "File/Read", 0.60, true);
        Ratio("\"All\", cached file / byte table, twelve readings", "File/All", "File/ByteTable/All", 100,
              false);
        Ratio("one variant (10), reading on one thread / plain read", "File/OneThread/Variant10", "File/Read",
              0.80, true);
        Ratio("\"All\", reading on one thread / plain read", "File/OneThread/All", "File/Read", 0.60, true);
        Ratio("one variant (10), file written in 4 KiB / its plain read", "File/SmallWrites/Variant10",
              "File/SmallWrites/Read", 0.80, true);
        Ratio("\"All\", file written in 4 KiB / its plain read", "File/SmallWrites/All",
              "File/SmallWrites/Read", 0.60, true);
        const std::string reads = std::to_string(CrcReadBlockSize >> 10) + " KiB reads";
        std::printf("%-58s %9.2f GB/s\n", ("plain read with " + reads).c_str(), Rate("File/Read") / 1e9);
        std::printf("%-58s %9.2f GB/s\n", ("plain read with " + reads + ", file written in 4 KiB").c_str(),
                    Rate("File/SmallWrites/Read") / 1e9);
        Bound("one variant (10): bound on one thread", "Block/Variant10");
        Bound("\"All\": bound on one thread", "Block/All");

        std::printf("\n%-10s %12s %12s %12s %8s %8s\n", "read size", "read GB/s", "var10 GB/s", "All GB/s",
                    "var10", "All");
        for (const std::size_t kib : SweepKiB) {
            const double read = Rate(SweepName("Read", kib));
            const double one = Rate(SweepName("Variant10", kib));
            const double all = Rate(SweepName("All", kib));
            if (read <= 0) {
                continue;
            }
            std::printf("%6zu KiB %12.2f %12.2f %12.2f %7.0f%% %7.0f%%%s\n", kib, read / 1e9, one / 1e9,
                        all / 1e9, 100 * one / read, 100 * all / read,
                        (kib << 10) == CrcReadBlockSize ? "   (the file CRCs' read size)" : "");
        }
    }

private:
    bool Has(const std::string& name) const { return FMedians.count(name) != 0 || FRates.count(name) != 0; }
    double Rate(const std::string& name) const {
        if (FMedians.count(name) != 0) {
            return FMedians.at(name);
        }
        return FRates.count(name) != 0 ? FRates.at(name) : 0.0;
    }

    // The best ratio to the plain read that reading and then folding on one thread can reach,
    // from the folding rate of a block in cache.
    void Bound(const std::string& label, const std::string& fold) const {
        const double read = Rate("File/Read");
        const double rate = Has(fold) ? Rate(fold) : 0.0;
        if (read <= 0 || rate <= 0) {
            return;
        }
        std::printf("%-58s %9.0f%%   (folding %.1f GB/s)\n", label.c_str(), 100 * rate / (rate + read),
                    rate / 1e9);
    }

    void Ratio(const std::string& label, const std::string& a, const std::string& b, double target,
               bool percent) const {
        if (!Has(a) || !Has(b) || Rate(b) <= 0) {
            return;
        }
        const double r = Rate(a) / Rate(b);
        if (percent) {
            std::printf("%-58s %9.0f%% %9.0f%%\n", label.c_str(), 100 * r, 100 * target);
        } else {
            std::printf("%-58s %9.1fx %9.0fx\n", label.c_str(), r, target);
        }
    }

    // The median of vs_read from a FilePaired benchmark.
    void Paired(const std::string& label, const std::string& name, double target) const {
        const auto& source = FPairedMedians.count(name) != 0 ? FPairedMedians : FPaired;
        if (source.count(name) != 0) {
            std::printf("%-58s %9.0f%% %9.0f%%\n", label.c_str(), 100 * source.at(name), 100 * target);
        }
    }

    std::map<std::string, double> FRates;
    std::map<std::string, double> FMedians;
    std::map<std::string, double> FPaired;
    std::map<std::string, double> FPairedMedians;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    Register();
    TSummaryReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintSummary();
    benchmark::Shutdown();
    return 0;
}
