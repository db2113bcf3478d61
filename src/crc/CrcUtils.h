// SPDX-License-Identifier: MIT
// CRC engines of 16 and 32 bits built from a generator polynomial given as a list of exponents,
// the table of the twelve variants of the CRC page, and the file CRC functions.
#pragma once

#include "crc/CrcKernel.h"
#include "util/Progress.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace kelda {

// A generator polynomial: the exponents of its terms below the implied top term x^W.
using TPoly = std::span<const std::uint8_t>;

inline constexpr std::array<std::uint8_t, 3> PolyItuT16 = {0, 5, 12};  // x^16 + x^12 + x^5 + 1
inline constexpr std::array<std::uint8_t, 3> PolyAscii16 = {0, 2, 15}; // x^16 + x^15 + x^2 + 1
inline constexpr std::array<std::uint8_t, 14> PolyItuT32 = {0, 1, 2, 4, 5, 7, 8, 10, 11, 12, 16, 22, 23, 26};

// Abstract engine. A computation is Init, then Calc once per block in data order, then GetCrc.
class TCrc {
public:
    virtual ~TCrc() = default;
    TCrc(const TCrc&) = delete;
    TCrc& operator=(const TCrc&) = delete;

    // Starts a new computation: the register becomes all ones (NEG) or 0 (POS).
    virtual void Init() = 0;
    // Feeds Buf[Index] .. Buf[Index + Count - 1]; a Count of 0 or less does nothing.
    virtual void Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) = 0;

    // 16 or 32, decided by the class family.
    virtual int Width() const = 0;
    // GetCrc of either family, widened.
    virtual std::uint32_t Value() const = 0;

    // The 32-bit kernel the engine runs on, and the register in the kernel's form (see
    // CrcKernel.h), so that a computation done outside the engine can leave its result here.
    virtual const TCrcKernel& Kernel() const = 0;
    virtual std::uint32_t KernelRegister() const = 0;
    virtual void SetKernelRegister(std::uint32_t reg) = 0;

    bool Neg() const { return FNeg; }

protected:
    TCrc() = default;

    // Builds the kernel's tables from Poly (called once, by Create).
    virtual void MakeTable(TPoly Poly) = 0;

    // The construction sequence shared by every engine: MakeTable, then FNeg, then Init.
    // C++ does not dispatch virtual calls from a base-class constructor to the derived class,
    // so each final class calls Create from its own constructor body, where the object
    // already is of that class and the calls reach its own MakeTable and Init.
    void Create(TPoly Poly, bool Neg);

    bool FNeg = false;
};

class TCrc16 : public TCrc {
public:
    void Init() override;
    virtual std::uint16_t GetCrc() const;

    int Width() const override { return 16; }
    std::uint32_t Value() const override { return GetCrc(); }

    const TCrcKernel& Kernel() const override { return FKernel; }
    std::uint32_t KernelRegister() const override;
    void SetKernelRegister(std::uint32_t reg) override;

protected:
    std::uint16_t FCrc = 0;
    // The engine the CRC runs on: the same CRC seen as one of 32 bits (see CrcKernel.h).
    TCrcKernel FKernel;
};

// Most significant bit first.
class TCrc16L final : public TCrc16 {
public:
    TCrc16L(TPoly Poly, bool Neg) { Create(Poly, Neg); }
    void Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) override;

protected:
    void MakeTable(TPoly Poly) override;
};

// Least significant bit first (the reflected algorithm).
class TCrc16R final : public TCrc16 {
public:
    TCrc16R(TPoly Poly, bool Neg) { Create(Poly, Neg); }
    void Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) override;

protected:
    void MakeTable(TPoly Poly) override;
};

class TCrc32 : public TCrc {
public:
    void Init() override;
    virtual std::uint32_t GetCrc() const;

    int Width() const override { return 32; }
    std::uint32_t Value() const override { return GetCrc(); }

    const TCrcKernel& Kernel() const override { return FKernel; }
    std::uint32_t KernelRegister() const override { return FCrc; }
    void SetKernelRegister(std::uint32_t reg) override { FCrc = reg; }

protected:
    std::uint32_t FCrc = 0;
    TCrcKernel FKernel;
};

class TCrc32L final : public TCrc32 {
public:
    TCrc32L(TPoly Poly, bool Neg) { Create(Poly, Neg); }
    void Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) override;

protected:
    void MakeTable(TPoly Poly) override;
};

class TCrc32R final : public TCrc32 {
public:
    TCrc32R(TPoly Poly, bool Neg) { Create(Poly, Neg); }
    void Calc(const std::uint8_t* Buf, std::int64_t Index, std::int64_t Count) override;

protected:
    void MakeTable(TPoly Poly) override;
};

