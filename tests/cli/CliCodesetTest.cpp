// SPDX-License-Identifier: MIT
// Text in the locale's codeset: messages and Mac names converted, JSON left UTF-8.
#include "CliRun.h"
#include "cli/Cli.h"
#include "cli/TCliCodesetBuf.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>
#include <sstream>

namespace kelda {
namespace {

namespace fs = std::filesystem;

struct TRun {
    int Status;
    std::string Out, Err;
};

TRun RunIn(const TCliArgs& args, const std::string& codeset) {
    std::ostringstream out;
    std::ostringstream err;
    TCliTerminal terminal;
    terminal.Codeset = codeset;
    const int status = CliMain(args, out, err, terminal);
    return {status, out.str(), err.str()};
}

TEST(CliCodesetTest, TextFollowsTheCodesetAndJsonStaysUtf8) {
    test::TempDir dir;
    THeader h{};
    test::PutName(h, "\x93\xfa\x96\x7b"); // 日本 in code page 932
    test::PutUInt32(h, kOffsetDataForkLength, 0);
    test::WriteBytes(dir / "n.bin", test::Bytes(h.begin(), h.end()));
    const std::string in = (dir / "n.bin").string();
    struct Case {
        std::string Codeset;
        std::string Name;    // the Mac name in extract's output line
        std::string Message; // the Japanese message for a missing file
    };
    const Case cases[] = {
        {"UTF-8", "\xe6\x97\xa5\xe6\x9c\xac", "\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b"},
        {"EUC-JP", "\xc6\xfc\xcb\xdc", "\xb8\xab\xa4\xc4\xa4\xab"},
        // The C locale's ASCII: text stays UTF-8.
        {"ANSI_X3.4-1968", "\xe6\x97\xa5\xe6\x9c\xac", "\xe8\xa6\x8b\xe3\x81\xa4\xe3\x81\x8b"},
        // Latin-1 holds no Japanese: "?" for each character.
        {"ISO-8859-1", "??", "???"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Codeset);
        fs::remove_all(dir / "out");
        fs::create_directory(dir / "out");
        const TRun x = RunIn({"extract", in, "-o", (dir / "out").string()}, c.Codeset);
        EXPECT_EQ(x.Status, kCliOk) << x.Err;
        EXPECT_NE(x.Out.find(c.Name), std::string::npos) << x.Out;
        const TRun m = RunIn({"--japanese", "info", (dir / "missing").string()}, c.Codeset);
        EXPECT_NE(m.Err.find(c.Message), std::string::npos) << m.Err;
        const TRun j = RunIn({"info", "--json", in}, c.Codeset);
        EXPECT_EQ(j.Out, RunIn({"info", "--json", in}, "UTF-8").Out);
        EXPECT_NE(j.Out.find("\xe6\x97\xa5\xe6\x9c\xac"), std::string::npos) << j.Out;
    }
}

// Bytes that are no UTF-8 (a file name in another codeset) pass through; the text around them is
// converted, a line at a time and on flush.
TEST(CliCodesetTest, BytesThatAreNoUtf8PassThrough) {
    std::ostringstream target;
    {
        TCliCodesetBuf buffer(target.rdbuf(), "EUC-JP");
        std::ostream out(&buffer);
        out << "a\xff\xe6\x97\xa5\xe6\x9c\xac\n"
            << "\xe6\x97"
            << "\xa5";
    }
    EXPECT_EQ(target.str(), "a\xff\xc6\xfc\xcb\xdc\n\xc6\xfc");
}

} // namespace
} // namespace kelda
