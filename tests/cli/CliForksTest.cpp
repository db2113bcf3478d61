// SPDX-License-Identifier: MIT
// The fork commands of kelda-cli, run in-process: operands and "-", exit statuses, forks cut short,
// the reproducible date from the environment.
#include "cli/Cli.h"
#include "forks/ForkSamples.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

namespace kelda {
namespace {

using namespace test;

struct TRun {
    int Status;
    std::string Out;
    std::string Err;
};

TRun RunCli(const TCliArgs& args, const std::string& input = {}) {
    std::istringstream in(input);
    std::ostringstream out, err;
    TCliTerminal terminal;
    terminal.In = &in;
    const int status = CliMain(args, out, err, terminal);
    return {status, out.str(), err.str()};
}

std::string AsString(const Bytes& b) {
    return std::string(b.begin(), b.end());
}

// The sample as version II holds it: the extended flags (byte 107) are version III's.
Bytes SampleAsVersionII() {
    THeader h = SampleHeader();
    h[107] = 0;
    const std::uint16_t crc = HeaderCrc(h);
    h[124] = static_cast<std::uint8_t>(crc >> 8);
    h[125] = static_cast<std::uint8_t>(crc);
    Bytes file = MacBinaryOf(h, Text("DATA!"), Text("RS"), Text("hi"));
    Pad128(file);
    return file;
}

class CliForksTest : public ::testing::Test {
protected:
    void SetUp() override { WriteBytes(dir / "in.bin", SampleFile()); }
    std::string P(const char* name) const { return (dir / name).string(); }
    TempDir dir;
};

TEST_F(CliForksTest, ExportsWriteTheirFiles) {
    struct {
        const char* Command;
        std::size_t Size;
    } cases[] = {{"rsrc", 2}, {"appledouble", 156}, {"applesingle", 173}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Command);
        const TRun r = RunCli({c.Command, P("in.bin"), P("out")});
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        EXPECT_EQ(r.Err, "");
        EXPECT_EQ(std::filesystem::file_size(dir / "out"), c.Size);
    }
}

TEST_F(CliForksTest, StandardInputAndOutputGoThereAndBack) {
    const TRun single = RunCli({"applesingle", "-", "-"}, AsString(SampleFile()));
    ASSERT_EQ(single.Status, kCliOk) << single.Err;
    EXPECT_EQ(single.Out.substr(0, 4), std::string("\x00\x05\x16\x00", 4));
    const TRun back = RunCli({"encode", "-", "-"}, single.Out);
    ASSERT_EQ(back.Status, kCliOk) << back.Err;
    EXPECT_EQ(back.Out, AsString(SampleAsVersionII()));
}

TEST_F(CliForksTest, ExtractListsWhatItWroteAndEncodeTakesTheSidecar) {
    const TRun r = RunCli({"extract", P("in.bin"), "-o", P("x"), "--rsrc", "sidecar"});
    ASSERT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(r.Out, P("x/Ab") + "\n" + P("x/._Ab") + "\n");
    const TRun e = RunCli({"encode", "--version", "2", P("x/Ab"), P("again.bin")});
    ASSERT_EQ(e.Status, kCliOk) << e.Err;
    EXPECT_EQ(ReadBytes(dir / "again.bin"), SampleAsVersionII());
}

// A secondary header (its length in bytes 120-121, padded to 128 bytes) comes before the data fork:
// datafork and extract give the same data fork, whatever the length.
TEST_F(CliForksTest, DataforkAndExtractAgreeBehindASecondaryHeader) {
    for (const std::uint16_t secondary : {1, 20, 128, 129}) {
        SCOPED_TRACE(secondary);
        THeader h = SampleHeader();
        h[120] = static_cast<std::uint8_t>(secondary >> 8);
        h[121] = static_cast<std::uint8_t>(secondary & 0xFF);
        const std::uint16_t crc = HeaderCrc(h);
        h[124] = static_cast<std::uint8_t>(crc >> 8);
        h[125] = static_cast<std::uint8_t>(crc);
        Bytes file(h.begin(), h.end());
        file.resize(file.size() + secondary, 'S');
        Pad128(file);
        const Bytes rest = MacBinaryOf(THeader{}, Text("DATA!"), Text("RS"), Text("hi"));
        file.insert(file.end(), rest.begin() + 128, rest.end());
        WriteBytes(dir / "second.bin", file);

        const TRun data = RunCli({"datafork", P("second.bin"), P("data.out")});
        ASSERT_EQ(data.Status, kCliOk) << data.Err;
        const TRun extract = RunCli({"extract", "-f", P("second.bin"), "-o", P("x"), "--rsrc", "raw"});
        ASSERT_EQ(extract.Status, kCliOk) << extract.Err;
        EXPECT_EQ(ReadBytes(dir / "data.out"), Text("DATA!"));
        EXPECT_EQ(ReadBytes(dir / "x" / "Ab"), Text("DATA!"));
    }
}

TEST_F(CliForksTest, ForkCutShortIsRefusedUnlessPartialIsAsked) {
    Bytes cut = SampleFile();
    cut.resize(256 + 1); // the resource fork's first byte only
    WriteBytes(dir / "cut.bin", cut);
    const TRun refused = RunCli({"appledouble", P("cut.bin"), P("o")});
    EXPECT_EQ(refused.Status, kCliFailure);
    EXPECT_NE(refused.Err.find("Nothing was written"), std::string::npos) << refused.Err;
    EXPECT_FALSE(std::filesystem::exists(dir / "o"));
    const TRun partial = RunCli({"appledouble", "--partial", P("cut.bin"), P("o")});
    EXPECT_EQ(partial.Status, kCliOk);
    EXPECT_NE(partial.Err.find("Only the bytes present were written"), std::string::npos) << partial.Err;
    const TRun japanese = RunCli({"--japanese", "extract", P("cut.bin"), "-o", P("x")});
    EXPECT_EQ(japanese.Status, kCliFailure);
    EXPECT_NE(japanese.Err.find("何も書き込みませんでした"), std::string::npos) << japanese.Err;

    // Only the comment cut short: both forks are whole, so the exports write them, with a warning.
    Bytes commentCut = SampleFile();
    commentCut.pop_back();
    WriteBytes(dir / "comment.bin", commentCut);
    for (const char* command : {"appledouble", "applesingle"}) {
        const TRun run = RunCli({command, P("comment.bin"), P(command)});
        EXPECT_EQ(run.Status, kCliOk) << command;
        EXPECT_NE(run.Err.find("ends inside the Finder comment"), std::string::npos) << run.Err;
        EXPECT_TRUE(std::filesystem::exists(dir / command));
    }
    EXPECT_EQ(RunCli({"extract", P("comment.bin"), "-o", P("xc")}).Status, kCliOk);
}

TEST_F(CliForksTest, FailuresAndUsage) {
    struct {
        const char* Name;
        TCliArgs Args;
        int Status;
        const char* Err;
    } cases[] = {
        {"not MacBinary", {"rsrc", P("in.bin") + "x", P("o")}, kCliFailure, "File can not find"},
        {"source as output", {"applesingle", P("in.bin"), P("in.bin")}, kCliFailure, "source file"},
        {"bad version", {"encode", "--version", "4", P("in.bin"), P("o")}, kCliUsage, "--version"},
        {"bad form", {"extract", "--rsrc", "zip", P("in.bin")}, kCliUsage, "--rsrc"},
        {"bad type", {"encode", "--type", "TOOLONG", P("in.bin"), P("o")}, kCliFailure, "four characters"},
        {"missing OUT", {"appledouble", P("in.bin")}, kCliUsage, "OUT"},
        {"not a container", {"encode", "--rsrc", P("in.bin"), P("in.bin"), P("o")}, kCliOk, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        const TRun r = RunCli(c.Args);
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
    }
}

TEST_F(CliForksTest, SourceDateEpochFromTheEnvironment) {
    WriteBytes(dir / "data", Text("x"));
    ::setenv("SOURCE_DATE_EPOCH", "0", 1);
    const TRun r = RunCli({"encode", P("data"), P("a.bin")});
    ASSERT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(Slice(ReadBytes(dir / "a.bin"), 91, 8), Hex("7C25B080 7C25B080"));
    // No number, and a date after 2040 that MacBinary cannot hold: refused, never dropped to "no date".
    for (const char* value : {"soon", "2212122496"}) {
        SCOPED_TRACE(value);
        ::setenv("SOURCE_DATE_EPOCH", value, 1);
        const TRun bad = RunCli({"encode", P("data"), P("b.bin")});
        EXPECT_EQ(bad.Status, kCliFailure);
        EXPECT_NE(bad.Err.find("SOURCE_DATE_EPOCH must be seconds since 1970"), std::string::npos) << bad.Err;
        EXPECT_FALSE(std::filesystem::exists(dir / "b.bin"));
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
}

} // namespace
} // namespace kelda
