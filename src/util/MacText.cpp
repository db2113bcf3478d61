// SPDX-License-Identifier: MIT
#include "util/MacText.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <unicode/normalizer2.h>
#include <unicode/ucnv.h>
#include <unicode/unistr.h>
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

// ---- Judging a name's two readings ----------------------------------------------------------------
//
// Scores are in half points, so that every weight is a whole number. A Shift-JIS name read as
// MacRoman shows its tell-tale pairs: an accented capital or lowercase letter for each lead byte,
// followed by an ASCII letter, a bracket or another accented letter ("ÉVÉXÉeÉÄ" for システム);
// a MacRoman name read as Shift-JIS shows single kanji or kana swallowing the letter after each
// accent ("ツlair" for "Éclair"). Each reading is scored for how much it looks like a real name.

// Kanji that Japanese file names use all the time: the first school years' kanji and those of
// documents, settings and folders. A single kanji of the first JIS level outside this list is
// as likely a MacRoman accent as a word.
constexpr const char kCommonKanji[] =
    "一右雨円王音下火花貝学気九休玉金空月犬見五口校左三山子四糸字耳七車手十出女小上森人水正生青夕石赤千"
    "川先早草足村大男竹中虫町天田土二日入年白八百文木本名目立力林六引羽雲園遠何科夏家歌画回会海絵外角楽"
    "活間丸岩顔汽記帰弓牛魚京強教近兄形計元言原戸古午後語工公広交光考行高黄合谷国黒今才細作算止市矢姉思"
    "紙寺自時室社弱首秋週春書少場色食心新親図数西声星晴切雪船線前組走多太体台地池知茶昼長鳥朝直通弟店点"
    "電刀冬当東答頭同道読内南肉馬売買麦半番父風分聞米歩母方北毎妹万明鳴毛門夜野友用曜来里理話悪安暗医委"
    "意育員院飲運泳駅央横屋温化荷界開階寒感漢館岸起期客究急級宮球去橋業曲局銀区苦具君係軽血決研県庫湖向"
    "幸港号根祭皿仕死使始指歯詩次事持式実写者主守取酒受州拾終習集住重宿所暑助昭消商章勝乗植申身神真深進"
    "世整昔全相送想息速族他打対待代第題炭短談着注柱丁帳調追定庭笛鉄転都度投豆島湯登等動童農波配倍箱畑発"
    "反坂板皮悲美鼻筆氷表秒病品負部服福物平返勉放味命面問役薬由油有遊予羊洋葉陽様落流旅両緑礼列練路和愛"
    "案以衣位囲胃印英栄塩億加果貨課芽改械害街各覚完官管関観願希季紀喜旗器機議求泣救給挙漁共協鏡競極訓軍"
    "郡径型景芸欠結建健験固功好候航康告差菜最材昨札刷殺察参産散残士氏史司試児治辞失借種周祝順初松笑唱焼"
    "象照賞臣信成省清静席積折節説浅戦選然争倉巣束側続卒孫帯隊達単置仲貯兆腸低底停的典伝徒努灯堂働特得毒"
    "熱念敗梅博飯飛費必票標不夫付府副粉兵別辺変便包法望牧末満未脈民無約勇要養浴利陸良料量輪類令冷例歴連"
    "老労録設版称規報告請履簿稿資販貸替換覧索訳添届込契載掲企製制務経営総保存削除複承済支払振領収納顧担署"
    "員個郵宛封筒挨拶賀舞御招状絡接採応募職証票統析調査映像再編旧校翻韓熟";

// The code page 932 codes (lead byte << 8 | trail byte) of kCommonKanji, sorted.
const std::vector<std::uint16_t>& CommonKanjiCodes() {
    static const std::vector<std::uint16_t> codes = [] {
        std::vector<std::uint16_t> out;
        std::string bytes(sizeof kCommonKanji * 2, '\0');
        UErrorCode status = U_ZERO_ERROR;
        const int32_t n = ucnv_convert("windows-31j", "UTF-8", bytes.data(),
                                       static_cast<int32_t>(bytes.size()), kCommonKanji, -1, &status);
        if (U_FAILURE(status)) {
            return out;
        }
        for (int32_t i = 0; i + 1 < n; i += 2) {
            out.push_back(static_cast<std::uint16_t>(
                static_cast<unsigned char>(bytes[static_cast<std::size_t>(i)]) << 8 |
                static_cast<unsigned char>(bytes[static_cast<std::size_t>(i) + 1])));
        }
        std::sort(out.begin(), out.end());
        return out;
    }();
    return codes;
}

