// SPDX-License-Identifier: MIT
// Every MacBinary file of the corpus (written by real programs) taken out and made into MacBinary
// again, through AppleSingle and through extraction with an AppleDouble sidecar: the forks, the
// comment and every header field a container carries come back; the header equals the source's
// MacBinary II form but for the fields listed in CarriedNot.
#include "ForkSamples.h"

#include "forks/AppleFormat.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/TAppleContainer.h"
#include "forks/TMacFile.h"
#include "macbinary/CheckReport.h"
#include "macbinary/HeaderPieces.h"
#include "support/TimeZone.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace kelda {
namespace {

using namespace test;

// Header bytes that no AppleDouble or AppleSingle entry carries: the signature and the reserved
// bytes (102-105, 108-115), the unpacking length and secondary header (116-121), the version bytes
// (122-123, set by the version written), the CRC (124-125, computed anew) and the computer's
// identifier (126-127); 106 and 107 are carried, but written only in version III. A date before
// 1931-12-13 (a Mac whose clock was never set) lies outside the container's signed range from
// 2000: it comes back as no date.
bool CarriedNot(const THeader& source, std::size_t offset, int version) {
    if (version != 3 && (offset == 106 || offset == 107)) {
        return true;
    }
    for (const int date : {91, 95}) {
        if (offset >= static_cast<std::size_t>(date) && offset < static_cast<std::size_t>(date) + 4 &&
            MacDateToAppleDate(HeaderUInt32(source, date)) == kAppleDateUnknown) {
            return true;
        }
    }
    return (offset >= 102 && offset <= 105) || offset >= 108;
}

struct TParts {
    Bytes Data, Resource, Comment;
};

TParts PartsOf(const std::filesystem::path& file) {
    const TMacFileSource in = TMacFileSource::OpenMacBinary(file);
    const Bytes bytes = ReadBytes(file);
    const TMacFile& l = in.File();
    auto part = [&](const TForkSpan& s) {
        return Slice(bytes, static_cast<std::size_t>(s.Offset), static_cast<std::size_t>(s.Present));
    };
    return {part(l.Data), part(l.Resource), part(l.Comment)};
}

void ExpectSameFile(const std::filesystem::path& source, const std::filesystem::path& made, int version) {
    THeader src{}, out{};
    ReadHeader(source, src);
    ReadHeader(made, out);
    const THeader form = MacBinaryIIForm(src);
    for (std::size_t i = 0; i < kHeaderSize; ++i) {
        if (!CarriedNot(src, i, version)) {
            EXPECT_EQ(out[i], form[i]) << "header byte " << i;
        }
    }
    for (const int date : {91, 95}) {
        if (MacDateToAppleDate(HeaderUInt32(src, date)) == kAppleDateUnknown) {
            EXPECT_EQ(HeaderUInt32(out, date), 0u);
        }
    }
    if (version == 3) {
        EXPECT_EQ(out[106], src[106]);
        EXPECT_EQ(out[107], src[107]);
    }
    EXPECT_EQ(HeaderWord(out, kOffsetCrc), HeaderCrc(out));
    const TParts a = PartsOf(source), b = PartsOf(made);
    EXPECT_EQ(a.Data, b.Data);
    EXPECT_EQ(a.Resource, b.Resource);
    EXPECT_EQ(a.Comment, b.Comment);
    // Every part but the last is padded to 128 bytes, the last too.
    EXPECT_EQ(std::filesystem::file_size(made) % 128, 0u);
}

int VersionFor(const THeader& header) {
    return HasMacBinarySignature(header) ? 3 : 2;
}

// In every zone, AppleSingle's modification date and the extracted data fork's modification time are
// one instant, and the AppleSingle file gives back the header's own dates.
TEST(RoundTrip, CorpusThroughAppleSingleAndBack) {
    const auto files = test::CorpusFiles(false);
    for (const char* zone : kTestZones) {
        const TScopedTimeZone tz(zone);
        for (const auto& file : files) {
            SCOPED_TRACE(std::string(zone) + " " + file.filename().string());
            TempDir dir;
            THeader h{};
            ReadHeader(file, h);
            const auto as = dir / "file.as";
            ASSERT_EQ(ExportAppleFile(TAppleKind::Single, file, as, TCutPolicy::Refuse),
                      TForkStatus::Written);
            const TAppleContainer single(as);
            const TAppleEntry* dates = single.Find(kEntryFileDates);
            ASSERT_NE(dates, nullptr);
            const Bytes asBytes = ReadBytes(as);
            const auto modified = static_cast<std::int32_t>(
                GetBig32(asBytes.data() + static_cast<std::size_t>(dates->Offset) + 4));
            const TExtractResult extracted = Extract(file, dir / "x", TResourceForm::Raw, TCutPolicy::Refuse);
            ASSERT_EQ(extracted.Status, TForkStatus::Written);
            if (modified != kAppleDateUnknown) {
                struct stat st {};
                ASSERT_EQ(::stat(extracted.DataFile.c_str(), &st), 0);
                EXPECT_EQ(static_cast<std::int64_t>(st.st_mtime), std::int64_t{modified} + 946684800);
            }
            for (const int version : {2, VersionFor(h)}) {
                TEncodeOptions options;
                options.Version = version;
                const auto out = dir / "again.bin";
                ASSERT_EQ(EncodeMacBinary(as, out, options), TConvertStatus::Written);
                ExpectSameFile(file, out, version);
            }
        }
    }
}

TEST(RoundTrip, CorpusThroughExtractWithSidecarAndBack) {
    const auto files = test::CorpusFiles(false);
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        TempDir dir;
        THeader h{};
        ReadHeader(file, h);
        const TExtractResult extracted =
            Extract(file, dir / "out", TResourceForm::Sidecar, TCutPolicy::Refuse);
        ASSERT_EQ(extracted.Status, TForkStatus::Written);
        EXPECT_EQ(extracted.DataFile.parent_path(), dir / "out");
        EXPECT_EQ(extracted.ResourceFile, SidecarName(extracted.DataFile));
        TEncodeOptions options;
        options.Version = VersionFor(h);
        const auto out = dir / "again.bin";
        ASSERT_EQ(EncodeMacBinary(extracted.DataFile, out, options), TConvertStatus::Written);
        ExpectSameFile(file, out, options.Version);
    }
}

