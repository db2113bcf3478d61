// SPDX-License-Identifier: MIT
#include "util/MacText.h"

#include <algorithm>
#include <memory>
#include <unicode/ucnv.h>
#include <vector>

namespace kelda {

namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr OpenConverter(TMacEncoding encoding, bool stopOnError) {
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(
        ucnv_open(encoding == TMacEncoding::Japanese ? "windows-31j" : "macintosh", &status));
    if (U_FAILURE(status) || !converter) {
        return nullptr;
    }
    if (stopOnError) {
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    return U_SUCCESS(status) ? std::move(converter) : nullptr;
}

bool IsControlByte(unsigned char b) {
    return b < 0x20 || b == 0x7F;
}

// Decodes one run without control bytes into UTF-16. Returns false on a decoding error.
bool DecodeRun(UConverter* converter, std::string_view run, std::vector<UChar>& out) {
    out.assign(run.size() * 2 + 2, 0);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_reset(converter);
    const int32_t n = ucnv_toUChars(converter, out.data(), static_cast<int32_t>(out.size()), run.data(),
                                    static_cast<int32_t>(run.size()), &status);
    if (U_FAILURE(status)) {
        out.clear();
        return false;
    }
    out.resize(static_cast<std::size_t>(n));
    // The converter stands the SUB control (U+001A) in for a sequence it cannot decode. A run holds
    // no control bytes, so every U+001A here is such a stand-in: it shows as U+FFFD instead.
    std::replace(out.begin(), out.end(), UChar{0x1A}, UChar{0xFFFD});
    return true;
}

void AppendUtf16AsUtf8(std::string& out, const std::vector<UChar>& units) {
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t cp = units[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        AppendUtf8(out, cp);
    }
}

// Calls f(run, isControl) for each maximal run of control or non-control bytes. A control byte
// can never be the second byte of a code page 932 pair, so cutting there splits no character.
template <typename F> void ForEachRun(std::string_view bytes, F f) {
    std::size_t start = 0;
    while (start < bytes.size()) {
        const bool control = IsControlByte(static_cast<unsigned char>(bytes[start]));
        std::size_t end = start + 1;
        while (end < bytes.size() && IsControlByte(static_cast<unsigned char>(bytes[end])) == control) {
            ++end;
        }
        f(bytes.substr(start, end - start), control);
        start = end;
    }
}

} // namespace

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

bool IsValidCp932Text(std::string_view bytes) {
    ConverterPtr converter = OpenConverter(TMacEncoding::Japanese, true);
    if (!converter) {
        return false;
    }
    bool valid = true;
    std::vector<UChar> units;
    ForEachRun(bytes, [&](std::string_view run, bool control) {
        if (!valid || control) {
            return;
        }
        if (!DecodeRun(converter.get(), run, units)) {
            valid = false;
            return;
        }
        for (UChar u : units) {
            if (u >= 0xE000 && u <= 0xF8FF) {
                valid = false;
                return;
            }
        }
    });
    return valid;
}

std::string MacTextToUtf8(std::string_view bytes, TMacEncoding encoding) {
    if (encoding == TMacEncoding::Auto) {
        encoding = IsValidCp932Text(bytes) ? TMacEncoding::Japanese : TMacEncoding::Roman;
    }
    ConverterPtr converter = OpenConverter(encoding, false);
    std::string out;
    out.reserve(bytes.size() * 3);
    std::vector<UChar> units;
    ForEachRun(bytes, [&](std::string_view run, bool control) {
        if (control) {
            out.append(run);
        } else if (converter && DecodeRun(converter.get(), run, units)) {
            AppendUtf16AsUtf8(out, units);
        } else {
            for (std::size_t i = 0; i < run.size(); ++i) {
                AppendUtf8(out, 0xFFFD);
            }
        }
    });
    return out;
}

} // namespace kelda
