// SPDX-License-Identifier: MIT
// tomacbin2, strip and datafork of a source cut inside its forks: the output as always, a warning on standard
// error and an exit status of its own.
#include "cli/Cli.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <sstream>

namespace kelda {
namespace {

TEST(CliTruncated, ConversionsWriteWhatIsThereAndExitWithThree) {
    test::TempDir dir;
    THeader h{};
    test::PutName(h, "Cut");
    // 1000 bytes of data announced, 995 present.
    const test::Bytes file = test::MakeMacBinaryFile(h, 1000, 0, test::RandomBytes(995, 4));
    test::WriteBytes(dir / "cut.bin", file);
    struct TCase {
        const char* Command;
        const char* Expect;
        bool Japanese;
    };
    const TCase cases[] = {
        {"datafork", "ended before its data fork did: 5 bytes are missing", false},
        {"strip", "ended before its forks did: 5 bytes are missing", false},
        {"datafork", "データフォークの途中で終わっています。出力には 5 バイト足りません", true},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Command);
        std::ostringstream out, err;
        TCliArgs args;
        if (c.Japanese) {
            args.push_back("--japanese");
        }
        args.insert(args.end(), {c.Command, (dir / "cut.bin").string(), (dir / "out").string()});
        EXPECT_EQ(CliMain(args, out, err), kCliSourceTruncated);
        EXPECT_NE(err.str().find(c.Expect), std::string::npos) << err.str();
        EXPECT_EQ(test::ReadBytes(dir / "out"), test::Slice(file, 128, 995)); // what the source holds
    }
    // tomacbin2 too: its fresh header CRC must not make a cut source look whole without a word.
    {
        std::ostringstream out, err;
        EXPECT_EQ(CliMain({"tomacbin2", (dir / "cut.bin").string(), (dir / "ii.bin").string()}, out, err),
                  kCliSourceTruncated);
        EXPECT_NE(err.str().find("ended before its forks did: 5 bytes are missing"), std::string::npos)
            << err.str();
        EXPECT_EQ(test::Slice(test::ReadBytes(dir / "ii.bin"), 128, 995), test::Slice(file, 128, 995));
    }
    // A complete source converts with status 0 and says nothing.
    test::WriteBytes(dir / "whole.bin", test::MakeMacBinaryFile(h, 10, 0, test::RandomBytes(10, 5)));
    std::ostringstream out, err;
    EXPECT_EQ(CliMain({"strip", (dir / "whole.bin").string(), (dir / "o2").string()}, out, err), kCliOk);
    EXPECT_EQ(err.str(), "");
    std::ostringstream help, none;
    CliMain({"--help"}, help, none);
    EXPECT_NE(help.str().find("3 an output was written but its source ended"), std::string::npos);
}

// Fork lengths are unsigned 32-bit numbers: one of 2^31 or more in a short file is a fork cut short,
// not an empty one.
TEST(CliTruncated, ForkLengthsOf2To31OrMoreAreCountedInFull) {
    test::TempDir dir;
    THeader h{};
    test::PutName(h, "Huge");
    test::PutUInt32(h, kOffsetDataForkLength, 0x80000010u);
    test::Bytes file(h.begin(), h.end());
    const test::Bytes body = test::RandomBytes(300 - 128, 6);
    file.insert(file.end(), body.begin(), body.end());
    test::WriteBytes(dir / "huge.bin", file);
    const std::string missing = std::to_string(0x80000010LL - 172) + " bytes are missing";
    for (const char* command : {"datafork", "strip"}) {
        SCOPED_TRACE(command);
        std::ostringstream out, err;
        EXPECT_EQ(CliMain({command, (dir / "huge.bin").string(), (dir / "out").string()}, out, err),
                  kCliSourceTruncated);
        EXPECT_NE(err.str().find(missing), std::string::npos) << err.str();
        EXPECT_EQ(test::ReadBytes(dir / "out"), body);
    }
    // check names the same unsigned length.
    std::ostringstream out, err;
    EXPECT_EQ(CliMain({"check", (dir / "huge.bin").string()}, out, err), kCliFailure);
    EXPECT_NE(out.str().find("The data fork length 2147483664 is 2^31 or more."), std::string::npos)
        << out.str();
}

} // namespace
} // namespace kelda
