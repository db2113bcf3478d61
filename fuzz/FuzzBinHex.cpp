// SPDX-License-Identifier: MIT
// Any file as the BinHex reader takes it: the sniffer and the reader agree on whether there is a
// body, no fork is told or written longer than its header says, what the reader says it wrote is
// what the forks file holds, and what it decoded, written again as BinHex, reads back the same.
// Every descriptor opened along the way is closed again.
#include "FuzzSupport.h"

#include "forks/BinHex.h"

#include <cstdint>
#include <fstream>
#include <iterator>
#include <vector>

using namespace kelda;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

// Decodes file into forks and checks what every reading must hold.
TBinHexReading Decode(const std::filesystem::path& file, const std::filesystem::path& forks,
                      std::size_t size) {
    TBinHexReading r;
    bool sniffed = false;
    {
        const TFileStream in(file, FileMode::Read);
        TFileStream out(forks, FileMode::Create);
        sniffed = SniffBinHex(in);
        r = DecodeBinHex(in, &out);
    }
    KELDA_FUZZ_CHECK(sniffed == r.BodyOffset.has_value());
    KELDA_FUZZ_CHECK((r.Fault == TBinHexFault::NoBody) == !r.BodyOffset);
    KELDA_FUZZ_CHECK(r.FaultOffset >= 0 && r.FaultOffset <= static_cast<std::int64_t>(size));
    KELDA_FUZZ_CHECK(r.DataPresent >= 0 && r.ResourcePresent >= 0);
    if (r.Header) {
        KELDA_FUZZ_CHECK(!r.Header->Name.empty() && r.Header->Name.size() <= 63);
        KELDA_FUZZ_CHECK(r.DataPresent <= std::int64_t{r.Header->DataLength});
        KELDA_FUZZ_CHECK(r.ResourcePresent <= std::int64_t{r.Header->ResourceLength});
        KELDA_FUZZ_CHECK(r.ResourcePresent == 0 || r.DataPresent == std::int64_t{r.Header->DataLength});
    } else {
        KELDA_FUZZ_CHECK(r.DataPresent == 0 && r.ResourcePresent == 0);
    }
    if (r.Sound()) {
        KELDA_FUZZ_CHECK(r.Header && r.DataPresent == std::int64_t{r.Header->DataLength} &&
                         r.ResourcePresent == std::int64_t{r.Header->ResourceLength});
        KELDA_FUZZ_CHECK(r.ResourceCrcStored == r.ResourceCrcComputed && r.ResourceCrcStored.has_value());
    }
    // A run mark makes at most 254 bytes from two, so the forks stay within a bound of the input.
    KELDA_FUZZ_CHECK(r.DataPresent + r.ResourcePresent <= 128 * static_cast<std::int64_t>(size));
    KELDA_FUZZ_CHECK(static_cast<std::int64_t>(std::filesystem::file_size(forks)) ==
                     r.DataPresent + r.ResourcePresent);
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = fuzz::ScratchFolder() / "binhex";
    static const bool made = std::filesystem::create_directories(folder);
    (void)made;
    const std::filesystem::path file = folder / "in.hqx";
    const std::filesystem::path forks = folder / "forks";
    const std::filesystem::path again = folder / "again.hqx";
    const std::filesystem::path forksAgain = folder / "forks-again";
    {
        std::ofstream f(file, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const int descriptors = fuzz::OpenDescriptorCount();
    const TBinHexReading r = Decode(file, forks, size);
    if (r.Header) {
        // What was decoded, as a whole file of its own: written and read again, the same.
        TBinHexHeader h = *r.Header;
        h.DataLength = static_cast<std::uint32_t>(r.DataPresent);
        h.ResourceLength = static_cast<std::uint32_t>(r.ResourcePresent);
        {
            const TFileStream in(forks, FileMode::Read);
            TFileStream out(again, FileMode::Create);
            WriteBinHex(h, {&in, 0, r.DataPresent}, {&in, r.DataPresent, r.ResourcePresent}, out);
        }
        const TBinHexReading back =
            Decode(again, forksAgain, static_cast<std::size_t>(std::filesystem::file_size(again)));
        KELDA_FUZZ_CHECK(back.Sound());
        KELDA_FUZZ_CHECK(back.Header == h);
        KELDA_FUZZ_CHECK(Read(forksAgain) == Read(forks));
    }
    KELDA_FUZZ_CHECK(fuzz::OpenDescriptorCount() == descriptors);
    return 0;
}
