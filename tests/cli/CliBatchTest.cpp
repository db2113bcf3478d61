// SPDX-License-Identifier: MIT
// The conversions over several inputs into a folder: names, existing outputs, failures among them.
#include "CliRun.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using test::Bytes;
using test::RunCli;
using test::TCliRun;
using test::TempDir;
namespace fs = std::filesystem;

class CliBatchTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directory(dir / "out");
        for (const char* name : {"a.bin", "b.BIN", "c"}) {
            THeader h{};
            test::PutName(h, name);
            test::PutUInt32(h, kOffsetDataForkLength, 200);
            test::PutUInt32(h, kOffsetResourceForkLength, 10);
            Bytes file = test::RandomBytes(528, 2);
            std::copy(h.begin(), h.end(), file.begin());
            test::WriteBytes(dir / name, file);
        }
        test::WriteBytes(dir / "text.bin", Bytes(300, 'x'));
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    TempDir dir;
};

TEST_F(CliBatchTest, EveryInputIsConvertedIntoTheFolderAndFailuresDoNotStopTheOthers) {
    struct Case {
        const char* Command;
        std::vector<std::string> Outputs; // for a.bin, b.BIN, c
        std::size_t Size;
    };
    const Case cases[] = {
        {"tomacbin2", {"a.bin", "b.BIN", "c"}, 528},
        {"strip", {"a", "b", "c"}, 400},
        {"datafork", {"a", "b", "c"}, 200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Command);
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        TCliRun r = RunCli({c.Command, Path("a.bin"), Path("text.bin"), Path("missing"), Path("b.BIN"),
                            Path("c"), "-o", Path("out")});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_NE(r.Err.find("text.bin: Warning ! This file is not mac binary file."), std::string::npos)
            << r.Err;
        EXPECT_NE(r.Err.find("missing: Warning ! File can not find."), std::string::npos) << r.Err;
        for (const std::string& name : c.Outputs) {
            EXPECT_EQ(fs::file_size(dir / "out" / name), c.Size) << name;
        }
        EXPECT_EQ(std::distance(fs::directory_iterator(dir / "out"), fs::directory_iterator()), 3);
        EXPECT_TRUE(
            r.Err.ends_with(std::string("kelda-cli: ") + c.Command + ": 5 files: 3 written, 2 failed\n"))
            << r.Err;

        // A second run leaves what is there, unless -f.
        test::WriteBytes(dir / "out" / c.Outputs[0], Bytes(5, 'k'));
        r = RunCli({c.Command, Path("a.bin"), "-o", Path("out")});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_NE(r.Err.find("Warning ! The file exists already; -f replaces it."), std::string::npos)
            << r.Err;
        EXPECT_EQ(fs::file_size(dir / "out" / c.Outputs[0]), 5u);
        r = RunCli({c.Command, "--force", Path("a.bin"), "-o", Path("out")});
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        EXPECT_EQ(fs::file_size(dir / "out" / c.Outputs[0]), c.Size);
        r = RunCli({c.Command, "-f", Path("a.bin"), Path("c"), "--output-dir=" + Path("out")});
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
    }
}

