// SPDX-License-Identifier: MIT
// Many CRC engines over one stream of data in one pass.
//
// The engines are grouped by bit order. Each group runs one computation modulo the product Q of
// its distinct polynomials (for the twelve variants: 16 + 16 + 32 = degree 64), reducing the data
// to a short value that is congruent to it modulo every polynomial of the group. Each engine's
// CRC then follows from that value through the engine's own table, plus what its initial register
// contributes (TCrcKernel::Shift over the data's length). The cost is one pass per bit order
// instead of one per engine.
#pragma once

#include "crc/CrcFold.h"
#include "crc/CrcKernel.h"
#include "crc/CrcPoly.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace kelda {

class TCrc;

class TCrcAllPass {
public:
    // The engines must outlive the pass.
    explicit TCrcAllPass(std::span<const std::unique_ptr<TCrc>> engines);
    ~TCrcAllPass();

    TCrcAllPass(const TCrcAllPass&) = delete;
    TCrcAllPass& operator=(const TCrcAllPass&) = delete;

    // Init of every engine, and a new computation on the path active now.
    void Init();
    // Feeds the next size bytes.
    void Calc(const std::uint8_t* data, std::size_t size);
    // Leaves each engine's result in its register, for its GetCrc.
    void Finish();

    // For folding pieces of one stream apart (ChunkedFold.h): Start begins a new computation
    // without touching the engines, Calc feeds it, and Registers gives each engine's register, in
    // its kernel's form, as if it had started from zero at Start. Only for a pass whose engines
    // all share a group (FromZeroOnly), so that Calc never runs an engine itself; then several
    // passes over the same engines may run on different threads.
    bool FromZeroOnly() const;
    void Start();
    void Registers(std::span<std::uint32_t> out) const;

    // The number of separate passes over the data (one per bit order, or one per engine whose
    // group's product of polynomials would pass degree 64).
    std::size_t PassCount() const;

private:
    struct TGroup;

    std::vector<TCrc*> FEngines;
    std::vector<std::unique_ptr<TGroup>> FGroups;
    std::uint64_t FTotal = 0;
    TCrcPath FPath = TCrcPath::Portable;
};

} // namespace kelda
