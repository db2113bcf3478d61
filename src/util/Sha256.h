// SPDX-License-Identifier: MIT
// SHA-256 of a stream of bytes, for scan --hash. The processor's SHA instructions do the rounds
// where it has them (x86-64); the portable rounds give the same digest everywhere else.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kelda {

enum class TSha256Path {
    Best,     // the SHA instructions when the processor has them, else portable
    Portable, // plain C++ rounds
};

// Whether this processor runs the SHA instructions (so that Best is not Portable).
bool Sha256HasInstructions();

class TSha256 {
public:
    explicit TSha256(TSha256Path path = TSha256Path::Best);

    void Update(const void* data, std::size_t size);
    // The digest of every byte given; the object starts over afterwards.
    std::array<std::uint8_t, 32> Final();

private:
    using TCompress = void (*)(std::uint32_t* state, const std::uint8_t* blocks, std::size_t count);

    void Reset();

    TCompress compress_;
    std::array<std::uint32_t, 8> state_{};
    std::array<std::uint8_t, 64> pending_{};
    std::size_t pendingSize_ = 0;
    std::uint64_t length_ = 0;
};

} // namespace kelda