enum class TJaClass : std::uint8_t {
    Ascii,       // a single byte below 0x80 (letters, digits, blanks, controls)
    HalfKana,    // half-width katakana, 0xA1-0xDF
    Punctuation, // full-width blank, 、。・「」【】（）★ and the other symbols of row 1 and 2
    FullAlnum,   // full-width digits and Latin letters
    Kana,        // hiragana and full-width katakana
    Foreign,     // Greek and Cyrillic
    Box,         // box-drawing pieces
    Special,     // circled numbers, Roman numerals, unit signs
    CommonKanji, // in kCommonKanji
    Kanji,       // the rest of the first JIS level
    RareKanji,   // the second level and the vendors' extensions
};

struct TJaChar {
    std::uint16_t Code;
    TJaClass Class;
};

TJaClass ClassOf(std::uint16_t code) {
    if (code < 0x80) {
        return TJaClass::Ascii;
    }
    if (code <= 0xFF) {
        return TJaClass::HalfKana;
    }
    if (code >= 0x8140 && code <= 0x81FC) {
        return TJaClass::Punctuation;
    }
    if (code >= 0x824F && code <= 0x829A) {
        return TJaClass::FullAlnum;
    }
    if ((code >= 0x829F && code <= 0x82F1) || (code >= 0x8340 && code <= 0x8396)) {
        return TJaClass::Kana;
    }
    if (code >= 0x839F && code <= 0x8491) {
        return TJaClass::Foreign;
    }
    if (code >= 0x849F && code <= 0x84BE) {
        return TJaClass::Box;
    }
    if (code >= 0x8740 && code <= 0x879C) {
        return TJaClass::Special;
    }
    if (code >= 0x889F && code <= 0x9872) {
        const std::vector<std::uint16_t>& common = CommonKanjiCodes();
        return std::binary_search(common.begin(), common.end(), code) ? TJaClass::CommonKanji
                                                                      : TJaClass::Kanji;
    }
    return TJaClass::RareKanji;
}

