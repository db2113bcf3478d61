// SPDX-License-Identifier: MIT
#include "crc/CrcUtils.h"

#include "crc/ChunkedFold.h"
#include "crc/CrcAllPass.h"
#include "util/TFileStream.h"
#include "util/TMappedFile.h"

#include <cstdlib>
#include <string_view>

namespace kelda {

namespace {

template <typename T> T PolyWordLeft(TPoly Poly) {
    T word = 0;
    for (const std::uint8_t e : Poly) {
        word = static_cast<T>(word | (T{1} << e));
    }
    return word;
}

template <typename T> T PolyWordRight(TPoly Poly, int width) {
    T word = 0;
    for (const std::uint8_t e : Poly) {
        word = static_cast<T>(word | (T{1} << (width - 1 - e)));
    }
    return word;
}

} // namespace

void TCrc::Create(TPoly Poly, bool Neg) {
    MakeTable(Poly);
    FNeg = Neg;
    Init();
}

// ------------------------------------------------------------------ 16 bits

void TCrc16::Init() {
    FCrc = FNeg ? 0xFFFFu : 0u;
}

std::uint16_t TCrc16::GetCrc() const {
    return FNeg ? static_cast<std::uint16_t>(FCrc ^ 0xFFFFu) : FCrc;
}

// Left, the 16-bit register is the upper half of the kernel's; Right, the lower half.
std::uint32_t TCrc16::KernelRegister() const {
    return FKernel.Direction() == TCrcDirection::Left ? std::uint32_t{FCrc} << 16 : FCrc;
}

void TCrc16::SetKernelRegister(std::uint32_t reg) {
    FCrc = static_cast<std::uint16_t>(FKernel.Direction() == TCrcDirection::Left ? reg >> 16 : reg);
}

void TCrc16L::MakeTable(TPoly Poly) {
    const auto poly = PolyWordLeft<std::uint16_t>(Poly);
    FKernel.Build(std::uint32_t{poly} << 16, TCrcDirection::Left);
}

void TCrc16L::Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) {
    if (Count <= 0) {
        return;
    }
    const std::uint32_t reg =
        FKernel.Update(std::uint32_t{FCrc} << 16, Buf + Index, static_cast<std::size_t>(Count));
    FCrc = static_cast<std::uint16_t>(reg >> 16);
}

void TCrc16R::MakeTable(TPoly Poly) {
    const auto poly = PolyWordRight<std::uint16_t>(Poly, 16);
    FKernel.Build(poly, TCrcDirection::Right);
}

void TCrc16R::Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) {
    if (Count <= 0) {
        return;
    }
    FCrc = static_cast<std::uint16_t>(FKernel.Update(FCrc, Buf + Index, static_cast<std::size_t>(Count)));
}

// ------------------------------------------------------------------ 32 bits

void TCrc32::Init() {
    FCrc = FNeg ? 0xFFFFFFFFu : 0u;
}

std::uint32_t TCrc32::GetCrc() const {
    return FNeg ? FCrc ^ 0xFFFFFFFFu : FCrc;
}

void TCrc32L::MakeTable(TPoly Poly) {
    const auto poly = PolyWordLeft<std::uint32_t>(Poly);
    FKernel.Build(poly, TCrcDirection::Left);
}

void TCrc32L::Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) {
    if (Count <= 0) {
        return;
    }
    FCrc = FKernel.Update(FCrc, Buf + Index, static_cast<std::size_t>(Count));
}

void TCrc32R::MakeTable(TPoly Poly) {
    const auto poly = PolyWordRight<std::uint32_t>(Poly, 32);
    FKernel.Build(poly, TCrcDirection::Right);
}

void TCrc32R::Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) {
    if (Count <= 0) {
        return;
    }
    FCrc = FKernel.Update(FCrc, Buf + Index, static_cast<std::size_t>(Count));
}

// ------------------------------------------------------------------ variants

