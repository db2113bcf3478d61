// SPDX-License-Identifier: MIT
// The fork commands of kelda-cli, run in-process: operands and "-", exit statuses, forks cut short,
// the reproducible date from the environment.
#include "cli/Cli.h"
#include "forks/ForkSamples.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
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

// The fork commands read any container of the model: an AppleSingle file, or an AppleDouble sidecar
// with its data file beside it, gives what the MacBinary file gives; a file that is neither is
// refused as not MacBinary, and a damaged container by its damage.
TEST_F(CliForksTest, AppleSingleAndAppleDoubleInputsGiveTheSameOutputs) {
    ASSERT_EQ(RunCli({"applesingle", P("in.bin"), P("in.as")}).Status, kCliOk);
    ASSERT_EQ(RunCli({"extract", P("in.bin"), "-o", P("ad")}).Status, kCliOk);
    for (const char* command : {"rsrc", "appledouble", "applesingle"}) {
        SCOPED_TRACE(command);
        ASSERT_EQ(RunCli({command, P("in.bin"), P("want")}).Status, kCliOk);
        for (const std::string& source : {P("in.as"), P("ad/._Ab")}) {
            const TRun r = RunCli({command, "-f", source, P("got")});
            ASSERT_EQ(r.Status, kCliOk) << source << r.Err;
            EXPECT_EQ(ReadBytes(dir / "got"), ReadBytes(dir / "want")) << source;
        }
    }
    const TRun x = RunCli({"extract", P("in.as"), "-o", P("x")});
    ASSERT_EQ(x.Status, kCliOk) << x.Err;
    EXPECT_EQ(ReadBytes(dir / "x/Ab"), ReadBytes(dir / "ad/Ab"));
    EXPECT_EQ(ReadBytes(dir / "x/._Ab"), ReadBytes(dir / "ad/._Ab"));

    WriteBytes(dir / "plain", Bytes(300, 0x41)); // text, no MacBinary header
    EXPECT_NE(RunCli({"rsrc", P("plain"), P("o")}).Err.find("not mac binary"), std::string::npos);
    Bytes damaged = ReadBytes(dir / "in.as");
    damaged.resize(40); // the entry table runs past the end
    WriteBytes(dir / "cut.as", damaged);
    const TRun cut = RunCli({"applesingle", P("cut.as"), P("o")});
    EXPECT_EQ(cut.Status, kCliFailure);
    EXPECT_NE(cut.Err.find("damaged"), std::string::npos) << cut.Err;
    EXPECT_FALSE(std::filesystem::exists(dir / "o"));
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
    EXPECT_EQ(partial.Status, kCliSourceTruncated);
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
    for (const auto& [value, reason] : {std::pair{"soon", "must be a number of seconds"},
                                        std::pair{"2212122496", "MacBinary holds dates from"}}) {
        SCOPED_TRACE(value);
        ::setenv("SOURCE_DATE_EPOCH", value, 1);
        const TRun bad = RunCli({"encode", P("data"), P("b.bin")});
        EXPECT_EQ(bad.Status, kCliFailure);
        EXPECT_NE(bad.Err.find("SOURCE_DATE_EPOCH: "), std::string::npos) << bad.Err;
        EXPECT_NE(bad.Err.find(reason), std::string::npos) << bad.Err;
        EXPECT_FALSE(std::filesystem::exists(dir / "b.bin"));
    }
    ::unsetenv("SOURCE_DATE_EPOCH");
}

} // namespace
// --rsrc wins over the resource entry of an AppleSingle DATA, as over a sidecar's: the fork comes
// from the file given (raw, or the resource entry of a container), the Finder's fields from DATA.
TEST_F(CliForksTest, RsrcWinsOverTheEntriesOfAnAppleSingleData) {
    ASSERT_EQ(RunCli({"applesingle", P("in.bin"), P("single.as")}).Status, kCliOk);
    WriteBytes(dir / "mine.rsrc", Text("MINE!!!"));
    WriteBytes(dir / "other.rsrc", Text("OTHER"));
    ASSERT_EQ(RunCli({"encode", "--rsrc", P("other.rsrc"), P("mine.rsrc"), P("other.bin")}).Status, kCliOk);
    ASSERT_EQ(RunCli({"appledouble", P("other.bin"), P("double")}).Status, kCliOk);
    const struct {
        const char* what;
        std::string rsrc;
        Bytes fork;
    } cases[] = {{"raw fork", P("mine.rsrc"), Text("MINE!!!")}, {"AppleDouble", P("double"), Text("OTHER")}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(dir / "out.bin");
        const TRun r = RunCli({"encode", "--rsrc", c.rsrc, P("single.as"), P("out.bin")});
        ASSERT_EQ(r.Status, kCliOk) << r.Err;
        const Bytes out = ReadBytes(dir / "out.bin");
        const Bytes length = {0, 0, 0, static_cast<std::uint8_t>(c.fork.size())};
        EXPECT_EQ(Slice(out, 87, 4), length);
        EXPECT_EQ(Slice(out, 128, 5), Text("DATA!"));
        EXPECT_EQ(Slice(out, 256, c.fork.size()), c.fork);
        EXPECT_EQ(Slice(out, 1, 65), Slice(SampleFile(), 1, 65)); // name from DATA's entries
    }
    // Without --rsrc the entry's fork stays.
    ASSERT_EQ(RunCli({"encode", P("single.as"), P("plain.bin")}).Status, kCliOk);
    EXPECT_EQ(Slice(ReadBytes(dir / "plain.bin"), 256, 2), Text("RS"));
}

