// SPDX-License-Identifier: MIT
#include "util/VisibleText.h"

#include <cstdio>

namespace kelda {

namespace {

void AppendEscape(std::string& out, const char* format, unsigned value) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, value);
    out += buffer;
}

// escapeC1: also the UTF-8 forms of U+0080 to U+009F (0xC2 followed by 0x80 to 0x9F).
template <typename IsEscaped>
std::string EscapeBytes(std::string_view text, IsEscaped isEscaped, bool escapeC1) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (isEscaped(byte)) {
            AppendEscape(out, "\\x%02x", byte);
        } else if (escapeC1 && byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            AppendEscape(out, "\\u%04x", next);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

std::string EscapeControls(std::string_view text) {
    return EscapeBytes(
        text, [](unsigned char b) { return b < 0x20 || b == 0x7F; }, true);
}

std::string EscapeLineBreaks(std::string_view text) {
    return EscapeBytes(
        text, [](unsigned char b) { return b == '\r' || b == '\n'; }, false);
}

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

} // namespace

std::string HexBytes(std::string_view bytes, char separator) {
    std::string hex;
    hex.reserve(bytes.size() * 3);
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (separator != '\0' && !hex.empty()) {
            hex += separator;
        }
        hex += kHexDigits[b >> 4];
        hex += kHexDigits[b & 0x0F];
    }
    return hex;
}

std::string HexValue(std::uint32_t value, int bits) {
    std::string hex(static_cast<std::size_t>(bits / 4), '0');
    for (auto it = hex.rbegin(); it != hex.rend(); ++it) {
        *it = kHexDigits[value & 0x0F];
        value >>= 4;
    }
    return hex;
}

} // namespace kelda