std::unique_ptr<TCrc> MakeCrcEngine(const TCrcVariant& variant) {
    switch (variant.Class) {
    case TCrcClass::Crc16L:
        return std::make_unique<TCrc16L>(variant.Poly, variant.Neg);
    case TCrcClass::Crc16R:
        return std::make_unique<TCrc16R>(variant.Poly, variant.Neg);
    case TCrcClass::Crc32L:
        return std::make_unique<TCrc32L>(variant.Poly, variant.Neg);
    case TCrcClass::Crc32R:
        return std::make_unique<TCrc32R>(variant.Poly, variant.Neg);
    }
    return nullptr;
}

std::vector<std::unique_ptr<TCrc>> MakeCrcEngines() {
    std::vector<std::unique_ptr<TCrc>> engines;
    engines.reserve(CrcVariants.size());
    for (const auto& variant : CrcVariants) {
        engines.push_back(MakeCrcEngine(variant));
    }
    return engines;
}

// ------------------------------------------------------------------ files

namespace {

enum class TCrcReadPath { Chunks, ChunksOneThread, ChunksRead, Mapped };

// KELDA_CRC_READ, a diagnostic for measurements: "chunks-one-thread" folds the chunks on this
// thread only, "chunks-read" reads them with positional reads instead of mapping them, "mapped"
// folds regular files in order through memory mappings on this thread; anything else, or
// nothing, folds chunks on two threads.
TCrcReadPath CrcReadPath() {
    static const TCrcReadPath path = [] {
        const char* value = std::getenv("KELDA_CRC_READ");
        const std::string_view name = value != nullptr ? value : "";
        return name == "chunks-one-thread" ? TCrcReadPath::ChunksOneThread
               : name == "chunks-read"     ? TCrcReadPath::ChunksRead
               : name == "mapped"          ? TCrcReadPath::Mapped
                                           : TCrcReadPath::Chunks;
    }();
    return path;
}

TChunkedFoldOptions ChunkOptions(bool inOrder = false) {
    return {.ChunkSize = CrcReadChunkSize,
            .Map = CrcReadPath() != TCrcReadPath::ChunksRead,
            .BlockSize = CrcReadBlockSize,
            .SecondThread = !inOrder && CrcReadPath() != TCrcReadPath::ChunksOneThread};
}

// Every engine's register over a chunk, from zero, in one pass of each bit order.
class TAllPassFolder final : public TChunkFolder {
public:
    explicit TAllPassFolder(std::span<const std::unique_ptr<TCrc>> engines) : pass_(engines) {}
    void Start() override { pass_.Start(); }
    void Calc(const std::uint8_t* data, std::size_t size) override { pass_.Calc(data, size); }
    void Registers(std::span<std::uint32_t> out) const override { pass_.Registers(out); }

private:
    TCrcAllPass pass_;
};

// Hands every byte of the file to consume, in order, on this thread: for the mapped diagnostic,
// and for engines that cannot be folded from zero apart. The same bytes as the chunks: up to the
// size at opening, and the read-past-end error for a file cut short.
class TInOrderFolder final : public TChunkFolder {
public:
    explicit TInOrderFolder(const TConsumeFn& consume) : consume_(consume) {}
    void Start() override {}
    void Calc(const std::uint8_t* data, std::size_t size) override { consume_(data, size); }
    void Registers(std::span<std::uint32_t>) const override {}

private:
    const TConsumeFn& consume_;
};

// Returns how many bytes were read.
std::int64_t ReadInOrder(const std::filesystem::path& file, const ProgressFn& progress,
                         const TConsumeFn& consume) {
    std::int64_t done = 0;
    const TConsumeFn counted = [&](const std::uint8_t* data, std::size_t size) {
        done += static_cast<std::int64_t>(size);
        consume(data, size);
    };
    if (CrcReadPath() == TCrcReadPath::Mapped &&
        ReadMapped(file, counted, progress, {.PieceSize = CrcReadBlockSize})) {
        return done;
    }
    // On one thread the chunks are folded one after the other, in file order.
    return FoldFileChunks(
        file, 0, [&consume] { return std::make_unique<TInOrderFolder>(consume); },
        [](std::span<const std::uint32_t>, std::uint64_t) {}, progress, ChunkOptions(/*inOrder=*/true));
}

} // namespace

