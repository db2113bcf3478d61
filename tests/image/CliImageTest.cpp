// SPDX-License-Identifier: MIT
// kelda-cli image on the built volumes and on the corpus's DiskCopy images inside MacBinary: the
// listing is the tree, check judges the layers and the volume, extract writes each file in the
// form asked, with its forks as the volume holds them, and never replaces a file unasked.
#include "HfsPlusBuilder.h"
#include "ImageFiles.h"

#include "cli/Cli.h"
#include "cli/CliRun.h"
#include "forks/TMacFile.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace kelda {
namespace {

using namespace test;

using test::RunCli;
using TRun = test::TCliRun;

class CliImageTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(dir / "basic.hfs", ImageBytes("basic.hfs")); }
    std::string P(const std::string& name) const { return (dir / name).string(); }
    TempDir dir;
};

TEST_F(CliImageTest, ListGivesTheTreeAndCheckTheVerdict) {
    const TRun list = RunCli({"image", "list", P("basic.hfs")});
    ASSERT_EQ(list.Status, kCliOk) << list.Err;
    EXPECT_EQ(list.Out, "folder\t-\t-\t-\t2026-12-10 00:11:33\tKelda Test:Docs/\n"
                        "folder\t-\t-\t-\t2026-12-10 00:11:33\tKelda Test:Docs/Deep/\n"
                        "file\tWDBN/MSWD\t26112\t0\t1995-04-06 16:18:00\tKelda Test:Docs/Deep/CHAPTER12\n"
                        "file\tTEXT/R*ch\t21\t1454\t2023-03-22 16:36:25\tKelda Test:Docs/TextFile\n"
                        "file\tFFIL/DMOV\t0\t2584\t2022-12-18 11:52:17\tKelda Test:Font\n"
                        "file\tTEXT/UNIX\t6\t0\t2026-12-10 00:11:33\tKelda Test:日本語\n");
    const TRun json = RunCli({"image", "list", "--json", P("basic.hfs")});
    EXPECT_NE(json.Out.find("\"entry_path\":\"Docs/TextFile\",\"kind\":\"file\""), std::string::npos)
        << json.Out;

    const struct {
        const char* Image;
        int Status;
        const char* Says;
    } cases[] = {{"basic.hfs", kCliOk, "Sound: HFS \"Kelda Test\", 4 files, 2 folders"},
                 {"cut.hfs", kCliFailure, "Damaged: HFS \"Kelda Test\""},
                 {"convert2dsk_Blank800K.img.bin", kCliOk, "Sound: DiskCopy 4.2 > HFS \"Blank800K\""},
                 {"ciderpress2_MCUS_Free_Software_Disk.img.bin", kCliOk,
                  "Sound: DiskCopy 4.2 > MFS \"MCUS' Free Software Disk\", 19 files\n"},
                 {"damaged.dsk", kCliFailure, "Damaged: MFS \"MCUS' Free Software Disk\", 19 files"}};
    // The bare MFS volume with IconMaker.help's data fork starting outside the volume.
    Bytes mfs = ReadBytes(CorpusFile("ciderpress2_MCUS_Free_Software_Disk.img.bin"));
    mfs = Bytes(mfs.begin() + 128 + 84, mfs.begin() + 128 + 84 + 409600);
    SetBig16(mfs, 5 * 512 + 350 + 22, 500);
    WriteBytes(dir / "damaged.dsk", mfs);
    Bytes cut = ImageBytes("basic.hfs");
    cut.resize(cut.size() / 2);
    WriteBytes(dir / "cut.hfs", cut);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Image);
        const std::filesystem::path image =
            std::filesystem::exists(dir / c.Image) ? dir / c.Image : CorpusFile(c.Image);
        const TRun check = RunCli({"image", "check", image.string()});
        EXPECT_EQ(check.Status, c.Status) << check.Out << check.Err;
        EXPECT_NE((check.Out + check.Err).find(c.Says), std::string::npos) << check.Out << check.Err;
    }
}

