// SPDX-License-Identifier: MIT
// Listing a large resource fork: a MacBinary file whose 16 MiB resource fork holds 30,000
// resources of 40 types (39 small ones and one of 26,100; a third of them named), read from the page-cached
// file by offset.
#include "../tests/resources/ForkBuilder.h"
#include "resources/ResourceFork.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace kelda;

namespace {

constexpr int kResources = 30000;
constexpr std::size_t kForkBytes = std::size_t{16} << 20;

class TLargeFork {
public:
    TLargeFork() {
        folder_ = fs::temp_directory_path() / ("kelda-rsrcbench-" + std::to_string(::getpid()));
        fs::create_directories(folder_);
        file_ = folder_ / "large.bin";
        std::vector<test::TForkResource> resources;
        const std::size_t each = kForkBytes / kResources - 20; // data, length word and map entry
        for (int i = 0; i < kResources; ++i) {
            // A reference list must start within 64 KiB of the type list, so only the last type is large.
            std::string type = "T" + std::to_string(100 + std::min(i / 100, 39));
            std::optional<std::string> name;
            if (i % 3 == 0) {
                name = "Resource number " + std::to_string(i);
            }
            resources.push_back({type, static_cast<std::int16_t>(i), name, 0x20,
                                 std::vector<std::uint8_t>(each, static_cast<std::uint8_t>(i))});
        }
        const std::vector<std::uint8_t> fork = test::BuildResourceFork(resources).Bytes;
        header_ = {};
        header_[1] = 5;
        const auto length = static_cast<std::uint32_t>(fork.size());
        for (int k = 0; k < 4; ++k) {
            header_[static_cast<std::size_t>(kOffsetResourceForkLength + k)] =
                static_cast<std::uint8_t>(length >> (24 - 8 * k));
        }
        std::ofstream out(file_, std::ios::binary);
        out.write(reinterpret_cast<const char*>(header_.data()),
                  static_cast<std::streamsize>(header_.size()));
        out.write(reinterpret_cast<const char*>(fork.data()), static_cast<std::streamsize>(fork.size()));
    }
    ~TLargeFork() {
        std::error_code ec;
        fs::remove_all(folder_, ec);
    }
    const fs::path& File() const { return file_; }
    const THeader& Header() const { return header_; }

private:
    fs::path folder_;
    fs::path file_;
    THeader header_{};
};

void BM_ListLargeResourceFork(benchmark::State& state) {
    static const TLargeFork fork;
    std::size_t listed = 0;
    for (auto _ : state) {
        const TFileStream file(fork.File(), FileMode::Read);
        const TResourceFork read = ReadResourceFork(file, fork.Header());
        listed = read.Map.Resources.size();
        benchmark::DoNotOptimize(listed);
        if (listed != kResources || !read.Map.Findings.empty()) {
            state.SkipWithError("the fork was not listed whole");
            break;
        }
    }
    state.counters["resources"] = static_cast<double>(listed);
}
BENCHMARK(BM_ListLargeResourceFork)->Unit(benchmark::kMillisecond);

} // namespace
