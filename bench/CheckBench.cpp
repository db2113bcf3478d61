// SPDX-License-Identifier: MIT
// The check report against the info command's work per file, on the same headers: the check must
// cost no more than 1.5 times what info costs (the report of one header, against its log block).
#include "macbinary/CheckReport.h"
#include "macbinary/LogBlock.h"

#include <benchmark/benchmark.h>

#include <cstdint>

namespace {

kelda::THeader SampleHeader() {
    kelda::THeader h{};
    const char name[] = "Sample File";
    h[1] = sizeof name - 1;
    for (std::size_t i = 0; i + 1 < sizeof name; ++i) {
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

} // namespace
