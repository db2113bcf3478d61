// SPDX-License-Identifier: MIT
// Names between the Mac and the local file system, and dates between the three clocks.
#include "forks/AppleFormat.h"
#include "forks/MacDate.h"
#include "forks/MacNames.h"
#include "support/TimeZone.h"
#include "util/BilingualError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace kelda {
namespace {

TEST(SafeLocalName, EscapesWhatALocalNameCannotHold) {
    struct {
        std::string Mac;
        TMacEncoding Encoding;
        std::string Local;
    } cases[] = {
        {"Read Me", TMacEncoding::Roman, "Read Me"},
        {"../etc/passwd", TMacEncoding::Roman, "..:etc:passwd"},
        {"/", TMacEncoding::Roman, ":"},
        {"a\tb\x7F", TMacEncoding::Roman, "a\u2409b\u2421"},
        {std::string("x\0y", 3), TMacEncoding::Roman, "x\u2400y"},
        {".", TMacEncoding::Roman, "_."},
        {"..", TMacEncoding::Roman, "_.."},
        {"", TMacEncoding::Roman, "_"},
        {"Caf\x8E", TMacEncoding::Roman, "Caf\u00E9"},
        {"\x93\xFA\x96\x7B", TMacEncoding::Japanese, "日本"},
        {"\x93\xFA\x96\x7B", TMacEncoding::Auto, "日本"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Mac);
        const std::string local = SafeLocalName(c.Mac, c.Encoding);
        EXPECT_EQ(local, c.Local);
        EXPECT_EQ(local.find('/'), std::string::npos);
        // And the Mac name comes back from the local one.
        if (c.Mac != "." && c.Mac != ".." && !c.Mac.empty()) {
            EXPECT_EQ(EncodeMacName(local, c.Encoding, true), c.Mac);
        }
    }
}

// A name of the shape of the temporaries' (in any letter case) would be taken for one by a later
// clean-up: it gets a "_" before it; names that only come near stay.
TEST(SafeLocalName, NeverGivesTheTemporariesShape) {
    const std::pair<const char*, const char*> cases[] = {
        {".kelda-aaaaaaaa.tmp", "_.kelda-aaaaaaaa.tmp"},
        {".KELDA-0123ABCD.TMP", "_.KELDA-0123ABCD.TMP"},
        {".kelda-.tmp", "_.kelda-.tmp"},
        {".kelda-notes", ".kelda-notes"},
        {"x.kelda-aaaaaaaa.tmp", "x.kelda-aaaaaaaa.tmp"},
        {"kelda-aaaaaaaa.tmp", "kelda-aaaaaaaa.tmp"},
    };
    for (const auto& [mac, local] : cases) {
        EXPECT_EQ(SafeLocalName(mac, TMacEncoding::Roman), local) << mac;
    }
}

TEST(EncodeMacName, ChoosesTheCharacterSetAndCutsWholeCharacters) {
    TMacEncoding used{};
    EXPECT_EQ(EncodeMacName("Café", TMacEncoding::Auto, false, &used), "Caf\x8E");
    EXPECT_EQ(used, TMacEncoding::Roman);
    EXPECT_EQ(EncodeMacName("日本", TMacEncoding::Auto, false, &used), "\x93\xFA\x96\x7B");
    EXPECT_EQ(used, TMacEncoding::Japanese);
    // Half-width katakana are one byte each.
    EXPECT_EQ(EncodeMacName("ﾌｧｲﾙ", TMacEncoding::Japanese, false), "\xCC\xA7\xB2\xD9");
    // ":" is a Mac name's separator only when it comes from a local name.
    EXPECT_EQ(EncodeMacName("a:b", TMacEncoding::Roman, false), "a:b");
    EXPECT_EQ(EncodeMacName("a:b", TMacEncoding::Roman, true), "a/b");

    // 32 kanji are 64 bytes: the 32nd does not fit and is not cut in two.
    std::string kanji;
    for (int i = 0; i < 32; ++i) {
        kanji += "日";
    }
    EXPECT_EQ(EncodeMacName(kanji, TMacEncoding::Japanese, false).size(), 62u);
    EXPECT_EQ(EncodeMacName("a" + kanji, TMacEncoding::Japanese, false).size(), 63u);
    EXPECT_EQ(EncodeMacName(std::string(70, 'x'), TMacEncoding::Roman, false), std::string(63, 'x'));
    EXPECT_EQ(CutMacName("\x93\xFA\x96\x7B", true, 3), "\x93\xFA");
    EXPECT_EQ(CutMacName("\x93\xFA\x96\x7B", false, 3), "\x93\xFA\x96");
}

TEST(EncodeMacName, RefusesCharactersTheSetLacks) {
    for (const char* name : {"\U0001F600", "日本", "\u0100"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(EncodeMacName(name, TMacEncoding::Roman, false), EBilingualError);
    }
    EXPECT_THROW(EncodeMacName("\U0001F600", TMacEncoding::Auto, false), EBilingualError);
}

TEST(EncodeFourCC, FourMacRomanCharactersBlankFilled) {
    EXPECT_EQ(EncodeFourCC("TEXT"), "TEXT");
    EXPECT_EQ(EncodeFourCC("TEX"), "TEX ");
    EXPECT_EQ(EncodeFourCC("©ABC"), "\xA9"
                                    "ABC");
    EXPECT_THROW(EncodeFourCC("TEXTS"), EBilingualError);
    EXPECT_THROW(EncodeFourCC("日本"), EBilingualError);
}

TEST(MacDate, EpochsAndRanges) {
    const test::TScopedTimeZone utc("UTC");
    EXPECT_EQ(MacDateToAppleDate(3029529600u), 0);
    EXPECT_EQ(AppleDateToMacDate(0), 3029529600u);
    EXPECT_EQ(AppleDateToMacDate(-1), 3029529599u);
    EXPECT_EQ(AppleDateToMacDate(kAppleDateUnknown), 0u);
    EXPECT_EQ(AppleDateToMacDate(1265437695), 0xFFFFFFFFu);
    EXPECT_EQ(AppleDateToMacDate(1265437696), 0u); // after 2040: MacBinary cannot hold it
    EXPECT_EQ(MacDateFromUtcUnixTime(0), 2082844800u);
    EXPECT_EQ(MacDateFromUtcUnixTime(-2082844800), 0u);
    EXPECT_EQ(MacDateFromUtcUnixTime(2212122495), 0xFFFFFFFFu);
    // Outside what MacBinary holds a date is refused (nullopt), never turned into 0 ("no date").
    EXPECT_EQ(MacDateFromUtcUnixTime(2212122496), std::nullopt);
    EXPECT_EQ(MacDateFromUtcUnixTime(-2082844801), std::nullopt);
    EXPECT_EQ(MacDateFromCivil(2000, 1, 1, 0, 0, 0), 3029529600u);
    EXPECT_EQ(MacDateFromCivil(1970, 1, 1, 0, 0, 0), 2082844800u);
}

TEST(MacDate, ParsedDatesAreTheMacsWallClock) {
    struct {
        const char* Text;
        std::optional<std::uint32_t> Mac;
    } cases[] = {
        {"2000-01-01", 3029529600u},
        {"2000-01-01T00:00:01", 3029529601u},
        {"2000-01-01 01:02", 3029529600u + 3720},
        {"1904-01-01", 0u},
        {"2040-02-06T06:28:15", 0xFFFFFFFFu},
        {"2040-02-06T06:28:16", std::nullopt},
        {"1903-12-31", std::nullopt},
        {"2001-02-29", std::nullopt},
        {"2000-02-29", 3029529600u + 59 * 86400},
        {"2000-13-01", std::nullopt},
        {"2000-01-01T24:00", std::nullopt},
        {"2000-01-01T00:00:00Z", std::nullopt},
        {"yesterday", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        EXPECT_EQ(ParseMacDate(c.Text), c.Mac);
    }
    EXPECT_EQ(ParseSourceDateEpoch("1700000000"), 1700000000);
    EXPECT_EQ(ParseSourceDateEpoch("-1"), std::nullopt);
    EXPECT_EQ(ParseSourceDateEpoch("12a"), std::nullopt);
    EXPECT_EQ(ParseSourceDateEpoch(""), std::nullopt);
}

// The local clock's reading goes there and back, also across a change of daylight saving time.
TEST(MacDate, LocalClockThereAndBack) {
    const test::TScopedTimeZone berlin("Europe/Berlin");
    for (const std::int64_t t : {std::int64_t{0}, std::int64_t{1700000000}, std::int64_t{1690000000}}) {
        SCOPED_TRACE(t);
        const std::uint32_t mac = MacDateFromLocalUnixTime(t).value();
        EXPECT_NE(mac, MacDateFromUtcUnixTime(t)); // Berlin is never on UTC
        EXPECT_EQ(LocalUnixTimeFromMacDate(mac), t);
        // The container holds the same instant: UTC seconds since 2000.
        EXPECT_EQ(MacDateToAppleDate(mac), t - 946684800);
        EXPECT_EQ(AppleDateToMacDate(static_cast<std::int32_t>(t - 946684800)), mac);
    }
}

} // namespace
} // namespace kelda
