// SPDX-License-Identifier: MIT
#include "cli/TCliCodesetBuf.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <unicode/utf8.h>

namespace kelda {

namespace {

UConverter* OpenConverter(const std::string& codeset) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(codeset.c_str(), &status);
    if (U_FAILURE(status)) {
        return nullptr;
    }
    // ASCII is what the C and POSIX locales give, which mostly means no locale was set at all
    // (cron, containers): there text stays UTF-8, as it is for a UTF-8 locale, rather than every
    // Japanese character becoming "?".
    const std::string name = ucnv_getName(converter, &status);
    if (U_FAILURE(status) || name == "UTF-8" || name == "US-ASCII") {
        ucnv_close(converter);
        return nullptr;
    }
    ucnv_setSubstChars(converter, "?", 1, &status);
    ucnv_setFallback(converter, false); // "?" rather than a look-alike of another character
    return converter;
}

} // namespace

bool CliCodesetIsUtf8(const std::string& codeset) {
    UConverter* converter = codeset.empty() ? nullptr : OpenConverter(codeset);
    ucnv_close(converter);
    return converter == nullptr;
}

void TCliCodesetBuf::TCloser::operator()(UConverter* c) const {
    ucnv_close(c);
}

TCliCodesetBuf::TCliCodesetBuf(std::streambuf* target, const std::string& codeset)
    : target_(target), converter_(codeset.empty() ? nullptr : OpenConverter(codeset)) {}

TCliCodesetBuf::~TCliCodesetBuf() {
    Put(true);
}

TCliCodesetBuf::int_type TCliCodesetBuf::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    const char ch = traits_type::to_char_type(c);
    return xsputn(&ch, 1) == 1 ? c : traits_type::eof();
}

std::streamsize TCliCodesetBuf::xsputn(const char* s, std::streamsize n) {
    if (!converter_) {
        return target_->sputn(s, n);
    }
    pending_.append(s, static_cast<std::size_t>(n));
    return Put(false) ? n : 0;
}

int TCliCodesetBuf::sync() {
    return Put(true) && target_->pubsync() == 0 ? 0 : -1;
}

bool TCliCodesetBuf::Put(bool all) {
    if (!converter_) {
        return true;
    }
    // A line at a time, so that no character is cut between two writes.
    const std::size_t end = all ? pending_.size() : pending_.find_last_of("\n\r") + 1;
    if (end == 0 || pending_.empty()) {
        return true;
    }
    const std::string line = pending_.substr(0, end);
    pending_.erase(0, end);
    // Valid UTF-8 is converted run by run; a byte that is no UTF-8 (a file name's bytes in another
    // codeset, already escaped where it is shown) goes out as it is, never as "?".
    std::size_t i = 0;
    while (i < line.size()) {
        std::size_t run = i;
        while (run < line.size()) {
            int32_t at = static_cast<int32_t>(run);
            UChar32 c = 0;
            U8_NEXT(line.data(), at, static_cast<int32_t>(line.size()), c);
            if (c < 0) {
                break;
            }
            run = static_cast<std::size_t>(at);
        }
        if (run > i && !Convert(std::string_view(line).substr(i, run - i))) {
            return false;
        }
        if (run < line.size()) {
            if (target_->sputc(line[run]) == traits_type::eof()) {
                return false;
            }
            ++run;
        }
        i = run;
    }
    return true;
}

bool TCliCodesetBuf::Convert(std::string_view utf8) {
    std::u16string text(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8(text.data(), static_cast<int32_t>(text.size()), &length, utf8.data(),
                  static_cast<int32_t>(utf8.size()), &status);
    std::string bytes(static_cast<std::size_t>(length) * 4 + 4, '\0');
    const int32_t n = U_SUCCESS(status)
                          ? ucnv_fromUChars(converter_.get(), bytes.data(),
                                            static_cast<int32_t>(bytes.size()), text.data(), length, &status)
                          : 0;
    if (U_FAILURE(status)) {
        return false;
    }
    return target_->sputn(bytes.data(), n) == n;
}

} // namespace kelda
