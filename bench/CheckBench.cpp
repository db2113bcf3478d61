// SPDX-License-Identifier: MIT
// The check report against the info command's work per file, on the same headers: the check must
// cost no more than 1.5 times what info costs (the report of one header, against its log block).
#include "macbinary/CheckReport.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string_view>

namespace {

kelda::THeader SampleHeader(std::string_view name = "Sample File") {
    kelda::THeader h{};
    h[1] = static_cast<std::uint8_t>(name.size());
    for (std::size_t i = 0; i < name.size(); ++i) {
        h[2 + i] = static_cast<std::uint8_t>(name[i]);
    }
    h[86] = 21;   // data fork 21 bytes
    h[89] = 0x05; // resource fork 1454 bytes
    h[90] = 0xAE;
    h[122] = h[123] = 129;
    const std::uint16_t crc = kelda::HeaderCrc(h);
    h[124] = static_cast<std::uint8_t>(crc >> 8);
    h[125] = static_cast<std::uint8_t>(crc);
    return h;
}

void BM_CheckReport(benchmark::State& state) {
    const kelda::THeader h = SampleHeader();
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::CheckMacBinary(h, 1710));
    }
}
BENCHMARK(BM_CheckReport);

void BM_CheckReportCrcMismatch(benchmark::State& state) {
    kelda::THeader h = SampleHeader();
    h[124] ^= 0x40; // the other variants are searched
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::CheckMacBinary(h, 1710));
    }
}
BENCHMARK(BM_CheckReportCrcMismatch);

void BM_InfoLogBlock(benchmark::State& state) {
    const kelda::THeader h = SampleHeader();
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::BuildLogBlock("/data/Sample File.bin", h, 1710));
    }
}
BENCHMARK(BM_InfoLogBlock);

// Names that are more than ASCII: both readings are made and judged.
constexpr std::string_view kJapaneseName =
    "\x83\x56\x83\x58\x83\x65\x83\x80\x83\x74\x83\x48\x83\x8B\x83\x5F"; // システムフォルダ
constexpr std::string_view kRomanName = "Cr\x8F"
                                        "me br\x9El\x8E"
                                        "e au caf\x8E"; // Crème brûlée au café

void BM_ReadHeaderName(benchmark::State& state, std::string_view name) {
    const kelda::THeader h = SampleHeader(name);
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::ReadHeaderName(h));
    }
}
BENCHMARK_CAPTURE(BM_ReadHeaderName, japanese, kJapaneseName);
BENCHMARK_CAPTURE(BM_ReadHeaderName, roman, kRomanName);

void BM_CheckReportJapaneseName(benchmark::State& state) {
    const kelda::THeader h = SampleHeader(kJapaneseName);
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::CheckMacBinary(h, 1710));
    }
}
BENCHMARK(BM_CheckReportJapaneseName);

void BM_InfoLogBlockJapaneseName(benchmark::State& state) {
    const kelda::THeader h = SampleHeader(kJapaneseName);
    for (auto _ : state) {
        benchmark::DoNotOptimize(kelda::BuildLogBlock("/data/Sample File.bin", h, 1710));
    }
}
BENCHMARK(BM_InfoLogBlockJapaneseName);

} // namespace