std::uint32_t CrcFile(TCrc& engine, const std::filesystem::path& file, const ProgressFn& progress,
                      std::int64_t* bytes) {
    engine.Init();
    std::int64_t folded = 0;
    if (CrcReadPath() != TCrcReadPath::Mapped) {
        const TCrcKernel& kernel = engine.Kernel();
        std::uint32_t reg = engine.KernelRegister();
        folded = FoldFileChunks(
            file, 1, [&kernel] { return std::make_unique<TKernelFolder>(kernel); },
            [&](std::span<const std::uint32_t> chunk, std::uint64_t size) {
                reg = kernel.Shift(reg, size) ^ chunk[0];
            },
            progress, ChunkOptions());
        engine.SetKernelRegister(reg);
    } else {
        folded = ReadInOrder(file, progress, [&engine](const std::uint8_t* data, std::size_t size) {
            engine.Calc(data, 0, static_cast<std::int64_t>(size));
        });
    }
    if (bytes != nullptr) {
        *bytes = folded;
    }
    return engine.Value();
}

void CrcFileAll(std::span<const std::unique_ptr<TCrc>> engines, const std::filesystem::path& file,
                const ProgressFn& progress, std::int64_t* bytes) {
    TCrcAllPass pass(engines);
    pass.Init();
    if (CrcReadPath() != TCrcReadPath::Mapped && pass.FromZeroOnly()) {
        std::vector<std::uint32_t> regs;
        for (const auto& engine : engines) {
            regs.push_back(engine->KernelRegister());
        }
        const std::int64_t folded = FoldFileChunks(
            file, engines.size(), [engines] { return std::make_unique<TAllPassFolder>(engines); },
            [&](std::span<const std::uint32_t> chunk, std::uint64_t size) {
                for (std::size_t i = 0; i < regs.size(); ++i) {
                    regs[i] = engines[i]->Kernel().Shift(regs[i], size) ^ chunk[i];
                }
            },
            progress, ChunkOptions());
        for (std::size_t i = 0; i < regs.size(); ++i) {
            engines[i]->SetKernelRegister(regs[i]);
        }
        if (bytes != nullptr) {
            *bytes = folded;
        }
        return;
    }
    const std::int64_t folded = ReadInOrder(
        file, progress, [&pass](const std::uint8_t* data, std::size_t size) { pass.Calc(data, size); });
    pass.Finish();
    if (bytes != nullptr) {
        *bytes = folded;
    }
}

std::array<std::uint32_t, CrcVariantCount> CrcFileAll(const std::filesystem::path& file,
                                                      const ProgressFn& progress, std::int64_t* bytes) {
    const auto engines = MakeCrcEngines();
    CrcFileAll(engines, file, progress, bytes);
    std::array<std::uint32_t, CrcVariantCount> results{};
    for (std::size_t i = 0; i < engines.size(); ++i) {
        results[i] = engines[i]->Value();
    }
    return results;
}

std::array<std::uint8_t, 2> CrcGetCrc16(const std::filesystem::path& file) {
    TCrc16L engine(PolyItuT16, false);
    CrcFile(engine, file);
    const std::uint16_t r = engine.GetCrc();
    return {static_cast<std::uint8_t>(r & 0xFFu), static_cast<std::uint8_t>(r >> 8)};
}

std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t size) {
    return Crc16XmodemUpdate(0, data, size);
}

std::uint16_t Crc16XmodemUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t size) {
    static const TCrc16L prototype(PolyItuT16, false);
    // The kernel holds a 16-bit CRC shifted up by 16 (CrcKernel.h).
    const std::uint32_t reg = prototype.Kernel().Update(std::uint32_t{crc} << 16, data, size);
    return static_cast<std::uint16_t>(reg >> 16);
}

} // namespace kelda
