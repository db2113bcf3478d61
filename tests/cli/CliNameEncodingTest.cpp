// SPDX-License-Identifier: MIT
// --name-encoding on the commands that read a Mac name: the choice overrides the script byte and
// the judgement, in the log block, the check report, the JSON and the name extract writes.
#include "CliRun.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::RunCli;

class CliNameEncoding : public ::testing::Test {
protected:
    // A sound MacBinary file (version II, or III with script byte 0) named by the bytes given.
    std::string Make(const char* file, std::string_view name, bool three) {
        THeader h{};
        test::PutName(h, name);
        test::PutUInt32(h, kOffsetDataForkLength, 5);
        h[kOffsetVersion] = three ? kVersionIII : kVersionII;
        h[kOffsetMinVersion] = kVersionII;
        if (three) {
            std::memcpy(&h[kOffsetSignature], "mBIN", 4);
        }
        const std::uint16_t crc = HeaderCrc(h);
        h[kOffsetCrc] = static_cast<std::uint8_t>(crc >> 8);
        h[kOffsetCrc + 1] = static_cast<std::uint8_t>(crc);
        test::Bytes bytes(h.begin(), h.end());
        bytes.resize(256, 'd');
        test::WriteBytes(dir / file, bytes);
        return (dir / file).string();
    }

    test::TempDir dir;
};

TEST_F(CliNameEncoding, TheChoiceOverridesTheReadingOnInfoCheckAndExtract) {
    struct Case {
        const char* Label;
        std::string Bytes;
        bool Three;
        const char* Choice; // nullptr: no option
        std::string Name;
    };
    const std::string naive = "na\x95ve \xA9";             // naïve © in Mac Roman
    const std::string tesuto = "\x83\x65\x83\x58\x83\x67"; // テスト in Shift-JIS
    const Case cases[] = {
        {"Mac Roman judged", naive, false, nullptr, "naïve ©"},
        {"auto is the default", naive, false, "auto", "naïve ©"},
        {"Japanese chosen", naive, false, "japanese", "na夫e ｩ"},
        {"Japanese judged despite script 0", tesuto, true, nullptr, "テスト"},
        {"Mac Roman chosen", tesuto, true, "mac-roman", "ÉeÉXÉg"},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        const std::string file = Make(("f" + std::to_string(n) + ".bin").c_str(), c.Bytes, c.Three);
        const fs::path out = dir / ("x" + std::to_string(n++));
        const auto run = [&](std::vector<std::string> args) {
            if (c.Choice != nullptr) {
                args.insert(args.begin() + 1, {"--name-encoding", c.Choice});
            }
            return RunCli(args);
        };

        const test::TCliRun info = run({"info", file});
        EXPECT_EQ(info.Status, kCliOk) << info.Err;
        EXPECT_NE(info.Out.find("002\tFileName\t" + c.Name + "\t[CHR]"), std::string::npos) << info.Out;
        const test::TCliRun json = run({"info", "--json", file});
        EXPECT_NE(json.Out.find("\"name\":{\"text\":\"" + c.Name + "\""), std::string::npos) << json.Out;

        const test::TCliRun check = run({"check", file});
        EXPECT_EQ(check.Status, kCliOk) << check.Err;
        EXPECT_NE(check.Out.find("Name         : " + c.Name + "\n"), std::string::npos) << check.Out;
        const test::TCliRun checkJson = run({"check", "--json", file});
        EXPECT_NE(checkJson.Out.find("\"name\":{\"text\":\"" + c.Name + "\""), std::string::npos)
            << checkJson.Out;
        EXPECT_NE(checkJson.Out.find(c.Choice != nullptr && std::string(c.Choice) != "auto"
                                         ? "\"reason\":\"chosen\""
                                         : "\"reason\":\"looks-"),
                  std::string::npos)
            << checkJson.Out;

        const test::TCliRun extract = run({"extract", "-o", out.string(), file});
        EXPECT_EQ(extract.Status, kCliOk) << extract.Err;
        EXPECT_TRUE(fs::exists(out / c.Name)) << extract.Out;
        EXPECT_EQ(test::ReadBytes(out / c.Name), test::Bytes(5, 'd'));
    }
}

TEST_F(CliNameEncoding, AnEncodingNotKnownIsAUsageError) {
    const std::string file = Make("a.bin", "Sample", false);
    for (const char* command : {"info", "check", "scan", "resources", "extract"}) {
        SCOPED_TRACE(command);
        const test::TCliRun r = RunCli({command, "--name-encoding", "latin1", file});
        EXPECT_EQ(r.Status, kCliUsage);
        EXPECT_NE(r.Err.find("--name-encoding"), std::string::npos) << r.Err;
    }
}

// Every reader takes the name to end at a zero byte, whatever the count in byte 1 says.
TEST_F(CliNameEncoding, EveryCommandEndsTheNameAtAZeroByte) {
    const std::string file = Make("z.bin", std::string("Photo\0\0\0junk", 12), false);
    const test::TCliRun info = RunCli({"info", "--json", file});
    EXPECT_NE(info.Out.find("\"name\":{\"text\":\"Photo\",\"hex\":\"50686f746f\""), std::string::npos)
        << info.Out;
    // check calls such a file no MacBinary (a control byte in the name), yet reads the name alike.
    const test::TCliRun check = RunCli({"check", "--json", file});
    EXPECT_NE(check.Out.find("\"name\":{\"text\":\"Photo\",\"hex\":\"50686f746f\""), std::string::npos)
        << check.Out;
    const test::TCliRun extract = RunCli({"extract", "-o", (dir / "x").string(), file});
    EXPECT_EQ(extract.Status, kCliOk) << extract.Err;
    EXPECT_TRUE(fs::exists(dir / "x" / "Photo"));
}

} // namespace
} // namespace kelda