bool IsLeadByte(unsigned char b) {
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

bool IsAsciiLetter(int b) {
    return (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z');
}
bool IsAsciiUpper(int b) {
    return b >= 'A' && b <= 'Z';
}
bool IsAsciiLower(int b) {
    return b >= 'a' && b <= 'z';
}

// The characters of valid code page 932 text (IsValidCp932Text), one code each.
std::vector<TJaChar> JapaneseChars(std::string_view bytes) {
    std::vector<TJaChar> chars;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        std::uint16_t code = b;
        if (IsLeadByte(b) && i + 1 < bytes.size()) {
            code = static_cast<std::uint16_t>(b << 8 | static_cast<unsigned char>(bytes[++i]));
        }
        chars.push_back({code, ClassOf(code)});
    }
    return chars;
}

bool IsNative(TJaClass c) {
    return c == TJaClass::Kana || c == TJaClass::CommonKanji || c == TJaClass::Kanji ||
           c == TJaClass::Punctuation;
}

// How much the code page 932 reading looks like a Japanese name, in half points. A run is a
// stretch of characters that are not ASCII; how long it is and what stands beside it decide most.
int JapaneseScore(const std::vector<TJaChar>& chars) {
    int score = 0;
    const std::size_t n = chars.size();
    for (std::size_t i = 0; i < n;) {
        if (chars[i].Class == TJaClass::Ascii) {
            ++i;
            continue;
        }
        std::size_t j = i;
        bool allHalfKana = true;
        bool allKana = true;
        bool anyNative = false;
        bool allNative = true;
        for (; j < n && chars[j].Class != TJaClass::Ascii; ++j) {
            allHalfKana = allHalfKana && chars[j].Class == TJaClass::HalfKana;
            allKana = allKana && chars[j].Class == TJaClass::Kana;
            anyNative = anyNative || IsNative(chars[j].Class);
            allNative = allNative && (IsNative(chars[j].Class) || chars[j].Class == TJaClass::FullAlnum);
        }
        const int left = i > 0 ? chars[i - 1].Code : -1;
        const int right = j < n ? chars[j].Code : -1;
        const bool letterLeft = IsAsciiLetter(left);
        const bool letterRight = IsAsciiLetter(right);
        const bool between = letterLeft && letterRight;
        const bool beside = letterLeft || letterRight;
        const bool single = j - i == 1;
        // Two kana against a Latin letter: an accented capital and its letter, twice, read the same.
        const bool shortKana = j - i == 2 && allKana && beside;
        for (std::size_t k = i; k < j; ++k) {
            switch (chars[k].Class) {
            case TJaClass::HalfKana:
                score += !single && allHalfKana ? (beside ? 0 : 4) : single ? (beside ? -6 : -4) : -2;
                break;
            case TJaClass::Kana:
                score += shortKana ? 2 : !single ? 6 : between ? -6 : beside ? 0 : 2;
                break;
            case TJaClass::CommonKanji:
                score += !single ? 4 : between ? -6 : beside ? 2 : 4;
                break;
            case TJaClass::Kanji:
                score += !single ? 3 : between ? -6 : beside ? -2 : 0;
                break;
            case TJaClass::RareKanji:
                score += !single && anyNative ? 2 : -4;
                break;
            case TJaClass::FullAlnum: {
                const bool digit = chars[k].Code <= 0x8258;
                score += !single ? 4 : beside ? -4 : digit ? 2 : 0;
                break;
            }
            case TJaClass::Punctuation:
                score += !single ? 4 : between ? -4 : 0;
                break;
            case TJaClass::Special:
                score += between ? -2 : 2;
                break;
            case TJaClass::Foreign:
                score -= 2;
                break;
            case TJaClass::Box:
                score -= 6;
                break;
            case TJaClass::Ascii:
                break;
            }
        }
        // Japanese text runs on into a capital ("漢字Talk") or follows a word ("Photoshop書類"), but
        // seldom runs straight into a lowercase letter, as an accent's swallowed letter does.
        if (IsAsciiLower(right)) {
            score -= 4;
        }
        // Two characters wedged into a Latin word ("Dエ薺S" for "DÉGÂTS").
        if (j - i == 2 && between) {
            score -= 8;
        }
        // A name that is Japanese text from end to end.
        if (i == 0 && j == n && allNative) {
            score += 4;
        }
        i = j;
    }
    return score;
}

enum class TRomanClass : std::uint8_t {
    Upper,  // accented capitals, Æ, Ø, Œ
    Lower,  // accented lowercase letters, ß, æ, ø, œ, ı
    Symbol, // what names use: © ® ™ • Ω µ π … – — quotes, currency, ° § ¿ ¡, ƒ √ ∆ ◊ (Finder sorting)
    Odd,    // diacritics on their own, ≠ ≈ ∑ ∏ ‡ ‰ ‹ › ﬁ ﬂ and the like
};

TRomanClass RomanClassOf(unsigned char b) {
    static constexpr unsigned char kUpper[] = {0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0xAE, 0xAF, 0xCB,
                                               0xCC, 0xCD, 0xCE, 0xD9, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA,
                                               0xEB, 0xEC, 0xED, 0xEE, 0xEF, 0xF1, 0xF2, 0xF3, 0xF4};
    static constexpr unsigned char kLower[] = {0xA7, 0xBE, 0xBF, 0xCF, 0xD8, 0xF5};
    static constexpr unsigned char kSymbol[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA8, 0xA9,
                                                0xAA, 0xB1, 0xB4, 0xB5, 0xB9, 0xBB, 0xBC, 0xBD, 0xC0,
                                                0xC1, 0xC3, 0xC4, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD0,
                                                0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD7, 0xDB, 0xE1};
    const auto in = [b](const auto& set) {
        return std::find(std::begin(set), std::end(set), b) != std::end(set);
    };
    if (in(kUpper)) {
        return TRomanClass::Upper;
    }
    if ((b >= 0x87 && b <= 0x9F) || in(kLower)) {
        return TRomanClass::Lower;
    }
    return in(kSymbol) ? TRomanClass::Symbol : TRomanClass::Odd;
}

bool IsAsciiBracket(int b) {
    return b >= 0 && b < 0x80 &&
           std::string_view("@[\\]^_`{|}~").find(static_cast<char>(b)) != std::string_view::npos;
}

// How many ASCII capitals run from bytes[from] on (step 1) or before bytes[from] back (step -1).
std::size_t UpperRun(std::string_view bytes, std::size_t from, int step) {
    std::size_t count = 0;
    if (step > 0) {
        for (std::size_t k = from; k < bytes.size() && IsAsciiUpper(static_cast<unsigned char>(bytes[k]));
             ++k) {
            ++count;
        }
    } else {
        for (std::size_t k = from; k > 0 && IsAsciiUpper(static_cast<unsigned char>(bytes[k - 1])); --k) {
            ++count;
        }
    }
    return count;
}

// How much the MacRoman reading looks like a Western name, in half points.
int RomanScore(std::string_view bytes) {
    int score = 0;
    std::size_t high = 0;
    const std::size_t n = bytes.size();
    const auto at = [&](std::size_t i) {
        return i < n ? static_cast<int>(static_cast<unsigned char>(bytes[i])) : -1;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const int b = at(i);
        if (b < 0x80) {
            continue;
        }
        ++high;
        const int prev = i > 0 ? at(i - 1) : -1;
        const int next = at(i + 1);
        const bool prevHigh = prev >= 0x80;
        const TRomanClass c = RomanClassOf(static_cast<unsigned char>(b));
        switch (c) {
        case TRomanClass::Lower:
            score += IsAsciiLower(prev) || IsAsciiLower(next)   ? 6
                     : IsAsciiUpper(prev) || IsAsciiUpper(next) ? 0
                                                                : 2;
            break;
        case TRomanClass::Upper:
            if (!IsAsciiLetter(prev) && !prevHigh && IsAsciiLower(next)) {
                score += 6; // a word's first letter: "École", "Øresund"
            } else if (IsAsciiLower(prev)) {
                score -= 6; // a capital inside a lowercase word
            } else if (IsAsciiUpper(next) && ((!IsAsciiLetter(prev) && !prevHigh) || IsAsciiUpper(prev))) {
                // A word in capitals; its letters beside the accent come in runs ("ÉLÉGANCE"), where
                // the pairs of katakana read in Mac Roman have one letter each ("ÉVÉXÉe").
                score += UpperRun(bytes, i + 1, 1) >= 2 || UpperRun(bytes, i, -1) >= 2 ? 6 : 2;
            } else if (IsAsciiUpper(prev) && IsAsciiLower(next)) {
                score -= 2;
            }
            break;
        case TRomanClass::Symbol:
            score += 2;
            break;
        case TRomanClass::Odd:
            score -= 6;
            break;
        }
        if (prevHigh) {
            const bool letters = c != TRomanClass::Symbol && c != TRomanClass::Odd &&
                                 RomanClassOf(static_cast<unsigned char>(prev)) <= TRomanClass::Lower;
            score -= letters ? 2 : 4;
        }
        if (IsAsciiBracket(prev) || IsAsciiBracket(next)) {
            score -= 4;
        }
    }
    // Half the name or more accented: what a double-byte name looks like.
    if (n >= 2 && high * 2 >= n) {
        score -= 4;
    }
    return score;
}

bool AllAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
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
        encoding = JudgeMacText(bytes).Encoding;
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

namespace {

// The judgement without the text.
std::pair<TMacEncoding, TMacNameReason> Judge(std::string_view bytes) {
    if (AllAscii(bytes)) {
        return {TMacEncoding::Roman, TMacNameReason::Ascii};
    }
    if (!IsValidCp932Text(bytes)) {
        return {TMacEncoding::Roman, TMacNameReason::NotShiftJis};
    }
    if (JapaneseScore(JapaneseChars(bytes)) >= RomanScore(bytes)) {
        return {TMacEncoding::Japanese, TMacNameReason::LooksJapanese};
    }
    return {TMacEncoding::Roman, TMacNameReason::LooksRoman};
}

struct TReasonText {
    TMacNameReason Reason;
    std::string_view Id;
    std::string_view English;
    std::string_view Japanese;
};

constexpr TReasonText kReasonTexts[] = {
    {TMacNameReason::Ascii, "ascii", "plain ASCII, the same in either encoding",
     "ASCII のみ (どちらで読んでも同じ)"},
    {TMacNameReason::Chosen, "chosen", "the encoding chosen", "指定された文字コード"},
    {TMacNameReason::Script, "script", "the script byte says Japanese", "スクリプトバイトが日本語"},
    {TMacNameReason::NotShiftJis, "not-shift-jis", "not valid Shift-JIS", "Shift-JIS として正しくない"},
    {TMacNameReason::LooksJapanese, "looks-japanese", "reads as Japanese: kana, kanji or full-width text",
     "日本語として自然 (かな・漢字・全角文字)"},
    {TMacNameReason::LooksRoman, "looks-roman", "reads as Mac Roman: accented letters among Latin letters",
     "欧文として自然 (アクセント付きの文字)"},
    {TMacNameReason::Unicode, "unicode", "kept in Unicode by the volume", "ボリュームが Unicode で保持"},
};

const TReasonText& ReasonText(TMacNameReason reason) {
    for (const TReasonText& t : kReasonTexts) {
        if (t.Reason == reason) {
            return t;
        }
    }
    return kReasonTexts[0];
}

} // namespace

std::string Utf16ToNfcUtf8(std::u16string_view units) {
    icu::UnicodeString text(static_cast<int32_t>(units.size()), 0, 0);
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char16_t u = units[i];
        const bool high = u >= 0xD800 && u < 0xDC00;
        const bool low = u >= 0xDC00 && u < 0xE000;
        const bool paired = high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] < 0xE000;
        if (paired) {
            text.append(u).append(units[++i]);
        } else {
            text.append(high || low ? char16_t{0xFFFD} : u);
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* nfc = icu::Normalizer2::getNFCInstance(status);
    icu::UnicodeString composed;
    if (U_SUCCESS(status)) {
        composed = nfc->normalize(text, status);
    }
    std::string out;
    (U_SUCCESS(status) ? composed : text).toUTF8String(out);
    return out;
}

TMacNameReading JudgeMacText(std::string_view bytes) {
    const auto [encoding, reason] = Judge(bytes);
    return {MacTextToUtf8(bytes, encoding), encoding, reason};
}

TMacNameReading ReadMacName(std::string_view bytes, TMacEncoding chosen, bool scriptJapanese) {
    if (chosen != TMacEncoding::Auto) {
        return {MacTextToUtf8(bytes, chosen), chosen, TMacNameReason::Chosen};
    }
    if (scriptJapanese) {
        return {MacTextToUtf8(bytes, TMacEncoding::Japanese), TMacEncoding::Japanese, TMacNameReason::Script};
    }
    return JudgeMacText(bytes);
}

std::string_view MacNameReasonId(TMacNameReason reason) {
    return ReasonText(reason).Id;
}

std::string_view MacNameReasonText(TMacNameReason reason, bool japanese) {
    return japanese ? ReasonText(reason).Japanese : ReasonText(reason).English;
}

std::string_view MacEncodingId(TMacEncoding encoding) {
    switch (encoding) {
    case TMacEncoding::Japanese:
        return "japanese";
    case TMacEncoding::Roman:
        return "mac-roman";
    case TMacEncoding::Auto:
        break;
    }
    return "auto";
}

std::string_view MacEncodingName(TMacEncoding encoding, bool japanese) {
    switch (encoding) {
    case TMacEncoding::Japanese:
        return japanese ? "日本語 (Shift-JIS)" : "Japanese (Shift-JIS)";
    case TMacEncoding::Roman:
        return japanese ? "欧文 (Mac Roman)" : "Western (Mac Roman)";
    case TMacEncoding::Auto:
        break;
    }
    return japanese ? "自動" : "Auto";
}

std::string FourCCText(std::string_view bytes) {
    return MacTextToUtf8(bytes, TMacEncoding::Roman);
}

} // namespace kelda
