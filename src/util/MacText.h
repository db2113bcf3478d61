// SPDX-License-Identifier: MIT
// Decoding of Macintosh text bytes (file names, type codes) into UTF-8 for display.
#pragma once

#include <string>
#include <string_view>

namespace kelda {

// Which character set the bytes of a Macintosh text field are taken in.
enum class TMacEncoding {
    Auto,     // whichever reading is the more plausible text (JudgeMacText)
    Japanese, // code page 932 ("windows-31j")
    Roman,    // MacRoman ("macintosh")
};

// Why a Mac name was read in the encoding it was.
enum class TMacNameReason {
    Ascii,         // plain ASCII: both readings are the same text
    Chosen,        // the user chose the encoding
    Script,        // the header's script byte says Japanese
    NotShiftJis,   // the bytes are no valid code page 932 text
    LooksJapanese, // kana, common kanji, full-width forms or Japanese punctuation
    LooksRoman,    // accented letters and symbols among Latin letters
    Unicode,       // the volume keeps the name in Unicode (HFS+): no encoding had to be guessed
};

// One Mac name decoded: its text, the encoding it was read in (Roman or Japanese, never Auto) and why.
struct TMacNameReading {
    std::string Text;
    TMacEncoding Encoding = TMacEncoding::Roman;
    TMacNameReason Reason = TMacNameReason::Ascii;
};

// The encoding that the bytes, with no script to go by, read more plausibly in, and why. Both
// readings are judged as a file name: runs of kana, common kanji, full-width forms and Japanese
// punctuation speak for code page 932; single kana or kanji wedged between Latin letters, rare
// kanji and stray half-width katakana speak against it; accented letters beside Latin letters and
// the usual symbols (©, ™, •, ƒ) speak for MacRoman, while clusters of accented capitals, symbols
// and brackets (what Shift-JIS looks like in MacRoman) speak against it. Bytes that are not valid
// code page 932 are MacRoman; a tie goes to Japanese.
TMacNameReading JudgeMacText(std::string_view bytes);

// The one decoder of Mac names (and of texts that are read like them): in chosen when the user
// chose an encoding; else in code page 932 when the name's script says Japanese; else as
// JudgeMacText finds. Control bytes are kept, as in MacTextToUtf8.
TMacNameReading ReadMacName(std::string_view bytes, TMacEncoding chosen = TMacEncoding::Auto,
                            bool scriptJapanese = false);

// "ascii", "chosen", "script", "not-shift-jis", "looks-japanese", "looks-roman", "unicode": for JSON.
std::string_view MacNameReasonId(TMacNameReason reason);
// The reason in words, in either language.
std::string_view MacNameReasonText(TMacNameReason reason, bool japanese);
// "auto", "mac-roman", "japanese": the names kelda-cli's --name-encoding takes and JSON gives.
std::string_view MacEncodingId(TMacEncoding encoding);
// The encoding's name for a reader: "Mac Roman", "Japanese (Shift-JIS)", or in Japanese.
std::string_view MacEncodingName(TMacEncoding encoding, bool japanese);

// True when the bytes decode as code page 932 without an invalid or unassigned sequence and
// without landing in the private-use area (user-defined characters are not names anyone types).
bool IsValidCp932Text(std::string_view bytes);

// UTF-16 text (big-endian code units as a volume stores them, already swapped) as UTF-8 in
// Normalization Form C: the decomposed names of HFS+ composed as names are typed. An unpaired
// surrogate becomes U+FFFD; control characters are kept.
std::string Utf16ToNfcUtf8(std::u16string_view units);

// Appends the UTF-8 bytes of the code point cp.
void AppendUtf8(std::string& out, char32_t cp);

// The bytes as UTF-8 (Auto: as JudgeMacText finds). Control bytes (0x00-0x1F, 0x7F) are kept as
// they are in every encoding; a sequence that the chosen encoding cannot decode becomes U+FFFD.
std::string MacTextToUtf8(std::string_view bytes, TMacEncoding encoding);

// The text of a four-character code (a type, a creator, a resource type): its bytes as Mac Roman,
// whatever the file's names are in, as the Finder shows them.
std::string FourCCText(std::string_view bytes);

} // namespace kelda
