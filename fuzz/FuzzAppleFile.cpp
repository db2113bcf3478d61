// SPDX-License-Identifier: MIT
// Any file as an AppleSingle/AppleDouble reader takes it: either refused with a bilingual error, or
// every entry lies inside the file, none overlaps another, and making MacBinary from it gives back
// its forks and comment byte for byte. Every descriptor opened along the way is closed again.
#include "FuzzSupport.h"

#include "forks/MacBinaryEncoder.h"
#include "forks/TAppleContainer.h"
#include "forks/TMacFile.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

using namespace kelda;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Slice(const Bytes& b, std::int64_t offset, std::int64_t length) {
    return Bytes(b.begin() + offset, b.begin() + offset + length);
}

Bytes Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = fuzz::ScratchFolder() / "apple";
    static const bool made = std::filesystem::create_directories(folder);
    (void)made;
    const std::filesystem::path file = folder / "in.as";
    const std::filesystem::path out = folder / "out.bin";
    const Bytes bytes(data, data + size);
    {
        std::ofstream f(file, std::ios::binary | std::ios::trunc);
        f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    const int descriptors = fuzz::OpenDescriptorCount();
    try {
        const TAppleContainer container(file);
        std::vector<TAppleEntry> used;
        for (const TAppleEntry& e : container.Entries()) {
            KELDA_FUZZ_CHECK(e.Offset >= 0 && e.Length >= 0 &&
                             e.Offset + e.Length <= static_cast<std::int64_t>(size));
            if (e.Length > 0) {
                used.push_back(e);
            }
        }
        std::sort(used.begin(), used.end(), [](const auto& a, const auto& b) { return a.Offset < b.Offset; });
        for (std::size_t i = 1; i < used.size(); ++i) {
            KELDA_FUZZ_CHECK(used[i - 1].Offset + used[i - 1].Length <= used[i].Offset);
        }
        (void)container.Info();
        if (container.Kind() == TAppleKind::Single) {
            TEncodeOptions options;
            options.SourceDateEpoch = 0;
            options.DefaultName = "x";
            try {
                KELDA_FUZZ_CHECK(EncodeMacBinary(file, out, options) == TConvertStatus::Written);
                const TMacFileSource encoded = TMacFileSource::OpenMacBinary(out);
                const Bytes result = Read(out);
                const TAppleEntry* d = container.Find(kEntryDataFork);
                const TAppleEntry* r = container.Find(kEntryResourceFork);
                KELDA_FUZZ_CHECK(encoded.File().Data.Complete() && encoded.File().Resource.Complete());
                KELDA_FUZZ_CHECK(Slice(result, encoded.File().Data.Offset, encoded.File().Data.Length) ==
                                 (d ? Slice(bytes, d->Offset, d->Length) : Bytes{}));
                KELDA_FUZZ_CHECK(
                    Slice(result, encoded.File().Resource.Offset, encoded.File().Resource.Length) ==
                    (r ? Slice(bytes, r->Offset, r->Length) : Bytes{}));
                const std::string comment = container.Comment();
                KELDA_FUZZ_CHECK(encoded.Comment() == comment);
            } catch (const EBilingualError&) {
                // A name no Mac character set holds: refused before anything is written.
                KELDA_FUZZ_CHECK(!std::filesystem::exists(out));
            }
            std::filesystem::remove(out);
        }
    } catch (const EBilingualError&) {
        // Refused: not a container, or a damaged table.
    }
    KELDA_FUZZ_CHECK(fuzz::OpenDescriptorCount() == descriptors);
    return 0;
}