TEST_F(CliBatchTest, ExtractTakesSeveralInputsLeavesExistingFilesAndSaysHowManyFailed) {
    TCliRun r = RunCli({"extract", Path("a.bin"), Path("text.bin"), Path("missing"), Path("b.BIN"), Path("c"),
                        "-o", Path("out"), "--rsrc", "raw"});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_NE(r.Err.find("text.bin: Warning ! This file is not mac binary file."), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("missing: Warning ! File can not find."), std::string::npos) << r.Err;
    EXPECT_TRUE(r.Err.ends_with("kelda-cli: extract: 5 files: 3 written, 2 failed\n")) << r.Err;
    for (const char* name : {"a.bin", "b.BIN", "c"}) {
        EXPECT_EQ(fs::file_size(dir / "out" / name), 200u) << name;
        EXPECT_EQ(fs::file_size(dir / "out" / (std::string(name) + ".rsrc")), 10u) << name;
    }
    EXPECT_EQ(test::LineCount(r.Out), 6u) << r.Out;

    // What is there stays, unless -f, and nothing of that input is written.
    test::WriteBytes(dir / "out" / "c.rsrc", Bytes(5, 'k'));
    fs::remove(dir / "out" / "c");
    r = RunCli({"extract", Path("c"), Path("a.bin"), "-o", Path("out"), "--rsrc", "raw"});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_NE(r.Err.find("c.rsrc: Warning ! The file exists already; -f replaces it."), std::string::npos)
        << r.Err;
    EXPECT_NE(r.Err.find("a.bin: Warning ! The file exists already; -f replaces it."), std::string::npos)
        << r.Err;
    EXPECT_TRUE(r.Err.ends_with("2 files: 0 written, 2 failed\n")) << r.Err;
    EXPECT_EQ(fs::file_size(dir / "out" / "c.rsrc"), 5u);
    EXPECT_FALSE(fs::exists(dir / "out" / "c"));
    r = RunCli({"--japanese", "extract", "-f", Path("c"), Path("a.bin"), "-o", Path("out"), "--rsrc", "raw"});
    EXPECT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(fs::file_size(dir / "out" / "c.rsrc"), 10u);
    EXPECT_EQ(fs::file_size(dir / "out" / "c"), 200u);
    EXPECT_TRUE(r.Err.ends_with("extract: 2 個のファイル: 2 個を書き込み、0 個は失敗\n")) << r.Err;
    // The same Mac name twice: the second does not replace the first.
    r = RunCli({"extract", Path("a.bin"), Path("a.bin"), "-o", Path("fresh")});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_NE(r.Err.find("1 written, 1 failed"), std::string::npos) << r.Err;
    // Standard input is read once.
    EXPECT_EQ(RunCli({"extract", "-", "-", "-o", Path("out")}).Status, kCliUsage);
}

TEST_F(CliBatchTest, TheSourceIsNeverTheOutputAndTheFolderMustExist) {
    const Bytes before = test::ReadBytes(dir / "a.bin");
    for (const char* force : {"-f", "--english"}) {
        const TCliRun r = RunCli({"tomacbin2", force, Path("a.bin"), "-o", dir.path().string()});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_NE(r.Err.find("Warning ! Can not write over the source file."), std::string::npos) << r.Err;
        EXPECT_EQ(test::ReadBytes(dir / "a.bin"), before);
    }
    const TCliRun r = RunCli({"strip", Path("a.bin"), "-o", Path("nowhere")});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_NE(r.Err.find("nowhere: Warning ! There is no such folder."), std::string::npos) << r.Err;
    // Without -o, IN OUT replaces OUT as it always has.
    test::WriteBytes(dir / "old", Bytes(3, 'o'));
    EXPECT_EQ(RunCli({"strip", Path("a.bin"), Path("old")}).Status, kCliOk);
    EXPECT_EQ(fs::file_size(dir / "old"), 400u);
}

// Two inputs of one name: the second never replaces what the first wrote in the same run, not even
// with -f (which replaces only what was there before), and the run says so and fails.
TEST_F(CliBatchTest, AnOutputWrittenInTheRunIsNeverReplacedByALaterInput) {
    fs::create_directory(dir / "in2");
    test::WriteBytes(dir / "in2" / "a.bin", test::ReadBytes(dir / "b.BIN"));
    for (const char* command : {"tomacbin2", "strip", "datafork"}) {
        SCOPED_TRACE(command);
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        const TCliRun r =
            RunCli({command, "-f", "-o", Path("out"), Path("a.bin"), (dir / "in2" / "a.bin").string()});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_NE(r.Err.find("This run wrote it from " + Path("a.bin") + " already"), std::string::npos)
            << r.Err;
        EXPECT_NE(r.Err.find("2 files: 1 written, 1 failed"), std::string::npos) << r.Err;
        RunCli({command, Path("a.bin"), Path("alone")});
        const std::string name = std::string(command) == "tomacbin2" ? "a.bin" : "a";
        EXPECT_EQ(test::ReadBytes(dir / "out" / name), test::ReadBytes(dir / "alone"));
        fs::remove(dir / "alone");
    }
    // extract: two inputs of one Mac name give one pair of outputs, the first's.
    fs::remove_all(dir / "out");
    const TCliRun x = RunCli({"extract", "-f", "-o", Path("out"), Path("a.bin"), Path("a.bin")});
    EXPECT_EQ(x.Status, kCliFailure);
    EXPECT_NE(x.Err.find("This run wrote it from " + Path("a.bin") + " already"), std::string::npos) << x.Err;
    EXPECT_NE(x.Err.find("2 files: 1 written, 1 failed"), std::string::npos) << x.Err;
}

