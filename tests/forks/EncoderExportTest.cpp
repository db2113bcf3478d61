// SPDX-License-Identifier: MIT
// Making MacBinary from forks (header bytes by version, padding, options, reproducible dates, the
// guards) and the exports' handling of forks cut short, links, the source as output and a cancel.
#include "ForkSamples.h"

#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "support/TimeZone.h"
#include "util/BilingualError.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <unistd.h>

namespace kelda {
namespace {

using namespace test;

// Forks "DATA!" and "RS" with the sample's Finder fields through an AppleDouble sidecar.
class EncodeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir / "in.bin", SampleFile());
        WriteBytes(dir / "Ab", Text("DATA!"));
        ASSERT_EQ(ExportAppleFile(TAppleKind::Double, dir / "in.bin", dir / "._Ab", TCutPolicy::Refuse),
                  TForkStatus::Written);
    }
    Bytes Encode(const TEncodeOptions& options) {
        EXPECT_EQ(EncodeMacBinary(dir / "Ab", dir / "out.bin", options), TConvertStatus::Written);
        return ReadBytes(dir / "out.bin");
    }
    TempDir dir;
};

TEST_F(EncodeFixture, HeaderBytesByVersion) {
    const Bytes source = SampleFile();
    struct {
        int Version;
        const char* Bytes99To127; // as hex, CRC left out (checked apart)
    } cases[] = {
        {1, "0000 00 00000000 00 00 0000000000000000 00000000 0000 00 00"},
        {2, "0002 20 00000000 00 00 0000000000000000 00000000 0000 81 81"},
        {3, "0002 20 6D42494E 00 40 0000000000000000 00000000 0000 82 81"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Version);
        TEncodeOptions options;
        options.Version = c.Version;
        const Bytes out = Encode(options);
        // Bytes 0 to 98 are the source's: name, type, creator, flags, place, folder, protected, lengths,
        // dates.
        EXPECT_EQ(Slice(out, 0, 99), Slice(source, 0, 99));
        EXPECT_EQ(Slice(out, 99, 25), Hex(c.Bytes99To127));
        THeader h{};
        std::copy_n(out.begin(), 128, h.begin());
        EXPECT_EQ(HeaderWord(h, 124), c.Version == 1 ? 0 : HeaderCrc(h));
        EXPECT_EQ(Slice(out, 126, 2), Hex("0000"));
        // Data, resource fork and (II, III) comment, each padded to 128 bytes.
        Bytes expected = MacBinaryOf(h, Text("DATA!"), Text("RS"), c.Version == 1 ? Bytes{} : Text("hi"));
        Pad128(expected);
        EXPECT_EQ(out, expected);
    }
}

TEST_F(EncodeFixture, OptionsWinOverTheSidecar) {
    TEncodeOptions options;
    options.Name = "日本語";
    options.NameEncoding = TMacEncoding::Japanese;
    options.Type = "APPL";
    options.Creator = "KeLd";
    options.Date = "2001-02-03T04:05:06";
    options.Version = 3;
    const Bytes out = Encode(options);
    EXPECT_EQ(Slice(out, 1, 7), Hex("06 93FA 967B 8CEA"));
    EXPECT_EQ(Slice(out, 65, 8), Text("APPLKeLd"));
    const std::uint32_t date = *ParseMacDate("2001-02-03T04:05:06");
    THeader h{};
    std::copy_n(out.begin(), 128, h.begin());
    EXPECT_EQ(HeaderUInt32(h, 91), date);
    EXPECT_EQ(HeaderUInt32(h, 95), date);
    EXPECT_EQ(h[106], 1); // the name given is Japanese, and the sidecar named no script
    EXPECT_EQ(h[107], 0x40);
}

TEST_F(EncodeFixture, WithoutSidecarTheNameComesFromTheFileAndTheScriptFromTheEncoding) {
    WriteBytes(dir / "日本", Text("x"));
    TEncodeOptions options;
    options.Version = 3;
    options.SourceDateEpoch = 0;
    ASSERT_EQ(EncodeMacBinary(dir / "日本", dir / "out.bin", options), TConvertStatus::Written);
    const Bytes out = ReadBytes(dir / "out.bin");
    EXPECT_EQ(Slice(out, 1, 5), Hex("04 93FA 967B"));
    EXPECT_EQ(out[106], 1);
    EXPECT_EQ(Slice(out, 65, 8), Bytes(8, 0));
    EXPECT_EQ(Slice(out, 83, 8), Hex("00000001 00000000"));
}

