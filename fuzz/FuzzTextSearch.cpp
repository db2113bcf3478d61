// SPDX-License-Identifier: MIT
// The character-aware text primitives and the line splitter over any bytes, in both encodings.
// Character boundaries are worked out here independently and every result is checked against them.
#include "FuzzSupport.h"

#include "util/Myutil.h"
#include "util/jString.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

using namespace kelda;

namespace {

// Width of the character at pos by the encoding's own rule, without the library's help.
std::size_t ExpectedWidth(std::string_view text, std::size_t pos, TTextEncoding enc) {
    const auto c = static_cast<unsigned char>(text[pos]);
    if (enc == TTextEncoding::Cp932) {
        const bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        return lead && pos + 1 < text.size() && text[pos + 1] != '\0' ? 2 : 1;
    }
    const std::size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
    if (length > 1 && fuzz::IsWellFormedUtf8(text.substr(pos, length)) && text.size() - pos >= length) {
        return length;
    }
    return 1;
}

// Every position where a character starts.
std::vector<std::size_t> Boundaries(std::string_view text, TTextEncoding enc) {
    std::vector<std::size_t> starts;
    std::size_t pos = 0;
    while (pos < text.size()) {
        starts.push_back(pos);
        const std::size_t width = CharWidth(text, pos, enc);
        KELDA_FUZZ_CHECK(width == ExpectedWidth(text, pos, enc));
        KELDA_FUZZ_CHECK(IsDoubleByteChar(text, pos, enc) == (width > 1));
        std::size_t stepped = pos;
        KELDA_FUZZ_CHECK(StepChar(text, stepped, enc) == width && stepped == pos + width);
        pos += width;
    }
    KELDA_FUZZ_CHECK(pos == text.size());
    std::size_t end = text.size();
    KELDA_FUZZ_CHECK(StepChar(text, end, enc) == 0 && end == text.size());
    return starts;
}

// 1-based position of the first character that is the one-byte sign c, 0 if none.
std::size_t FirstSign(std::string_view text, const std::vector<std::size_t>& starts, char c,
                      TTextEncoding enc) {
    for (const std::size_t p : starts) {
        if (text[p] == c && CharWidth(text, p, enc) == 1) {
            return p + 1;
        }
    }
    return 0;
}

std::string Join(const std::vector<std::string>& fields, char separator) {
    std::string joined;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i > 0) {
            joined += separator;
        }
        joined += fields[i];
    }
    return joined;
}

void CheckSplit(std::string_view line, const std::vector<std::size_t>& starts, TTextEncoding enc) {
    std::vector<std::string> fields{"kept"};
    SplitFields(line, fields, enc);
    KELDA_FUZZ_CHECK(fields.size() >= 2 && fields[0] == "kept"); // appends, never clears
    fields.erase(fields.begin());
    std::size_t total = 0;
    for (const std::string& f : fields) {
        total += f.size();
    }
    KELDA_FUZZ_CHECK(total <= line.size());
    if (FirstSign(line, starts, '\t', enc) != 0) {
        KELDA_FUZZ_CHECK(Join(fields, '\t') == line);
    } else if (FirstSign(line, starts, '"', enc) == 1) {
        KELDA_FUZZ_CHECK(fields.size() >= 1);
    } else if (FirstSign(line, starts, ',', enc) != 0) {
        KELDA_FUZZ_CHECK(Join(fields, ',') == line);
    } else {
        KELDA_FUZZ_CHECK(fields.size() == 1 && fields[0] == line);
    }
}

void CheckSearch(std::string_view pattern, std::string_view text, const std::vector<std::size_t>& starts,
                 TTextEncoding enc) {
    const std::size_t found = CharPos(pattern, text, enc);
    if (pattern.empty() || text.empty()) {
        KELDA_FUZZ_CHECK(found == 0);
        return;
    }
    if (found != 0) {
        const std::size_t at = found - 1;
        KELDA_FUZZ_CHECK(std::binary_search(starts.begin(), starts.end(), at));
        KELDA_FUZZ_CHECK(text[at] == pattern[0]);
        KELDA_FUZZ_CHECK(MatchAt(text, at, pattern, enc) == at);
        for (const std::size_t p : starts) {
            if (p >= at) {
                break;
            }
            KELDA_FUZZ_CHECK(!MatchAt(text, p, pattern, enc));
        }
    }
    // A one-byte sign that no lead byte can swallow is found exactly where it stands as a character.
    if (pattern.size() == 1 && static_cast<unsigned char>(pattern[0]) < 0x40 && pattern[0] != '\0') {
        KELDA_FUZZ_CHECK(found == FirstSign(text, starts, pattern[0], enc));
    }
}

void CheckCompare(std::string_view a, std::string_view b, TTextEncoding enc) {
    if (a.empty() || b.empty()) {
        return;
    }
    std::size_t pa = 0;
    std::size_t pb = 0;
    const int result = CompareChar(a, pa, b, pb, true, true, enc);
    if (result == 0) {
        KELDA_FUZZ_CHECK(pa >= 1 && pa <= a.size() && pb >= 1 && pb <= b.size());
    } else {
        KELDA_FUZZ_CHECK(pa == 0 && pb == 0);
    }
    // The order is antisymmetric.
    std::size_t qa = 0;
    std::size_t qb = 0;
    const int reverse = CompareChar(b, qb, a, qa, true, true, enc);
    KELDA_FUZZ_CHECK((result < 0) == (reverse > 0) && (result == 0) == (reverse == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const TTextEncoding enc = input.ConsumeBool() ? TTextEncoding::Cp932 : TTextEncoding::Utf8;
    const std::string pattern = input.ConsumeRandomLengthString(8);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::vector<std::size_t> starts = Boundaries(text, enc);
    Boundaries(pattern, enc);
    CheckSearch(pattern, text, starts, enc);
    CheckSplit(text, starts, enc);
    CheckCompare(text, pattern, enc);

    const bool endsInBackslash =
        text.size() > 2 && !starts.empty() && starts.back() == text.size() - 1 && text.back() == '\\';
    KELDA_FUZZ_CHECK(HasTrailingBackslash(text, enc) == endsInBackslash);
    const bool endsInSlash = !starts.empty() && starts.back() == text.size() - 1 && text.back() == '/';
    KELDA_FUZZ_CHECK(HasTrailingSeparator(text, enc) == endsInSlash);
    return 0;
}
