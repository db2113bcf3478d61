// SPDX-License-Identifier: MIT
// Macintosh text bytes decoded for display: always well-formed UTF-8, control bytes kept in place,
// MacRoman total (one character per byte), and valid code page 932 decoded without a replacement.
#include "FuzzSupport.h"

#include "util/MacText.h"

#include <cstdint>
#include <string>
#include <string_view>

using namespace kelda;

namespace {

bool IsControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}

std::string Controls(std::string_view text) {
    std::string out;
    for (const char c : text) {
        if (IsControl(static_cast<unsigned char>(c))) {
            out += c;
        }
    }
    return out;
}

std::size_t CodePoints(std::string_view utf8) {
    std::size_t n = 0;
    for (const char c : utf8) {
        n += (static_cast<unsigned char>(c) & 0xC0) != 0x80 ? 1 : 0;
    }
    return n;
}

bool HasReplacement(std::string_view utf8) {
    return utf8.find("\xEF\xBF\xBD") != std::string_view::npos;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const bool validJapanese = IsValidCp932Text(bytes);
    const std::string japanese = MacTextToUtf8(bytes, TMacEncoding::Japanese);
    const std::string roman = MacTextToUtf8(bytes, TMacEncoding::Roman);
    const std::string automatic = MacTextToUtf8(bytes, TMacEncoding::Auto);

    for (const std::string* out : {&japanese, &roman}) {
        KELDA_FUZZ_CHECK(fuzz::IsWellFormedUtf8(*out));
        KELDA_FUZZ_CHECK(Controls(*out) == Controls(bytes));
    }
    KELDA_FUZZ_CHECK(CodePoints(roman) == bytes.size());
    KELDA_FUZZ_CHECK(!HasReplacement(roman));
    if (validJapanese) {
        KELDA_FUZZ_CHECK(!HasReplacement(japanese));
    }
    // The judgement takes one of the two readings, never Japanese when the bytes are not valid
    // code page 932, and the one name decoder agrees with it.
    const TMacNameReading judged = JudgeMacText(bytes);
    KELDA_FUZZ_CHECK(judged.Encoding != TMacEncoding::Auto);
    KELDA_FUZZ_CHECK(validJapanese || judged.Encoding == TMacEncoding::Roman);
    KELDA_FUZZ_CHECK(judged.Text == (judged.Encoding == TMacEncoding::Japanese ? japanese : roman));
    KELDA_FUZZ_CHECK(automatic == judged.Text);
    KELDA_FUZZ_CHECK(ReadMacName(bytes).Text == automatic);
    return 0;
}
