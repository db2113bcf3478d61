// SPDX-License-Identifier: MIT
// Real MacBinary files written by other programs: every one is read sensibly and converts back to
// what its header describes.
#include "support/Corpus.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using test::Bytes;
using test::ReadBytes;
using test::Slice;

// Files named "neg_..." are deliberately not MacBinary.
bool IsNegativeSample(const std::filesystem::path& file) {
    return file.filename().string().starts_with("neg_");
}

TEST(CorpusTest, EveryFileIsReadAndConvertsBackToItsForks) {
    const auto files = test::CorpusFiles();
    test::TempDir dir;
    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        THeader h{};
        ReadHeader(file, h);
        if (IsNegativeSample(file)) {
            EXPECT_FALSE(IsMacBinary(h));
            continue;
        }
        ASSERT_TRUE(IsMacBinary(h));
        const Bytes bytes = ReadBytes(file);
        const auto size = static_cast<std::int64_t>(bytes.size());
        const std::int32_t d = HeaderInteger(h, kOffsetDataForkLength);
        const std::int32_t r = HeaderInteger(h, kOffsetResourceForkLength);
        EXPECT_GE(d, 0);
        EXPECT_GE(r, 0);
        const TFileLayout layout = ComputeLayout(h, size);
        EXPECT_LE(layout.ResourceFork.End, layout.Comment.End); // the forks lie inside the file

        const std::vector<std::string> table = BuildHeaderTable(h);
        ASSERT_EQ(table.size(), 28u);
        EXPECT_NE(table[2].find("\t[CHR]\t"), std::string::npos);
        EXPECT_GT(table[2].find("\t[CHR]"), std::string("002\tFileName\t").size()); // a name is shown
        EXPECT_EQ(BuildLogBlock(file.string(), h, size).size(), 36u);

        if (h[kOffsetVersion] >= kVersionII) {
            // Writers of version II and III store the header CRC.
            EXPECT_EQ(HeaderWord(h, kOffsetCrc), HeaderCrc(h));
        }
        if (h[kOffsetVersion] == kVersionII && h[kOffsetMinVersion] == kVersionII) {
            EXPECT_EQ(MacBinaryIIForm(h), h); // already in that form
        }

        ASSERT_EQ(WriteDataFork(file, h, dir / "data"), TConvertStatus::Written);
        EXPECT_EQ(ReadBytes(dir / "data"), Slice(bytes, 128, static_cast<std::size_t>(d)));
        ASSERT_EQ(WriteWithoutHeader(file, dir / "strip"), TConvertStatus::Written);
        EXPECT_EQ(ReadBytes(dir / "strip"), Slice(bytes, 128, bytes.size()));
        const THeader form = WriteHeaderPieces(dir.path(), file, h);
        ASSERT_EQ(WriteMacBinaryII(ReadMacBinaryIIPieces(dir.path(), file), file, dir / "mb2"),
                  TConvertStatus::Written);
        const Bytes mb2 = ReadBytes(dir / "mb2");
        EXPECT_EQ(Slice(mb2, 0, 128), Bytes(form.begin(), form.end()));
        EXPECT_EQ(Slice(mb2, 128, mb2.size()), Slice(bytes, 128, bytes.size()));
        // The new file reads back as a version II file with a valid CRC and the same forks.
        THeader again{};
        ReadHeader(dir / "mb2", again);
        EXPECT_EQ(FileTypeText(again), kFileTypeIIorIII);
        EXPECT_EQ(HeaderWord(again, kOffsetCrc), HeaderCrc(again));
        EXPECT_EQ(HeaderInteger(again, kOffsetDataForkLength), d);
    }
}

} // namespace
} // namespace kelda
