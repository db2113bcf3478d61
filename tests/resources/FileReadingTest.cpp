// SPDX-License-Identifier: MIT
// Reading a file for the window in one operation: the inspection, the header pieces, the resources,
// and how far it gets when a step fails.
#include "resources/FileReading.h"

#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

class FileReadingTest : public ::testing::Test {
protected:
    fs::path Make(const char* name, std::uint8_t byte0 = 0) {
        const Bytes fork = test::BuildResourceFork({{"STR ", 128, std::nullopt, 0, {2, 'H', 'i'}}}).Bytes;
        THeader header{};
        test::PutName(header, name);
        header[0] = byte0;
        const fs::path file = dir_ / name;
        test::WriteBytes(file,
                         test::MakeMacBinaryFile(header, 0, static_cast<std::int32_t>(fork.size()), fork));
        return file;
    }
    fs::path Tmp() const { return dir_ / "TMP/"; }
    test::TempDir dir_;
};

TEST_F(FileReadingTest, AnAcceptedFileGivesEveryPageItsPart) {
    const fs::path file = Make("good.bin");
    fs::create_directories(Tmp());
    const TFileReading reading = ReadMacBinaryFile(file, "shown name", TMacEncoding::Auto, Tmp());
    ASSERT_TRUE(reading.Accepted());
    EXPECT_EQ(reading.Inspect.Inspection->ShownName, "shown name");
    EXPECT_FALSE(reading.PiecesError);
    EXPECT_FALSE(reading.ResourcesError);
    EXPECT_EQ(reading.Pieces.Files.size(), 6U); // held while the file is shown
    EXPECT_FALSE(FirstMissingPiece(Tmp(), file));
    ASSERT_TRUE(reading.Resources);
    EXPECT_EQ(reading.Resources->Rows().size(), 1U);
    EXPECT_EQ(reading.Resources->File(), file);
}

TEST_F(FileReadingTest, ARefusedFileAndAFailedStepStopWhereTheyHappen) {
    // Refused: nothing written, nothing read after the header.
    const TFileReading refused = ReadMacBinaryFile(Make("bad.bin", 1), "bad", TMacEncoding::Auto, Tmp());
    EXPECT_FALSE(refused.Accepted());
    EXPECT_EQ(refused.Inspect.Refusal, TInspectRefusal::NotMacBinary);
    EXPECT_TRUE(refused.Pieces.Files.empty());
    EXPECT_FALSE(refused.Resources);
    EXPECT_FALSE(fs::exists(Tmp()));
    EXPECT_EQ(ReadMacBinaryFile(dir_ / "none", "none", TMacEncoding::Auto, Tmp()).Inspect.Refusal,
              TInspectRefusal::FileNotFound);

    // The temporary folder is a file: the pieces fail, the inspection stands, the rest is not read.
    test::WriteBytes(dir_ / "TMP", {1});
    const TFileReading cut = ReadMacBinaryFile(Make("good.bin"), "good", TMacEncoding::Auto, Tmp());
    ASSERT_TRUE(cut.Accepted());
    EXPECT_TRUE(cut.PiecesError);
    EXPECT_TRUE(cut.Pieces.Files.empty());
    EXPECT_FALSE(cut.Resources);
    EXPECT_FALSE(cut.ResourcesError);
}

} // namespace
} // namespace kelda