TEST_F(CliImageTest, ExtractWritesEachFormAndKeepsWhatIsThere) {
    const TRun all = RunCli({"image", "extract", P("basic.hfs"), "-o", P("out")});
    ASSERT_EQ(all.Status, kCliOk) << all.Err;
    const TMacFileSource text = TMacFileSource::Open(dir / "out/Docs/TextFile.bin");
    EXPECT_EQ(text.File().Version, TMacBinaryVersion::III);
    EXPECT_EQ(text.File().Data.Length, 21);
    EXPECT_EQ(text.File().Resource.Length, 1454);
    EXPECT_EQ(text.File().Name.Text, "TextFile");
    EXPECT_TRUE(std::filesystem::exists(dir / "out/日本語.bin"));

    // Each form of one file gives the same forks back through the model.
    for (const char* form : {"applesingle", "binhex", "appledouble"}) {
        SCOPED_TRACE(form);
        const TRun r =
            RunCli({"image", "extract", "--as", form, P("basic.hfs"), "Docs/TextFile", "-o", P(form)});
        ASSERT_EQ(r.Status, kCliOk) << r.Err;
        const std::string made = r.Out.substr(0, r.Out.find('\n'));
        const std::string source = std::string(form) == "appledouble"
                                       ? r.Out.substr(made.size() + 1, r.Out.size() - made.size() - 2)
                                       : made;
        ASSERT_EQ(RunCli({"rsrc", source, P(std::string(form) + ".r")}).Status, kCliOk) << source;
        ASSERT_EQ(RunCli({"rsrc", P("out/Docs/TextFile.bin"), P("want.r")}).Status, kCliOk);
        EXPECT_EQ(ReadBytes(dir / (std::string(form) + ".r")), ReadBytes(dir / "want.r"));
    }
    const TRun data = RunCli({"image", "extract", "--as", "data", P("basic.hfs"), "Docs/", "-o", P("data")});
    ASSERT_EQ(data.Status, kCliOk) << data.Err;
    EXPECT_EQ(std::filesystem::file_size(dir / "data/Docs/Deep/CHAPTER12"), 26112u);
    EXPECT_FALSE(std::filesystem::exists(dir / "data/Font"));

    // Again into the same folder: every file is there already and kept, unless -f.
    const auto before = std::filesystem::last_write_time(dir / "out/Font.bin");
    const TRun again = RunCli({"image", "extract", P("basic.hfs"), "-o", P("out")});
    EXPECT_EQ(again.Status, kCliFailure);
    EXPECT_NE(again.Err.find("4 failed"), std::string::npos) << again.Err;
    EXPECT_EQ(std::filesystem::last_write_time(dir / "out/Font.bin"), before);
    EXPECT_EQ(RunCli({"image", "extract", "-f", P("basic.hfs"), "-o", P("out")}).Status, kCliOk);
}

