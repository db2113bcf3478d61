// SPDX-License-Identifier: MIT
// Big-endian numbers in byte buffers: every Mac structure (the MacBinary header, the resource map,
// AppleSingle/AppleDouble, BinHex, HFS) stores its numbers most significant byte first. The caller
// makes sure the bytes are there.
#pragma once

#include <cstdint>

namespace kelda {

constexpr std::uint16_t GetBig16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[0] << 8) | at[1]);
}

constexpr std::uint32_t GetBig24(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 16) | (std::uint32_t{at[1]} << 8) | at[2];
}

constexpr std::uint32_t GetBig32(const std::uint8_t* at) {
    return (std::uint32_t{at[0]} << 24) | (std::uint32_t{at[1]} << 16) | (std::uint32_t{at[2]} << 8) | at[3];
}

constexpr std::uint64_t GetBig64(const std::uint8_t* at) {
    return std::uint64_t{GetBig32(at)} << 32 | GetBig32(at + 4);
}

// The few structures kept in the writing host's byte order (an HFS+ journal) may be little-endian.
constexpr std::uint16_t GetLittle16(const std::uint8_t* at) {
    return static_cast<std::uint16_t>((at[1] << 8) | at[0]);
}

constexpr std::uint32_t GetLittle32(const std::uint8_t* at) {
    return (std::uint32_t{at[3]} << 24) | (std::uint32_t{at[2]} << 16) | (std::uint32_t{at[1]} << 8) | at[0];
}

constexpr std::uint64_t GetLittle64(const std::uint8_t* at) {
    return std::uint64_t{GetLittle32(at + 4)} << 32 | GetLittle32(at);
}

constexpr void PutBig16(std::uint8_t* at, std::uint16_t value) {
    at[0] = static_cast<std::uint8_t>(value >> 8);
    at[1] = static_cast<std::uint8_t>(value);
}

constexpr void PutBig32(std::uint8_t* at, std::uint32_t value) {
    PutBig16(at, static_cast<std::uint16_t>(value >> 16));
    PutBig16(at + 2, static_cast<std::uint16_t>(value));
}

} // namespace kelda
