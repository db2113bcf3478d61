// SPDX-License-Identifier: MIT
// Any file as the MacBinary page would take it: the header read from it, the six header pieces,
// the three outputs and the CRCs of the file, each checked against the same work done in memory.
// Every descriptor opened along the way must be closed again.
#include "FuzzSupport.h"

#include "crc/CrcUtils.h"
#include "macbinary/Conversion.h"
#include "macbinary/ForkLayout.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/LogBlock.h"
#include "macbinary/MacBinaryHeader.h"
#include "util/TFileStream.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

using namespace kelda;

namespace {

using Bytes = std::vector<std::uint8_t>;

void Write(const std::filesystem::path& file, const Bytes& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Read(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes Tail(const Bytes& bytes, std::size_t count) {
    const std::size_t from = std::min<std::size_t>(bytes.size(), kHeaderSize);
    count = std::min(count, bytes.size() - from);
    return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
                 bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

// The register of a variant worked out bit by bit, as a cross-check of the table engines.
std::uint32_t BitwiseCrc(const TCrcVariant& v, const Bytes& data) {
    const int w = v.Width;
    const std::uint32_t mask = w == 32 ? 0xFFFFFFFFu : 0xFFFFu;
    std::uint32_t poly = 0;
    for (const std::uint8_t e : v.Poly) {
        poly |= std::uint32_t{1} << e;
    }
    const bool right = v.Class == TCrcClass::Crc16R || v.Class == TCrcClass::Crc32R;
    std::uint32_t reflected = 0;
    for (int i = 0; i < w; ++i) {
        if ((poly >> i) & 1u) {
            reflected |= std::uint32_t{1} << (w - 1 - i);
        }
    }
    std::uint32_t reg = v.Neg ? mask : 0;
    for (const std::uint8_t byte : data) {
        if (right) {
            reg ^= byte;
            for (int k = 0; k < 8; ++k) {
                reg = (reg & 1u) ? (reg >> 1) ^ reflected : reg >> 1;
            }
        } else {
            reg ^= std::uint32_t{byte} << (w - 8);
            for (int k = 0; k < 8; ++k) {
                reg = (reg >> (w - 1)) & 1u ? ((reg << 1) ^ poly) & mask : (reg << 1) & mask;
            }
        }
    }
    return v.Neg ? reg ^ mask : reg;
}

// A file name made of fuzz bytes: anything but the separator and NUL, short enough that the
// pieces' names (name + 4 bytes) stay within the file system's limit.
std::string NameFrom(std::string raw) {
    std::replace(raw.begin(), raw.end(), '/', '_');
    std::replace(raw.begin(), raw.end(), '\0', '_');
    raw.resize(std::min<std::size_t>(raw.size(), 200));
    if (raw.empty() || raw == "." || raw == "..") {
        raw = "x" + raw;
    }
    return raw;
}

void CheckPieces(const std::filesystem::path& tmp, const std::filesystem::path& source,
                 const THeader& header) {
    const THeader form = WriteHeaderPieces(tmp, source, header);
    KELDA_FUZZ_CHECK(form == MacBinaryIIForm(header));
    KELDA_FUZZ_CHECK(!FirstMissingPiece(tmp, source));
    KELDA_FUZZ_CHECK(ReadMacBinaryIIPieces(tmp, source) == form);
    for (const TPieceSpec& piece : HeaderPieceSpecs) {
        const Bytes bytes = Read(PieceFileName(tmp, source, piece.Extension));
        const THeader& from = piece.Extension.ends_with('1') ? header : form;
        KELDA_FUZZ_CHECK(bytes ==
                         Bytes(from.begin() + piece.Offset, from.begin() + piece.Offset + piece.Count));
    }
    const TTmpClearResult cleared = ClearTmpFiles(tmp);
    KELDA_FUZZ_CHECK(cleared.FolderHadEntries && cleared.Deleted == 6);
    KELDA_FUZZ_CHECK(FirstMissingPiece(tmp, source) == ".DA2");
}

void CheckOutput(int which, const std::filesystem::path& folder, const std::filesystem::path& source,
                 const Bytes& file, const THeader& header) {
    const std::filesystem::path out = folder / "out.bin";
    const Bytes body = Tail(file, file.size());
    Bytes expected;
    TConvertStatus status;
    if (which == 0) {
        const THeader form = MacBinaryIIForm(header);
        status = WriteMacBinaryII(form, source, out);
        expected.assign(form.begin(), form.end());
        expected.insert(expected.end(), body.begin(), body.end());
    } else if (which == 1) {
        status = WriteWithoutHeader(source, out);
        expected = body;
    } else {
        // Where the layout puts the data fork (after a secondary header), with its unsigned length.
        const TForkSpan data = ComputeForkLayout(header, static_cast<std::int64_t>(file.size())).Data;
        status = WriteDataFork(source, header, out);
        if (data.Present > 0) {
            const auto from = file.begin() + static_cast<std::ptrdiff_t>(data.Offset);
            expected.assign(from, from + static_cast<std::ptrdiff_t>(data.Present));
        }
    }
    KELDA_FUZZ_CHECK(status == TConvertStatus::Written);
    KELDA_FUZZ_CHECK(Read(out) == expected);
    // The source can never be its own output.
    KELDA_FUZZ_CHECK(WriteWithoutHeader(source, source) == TConvertStatus::SourceIsOutput);
    std::filesystem::remove(out);
}

void CheckCrcs(bool all, const std::filesystem::path& source, const Bytes& file, std::size_t variant) {
    // Built once: making the twelve tables costs more than the run itself.
    static const std::vector<std::unique_ptr<TCrc>> engines = MakeCrcEngines();
    const std::uint32_t expected = BitwiseCrc(CrcVariants[variant], file);
    if (all) {
        CrcFileAll(engines, source);
        for (std::size_t i = 0; i < engines.size(); ++i) {
            KELDA_FUZZ_CHECK(engines[i]->Value() == BitwiseCrc(CrcVariants[i], file));
        }
        return;
    }
    KELDA_FUZZ_CHECK(CrcFile(*engines[variant], source) == expected);
    const std::array<std::uint8_t, 2> crc16 = CrcGetCrc16(source);
    const std::uint32_t xmodem = BitwiseCrc(CrcVariants[CrcHeaderVariant], file);
    KELDA_FUZZ_CHECK(crc16[0] == (xmodem & 0xFF) && crc16[1] == (xmodem >> 8));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::filesystem::path folder = fuzz::ScratchFolder() / "conversion";
    static const std::filesystem::path tmp = folder / "TMP";
    static const bool made = std::filesystem::create_directories(tmp);
    (void)made;

    FuzzedDataProvider input(data, size);
    // One piece of work per run keeps the runs fast.
    const int work = input.ConsumeIntegralInRange<int>(0, 15);
    const std::size_t variant = input.ConsumeIntegralInRange<std::size_t>(0, CrcVariantCount - 1);
    const bool ownName = input.ConsumeBool();
    const std::string name = ownName ? NameFrom(input.ConsumeRandomLengthString(64)) : "source.bin";
    const Bytes file = input.ConsumeRemainingBytes<std::uint8_t>();
    const std::filesystem::path source = folder / name;
    Write(source, file);

    const int descriptors = fuzz::OpenDescriptorCount();
    THeader header{};
    try {
        ReadHeader(source, header);
        KELDA_FUZZ_CHECK(file.size() >= kHeaderSize);
    } catch (const EFileError& e) {
        KELDA_FUZZ_CHECK(file.size() < kHeaderSize && e.kind() == EFileError::Kind::ReadPastEnd);
        // The bytes that were there have replaced the start of the header.
        KELDA_FUZZ_CHECK(std::equal(file.begin(), file.end(), header.begin()));
    }
    KELDA_FUZZ_CHECK(FileSizeOf(source) == static_cast<std::int64_t>(file.size()));
    if (work < 4) {
        CheckPieces(tmp, source, header);
    } else if (work < 13) {
        CheckOutput(work % 3, folder, source, file, header);
    } else {
        CheckCrcs(work == 15, source, file, variant);
    }
    KELDA_FUZZ_CHECK(fuzz::OpenDescriptorCount() == descriptors);
    KELDA_FUZZ_CHECK(Read(source) == file);
    std::filesystem::remove(source);
    return 0;
}