// -r walks folders as scan -r does: a/x and b/x keep their folders below DIR, links and files that
// are no MacBinary are left out and counted, and -r without -o is bad usage.
TEST_F(CliBatchTest, RecursiveBatchesMirrorTheTreeAndSkipWhatTheyDoNotRead) {
    for (const char* sub : {"t/a", "t/b/deep"}) {
        fs::create_directories(dir / sub);
        fs::copy_file(dir / "a.bin", dir / sub / "x.bin");
    }
    fs::copy_file(dir / "text.bin", dir / "t/a/text.bin");
    fs::create_symlink("../a.bin", dir / "t/link.bin");
    struct Case {
        const char* Command;
        const char* Out; // of t/a/x.bin, relative to out/t
    };
    // extract names its output after the Mac name in the header, a.bin, not the file's.
    for (const Case& c :
         {Case{"tomacbin2", "x.bin"}, Case{"strip", "x"}, Case{"datafork", "x"}, Case{"extract", "a.bin"}}) {
        SCOPED_TRACE(c.Command);
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        const TCliRun r = RunCli({c.Command, "-r", Path("t"), "-o", Path("out")});
        EXPECT_EQ(r.Status, kCliOk) << r.Err;
        EXPECT_TRUE(fs::exists(dir / "out/t/a" / c.Out));
        EXPECT_TRUE(fs::exists(dir / "out/t/b/deep" / c.Out));
        EXPECT_TRUE(r.Err.ends_with(std::string(c.Command) +
                                    ": 4 files: 2 written, 0 failed, 2 skipped (links, "
                                    "and files this command does not read)\n"))
            << r.Err;
    }
    EXPECT_EQ(fs::file_size(dir / "out/t/b/deep/._a.bin"), fs::file_size(dir / "out/t/a/._a.bin"));
    EXPECT_EQ(RunCli({"strip", "-r", Path("t"), Path("x")}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"extract", "-r", Path("t")}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"extract", "-r", Path("t"), "-o", Path("nowhere")}).Status, kCliFailure);
}

// A batch's status is the most serious one met: a source cut short (3) gives way to a failure (1).
TEST_F(CliBatchTest, ABatchEndsWithTheMostSeriousStatus) {
    fs::create_directories(dir / "t");
    Bytes cut = test::ReadBytes(dir / "a.bin");
    cut.resize(300); // the data fork ends early
    test::WriteBytes(dir / "t/cut.bin", cut);
    struct Case {
        std::vector<std::string> Args;
        int Status;
    };
    const Case cases[] = {
        {{"extract", "--partial", "-r", Path("t"), "-o", Path("out")}, kCliSourceTruncated},
        {{"extract", "--partial", "-f", "-r", Path("t"), Path("missing"), "-o", Path("out")}, kCliFailure},
        {{"extract", "--partial", "-f", Path("t/cut.bin"), Path("c"), "-o", Path("out")},
         kCliSourceTruncated},
        {{"strip", "-f", "-r", Path("t"), "-o", Path("out")}, kCliSourceTruncated},
        {{"strip", "-f", "-r", Path("missing"), Path("t"), "-o", Path("out")}, kCliFailure},
    };
    for (const Case& c : cases) {
        const TCliRun r = RunCli(c.Args);
        EXPECT_EQ(r.Status, c.Status) << c.Args[0] << ' ' << c.Args.size() << '\n' << r.Err;
    }
}

} // namespace
} // namespace kelda
