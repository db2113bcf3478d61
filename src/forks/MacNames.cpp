// SPDX-License-Identifier: MIT
#include "forks/MacNames.h"

#include "forks/ForkErrors.h"
#include "util/MacText.h"
#include "util/TFolder.h"

#include <algorithm>
#include <memory>
#include <optional>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <vector>

namespace kelda {

namespace {

constexpr char32_t kControlPictures = 0x2400;
constexpr char32_t kDeletePicture = 0x2421;

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

// The text in the converter's bytes; nullopt when a character has none.
std::optional<std::string> FromUnicode(const std::u16string& text, const char* converterName) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open(converterName, &status));
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    // Only exact round-trip mappings: a best-fit byte would come back as another character.
    ucnv_setFallback(converter.get(), false);
    std::string out(text.size() * 2 + 4, '\0');
    const int32_t n = ucnv_fromUChars(converter.get(), out.data(), static_cast<int32_t>(out.size()),
                                      text.data(), static_cast<int32_t>(text.size()), &status);
    if (U_FAILURE(status)) {
        return std::nullopt;
    }
    out.resize(static_cast<std::size_t>(n));
    return out;
}

std::u16string ToUtf16(std::string_view utf8) {
    std::u16string out(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(out.data(), static_cast<int32_t>(out.size()), &length, utf8.data(),
                         static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr, &status);
    if (U_FAILURE(status)) {
        return {};
    }
    out.resize(static_cast<std::size_t>(length));
    return out;
}

} // namespace

std::string SafeLocalName(std::string_view macName, TMacEncoding encoding) {
    return SafeLocalText(ReadMacName(macName, encoding).Text);
}

std::string SafeLocalText(std::string_view decoded) {
    std::string out;
    for (const char c : decoded) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20) {
            AppendUtf8(out, kControlPictures + b);
        } else if (b == 0x7F) {
            AppendUtf8(out, kDeletePicture);
        } else if (c == '/') {
            out += ':';
        } else {
            out += c;
        }
    }
    // Names that are no file's own, or that the file layer keeps for its temporaries (a file of that
    // shape in the output's folder would look like one to a later clean-up), get a "_" before them.
    if (out.empty() || out == "." || out == ".." || HasTemporaryShape(out)) {
        out = "_" + out;
    }
    return out;
}

std::string CutMacName(std::string_view bytes, bool japanese, std::size_t limit) {
    std::size_t end = 0;
    while (end < bytes.size()) {
        const std::size_t width =
            japanese && IsLeadByte(static_cast<unsigned char>(bytes[end])) && end + 1 < bytes.size() ? 2 : 1;
        if (end + width > limit) {
            break;
        }
        end += width;
    }
    return std::string(bytes.substr(0, end));
}

namespace {

// The Mac bytes of a UTF-8 name, uncut; EncodeMacName says the rest.
std::string EncodeMacNameBytes(std::string_view utf8, TMacEncoding encoding, bool fromLocalName,
                               TMacEncoding& used) {
    std::u16string text = ToUtf16(utf8);
    if (fromLocalName) {
        for (char16_t& u : text) {
            if (u == u':') {
                u = u'/';
            } else if (u >= kControlPictures && u < kControlPictures + 0x20) {
                u = static_cast<char16_t>(u - kControlPictures);
            } else if (u == kDeletePicture) {
                u = 0x7F;
            }
        }
    }
    std::optional<std::string> bytes;
    TMacEncoding chosen = encoding == TMacEncoding::Auto ? TMacEncoding::Roman : encoding;
    bytes = FromUnicode(text, chosen == TMacEncoding::Japanese ? "windows-31j" : "macintosh");
    if (!bytes && encoding == TMacEncoding::Auto) {
        chosen = TMacEncoding::Japanese;
        bytes = FromUnicode(text, "windows-31j");
    }
    if (!bytes) {
        throw ForkError(TMsg::NameNotEncodable);
    }
    used = chosen;
    return *bytes;
}

} // namespace

std::string EncodeMacName(std::string_view utf8, TMacEncoding encoding, bool fromLocalName,
                          TMacEncoding* used) {
    TMacEncoding chosen = TMacEncoding::Roman;
    const std::string bytes = EncodeMacNameBytes(utf8, encoding, fromLocalName, chosen);
    if (used != nullptr) {
        *used = chosen;
    }
    return CutMacName(bytes, chosen == TMacEncoding::Japanese);
}

TMacNameFault GivenMacNameFault(std::string_view utf8, TMacEncoding encoding) {
    if (utf8.empty()) {
        return TMacNameFault::Empty;
    }
    // UTF-8, Mac Roman and code page 932 share the control bytes, and none is part of a character.
    if (std::any_of(utf8.begin(), utf8.end(), [](char c) {
            const auto b = static_cast<unsigned char>(c);
            return b < 0x20 || b == 0x7F;
        })) {
        return TMacNameFault::ControlByte;
    }
    TMacEncoding chosen = TMacEncoding::Roman;
    return EncodeMacNameBytes(utf8, encoding, false, chosen).size() > kMaxMacNameLength
               ? TMacNameFault::TooLong
               : TMacNameFault::None;
}

std::string EncodeFourCC(std::string_view utf8) {
    const std::optional<std::string> bytes = FromUnicode(ToUtf16(utf8), "macintosh");
    if (!bytes || bytes->size() > 4) {
        throw ForkError(TMsg::TypeCodeInvalid);
    }
    std::string code = *bytes;
    code.resize(4, ' ');
    return code;
}

} // namespace kelda