// The raw and AppleSingle forms of extraction come back through --rsrc as well, the raw one with
// the Finder's fields from the options.
TEST(RoundTrip, ExtractedRawAndAppleSingleResourceForks) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    const TExtractResult single =
        Extract(dir / "in.bin", dir / "as", TResourceForm::AppleSingle, TCutPolicy::Refuse);
    ASSERT_EQ(single.Status, TForkStatus::Written);
    EXPECT_EQ(single.ResourceFile.filename(), "Ab.as");
    TEncodeOptions options;
    options.Resource = single.ResourceFile;
    ASSERT_EQ(EncodeMacBinary(single.DataFile, dir / "a.bin", options), TConvertStatus::Written);
    ExpectSameFile(dir / "in.bin", dir / "a.bin", 2);

    const TExtractResult raw = Extract(dir / "in.bin", dir / "raw", TResourceForm::Raw, TCutPolicy::Refuse);
    ASSERT_EQ(raw.Status, TForkStatus::Written);
    EXPECT_EQ(raw.ResourceFile.filename(), "Ab.rsrc");
    EXPECT_EQ(ReadBytes(raw.ResourceFile), Text("RS"));
    TEncodeOptions rawOptions;
    rawOptions.Resource = raw.ResourceFile;
    rawOptions.Type = "TEXT";
    rawOptions.Creator = "ttxt";
    ASSERT_EQ(EncodeMacBinary(raw.DataFile, dir / "b.bin", rawOptions), TConvertStatus::Written);
    const TParts parts = PartsOf(dir / "b.bin");
    EXPECT_EQ(parts.Data, Text("DATA!"));
    EXPECT_EQ(parts.Resource, Text("RS"));
    THeader b{};
    ReadHeader(dir / "b.bin", b);
    EXPECT_EQ(Slice(Bytes(b.begin(), b.end()), 1, 3), Hex("02 41 62"));
    EXPECT_EQ(Slice(Bytes(b.begin(), b.end()), 65, 8), Text("TEXTttxt"));
}