// An MFS disk: every file at the root, listed with its type and creator, and written as MacBinary
// III with the forks the directory gives, which kelda-cli check then finds sound.
TEST_F(CliImageTest, AnMfsDiskIsListedAndExtractedFlat) {
    const std::string image = CorpusFile("ciderpress2_MCUS_Free_Software_Disk.img.bin").string();
    const TRun list = RunCli({"image", "list", image});
    ASSERT_EQ(list.Status, kCliOk) << list.Err;
    EXPECT_EQ(std::count(list.Out.begin(), list.Out.end(), '\n'), 19);
    EXPECT_NE(list.Out.find(
                  "file\tAPPL/ImAk\t10734\t19524\t1986-01-05 00:45:42\tMCUS' Free Software Disk:IconMaker\n"),
              std::string::npos)
        << list.Out;
    EXPECT_NE(list.Out.find("\tMCUS' Free Software Disk:ThrowPaint™ (MCUS #30)\n"), std::string::npos);

    const TRun all = RunCli({"image", "extract", image, "-o", P("mfs")});
    ASSERT_EQ(all.Status, kCliOk) << all.Err;
    const struct {
        const char* File;
        std::int64_t Data;
        std::int64_t Resource;
    } files[] = {{"IconMaker.bin", 10734, 19524},
                 {"Camera (MCUS #26).bin", 4164, 47036},
                 {"double click read first.bin", 263, 10455},
                 {"Tiger (MCUS #7).bin", 24064, 0}};
    for (const auto& f : files) {
        SCOPED_TRACE(f.File);
        const TMacFileSource made = TMacFileSource::Open(dir / "mfs" / f.File);
        EXPECT_EQ(made.File().Version, TMacBinaryVersion::III);
        EXPECT_EQ(made.File().Data.Length, f.Data);
        EXPECT_EQ(made.File().Resource.Length, f.Resource);
        const TRun check = RunCli({"check", (dir / "mfs" / f.File).string()});
        EXPECT_EQ(check.Status, kCliOk) << check.Out;
        EXPECT_NE(check.Out.find("Sound MacBinary III"), std::string::npos) << check.Out;
    }
    std::size_t written = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir / "mfs")) {
        written += entry.is_regular_file() ? 1 : 0;
    }
    EXPECT_EQ(written, 19u);
}

// An HFS+ volume in an HFS wrapper: listed with its composed Unicode names, checked, and extracted
// as MacBinary III whose names are the Mac bytes of those names; a compressed file is listed and
// refused as compressed, never written with wrong bytes.
TEST_F(CliImageTest, AnHfsPlusVolumeIsListedCheckedAndExtracted) {
    std::vector<TPlusItem> items;
    items.push_back({.Path = {u"Docs"}, .Folder = true});
    items.push_back(
        {.Path = {u"Docs", u"Cafe\u0301"}, .Data = Bytes(5000, 'c'), .Resource = Bytes(300, 'r')});
    items.push_back({.Path = {u"Squeezed"}, .Compressed = true, .Resource = Bytes(50, 'z')});
    WriteBytes(dir / "plus.img", WrapInHfs(BuildHfsPlus(items, {.BlockSize = 512})));
    const TRun list = RunCli({"image", "list", P("plus.img")});
    ASSERT_EQ(list.Status, kCliOk) << list.Err;
    EXPECT_EQ(list.Out, "folder\t-\t-\t-\t1904-01-01 00:00:00\tPlus Test:Docs/\n"
                        "file\tTEXT/ttxt\t5000\t300\t1904-01-01 00:00:00\tPlus Test:Docs/Café\n"
                        "file\tTEXT/ttxt\t0\t50\t1904-01-01 00:00:00\tPlus Test:Squeezed\n");
    const TRun check = RunCli({"image", "check", P("plus.img")});
    EXPECT_EQ(check.Status, kCliOk) << check.Out << check.Err;
    EXPECT_NE(check.Out.find("Sound: HFS+ \"Plus Test\", 2 files, 1 folder"), std::string::npos) << check.Out;

    const TRun all = RunCli({"image", "extract", P("plus.img"), "-o", P("out")});
    EXPECT_EQ(all.Status, kCliFailure);
    EXPECT_NE(all.Err.find("is stored compressed, which is not read"), std::string::npos) << all.Err;
    EXPECT_EQ(all.Err.find("damaged"), std::string::npos) << all.Err;
    EXPECT_FALSE(std::filesystem::exists(dir / "out/Squeezed.bin"));
    const TMacFileSource cafe = TMacFileSource::Open(dir / "out/Docs/Café.bin");
    EXPECT_EQ(cafe.File().Info.Name, "Caf\x8E");
    EXPECT_EQ(cafe.File().Name.Text, "Café");
    EXPECT_EQ(cafe.File().Data.Length, 5000);
    EXPECT_EQ(cafe.File().Resource.Length, 300);
}

} // namespace
} // namespace kelda
