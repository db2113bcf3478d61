// SPDX-License-Identifier: MIT
// BinHex through the commands: written from each container and read back by every command that
// reads a Mac file; damage found by check and scan and refused by the exports.
#include "CliRun.h"
#include "cli/Cli.h"
#include "forks/ForkSamples.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using namespace test;

using test::RunCli;
using TRun = test::TCliRun;

class CliBinHexTest : public ::testing::Test {
protected:
    void SetUp() override {
        WriteBytes(dir / "in.bin", SampleFile());
        ASSERT_EQ(RunCli({"binhex", P("in.bin"), P("in.hqx")}).Status, kCliOk);
    }
    std::string P(const char* name) const { return (dir / name).string(); }
    // The .hqx with the character at offset from its end replaced.
    void WriteAltered(const char* name, std::size_t fromEnd, char with) const {
        Bytes text = ReadBytes(dir / "in.hqx");
        text[text.size() - fromEnd] = static_cast<std::uint8_t>(with);
        WriteBytes(dir / name, text);
    }
    TempDir dir;
};

// Every export gives from the BinHex file what it gives from the MacBinary file (but for what BinHex
// cannot carry: dates and the comment, so AppleSingle and AppleDouble are compared by their forks).
TEST_F(CliBinHexTest, ExportsFromBinHexGiveTheSourcesForks) {
    const TRun check = RunCli({"check", P("in.hqx")});
    EXPECT_EQ(check.Status, kCliOk) << check.Out << check.Err;
    EXPECT_NE(check.Out.find("Sound BinHex 4.0"), std::string::npos) << check.Out;
    EXPECT_NE(check.Out.find("Name         : Ab"), std::string::npos) << check.Out;
    for (const char* command : {"rsrc", "datafork"}) {
        SCOPED_TRACE(command);
        ASSERT_EQ(RunCli({command, P("in.bin"), P("want")}).Status, kCliOk);
        const TRun r = RunCli({command, "-f", P("in.hqx"), P("got")});
        ASSERT_EQ(r.Status, kCliOk) << r.Err;
        EXPECT_EQ(ReadBytes(dir / "got"), ReadBytes(dir / "want"));
    }
    const TRun x = RunCli({"extract", P("in.hqx"), "-o", P("x"), "--rsrc", "raw"});
    ASSERT_EQ(x.Status, kCliOk) << x.Err;
    EXPECT_EQ(ReadBytes(dir / "x/Ab"), Text("DATA!"));
    // encode takes a BinHex file as its source of forks: back to MacBinary with the same forks,
    // name, type and creator.
    ASSERT_EQ(RunCli({"encode", "--date", "2001-02-03", P("in.hqx"), P("again.bin")}).Status, kCliOk);
    const TRun back = RunCli({"check", "--json", P("again.bin")});
    EXPECT_NE(back.Out.find("\"verdict\":\"sound\""), std::string::npos) << back.Out;
    ASSERT_EQ(RunCli({"rsrc", "-f", P("again.bin"), P("got")}).Status, kCliOk);
    EXPECT_EQ(ReadBytes(dir / "got"), Text("RS"));
    // BinHex of BinHex, and of the AppleSingle made from it, is the same text: one model.
    ASSERT_EQ(RunCli({"applesingle", P("in.hqx"), P("in.as")}).Status, kCliOk);
    for (const char* source : {"in.hqx", "in.as"}) {
        ASSERT_EQ(RunCli({"binhex", "-f", P(source), P("again.hqx")}).Status, kCliOk) << source;
        EXPECT_EQ(ReadBytes(dir / "again.hqx"), ReadBytes(dir / "in.hqx")) << source;
    }
    const TRun resources = RunCli({"resources", P("in.hqx")});
    EXPECT_EQ(resources.Status, RunCli({"resources", P("in.bin")}).Status);
    // A data fork and a raw resource fork, named by the data file.
    WriteBytes(dir / "Ab", Text("DATA!"));
    WriteBytes(dir / "Ab.rsrc", Text("RS"));
    ASSERT_EQ(RunCli({"binhex", "--rsrc", P("Ab.rsrc"), P("Ab"), P("forks.hqx")}).Status, kCliOk);
    ASSERT_EQ(RunCli({"rsrc", P("forks.hqx"), P("forks.r")}).Status, kCliOk);
    EXPECT_EQ(ReadBytes(dir / "forks.r"), Text("RS"));
}

TEST_F(CliBinHexTest, DamageIsFoundAndRefused) {
    // The last characters are the resource fork's CRC and the closing colon.
    WriteAltered("crc.hqx", 3, 'A');
    Bytes text = ReadBytes(dir / "in.hqx");
    text.resize(text.size() - 6);
    WriteBytes(dir / "cut.hqx", text);
    WriteAltered("char.hqx", 3, '~');
    const struct {
        const char* File;
        const char* Finding;
    } cases[] = {{"crc.hqx", "binhex-resource-crc"},
                 {"cut.hqx", "binhex-resource-cut"},
                 {"char.hqx", "binhex-bad-character"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.File);
        const TRun check = RunCli({"check", "--json", P(c.File)});
        EXPECT_EQ(check.Status, kCliFailure);
        EXPECT_NE(check.Out.find(std::string("\"container\":\"binhex\"")), std::string::npos) << check.Out;
        EXPECT_NE(check.Out.find(std::string("\"verdict\":\"damaged\"")), std::string::npos) << check.Out;
        EXPECT_NE(check.Out.find(c.Finding), std::string::npos) << check.Out;
        const TRun rsrc = RunCli({"rsrc", P(c.File), P("out")});
        EXPECT_EQ(rsrc.Status, kCliFailure);
        EXPECT_FALSE(std::filesystem::exists(dir / "out")) << rsrc.Err;
    }
    // A fork cut short is written as far as it goes when asked.
    const TRun partial = RunCli({"rsrc", "--partial", P("cut.hqx"), P("out")});
    EXPECT_EQ(partial.Status, kCliSourceTruncated) << partial.Err;
    EXPECT_NE(partial.Err.find("ends inside a fork"), std::string::npos) << partial.Err;

    const TRun scan = RunCli({"scan", "--json", dir.path().string()});
    EXPECT_NE(scan.Out.find("\"container\":\"binhex\""), std::string::npos) << scan.Out;
    EXPECT_NE(scan.Out.find("binhex-resource-crc"), std::string::npos) << scan.Out;
}

} // namespace
} // namespace kelda
