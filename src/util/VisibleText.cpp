// SPDX-License-Identifier: MIT
#include "util/VisibleText.h"

#include <cstdio>
#include <optional>

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

std::string EscapeSumName(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0u;
        if (byte == '\\') {
            out += "\\\\";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else if (byte < 0x20 || byte == 0x7F) {
            AppendEscape(out, "\\x%02x", byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            AppendEscape(out, "\\u%04x", next);
            ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

std::optional<std::string> UnescapeSumName(std::string_view text) {
    const auto hex = [](std::string_view digits) -> std::optional<unsigned> {
        unsigned value = 0;
        for (const char c : digits) {
            const int d = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
            if (d < 0) {
                return std::nullopt;
            }
            value = value * 16 + static_cast<unsigned>(d);
        }
        return value;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i == text.size()) {
            return std::nullopt;
        }
        switch (text[i]) {
        case '\\':
            out += '\\';
            break;
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 'x': {
            const std::optional<unsigned> v = i + 2 < text.size() ? hex(text.substr(i + 1, 2)) : std::nullopt;
            if (!v || (*v >= 0x20 && *v != 0x7F)) {
                return std::nullopt;
            }
            out += static_cast<char>(*v);
            i += 2;
            break;
        }
        case 'u': {
            const std::optional<unsigned> v = i + 4 < text.size() ? hex(text.substr(i + 1, 4)) : std::nullopt;
            if (!v || *v < 0x80 || *v > 0x9F) {
                return std::nullopt;
            }
            out += static_cast<char>(0xC2);
            out += static_cast<char>(*v);
            i += 4;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
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