// ------------------------------------------------------------------ the twelve variants

enum class TCrcClass { Crc16L, Crc16R, Crc32L, Crc32R };

struct TCrcVariant {
    int Index;              // position in ListBox1 and in the engine list
    std::string_view Entry; // exact text of the ListBox1 entry
    TCrcClass Class;
    TPoly Poly;
    bool Neg;
    int Width;
};

inline constexpr std::size_t CrcVariantCount = 12;

// In the order of ListBox1. The LEFT entries have two blanks after "LEFT,".
inline constexpr std::array<TCrcVariant, CrcVariantCount> CrcVariants = {{
    {0, "CRC16 ITU-T, LEFT,  NEG", TCrcClass::Crc16L, PolyItuT16, true, 16},
    {1, "CRC16 ITU-T, LEFT,  POS", TCrcClass::Crc16L, PolyItuT16, false, 16},
    {2, "CRC16 ITU-T, RIGHT, NEG", TCrcClass::Crc16R, PolyItuT16, true, 16},
    {3, "CRC16 ITU-T, RIGHT, POS", TCrcClass::Crc16R, PolyItuT16, false, 16},
    {4, "CRC16 ASCII, LEFT,  NEG", TCrcClass::Crc16L, PolyAscii16, true, 16},
    {5, "CRC16 ASCII, LEFT,  POS", TCrcClass::Crc16L, PolyAscii16, false, 16},
    {6, "CRC16 ASCII, RIGHT, NEG", TCrcClass::Crc16R, PolyAscii16, true, 16},
    {7, "CRC16 ASCII, RIGHT, POS", TCrcClass::Crc16R, PolyAscii16, false, 16},
    {8, "CRC32 ITU-T, LEFT,  NEG", TCrcClass::Crc32L, PolyItuT32, true, 32},
    {9, "CRC32 ITU-T, LEFT,  POS", TCrcClass::Crc32L, PolyItuT32, false, 32},
    {10, "CRC32 ITU-T, RIGHT, NEG", TCrcClass::Crc32R, PolyItuT32, true, 32},
    {11, "CRC32 ITU-T, RIGHT, POS", TCrcClass::Crc32R, PolyItuT32, false, 32},
}};

// The variant the MacBinary II header CRC uses: "CRC16 ITU-T, LEFT,  POS".
inline constexpr int CrcHeaderVariant = 1;

std::unique_ptr<TCrc> MakeCrcEngine(const TCrcVariant& variant);
// The twelve engines in list order, each with its own table.
std::vector<std::unique_ptr<TCrc>> MakeCrcEngines();

// ------------------------------------------------------------------ files

// Size of the reads of a file that is read rather than mapped (ChunkedFold.h). Half the
// processor's second-level cache of 1 MiB, so that a block stays there between being copied
// from the operating system and being folded.
inline constexpr std::size_t CrcReadBlockSize = std::size_t{512} << 10;

// Files are folded in chunks of this size (ChunkedFold.h), and progress comes after each.
inline constexpr std::size_t CrcReadChunkSize = std::size_t{4} << 20;

// Init, Calc per block over the whole file, and the result of engine (also left in its register).
// Throws EFileError when the file cannot be opened or read, ECancelled when progress says stop.
// bytes, when given, receives how many bytes were folded (a file whose size reads 0, as those of
// /proc do, is read to its end).
std::uint32_t CrcFile(TCrc& engine, const std::filesystem::path& file, const ProgressFn& progress = {},
                      std::int64_t* bytes = nullptr);

// The twelve variants over one reading of the file, in list order.
std::array<std::uint32_t, CrcVariantCount>
CrcFileAll(const std::filesystem::path& file, const ProgressFn& progress = {}, std::int64_t* bytes = nullptr);
// Every engine over one reading of the file; each engine's GetCrc then gives its result, as if
// CrcFile had run it alone. On an error or cancel the engines' registers are unspecified.
void CrcFileAll(std::span<const std::unique_ptr<TCrc>> engines, const std::filesystem::path& file,
                const ProgressFn& progress = {}, std::int64_t* bytes = nullptr);

// "CRC16 ITU-T, LEFT,  POS" over a whole file, delivered low-order byte first.
std::array<std::uint8_t, 2> CrcGetCrc16(const std::filesystem::path& file);

// The same variant over bytes in memory.
std::uint16_t Crc16Xmodem(const std::uint8_t* data, std::size_t size);
// The same continued: crc is the value over the bytes before data (0 for none), so that feeding a
// stream in pieces gives Crc16Xmodem of the whole.
std::uint16_t Crc16XmodemUpdate(std::uint16_t crc, const std::uint8_t* data, std::size_t size);

} // namespace kelda