// The data fork's modification time is the header's, read on the local clock.
TEST(RoundTrip, ExtractSetsTheModificationTimeAndEncodeReadsItBack) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    const TExtractResult r = Extract(dir / "in.bin", dir.path(), TResourceForm::Raw, TCutPolicy::Refuse);
    ASSERT_EQ(r.Status, TForkStatus::Written);
    std::filesystem::remove(r.ResourceFile);
    TEncodeOptions options;
    ASSERT_EQ(EncodeMacBinary(r.DataFile, dir / "again.bin", options), TConvertStatus::Written);
    THeader h{};
    ReadHeader(dir / "again.bin", h);
    EXPECT_EQ(HeaderUInt32(h, 95), 3029529599u);
}

// One Mac file in three containers is one model: the resource fork, AppleDouble, AppleSingle, the
// extracted data fork and a new MacBinary come out byte for byte the same whichever container they
// are made from, and the model's name, type, dates and fork lengths agree.
TEST(RoundTrip, EveryContainerOfOneFileGivesTheSameOutputs) {
    for (const auto& file : test::CorpusFiles(false)) {
        SCOPED_TRACE(file.filename().string());
        TempDir dir;
        const auto single = dir / "file.as";
        ASSERT_EQ(ExportAppleFile(TAppleKind::Single, file, single, TCutPolicy::Refuse),
                  TForkStatus::Written);
        const TExtractResult sidecar = Extract(file, dir / "ad", TResourceForm::Sidecar, TCutPolicy::Refuse);
        ASSERT_EQ(sidecar.Status, TForkStatus::Written);
        const std::filesystem::path sources[] = {file, single, sidecar.ResourceFile};
        const TMacFile model = TMacFileSource::Open(file).File();
        std::vector<std::vector<Bytes>> outputs;
        for (const auto& source : sources) {
            SCOPED_TRACE(source.filename().string());
            const TMacFile other = TMacFileSource::Open(source).File();
            EXPECT_EQ(other.Info.Name, model.Info.Name);
            EXPECT_EQ(other.Name.Text, model.Name.Text);
            EXPECT_EQ(other.Info.Type, model.Info.Type);
            EXPECT_EQ(other.Data.Length, model.Data.Length);
            EXPECT_EQ(other.Resource.Length, model.Resource.Length);
            const auto out = dir / ("from-" + std::to_string(outputs.size()));
            ASSERT_EQ(ExportResourceFork(source, out.string() + ".rsrc", TCutPolicy::Refuse),
                      TForkStatus::Written);
            ASSERT_EQ(ExportAppleFile(TAppleKind::Double, source, out.string() + ".ad", TCutPolicy::Refuse),
                      TForkStatus::Written);
            ASSERT_EQ(ExportAppleFile(TAppleKind::Single, source, out.string() + ".as", TCutPolicy::Refuse),
                      TForkStatus::Written);
            const TExtractResult x =
                Extract(source, out.string() + ".x", TResourceForm::Raw, TCutPolicy::Refuse);
            ASSERT_EQ(x.Status, TForkStatus::Written);
            outputs.push_back({ReadBytes(out.string() + ".rsrc"), ReadBytes(out.string() + ".ad"),
                               ReadBytes(out.string() + ".as"), ReadBytes(x.DataFile)});
        }
        EXPECT_EQ(outputs[1], outputs[0]);
        EXPECT_EQ(outputs[2], outputs[0]);
    }
}

// The model's version is the check's: the corpus's three versions of one text file.
TEST(RoundTrip, ModelAndCheckAgreeOnTheVersion) {
    const struct {
        const char* File;
        TMacBinaryVersion Version;
    } cases[] = {{"wezm_TextFile_I.bin", TMacBinaryVersion::I},
                 {"wezm_TextFile_II.bin", TMacBinaryVersion::II},
                 {"wezm_TextFile_III.bin", TMacBinaryVersion::III}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const std::filesystem::path file = test::CorpusFile(c.File);
        EXPECT_EQ(TMacFileSource::Open(file).File().Version, c.Version);
        const TFileStream in(file, FileMode::Read);
        THeader h{};
        EXPECT_EQ(CheckOpenFile(in, h).Version, c.Version);
    }
}

} // namespace
} // namespace kelda