// SOURCE_DATE_EPOCH gives the same bytes whatever the zone and the file's own time.
TEST_F(EncodeFixture, SourceDateEpochIsReproducible) {
    std::filesystem::remove(dir / "._Ab");
    TEncodeOptions options;
    options.SourceDateEpoch = 946684800; // 2000-01-01 UTC
    std::vector<Bytes> outputs;
    for (const char* zone : {"UTC", "Asia/Tokyo", "America/New_York"}) {
        const test::TScopedTimeZone inZone(zone);
        std::filesystem::last_write_time(dir / "Ab", std::filesystem::file_time_type::clock::now() -
                                                         std::chrono::hours(outputs.size() * 100));
        outputs.push_back(Encode(options));
    }
    EXPECT_EQ(outputs[0], outputs[1]);
    EXPECT_EQ(outputs[0], outputs[2]);
    EXPECT_EQ(Slice(outputs[0], 91, 8), Hex("B492F400 B492F400"));
    // Without it the file's modification time decides.
    options.SourceDateEpoch.reset();
    EXPECT_NE(Slice(Encode(options), 91, 4), Slice(outputs[0], 91, 4));
}

TEST_F(EncodeFixture, BadOptionsAreRefusedBeforeAnythingIsWritten) {
    struct {
        const char* Name;
        TEncodeOptions Options;
        const char* English;
    } cases[] = {
        {"type",
         [] {
             TEncodeOptions o;
             o.Type = "TOOLONG";
             return o;
         }(),
         "Warning ! Type and creator must be four characters."},
        {"date",
         [] {
             TEncodeOptions o;
             o.Date = "03/02/2001";
             return o;
         }(),
         "Warning ! Give the date as YYYY-MM-DD[THH:MM[:SS]]."},
        {"name",
         [] {
             TEncodeOptions o;
             o.Name = "\U0001F600";
             return o;
         }(),
         "Warning ! The name has characters that the Mac character set lacks."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        try {
            EncodeMacBinary(dir / "Ab", dir / "out.bin", c.Options);
            ADD_FAILURE() << "accepted";
        } catch (const EBilingualError& e) {
            EXPECT_EQ(e.english(), c.English);
        }
        EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
    }
}

TEST_F(EncodeFixture, AForkOf2GiBDoesNotFit) {
    std::filesystem::resize_file(dir / "Ab", std::int64_t{1} << 31); // sparse: no disk taken
    try {
        EncodeMacBinary(dir / "Ab", dir / "out.bin", {});
        ADD_FAILURE() << "accepted";
    } catch (const EBilingualError& e) {
        EXPECT_EQ(e.english(), "Warning ! A fork of 2 GiB or more does not fit into MacBinary.");
    }
}

TEST_F(EncodeFixture, NoInputCanBeTheOutput) {
    WriteBytes(dir / "raw", Text("RAW"));
    TEncodeOptions raw;
    raw.Resource = dir / "raw";
    ASSERT_EQ(::symlink((dir / "Ab").c_str(), (dir / "link").c_str()), 0);
    const struct {
        std::filesystem::path Output;
        TEncodeOptions Options;
    } cases[] = {{dir / "Ab", {}}, {dir / "._Ab", {}}, {dir / "raw", raw}, {dir / "link", {}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Output.string());
        const Bytes before = ReadBytes(c.Output);
        EXPECT_EQ(EncodeMacBinary(dir / "Ab", c.Output, c.Options), TConvertStatus::SourceIsOutput);
        EXPECT_EQ(ReadBytes(c.Output), before);
    }
}

// ---------------------------------------------------------------------- exports

// The sample with its comment cut off after one byte.
Bytes CutSample() {
    Bytes file = SampleFile();
    file.pop_back();
    return file;
}

// A fork cut short is refused unless asked for; a comment cut short is only a warning, since both
// forks are whole (check calls such a file sound as well).
TEST(ForkExport, AForkCutShortIsRefusedOrWrittenAsFarAsItGoesAndACutCommentIsWritten) {
    TempDir dir;
    WriteBytes(dir / "cut.bin", CutSample());
    const auto ad = [&](TCutPolicy p) {
        return ExportAppleFile(TAppleKind::Double, dir / "cut.bin", dir / "o", p);
    };
    EXPECT_EQ(ad(TCutPolicy::Refuse), TForkStatus::WrittenCommentCut);
    EXPECT_EQ(Slice(ReadBytes(dir / "o"), 26 + 12 + 8, 4),
              Hex("00000001")); // the comment entry holds one byte
    EXPECT_EQ(ExportAppleFile(TAppleKind::Single, dir / "cut.bin", dir / "s", TCutPolicy::Refuse),
              TForkStatus::WrittenCommentCut);
    const TExtractResult extracted =
        Extract(dir / "cut.bin", dir / "x", TResourceForm::Sidecar, TCutPolicy::Refuse);
    EXPECT_EQ(extracted.Status, TForkStatus::WrittenCommentCut);
    EXPECT_EQ(ReadBytes(extracted.DataFile), Text("DATA!"));
    EXPECT_EQ(ExportResourceFork(dir / "cut.bin", dir / "r", TCutPolicy::Refuse), TForkStatus::Written);
    EXPECT_EQ(ReadBytes(dir / "r"), Text("RS"));

    Bytes forkCut = SampleFile();
    forkCut.resize(256 + 1); // the resource fork's first byte only
    WriteBytes(dir / "forkcut.bin", forkCut);
    EXPECT_EQ(ExportAppleFile(TAppleKind::Double, dir / "forkcut.bin", dir / "o2", TCutPolicy::Refuse),
              TForkStatus::RefusedCut);
    EXPECT_FALSE(std::filesystem::exists(dir / "o2"));
    EXPECT_EQ(Extract(dir / "forkcut.bin", dir / "x2", TResourceForm::Sidecar, TCutPolicy::Refuse).Status,
              TForkStatus::RefusedCut);
    EXPECT_FALSE(std::filesystem::exists(dir / "x2"));
    EXPECT_EQ(
        ExportAppleFile(TAppleKind::Double, dir / "forkcut.bin", dir / "o2", TCutPolicy::WriteWhatExists),
        TForkStatus::WrittenCut);
}

TEST(ForkExport, ResourceForkCutInsideItsBytes) {
    TempDir dir;
    Bytes file = SampleFile();
    file.resize(256 + 1); // the resource fork's first byte only
    WriteBytes(dir / "cut.bin", file);
    EXPECT_EQ(ExportResourceFork(dir / "cut.bin", dir / "r", TCutPolicy::Refuse), TForkStatus::RefusedCut);
    EXPECT_EQ(ExportResourceFork(dir / "cut.bin", dir / "r", TCutPolicy::WriteWhatExists),
              TForkStatus::WrittenCut);
    EXPECT_EQ(ReadBytes(dir / "r"), Text("R"));
}

TEST(ForkExport, TheSourceIsNeverAnOutput) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    ASSERT_EQ(::symlink((dir / "in.bin").c_str(), (dir / "link").c_str()), 0);
    for (const auto& out : {dir / "in.bin", dir / "link"}) {
        EXPECT_EQ(ExportResourceFork(dir / "in.bin", out, TCutPolicy::Refuse), TForkStatus::SourceIsOutput);
        EXPECT_EQ(ExportAppleFile(TAppleKind::Single, dir / "in.bin", out, TCutPolicy::Refuse),
                  TForkStatus::SourceIsOutput);
    }
    EXPECT_EQ(
        Extract(dir / "in.bin", dir.path(), TResourceForm::Raw, TCutPolicy::Refuse, {}, "in.bin").Status,
        TForkStatus::SourceIsOutput);
    EXPECT_EQ(ReadBytes(dir / "in.bin"), SampleFile());
}

