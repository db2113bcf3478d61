// SPDX-License-Identifier: MIT
// The Images page's model: the tree of a volume's folders and files, the check's lines, the files
// a selection takes with their local paths, and each form written through the guarded writers.
#include "ImageFiles.h"
#include "forks/TMacFile.h"
#include "image/TImageModel.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using namespace test;
namespace fs = std::filesystem;

class ImageModelTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(dir / "basic.hfs", ImageBytes("basic.hfs")); }
    // The row whose name cell is name.
    static std::size_t RowNamed(const TImageModel& model, const std::string& name) {
        for (std::size_t r = 0; r < model.Rows().size(); ++r) {
            if (model.Rows()[r].Cells[0] == name) {
                return r;
            }
        }
        ADD_FAILURE() << "no row " << name;
        return 0;
    }
    TempDir dir;
};

TEST_F(ImageModelTest, RowsAreTheTreeWithEachItemUnderItsFolder) {
    const TImageModel model = TImageModel::Open(dir / "basic.hfs");
    // name, parent's name, type, creator, data, resource
    const std::vector<std::array<std::string, 6>> want = {
        {"Kelda Test", "", "", "", "", ""},
        {"Docs", "Kelda Test", "", "", "", ""},
        {"Deep", "Docs", "", "", "", ""},
        {"CHAPTER12", "Deep", "WDBN", "MSWD", "26112", "0"},
        {"TextFile", "Docs", "TEXT", "R*ch", "21", "1454"},
        {"Font", "Kelda Test", "FFIL", "DMOV", "0", "2584"},
        {"日本語", "Kelda Test", "TEXT", "UNIX", "6", "0"},
    };
    ASSERT_EQ(model.Rows().size(), want.size());
    for (std::size_t r = 0; r < want.size(); ++r) {
        const TImageModel::TRow& row = model.Rows()[r];
        SCOPED_TRACE(row.Cells[0]);
        const std::string parent =
            row.Parent < 0 ? "" : model.Rows()[static_cast<std::size_t>(row.Parent)].Cells[0];
        EXPECT_EQ((std::array<std::string, 6>{row.Cells[0], parent, row.Cells[1], row.Cells[2], row.Cells[3],
                                              row.Cells[4]}),
                  want[r]);
    }
    EXPECT_TRUE(model.Sound());
    EXPECT_EQ(model.CheckLines(false).front(), "Sound: HFS \"Kelda Test\", 4 files, 2 folders");
    EXPECT_EQ(model.CheckLines(true).front(), "正常: HFS \"Kelda Test\", 4 ファイル、2 フォルダー");
    // A folder has no file to open; a file opens with its forks.
    EXPECT_FALSE(model.OpenFile(RowNamed(model, "Docs")));
    const std::optional<TMacFileSource> text = model.OpenFile(RowNamed(model, "TextFile"));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->File().Resource.Length, 1454);
}

TEST_F(ImageModelTest, ASelectionTakesEachFileBelowOnceFromItsOwnName) {
    const TImageModel model = TImageModel::Open(dir / "basic.hfs");
    const auto paths = [&](const std::vector<std::size_t>& chosen) {
        std::vector<std::string> out;
        for (const TImageModel::TExtractItem& item : model.ExtractItems(chosen, "out")) {
            out.push_back(item.Local.generic_string());
        }
        return out;
    };
    const std::size_t docs = RowNamed(model, "Docs");
    const std::size_t deep = RowNamed(model, "Deep");
    const std::size_t text = RowNamed(model, "TextFile");
    EXPECT_EQ(paths({deep}), (std::vector<std::string>{"out/Deep/CHAPTER12"}));
    EXPECT_EQ(paths({docs, text}),
              (std::vector<std::string>{"out/Docs/Deep/CHAPTER12", "out/Docs/TextFile"}));
    EXPECT_EQ(paths({text}), (std::vector<std::string>{"out/TextFile"}));
    EXPECT_EQ(paths({0}).size(), 4u); // the volume: every file
}

TEST_F(ImageModelTest, EachFormGivesTheForksBackAndALinkIsNotWrittenThrough) {
    const TImageModel model = TImageModel::Open(dir / "basic.hfs");
    const TMacFileSource source = *model.OpenFile(RowNamed(model, "TextFile"));
    const Bytes wantResource = CopyForks({source.Resource()}, dir / "want.r");
    const struct {
        TImageForm Form;
        const char* Name;
        const char* Read; // the file the model reads the forks back from
    } cases[] = {{TImageForm::MacBinary, "t.bin", "t.bin"},
                 {TImageForm::AppleSingle, "t.as", "t.as"},
                 {TImageForm::BinHex, "t.hqx", "t.hqx"},
                 {TImageForm::AppleDouble, "t", "._t"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const fs::path folder = dir / ("f" + std::to_string(static_cast<int>(c.Form)));
        fs::create_directories(folder);
        ASSERT_EQ(ExportImageFile(source, folder / c.Name, c.Form, TCutPolicy::Refuse), TForkStatus::Written);
        const TMacFileSource back = TMacFileSource::Open(folder / c.Read);
        EXPECT_EQ(back.File().Info.Type, source.File().Info.Type);
        EXPECT_EQ(CopyForks({back.Resource()}, folder / "r"), wantResource);
    }
    ASSERT_EQ(ExportImageFile(source, dir / "data", TImageForm::Data, TCutPolicy::Refuse),
              TForkStatus::Written);
    EXPECT_EQ(ReadBytes(dir / "data").size(), 21u);

    WriteBytes(dir / "kept", Bytes{1, 2, 3});
    fs::create_symlink(dir / "kept", dir / "link.bin");
    EXPECT_EQ(ExportImageFile(source, dir / "link.bin", TImageForm::MacBinary, TCutPolicy::Refuse),
              TForkStatus::ThroughLink);
    EXPECT_EQ(ReadBytes(dir / "kept"), (Bytes{1, 2, 3}));
}

} // namespace
} // namespace kelda
