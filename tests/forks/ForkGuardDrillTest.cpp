// SPDX-License-Identifier: MIT
// The exports and the encoder judge "output = source" by the files the kernel opens, not by names:
// a chain of links the kernel itself gives up on (L0 -> d/L1 -> ... with d -> ., two links a hop)
// still names the source for a writer that follows links one by one, and must be refused. Extract
// guards both of its files, read-only ones included, in every form.
#include "ForkSamples.h"

#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"

#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using namespace test;

// name0 -> d/name1 -> ... -> d/target in dir, with d -> "."; returns name0.
fs::path ChainTo(const fs::path& dir, const std::string& name, const std::string& target, int hops) {
    if (!fs::exists(fs::symlink_status(dir / "d"))) {
        fs::create_directory_symlink(".", dir / "d");
    }
    const std::string prefix = name + "-";
    for (int i = 0; i < hops; ++i) {
        const std::string next = i + 1 < hops ? prefix + std::to_string(i + 1) : target;
        fs::create_symlink("d/" + next, dir / (prefix + std::to_string(i)));
    }
    return dir / (prefix + "0");
}

using TWork = std::function<TForkStatus(const fs::path& dir, const fs::path& output, bool replaceReadOnly)>;

struct TCase {
    const char* Name;
    const char* Source; // the input the output must never be
    TWork Work;
};

const TCase kCases[] = {
    {"rsrc", "in.bin",
     [](const fs::path& d, const fs::path& o, bool r) {
         return ExportResourceFork(d / "in.bin", o, TCutPolicy::Refuse, {}, r);
     }},
    {"appledouble", "in.bin",
     [](const fs::path& d, const fs::path& o, bool r) {
         return ExportAppleFile(TAppleKind::Double, d / "in.bin", o, TCutPolicy::Refuse, {}, r);
     }},
    {"applesingle", "in.bin",
     [](const fs::path& d, const fs::path& o, bool r) {
         return ExportAppleFile(TAppleKind::Single, d / "in.bin", o, TCutPolicy::Refuse, {}, r);
     }},
    {"encode data", "Ab",
     [](const fs::path& d, const fs::path& o, bool r) {
         return ForkStatusOf(EncodeMacBinary(d / "Ab", o, {}, {}, r));
     }},
    {"encode sidecar", "._Ab",
     [](const fs::path& d, const fs::path& o, bool r) {
         return ForkStatusOf(EncodeMacBinary(d / "Ab", o, {}, {}, r));
     }},
    {"encode entries", "entries",
     [](const fs::path& d, const fs::path& o, bool r) {
         TEncodeOptions options;
         options.Resource = d / "entries";
         return ForkStatusOf(EncodeMacBinary(d / "Ab", o, options, {}, r));
     }},
};

class ForkGuardDrill : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir / "in.bin", SampleFile());
        WriteBytes(dir / "Ab", Text("DATA!"));
        ASSERT_EQ(ExportAppleFile(TAppleKind::Double, dir / "in.bin", dir / "._Ab", TCutPolicy::Refuse),
                  TForkStatus::Written);
        // An AppleDouble file with Finder information and no resource fork entry: its entries are
        // read, no fork is taken from it.
        Bytes entries =
            Hex("00051607 00020000 00000000000000000000000000000000 0001 00000009 00000026 00000020");
        const Bytes finder = Text("TEXTttxt");
        entries.insert(entries.end(), finder.begin(), finder.end());
        entries.resize(entries.size() + 24, 0);
        WriteBytes(dir / "entries", entries);
    }
    TempDir dir;
};

TEST_F(ForkGuardDrill, NoChainOfLinksMakesASourceTheOutput) {
    constexpr int kHops = 25; // 50 links for the kernel, which stops at 40
    for (const TCase& c : kCases) {
        SCOPED_TRACE(c.Name);
        const Bytes before = ReadBytes(dir / c.Source);
        const fs::path chain = ChainTo(dir.path(), c.Name, c.Source, kHops);
        EXPECT_EQ(c.Work(dir.path(), chain, true), TForkStatus::SourceIsOutput);
        EXPECT_EQ(ReadBytes(dir / c.Source), before);
    }
}

// Extract: each of its two files, in every form, is guarded alike, and the refusal names it.
TEST_F(ForkGuardDrill, ExtractGuardsBothOfItsFiles) {
    fs::create_directory(dir / "x");
    const struct {
        TResourceForm Form;
        const char* File;
    } cases[] = {{TResourceForm::Sidecar, "Ab"},
                 {TResourceForm::Sidecar, "._Ab"},
                 {TResourceForm::AppleSingle, "Ab.as"},
                 {TResourceForm::Raw, "Ab.rsrc"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        WriteBytes(dir / "x" / c.File, {1, 2});
        ::chmod((dir / "x" / c.File).c_str(), 0444);
        const TExtractResult refused = Extract(dir / "in.bin", dir / "x", c.Form, TCutPolicy::Refuse);
        EXPECT_EQ(refused.Status, TForkStatus::OutputReadOnly);
        EXPECT_EQ(refused.Refused, dir / "x" / c.File);
        EXPECT_EQ(ReadBytes(dir / "x" / c.File), (Bytes{1, 2}));
        EXPECT_EQ(Extract(dir / "in.bin", dir / "x", c.Form, TCutPolicy::Refuse, {}, {}, true).Status,
                  TForkStatus::Written);
        EXPECT_NE(ReadBytes(dir / "x" / c.File), (Bytes{1, 2}));
        fs::remove_all(dir / "x");
        fs::create_directory(dir / "x");
    }
    // The source as the data file's name in a folder reached under a second name.
    fs::create_directory_symlink(dir.path(), dir / "x" / "again");
    EXPECT_EQ(
        Extract(dir / "in.bin", dir / "x" / "again", TResourceForm::Raw, TCutPolicy::Refuse, {}, "in.bin")
            .Status,
        TForkStatus::SourceIsOutput);
    EXPECT_EQ(ReadBytes(dir / "in.bin"), SampleFile());
}

} // namespace
} // namespace kelda