// A name given with --name goes into the header whole or is refused as bad usage, in the language
// asked for: never empty, never with control bytes, never cut to 63 bytes.
TEST_F(CliForksTest, GivenNameIsWrittenWholeOrRefused) {
    WriteBytes(dir / "data", Text("x"));
    std::string kanji;
    for (int i = 0; i < 32; ++i) {
        kanji += "\xE6\xBC\xA2"; // one character, two bytes in code page 932
    }
    const struct {
        const char* what;
        std::string name;
        int status;
        const char* english;
        const char* japanese;
    } cases[] = {
        {"empty", "", kCliUsage, "must not be empty", "空にはできません"},
        {"TAB", "a\tb", kCliUsage, "control characters", "制御文字"},
        {"ESC", "a\x1b[2Jb", kCliUsage, "control characters", "制御文字"},
        {"DEL", "a\x7f", kCliUsage, "control characters", "制御文字"},
        {"64 bytes", std::string(64, 'n'), kCliUsage, "longer than 63 bytes", "63 バイトを超えて"},
        {"32 double-byte characters", kanji, kCliUsage, "longer than 63 bytes", "63 バイトを超えて"},
        {"63 bytes", std::string(63, 'n'), kCliOk, "", ""},
        {"31 double-byte characters", kanji.substr(3), kCliOk, "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool japanese : {false, true}) {
            std::filesystem::remove(dir / "out.bin");
            const TRun r = RunCli(
                {japanese ? "--japanese" : "--english", "encode", "--name", c.name, P("data"), P("out.bin")});
            EXPECT_EQ(r.Status, c.status) << r.Err;
            EXPECT_NE(r.Err.find(japanese ? c.japanese : c.english), std::string::npos) << r.Err;
            EXPECT_EQ(std::filesystem::exists(dir / "out.bin"), c.status == kCliOk);
            if (c.status == kCliOk) {
                const Bytes out = ReadBytes(dir / "out.bin");
                const std::size_t length = out[1];
                EXPECT_EQ(length, c.name == kanji.substr(3) ? 62u : 63u);
                EXPECT_EQ(RunCli({"check", P("out.bin")}).Status, kCliOk);
            }
        }
    }
}

// A date MacBinary cannot hold (after 2040-02-06 06:28:15) is refused alike from --date,
// SOURCE_DATE_EPOCH and DATA's modification time; nothing is written. The last moment it holds
// is written.
TEST_F(CliForksTest, DatesBeyondMacBinaryAreRefusedFromEverySource) {
    WriteBytes(dir / "data", Text("x"));
    WriteBytes(dir / "late", Text("x"));
    const auto in2050 = std::filesystem::file_time_type::clock::now() + std::chrono::hours(24 * 365 * 25);
    std::filesystem::last_write_time(dir / "late", in2050);
    const char* refusal = "MacBinary holds dates from 1904-01-01 to 2040-02-06 06:28:15 only";
    const struct {
        const char* what;
        const char* epoch; // nullptr: unset
        std::vector<std::string> options;
        const char* data;
        int status;
    } cases[] = {
        {"--date", nullptr, {"--date", "2041-01-01"}, "data", kCliFailure},
        {"SOURCE_DATE_EPOCH", "2212122496", {}, "data", kCliFailure},
        {"modification time", nullptr, {}, "late", kCliFailure},
        {"--date wins over a late file", nullptr, {"--date", "2040-02-06T06:28:15"}, "late", kCliOk},
        {"last moment from SOURCE_DATE_EPOCH", "2212122495", {}, "late", kCliOk},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.epoch != nullptr) {
            ::setenv("SOURCE_DATE_EPOCH", c.epoch, 1);
        }
        std::filesystem::remove(dir / "out.bin");
        TCliArgs args = {"encode"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        args.push_back(P(c.data));
        args.push_back(P("out.bin"));
        const TRun r = RunCli(args);
        ::unsetenv("SOURCE_DATE_EPOCH");
        EXPECT_EQ(r.Status, c.status) << r.Err;
        if (c.status == kCliOk) {
            EXPECT_EQ(Slice(ReadBytes(dir / "out.bin"), 91, 8), Hex("FFFFFFFF FFFFFFFF"));
        } else {
            EXPECT_NE(r.Err.find(refusal), std::string::npos) << r.Err;
            EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
        }
    }
}

} // namespace kelda
