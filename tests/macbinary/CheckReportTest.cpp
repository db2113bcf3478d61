// SPDX-License-Identifier: MIT
// The check report over crafted headers (one row per check and per verdict), the real files of the
// corpus, and small copies of the kinds of file that the bare acceptance rule takes for MacBinary.
#include "macbinary/CheckReport.h"
#include "crc/CrcUtils.h"
#include "macbinary/CheckReportText.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/TCheckModel.h"
#include "macbinary/TInspection.h"
#include "macbinary/TestFiles.h"
#include "support/Corpus.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace kelda {
namespace {

using test::PutName;
using test::PutUInt32;

void PutWord(THeader& h, int offset, std::uint16_t v) {
    h[static_cast<std::size_t>(offset)] = static_cast<std::uint8_t>(v >> 8);
    h[static_cast<std::size_t>(offset) + 1] = static_cast<std::uint8_t>(v);
}

void FixCrc(THeader& h) {
    PutWord(h, kOffsetCrc, HeaderCrc(h));
}

// A sound MacBinary II header: "Photo", 1000 bytes of data, 100 of resources; padded size 1408.
THeader SoundII() {
    THeader h{};
    PutName(h, "Photo");
    h[65] = 'T', h[66] = 'E', h[67] = 'X', h[68] = 'T';
    PutUInt32(h, kOffsetDataForkLength, 1000);
    PutUInt32(h, kOffsetResourceForkLength, 100);
    PutUInt32(h, 91, 0xB2D05E00); // 1999
    PutUInt32(h, 95, 0xB2D05E00);
    h[kOffsetVersion] = kVersionII;
    h[kOffsetMinVersion] = kVersionII;
    FixCrc(h);
    return h;
}
constexpr std::int64_t kSoundSize = 128 + 1024 + 128;
constexpr std::int64_t kSoundMinimal = 128 + 1024 + 100;

THeader SoundI() {
    THeader h = SoundII();
    std::fill(h.begin() + 99, h.begin() + 126, std::uint8_t{0});
    return h;
}

THeader SoundIII() {
    THeader h = SoundII();
    h[102] = 'm', h[103] = 'B', h[104] = 'I', h[105] = 'N';
    h[kOffsetVersion] = kVersionIII;
    FixCrc(h);
    return h;
}

struct TCase {
    const char* Name;
    THeader (*Base)();
    std::function<void(THeader&)> Change;
    bool RecomputeCrc;
    std::int64_t Size;
    TCheckVerdict Verdict;
    TMacBinaryVersion Version;
    std::string_view Finding; // must be among the findings; empty: no finding above Info
};

const auto kNone = [](THeader&) {};

TEST(CheckReport, CraftedHeadersOneRowPerCheckAndVerdict) {
    using V = TCheckVerdict;
    using M = TMacBinaryVersion;
    const TCase cases[] = {
        {"sound II, padded", SoundII, kNone, false, kSoundSize, V::Sound, M::II, ""},
        {"sound II, last fork unpadded", SoundII, kNone, false, kSoundMinimal, V::Sound, M::II,
         "unpadded-last-part"},
        {"sound III", SoundIII, kNone, false, kSoundSize, V::Sound, M::III, ""},
        {"sound I without CRC", SoundI, kNone, false, kSoundSize, V::Sound, M::I, "no-crc"},
        {"III signature with 129 in byte 122", SoundIII, [](THeader& h) { h[kOffsetVersion] = 129; }, true,
         kSoundSize, V::Sound, M::III, "version-iii-says-129"},
        {"130 without signature", SoundII, [](THeader& h) { h[kOffsetVersion] = 130; }, true, kSoundSize,
         V::Sound, M::III, "version-130-unsigned"},
        {"byte 0 not zero", SoundII, [](THeader& h) { h[0] = 1; }, true, kSoundSize, V::NotMacBinary, M::None,
         "old-version-byte"},
        {"byte 74 not zero", SoundII, [](THeader& h) { h[74] = 1; }, true, kSoundSize, V::NotMacBinary,
         M::None, "const1-nonzero"},
        {"name length 0", SoundII, [](THeader& h) { h[1] = 0; }, true, kSoundSize, V::NotMacBinary, M::None,
         "name-length"},
        {"name length 64", SoundII, [](THeader& h) { h[1] = 64; }, true, kSoundSize, V::NotMacBinary, M::None,
         "name-length"},
        {"NUL inside the name", SoundII, [](THeader& h) { h[4] = 0; }, true, kSoundSize, V::NotMacBinary,
         M::None, "name-control-byte"},
        {"TAB inside the name", SoundI, [](THeader& h) { h[6] = '\t'; }, false, kSoundSize, V::NotMacBinary,
         M::None, "name-control-byte"},
        {"colon in the name", SoundII, [](THeader& h) { h[3] = ':'; }, true, kSoundSize, V::Sound, M::II,
         "name-colon"},
        {"byte 82 not zero", SoundII, [](THeader& h) { h[82] = 1; }, true, kSoundSize, V::NotMacBinary,
         M::None, "const2-nonzero"},
        {"data length 2^31", SoundII, [](THeader& h) { PutUInt32(h, 83, 0x80000000u); }, true, kSoundSize,
         V::NotMacBinary, M::None, "data-length-range"},
        {"resource length 2^31", SoundII, [](THeader& h) { PutUInt32(h, 87, 0xFFFFFFFFu); }, true, kSoundSize,
         V::NotMacBinary, M::None, "resource-length-range"},
        {"MB I with junk in 99-125 and no CRC", SoundI, [](THeader& h) { h[101] = 7; }, false, kSoundSize,
         V::NotMacBinary, M::None, "neither-i-nor-crc"},
        {"corrupted CRC", SoundII, [](THeader& h) { h[kOffsetCrc] ^= 0x40; }, false, kSoundSize, V::Damaged,
         M::II, "crc-mismatch"},
        {"corrupted byte under the CRC", SoundIII, [](THeader& h) { h[70] ^= 0x01; }, false, kSoundSize,
         V::Damaged, M::III, "crc-mismatch"},
        {"signature does not count without CRC", SoundIII, [](THeader& h) { h[kOffsetCrc + 1] ^= 1; }, false,
         kSoundSize, V::Damaged, M::III, "signature-unverified"},
        {"CRC of another variant", SoundII,
         [](THeader& h) {
             auto engine = MakeCrcEngine(CrcVariants[3]); // "CRC16 ITU-T, RIGHT, POS"
             engine->Init();
             engine->Calc(h.data(), 0, kCrcCoveredBytes);
             PutWord(h, kOffsetCrc, static_cast<std::uint16_t>(engine->Value()));
         },
         false, kSoundSize, V::Sound, M::II, "crc-other-variant"},
        {"data fork cut", SoundII, kNone, false, 128 + 995, V::Damaged, M::II, "data-fork-cut"},
        {"resource fork cut", SoundII, kNone, false, kSoundMinimal - 1, V::Damaged, M::II,
         "resource-fork-cut"},
        {"MB I cut", SoundI, kNone, false, 200, V::Damaged, M::I, "data-fork-cut"},
        {"comment cut", SoundII, [](THeader& h) { PutWord(h, 99, 10); }, true, kSoundSize, V::Sound, M::II,
         "comment-cut"},
        {"trailing bytes after a verified header", SoundII, kNone, false, kSoundSize + 5000, V::Sound, M::II,
         "trailing-bytes"},
        {"MB I padded to a 1 KiB block", SoundI, kNone, false, 2048, V::Sound, M::I, "trailing-bytes"},
        {"MB I far longer than its forks", SoundI, kNone, false, 8192, V::NotMacBinary, M::None,
         "trailing-bytes-mb1"},
        {"reserved bytes", SoundII, [](THeader& h) { h[110] = 1; }, true, kSoundSize, V::Sound, M::II,
         "reserved-nonzero"},
        {"odd version byte", SoundII, [](THeader& h) { h[kOffsetVersion] = 7; }, true, kSoundSize, V::Sound,
         M::II, "version-byte"},
        {"needs a newer reader", SoundII, [](THeader& h) { h[kOffsetMinVersion] = 131; }, true, kSoundSize,
         V::Sound, M::II, "min-version"},
        {"secondary header", SoundII, [](THeader& h) { PutWord(h, 120, 10); }, true, kSoundSize + 128,
         V::Sound, M::II, "secondary-header"},
        {"created before 1984", SoundII, [](THeader& h) { PutUInt32(h, 91, 86400); }, true, kSoundSize,
         V::Sound, M::II, "created-before-1984"},
        {"modified before created", SoundII, [](THeader& h) { PutUInt32(h, 95, 0xB2D00000); }, true,
         kSoundSize, V::Sound, M::II, "modified-before-created"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        THeader h = c.Base();
        c.Change(h);
        if (c.RecomputeCrc) {
            FixCrc(h);
        }
        const TCheckReport r = CheckMacBinary(h, c.Size);
        EXPECT_EQ(r.Verdict, c.Verdict) << r.VerdictLine(false);
        EXPECT_EQ(r.Version, c.Version);
        if (c.Finding.empty()) {
            for (const TCheckFinding& f : r.Findings) {
                EXPECT_EQ(f.Severity, TCheckSeverity::Info) << f.Id;
            }
        } else {
            EXPECT_TRUE(r.Has(c.Finding)) << r.VerdictLine(false);
        }
        for (const TCheckFinding& f : r.Findings) {
            EXPECT_FALSE(f.English.empty() || f.Japanese.empty() || f.English == f.Japanese) << f.Id;
            EXPECT_EQ(f.English.find('{'), std::string::npos) << f.English;
        }
    }
}

TEST(CheckReport, CrcAndSizeFiguresAreReported) {
    THeader h = SoundII();
    const std::uint16_t good = HeaderWord(h, kOffsetCrc);
    h[kOffsetCrc] ^= 0x40;
    const TCheckReport r = CheckMacBinary(h, 128 + 995);
    EXPECT_FALSE(r.CrcOk);
    EXPECT_EQ(r.CrcComputed, good);
    EXPECT_EQ(r.CrcStored, good ^ 0x4000);
    EXPECT_EQ(r.SizeFit, TSizeFit::Truncated);
    EXPECT_EQ(r.MissingBytes, kSoundMinimal - (128 + 995));
    EXPECT_EQ(r.Layout.Data.Missing(), 5);
    EXPECT_EQ(r.Layout.Resource.Present, 0);
    // The verdict line names the first damage, with the figures, in the language asked for.
    EXPECT_EQ(r.VerdictLine(false).rfind("Damaged MacBinary II: The header CRC does not match", 0), 0u);
    EXPECT_NE(r.VerdictLine(true).find("破損"), std::string::npos);

    const TCheckReport cut = CheckMacBinary(SoundII(), 128 + 995);
    EXPECT_NE(cut.VerdictLine(false).find("5 of its 1000 bytes"), std::string::npos);
    EXPECT_NE(cut.VerdictLine(true).find("1000 バイトのうち 5 バイト"), std::string::npos);
    ASSERT_TRUE(CheckMacBinary(SoundII(), kSoundSize + 7).SizeFit == TSizeFit::Trailing);
    EXPECT_EQ(CheckMacBinary(SoundII(), kSoundSize + 7).TrailingBytes, 7);
}

TEST(CheckReport, NameReadingsWhenShiftJisAndMacRomanBothRead) {
    THeader h = SoundII();
    PutName(h, "\x83\x65\x83\x58\x83\x67"); // テスト in Shift-JIS; Mac Roman reads it as three pairs
    FixCrc(h);
    const TCheckReport r = CheckMacBinary(h, kSoundSize);
    EXPECT_TRUE(r.NameAmbiguous);
    EXPECT_EQ(r.NameJapanese, "テスト");
    EXPECT_EQ(r.NameRoman, "ÉeÉXÉg");
    EXPECT_EQ(r.Name, "テスト");

    EXPECT_EQ(r.NameEncoding, TMacEncoding::Japanese);
    EXPECT_EQ(r.NameReason, TMacNameReason::LooksJapanese);

    // Script 0 beside the signature says nothing (common writers leave it 0 for every name): the
    // readings are judged as without it.
    h[102] = 'm', h[103] = 'B', h[104] = 'I', h[105] = 'N';
    FixCrc(h);
    EXPECT_EQ(CheckMacBinary(h, kSoundSize).Name, r.NameJapanese);
    EXPECT_EQ(CheckMacBinary(h, kSoundSize, TMacEncoding::Roman).Name, r.NameRoman);

    const TCheckReport ascii = CheckMacBinary(SoundII(), kSoundSize);
    EXPECT_FALSE(ascii.NameAmbiguous);
    EXPECT_EQ(ascii.Name, "Photo");
}

// The kinds of file the bare acceptance rule (bytes 0 and 74 zero) takes for MacBinary.
TEST(CheckReport, FilesTheAcceptanceRuleTakesAreNotMacBinary) {
    struct TForeign {
        const char* Name;
        test::Bytes Bytes;
        std::int64_t Size;
    };
    std::vector<TForeign> files;
    // An ISO-9660 image: 32 KiB of zeros, then the primary volume descriptor.
    files.push_back({"ISO-9660", test::Bytes(128, 0), 32768 + 2048 * 20});
    // A boot sector without boot code: zeros, one partition entry, the 55 AA mark.
    {
        test::Bytes mbr(512, 0);
        mbr[446] = 0x80, mbr[450] = 0x83, mbr[454] = 0x08, mbr[510] = 0x55, mbr[511] = 0xAA;
        files.push_back({"MBR", mbr, 512});
    }
    files.push_back({"1 KiB of zeros", test::Bytes(1024, 0), 1024});
    // UTF-16BE text without a byte order mark: every even byte is zero.
    {
        test::Bytes utf16;
        for (char c : std::string("# Configuration of the widget daemon, read at start-up.\nkey=value\n")) {
            utf16.push_back(0);
            utf16.push_back(static_cast<std::uint8_t>(c));
        }
        utf16.resize(256, 0);
        files.push_back({"UTF-16BE text", utf16, 256});
    }
    // An ICC profile header: size, CMM, version, class, colour space, PCS, date, "acsp", D50.
    {
        test::Bytes icc(128, 0);
        const std::uint8_t head[] = {0x00, 0x00, 0x0C, 0x48, 'L',  'i',  'n', 'o', 0x02, 0x10, 0,
                                     0,    'm',  'n',  't',  'r',  'R',  'G', 'B', ' ',  'X',  'Y',
                                     'Z',  ' ',  0x07, 0xCE, 0x00, 0x02, 0,   9,   0,    6,    0,
                                     0x31, 0,    0,    'a',  'c',  's',  'p', 'M', 'S',  'F',  'T'};
        std::copy(std::begin(head), std::end(head), icc.begin());
        const std::uint8_t d50[] = {0x00, 0x00, 0xF6, 0xD6, 0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0xD3, 0x2D};
        std::copy(std::begin(d50), std::end(d50), icc.begin() + 68);
        files.push_back({"ICC profile", icc, 3144});
    }
    for (const TForeign& f : files) {
        SCOPED_TRACE(f.Name);
        THeader h{};
        std::copy_n(f.Bytes.begin(), kHeaderSize, h.begin());
        ASSERT_TRUE(IsMacBinary(h)); // what the window still shows
        const TCheckReport r = CheckMacBinary(h, f.Size);
        EXPECT_EQ(r.Verdict, TCheckVerdict::NotMacBinary) << r.VerdictLine(false);
        EXPECT_EQ(r.Version, TMacBinaryVersion::None);
        // The reasons are about the header, not a flood of size findings.
        EXPECT_FALSE(r.Has("data-fork-cut") || r.Has("trailing-bytes"));
    }
}

TEST(CheckReport, AppleSingleAndRandomHeadersAreNotMacBinary) {
    THeader single{};
    const std::uint8_t magic[] = {0x00, 0x05, 0x16, 0x00, 0x00, 0x02, 0x00, 0x00};
    std::copy(std::begin(magic), std::end(magic), single.begin());
    single[25] = 3; // entry count
    EXPECT_EQ(CheckMacBinary(single, 4096).Verdict, TCheckVerdict::NotMacBinary);

    // Random headers that pass the bare rule are never sound.
    int accepted = 0;
    for (unsigned seed = 0; seed < 20000; ++seed) {
        const test::Bytes bytes = test::RandomBytes(kHeaderSize, seed);
        THeader h{};
        std::copy(bytes.begin(), bytes.end(), h.begin());
        h[0] = 0;
        h[74] = 0;
        accepted += CheckMacBinary(h, 4096).Verdict == TCheckVerdict::Sound;
    }
    EXPECT_EQ(accepted, 0);
}

// Every corpus file made by a real writer is sound, with the version its header shows; the one
// deliberately foreign sample is not MacBinary.
TEST(CheckReport, CorpusFilesAreJudgedAsWhatTheyAre) {
    const std::map<std::string, TMacBinaryVersion> expected = {
        {"ciderpress2_MCUS_Free_Software_Disk.img.bin", TMacBinaryVersion::III},
        {"convert2dsk_Blank1440K.img.bin", TMacBinaryVersion::II},
        {"convert2dsk_Blank400K.img.bin", TMacBinaryVersion::II},
        {"convert2dsk_Blank800K.img.bin", TMacBinaryVersion::II},
        {"edge_unpadded_last_fork.bin", TMacBinaryVersion::II},
        {"hfsutils_jw1995_CHAPTER12.bin", TMacBinaryVersion::II},
        {"hfsutils_jw1995_Desktop.bin", TMacBinaryVersion::II},
        {"libmacbinary_fbapp.bin", TMacBinaryVersion::II},
        {"macutils_hexbin_4x6_font.bin", TMacBinaryVersion::I},
        {"macutils_hexbin_Blank400K.bin", TMacBinaryVersion::I},
        {"monobit_4x6_ufond.bin", TMacBinaryVersion::III},
        {"neg_monobit_8x16.hbf.bin", TMacBinaryVersion::None},
        {"wezm_DateTest.bin", TMacBinaryVersion::III},
        {"wezm_NoResourceFork.bin", TMacBinaryVersion::III},
        {"wezm_TextFile_I.bin", TMacBinaryVersion::I},
        {"wezm_TextFile_II.bin", TMacBinaryVersion::II},
        {"wezm_TextFile_III.bin", TMacBinaryVersion::III},
        {"xadmaster_1234567.sit.bin", TMacBinaryVersion::II},
        {"xadmaster_123456789012.sit.bin", TMacBinaryVersion::II},
    };
    const std::filesystem::path dir = test::CorpusDir();
    for (const auto& [name, version] : expected) {
        SCOPED_TRACE(name);
        THeader h{};
        ReadHeader(dir / name, h);
        const TCheckReport r =
            CheckMacBinary(h, static_cast<std::int64_t>(std::filesystem::file_size(dir / name)));
        EXPECT_EQ(r.Version, version) << r.VerdictLine(false);
        EXPECT_EQ(r.Verdict,
                  version == TMacBinaryVersion::None ? TCheckVerdict::NotMacBinary : TCheckVerdict::Sound)
            << r.VerdictLine(false);
    }
}

TEST(CheckReport, AChosenNameEncodingOverridesTheHeadersRule) {
    THeader h = SoundIII(); // signature, script 1: Japanese by the header's rule
    h[kOffsetScript] = 1;
    PutName(h, "\x83\x65\x83\x58\x83\x67");
    EXPECT_EQ(HeaderName(h), "テスト");
    EXPECT_EQ(HeaderName(h, TMacEncoding::Japanese), "テスト");
    EXPECT_EQ(HeaderName(h, TMacEncoding::Roman), "ÉeÉXÉg");
    EXPECT_NE(BuildHeaderTable(h)[2].find("\tテスト\t"), std::string::npos);
    EXPECT_NE(BuildHeaderTable(h, TMacEncoding::Roman)[2].find("\tÉeÉXÉg\t"), std::string::npos);
    EXPECT_EQ(BuildHeaderTable(h, TMacEncoding::Auto), BuildHeaderTable(h));
}

TEST(CheckReport, TheInspectionOfAFileCarriesItsReport) {
    test::TempDir dir;
    THeader h = SoundII();
    test::Bytes bytes(h.begin(), h.end());
    bytes.resize(128 + 995, 0x5A); // cut inside the data fork
    test::WriteBytes(dir / "cut.bin", bytes);
    const TInspectResult result = InspectFile(dir / "cut.bin");
    ASSERT_TRUE(result.Accepted());
    EXPECT_EQ(result.Inspection->Check.Verdict, TCheckVerdict::Damaged);
    EXPECT_TRUE(result.Inspection->Check.Has("data-fork-cut"));
    EXPECT_EQ(result.Inspection->Check.FileSize, 128 + 995);
}

// The verdict line's first part, which the bottom panel shows, is the line up to its reason.
TEST(CheckReport, TheVerdictTitleIsTheLineWithoutItsReason) {
    THeader badCrc = SoundII();
    badCrc[kOffsetCrc] ^= 0x40;
    THeader notMacBinary = SoundII();
    notMacBinary[0] = 1;
    const struct {
        TCheckReport Report;
        const char* English;
        const char* Japanese;
    } cases[] = {
        {CheckMacBinary(SoundII(), kSoundSize), "Sound MacBinary II", "正常な MacBinary II"},
        {CheckMacBinary(badCrc, kSoundSize), "Damaged MacBinary II", "破損した MacBinary II"},
        {CheckMacBinary(notMacBinary, kSoundSize), "Probably not MacBinary", "MacBinary ではないようです"},
        {CheckTooShort(5), "Probably not MacBinary", "MacBinary ではないようです"},
    };
    for (const auto& c : cases) {
        for (const bool japanese : {false, true}) {
            const std::string title = c.Report.VerdictTitle(japanese);
            EXPECT_EQ(title, japanese ? c.Japanese : c.English);
            const TCheckFinding* reason = c.Report.Reason();
            EXPECT_EQ(c.Report.VerdictLine(japanese),
                      reason == nullptr ? title : title + ": " + reason->Text(japanese));
        }
    }
}

// The check page's model: the field it highlights, its label, and the lines in the chosen name
// encoding.
TEST(TCheckModel, HighlightsAFieldAndDecodesTheNameAsChosen) {
    TCheckModel model;
    EXPECT_TRUE(model.Lines(false).empty()); // nothing before a report
    EXPECT_EQ(model.Field(), -1);
    THeader h = SoundIII(); // script 0: Mac Roman by the header's rule
    PutName(h, "\x83\x65\x83\x58\x83\x67");
    FixCrc(h);
    model.Show(h, CheckMacBinary(h, kSoundSize));
    EXPECT_EQ(model.Field(), 0); // a first report starts on the first field

    const struct {
        int Index;
        int Field, Offset, Width;
        std::string Label;
    } fields[] = {
        {12, 12, 83, 4, "083  DataForkLength"},
        {16, 16, 99, 2, "099  GetInfoLen I=0,II=n, III=n"},
        {2, 2, 2, 63, "002  FileName"},
        {28, -1, 0, 0, ""},
        {-5, -1, 0, 0, ""},
    };
    for (const auto& f : fields) {
        model.SetField(f.Index);
        EXPECT_EQ(model.Field(), f.Field) << f.Index;
        EXPECT_EQ(model.FieldOffset(), f.Offset) << f.Index;
        EXPECT_EQ(model.FieldWidth(), f.Width) << f.Index;
        EXPECT_EQ(model.FieldLabel(), f.Label) << f.Index;
    }
    model.SetField(12);
    model.Show(h, CheckMacBinary(h, kSoundSize));
    EXPECT_EQ(model.Field(), 12); // a new report keeps the field

    const std::string asRead = model.ShownReport().Name; // judged a Japanese name
    model.SetNameEncoding(TMacEncoding::Roman);
    EXPECT_EQ(model.ShownReport().Name, "ÉeÉXÉg");
    EXPECT_EQ(asRead, "テスト");
    EXPECT_EQ(model.Report()->Name, asRead); // the report as read stays
    // The report's lines, a blank line and the true layout, for a file taken for MacBinary.
    const TCheckReport shown = model.ShownReport();
    std::vector<std::string> expected = CheckReportLines(shown, true);
    expected.emplace_back();
    for (const std::string& line : LayoutComparisonLines(h, shown, true)) {
        expected.push_back(line);
    }
    EXPECT_EQ(model.Lines(true), expected);

    THeader other = h;
    other[0] = 1;
    model.Show(other, CheckMacBinary(other, kSoundSize));
    EXPECT_EQ(model.Lines(false), CheckReportLines(model.ShownReport(), false));
}

} // namespace
} // namespace kelda
