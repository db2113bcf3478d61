// SPDX-License-Identifier: MIT
#include "util/jString.h"

namespace kelda {

namespace {

unsigned char ByteAt(std::string_view text, std::size_t pos) {
    return static_cast<unsigned char>(text[pos]);
}

bool IsCp932LeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at pos, or 1 when the byte there does not start one
// (stray continuation bytes, overlong forms, surrogates and values above U+10FFFF included).
std::size_t Utf8SequenceLength(std::string_view text, std::size_t pos) {
    const unsigned char c = ByteAt(text, pos);
    std::size_t length = 1;
    unsigned char secondMin = 0x80;
    unsigned char secondMax = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        length = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3;
        if (c == 0xE0) {
            secondMin = 0xA0;
        } else if (c == 0xED) {
            secondMax = 0x9F;
        }
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4;
        if (c == 0xF0) {
            secondMin = 0x90;
        } else if (c == 0xF4) {
            secondMax = 0x8F;
        }
    } else {
        return 1;
    }
    if (text.size() - pos < length) {
        return 1;
    }
    const unsigned char second = ByteAt(text, pos + 1);
    if (second < secondMin || second > secondMax) {
        return 1;
    }
    for (std::size_t i = 2; i < length; ++i) {
        if (!IsContinuation(ByteAt(text, pos + i))) {
            return 1;
        }
    }
    return length;
}

unsigned char FoldAscii(unsigned char c, bool fold) {
    return fold && c >= 'a' && c <= 'z' ? static_cast<unsigned char>(c - 'a' + 'A') : c;
}

int CompareBytes(std::string_view a, std::string_view b, bool fold) {
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const unsigned char x = FoldAscii(static_cast<unsigned char>(a[i]), fold);
        const unsigned char y = FoldAscii(static_cast<unsigned char>(b[i]), fold);
        if (x != y) {
            return x < y ? -1 : 1;
        }
    }
    if (a.size() == b.size()) {
        return 0;
    }
    return a.size() < b.size() ? -1 : 1;
}

} // namespace

std::size_t CharWidth(std::string_view text, std::size_t pos, TTextEncoding enc) {
    if (pos >= text.size()) {
        return 0;
    }
    if (enc == TTextEncoding::Cp932) {
        // A lead byte at the very end, or before a NUL, stands alone.
        const bool dbcs =
            IsCp932LeadByte(ByteAt(text, pos)) && pos + 1 < text.size() && text[pos + 1] != '\0';
        return dbcs ? 2 : 1;
    }
    return Utf8SequenceLength(text, pos);
}

bool IsDoubleByteChar(std::string_view text, std::size_t pos, TTextEncoding enc) {
    return CharWidth(text, pos, enc) > 1;
}

std::size_t StepChar(std::string_view text, std::size_t& pos, TTextEncoding enc) {
    const std::size_t width = CharWidth(text, pos, enc);
    pos += width;
    return width;
}

int CompareChar(std::string_view a, std::size_t& pa, std::string_view b, std::size_t& pb, bool ignoreCase,
                [[maybe_unused]] bool ignoreCaseDouble, TTextEncoding enc) {
    const std::size_t wa = CharWidth(a, pa, enc);
    const std::size_t wb = CharWidth(b, pb, enc);
    int result;
    std::size_t stepA = 1;
    std::size_t stepB = 1;
    if (wa > 1 && wb > 1) {
        // Folding stops at ASCII: a code page 932 trail byte may have a letter's value, and folding
        // it would make two different characters equal.
        result = CompareBytes(a.substr(pa, wa), b.substr(pb, wb), false);
        stepA = wa;
        stepB = wb;
    } else {
        result = CompareBytes(a.substr(pa, 1), b.substr(pb, 1), ignoreCase);
    }
    if (result == 0) {
        pa += stepA;
        pb += stepB;
    }
    return result;
}

std::optional<std::size_t> MatchAt(std::string_view text, std::size_t pos, std::string_view pattern,
                                   TTextEncoding enc) {
    if (pattern.empty() || pos >= text.size() || text[pos] != pattern[0]) {
        return std::nullopt;
    }
    std::size_t t = pos;
    std::size_t p = 0;
    while (t < text.size() && p < pattern.size()) {
        if (CompareChar(text, t, pattern, p, false, false, enc) != 0) {
            return std::nullopt;
        }
    }
    if (p < pattern.size()) {
        return std::nullopt; // the text ended first
    }
    return pos;
}

std::size_t CharPos(std::string_view pattern, std::string_view text, TTextEncoding enc) {
    if (pattern.empty() || text.empty()) {
        return 0;
    }
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (MatchAt(text, pos, pattern, enc)) {
            return pos + 1;
        }
        StepChar(text, pos, enc);
    }
    return 0;
}

} // namespace kelda