// A link planted where an extracted file goes is not written through.
TEST(ForkExport, ExtractDoesNotWriteThroughAPlantedLink) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    WriteBytes(dir / "victim", Text("keep"));
    std::filesystem::create_directory(dir / "out");
    for (const char* planted : {"Ab", "._Ab"}) {
        SCOPED_TRACE(planted);
        ASSERT_EQ(::symlink((dir / "victim").c_str(), (dir / "out" / planted).c_str()), 0);
        EXPECT_EQ(Extract(dir / "in.bin", dir / "out", TResourceForm::Sidecar, TCutPolicy::Refuse).Status,
                  TForkStatus::ThroughLink);
        EXPECT_EQ(ReadBytes(dir / "victim"), Text("keep"));
        std::filesystem::remove(dir / "out" / planted);
    }
}

TEST(ForkExport, ExtractNamesStayInsideTheFolder) {
    TempDir dir;
    THeader h = SampleHeader();
    PutName(h, "../../x\ty");
    WriteBytes(dir / "in.bin", MacBinaryOf(h, Text("DATA!"), Text("RS"), Text("hi")));
    const TExtractResult r = Extract(dir / "in.bin", dir / "out", TResourceForm::Sidecar, TCutPolicy::Refuse);
    ASSERT_EQ(r.Status, TForkStatus::Written);
    EXPECT_EQ(r.DataFile, dir / "out" / "..:..:x\u2409y");
    EXPECT_EQ(ReadBytes(r.DataFile), Text("DATA!"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir / "out"), {}), 2);
}

TEST(ForkExport, CancelLeavesNoOutput) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    const ProgressFn stop = [](std::int64_t, std::int64_t) { return false; };
    EXPECT_THROW(ExportAppleFile(TAppleKind::Single, dir / "in.bin", dir / "o", TCutPolicy::Refuse, stop),
                 ECancelled);
    EXPECT_THROW(Extract(dir / "in.bin", dir / "x", TResourceForm::Sidecar, TCutPolicy::Refuse, stop),
                 ECancelled);
    EXPECT_THROW(EncodeMacBinary(dir / "in.bin", dir / "e", {}, stop), ECancelled);
    EXPECT_FALSE(std::filesystem::exists(dir / "o"));
    EXPECT_TRUE(std::filesystem::is_empty(dir / "x"));
    EXPECT_FALSE(std::filesystem::exists(dir / "e"));
}

} // namespace
} // namespace kelda
