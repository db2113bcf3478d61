// SPDX-License-Identifier: MIT
// info --json, crc --json and crc --check, run in-process.
#include "CliRun.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace kelda {
namespace {

using nlohmann::json;
using test::Bytes;
using test::RunCli;
using test::TCliRun;
using test::TempDir;

std::string HexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 15];
    }
    return hex;
}

std::vector<json> JsonLines(const std::string& out) {
    std::vector<json> objects;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        objects.push_back(json::parse(line)); // throws on anything that is no JSON
    }
    return objects;
}

class CliJsonTest : public ::testing::Test {
protected:
    void SetUp() override {
        THeader h{};
        test::PutName(h, "\x83\x65\x83\x58\x83\x67"); // テスト in code page 932
        std::copy_n("TEXTttxt", 8, h.begin() + 65);
        test::PutUInt32(h, 91, 3000000000u); // 1999-01-24 05:20:00
        h[kOffsetVersion] = kVersionII;
        h[kOffsetMinVersion] = kVersionII;
        sample = test::MakeMacBinaryFile(h, 300, 20, test::RandomBytes(384, 4));
        sample = MacBinaryIIFormOfFile(sample);
        test::WriteBytes(dir / "in.bin", sample);
        test::WriteBytes(dir / "check.txt", {'1', '2', '3', '4', '5', '6', '7', '8', '9'});
    }
    // The file with its header's CRC made right again after MakeMacBinaryFile stored the lengths.
    static Bytes MacBinaryIIFormOfFile(Bytes file) {
        THeader h{};
        std::copy_n(file.begin(), kHeaderSize, h.begin());
        h = MacBinaryIIForm(h);
        std::copy(h.begin(), h.end(), file.begin());
        return file;
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    TempDir dir;
    Bytes sample;
};

TEST_F(CliJsonTest, InfoGivesEveryFieldWithItsType) {
    const TCliRun r = RunCli({"info", "--json", Path("in.bin")});
    ASSERT_EQ(r.Status, kCliOk) << r.Err;
    const std::vector<json> objects = JsonLines(r.Out);
    ASSERT_EQ(objects.size(), 1u);
    const json& o = objects[0];
    const std::pair<const char*, json> expected[] = {
        {"/schema", "kelda-cli.info"},
        {"/schema_version", 1},
        {"/path", Path("in.bin")},
        {"/size", 128 + 384},
        {"/macbinary", true},
        {"/file_type", "Mac Binary II or Mac Binary III"},
        {"/version", 129},
        {"/name/text", "テスト"},
        {"/name/hex", "836583588367"},
        {"/type/text", "TEXT"},
        {"/creator/hex", "74747874"},
        {"/created/mac_seconds", 3000000000u},
        {"/created/text", "1999-01-24 05:20:00"},
        {"/data_fork_length", 300},
        {"/resource_fork_length", 20},
        {"/header_crc/ok", true},
        {"/layout/data_fork/offset", 128},
        {"/layout/resource_fork/offset", 512},
        {"/layout/resource_fork/present", 0},
        {"/layout/minimal_size", 532},
    };
    for (const auto& [pointer, value] : expected) {
        SCOPED_TRACE(pointer);
        ASSERT_TRUE(o.contains(json::json_pointer(pointer))) << o.dump();
        EXPECT_EQ(o.at(json::json_pointer(pointer)), value);
    }
    EXPECT_EQ(o["header_crc"]["stored"], o["header_crc"]["computed"]);
    EXPECT_TRUE(o["header_crc"]["stored"].get<std::string>().find_first_not_of("0123456789abcdef") ==
                std::string::npos);
    EXPECT_EQ(o["header_hex"].get<std::string>().size(), 256u);
    EXPECT_EQ(o["header_hex"].get<std::string>().substr(0, 4), "0006");
}

TEST_F(CliJsonTest, FilesThatFailGetAnErrorObjectAndTheCommandFails) {
    Bytes text(300, 'x');
    test::WriteBytes(dir / "text.txt", text);
    const std::string weird = Path("\xFF\xFE.bin"); // no UTF-8
    for (const char* command : {"info", "crc"}) {
        SCOPED_TRACE(command);
        const TCliRun r = RunCli({command, "--json", Path("missing"), weird, Path("in.bin")});
        EXPECT_EQ(r.Status, kCliFailure);
        const std::vector<json> objects = JsonLines(r.Out);
        ASSERT_EQ(objects.size(), 3u);
        EXPECT_EQ(objects[0]["error"], "Warning ! File can not find.");
        EXPECT_EQ(objects[1]["path_hex"], HexOf(weird));
        EXPECT_EQ(objects[1]["path"], weird.substr(0, weird.size() - 6) + "\xEF\xBF\xBD\xEF\xBF\xBD.bin");
        EXPECT_FALSE(objects[2].contains("error"));
        EXPECT_NE(r.Err.find("missing: Warning ! File can not find."), std::string::npos);
    }
    const TCliRun notMacBinary = RunCli({"info", "--json", Path("text.txt")});
    EXPECT_EQ(notMacBinary.Status, kCliFailure);
    const json o = json::parse(notMacBinary.Out);
    EXPECT_EQ(o["macbinary"], false);
    EXPECT_EQ(o["size"], 300);
    EXPECT_EQ(o["error"], "Warning ! This file is not mac binary file.");
}

TEST_F(CliJsonTest, CrcValuesAreFixedWidthLowerCaseHex) {
    const TCliRun r = RunCli({"crc", "--json", "--all", Path("check.txt")});
    ASSERT_EQ(r.Status, kCliOk) << r.Err;
    const json o = json::parse(r.Out);
    EXPECT_EQ(o["schema"], "kelda-cli.crc");
    EXPECT_EQ(o["size"], 9);
    const char* values[] = {"d64e", "31c3", "906e",     "2189",     "5118",     "fee8",
                            "b4c8", "bb3d", "fc891918", "89a1897f", "cbf43926", "2dfd2d88"};
    ASSERT_EQ(o["crcs"].size(), 12u);
    for (int i = 0; i < 12; ++i) {
        const json& crc = o["crcs"][static_cast<std::size_t>(i)];
        EXPECT_EQ(crc["index"], i);
        EXPECT_EQ(crc["value"], values[i]);
        EXPECT_EQ(crc["width"], i < 8 ? 16 : 32);
        EXPECT_TRUE(crc["variant"].is_string());
    }
    // A 16-bit value with leading zeros keeps its four digits.
    test::WriteBytes(dir / "empty", {});
    const json empty = json::parse(RunCli({"crc", "--json", "-n", "1", Path("empty")}).Out);
    EXPECT_EQ(empty["crcs"][0]["value"], "0000");
    const json zero = json::parse(RunCli({"crc", "--json", "-n", "0", Path("empty")}).Out);
    EXPECT_EQ(zero["crcs"][0]["value"].get<std::string>().size(), 4u);
}

TEST_F(CliJsonTest, CheckReadsTheLinesCrcWrites) {
    const std::string check = Path("check.txt");
    const std::string in = Path("in.bin");
    const TCliRun lines = RunCli({"crc", "--all", check, in});
    ASSERT_EQ(lines.Status, kCliOk);
    const std::string good = lines.Out;
    std::string wrong = good;
    wrong.replace(wrong.find("CBF43926"), 8, "CBF43927");
    std::string crlf;
    for (std::size_t at = 0, next; (next = good.find('\n', at)) != std::string::npos; at = next + 1) {
        crlf += good.substr(at, next - at) + "\r\n";
    }
    std::string lower = "CRC32 ITU-T, RIGHT, NEG\tcbf43926\t" + check + "\n";
    struct Case {
        const char* Label;
        std::string Sums;
        int Status;
        std::string Out;
        std::string Err; // a part of it
    };
    const Case cases[] = {
        {"all match", good, kCliOk, check + ": OK\n" + in + ": OK\n", ""},
        {"one differs", wrong, kCliFailure, check + ": FAILED\n" + in + ": OK\n",
         "WARNING: the CRCs of 1 files did NOT match"},
        {"CR LF", crlf, kCliOk, check + ": OK\n" + in + ": OK\n", ""},
        {"lower case", lower, kCliOk, check + ": OK\n", ""},
        {"notes between", "# made by crc\n" + lower + "\n", kCliOk, check + ": OK\n",
         "1 lines are no CRC lines"},
        {"missing file", "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + Path("gone") + "\n", kCliFailure,
         Path("gone") + ": FAILED open or read\n", "WARNING: 1 listed files could not be read"},
        {"wrong width", "CRC32 ITU-T, RIGHT, NEG\tF43926\t" + check + "\n", kCliFailure, "",
         "no CRC lines found"},
        {"unknown variant", "CRC64\tCBF43926\t" + check + "\n", kCliFailure, "", "no CRC lines found"},
        {"empty", "", kCliFailure, "", "no CRC lines found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Label);
        test::WriteBytes(dir / "sums", Bytes(c.Sums.begin(), c.Sums.end()));
        TCliRun r = RunCli({"crc", "--check", Path("sums")});
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        EXPECT_EQ(r.Out, c.Out);
        EXPECT_NE(r.Err.find(c.Err), std::string::npos) << r.Err;
        r = RunCli({"crc", "-c", "-"}, {.In = c.Sums});
        EXPECT_EQ(r.Status, c.Status) << "from standard input";
        EXPECT_EQ(r.Out, c.Out);
    }
    EXPECT_EQ(RunCli({"crc", "--check", Path("nothing")}).Status, kCliFailure);

    // The options of a check: several sum files (the worst status wins), less output, missing files
    // let pass, one JSON object per file.
    test::WriteBytes(dir / "good", Bytes(good.begin(), good.end()));
    test::WriteBytes(dir / "wrong", Bytes(wrong.begin(), wrong.end()));
    const std::string gone = "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + Path("absent") + "\n";
    test::WriteBytes(dir / "gone.sums", Bytes(gone.begin(), gone.end()));
    const std::string some = gone + "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t" + check + "\n";
    test::WriteBytes(dir / "some.sums", Bytes(some.begin(), some.end()));
    const struct {
        TCliArgs Args;
        int Status;
        std::string Out;
        std::string Err = ""; // a part of it
    } options[] = {
        {{"-c", Path("good"), Path("wrong")},
         kCliFailure,
         check + ": OK\n" + in + ": OK\n" + check + ": FAILED\n" + in + ": OK\n"},
        {{"-c", Path("wrong"), "--quiet"}, kCliFailure, check + ": FAILED\n"},
        {{"-c", Path("wrong"), "--status"}, kCliFailure, ""},
        {{"-c", Path("good"), "--status"}, kCliOk, ""},
        // Missing files let pass, but a list of which no file was there has verified nothing.
        {{"-c", Path("some.sums"), "--ignore-missing"}, kCliOk, check + ": OK\n"},
        {{"-c", Path("gone.sums"), "--ignore-missing"}, kCliFailure, "", "gone.sums: no file was verified"},
        {{"-c", Path("gone.sums"), "--ignore-missing", "--status"}, kCliFailure, ""},
        {{"--japanese", "crc", "-c", Path("gone.sums"), "--ignore-missing"},
         kCliFailure,
         "",
         "gone.sums: 検証できたファイルがありません"},
        {{"-c", Path("wrong"), "--json"}, kCliFailure, "failed"},
        // The options of a check may come between -c and the sum files.
        {{"-c", "--ignore-missing", Path("gone.sums")}, kCliFailure, "", "gone.sums: no file was verified"},
        {{"--check", "--quiet", Path("wrong")}, kCliFailure, check + ": FAILED\n"},
        {{"-c"}, kCliUsage, "", "SUMFILE is required"},
    };
    for (const auto& o : options) {
        TCliArgs args = {"crc"};
        if (o.Args.front() == "--japanese") {
            args.clear();
        }
        args.insert(args.end(), o.Args.begin(), o.Args.end());
        const TCliRun r = RunCli(args);
        SCOPED_TRACE(args.back());
        EXPECT_EQ(r.Status, o.Status) << r.Err;
        EXPECT_NE(r.Err.find(o.Err), std::string::npos) << r.Err;
        if (args.back() == "--json") {
            EXPECT_NE(r.Out.find("\"schema\":\"kelda-cli.crc-check\""), std::string::npos) << r.Out;
            EXPECT_NE(r.Out.find("\"result\":\"" + o.Out + "\""), std::string::npos) << r.Out;
        } else {
            EXPECT_EQ(r.Out, o.Out);
        }
    }
    EXPECT_EQ(RunCli({"crc", "--status", in}).Status, kCliUsage);
}

} // namespace
} // namespace kelda

namespace kelda {
namespace {

// Every --json command starts its objects alike and gives names as text and as their bytes.
TEST_F(CliJsonTest, EveryJsonCommandNamesItsSchemaAndGivesNamesAsBytesToo) {
    const std::string in = (dir / "in.bin").string();
    struct Case {
        TCliArgs Args;
        const char* Schema;
        const char* NameHex; // the field with the Mac name's bytes
    };
    const Case cases[] = {
        {{"info", "--json", in}, "kelda-cli.info", "/name/hex"},
        {{"crc", "--json", in}, "kelda-cli.crc", ""},
        {{"check", "--json", in}, "kelda-cli.check", "/name/hex"},
        {{"scan", "--json", in}, "kelda-cli.scan", "/name/hex"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Schema);
        const std::vector<json> objects = JsonLines(RunCli(c.Args).Out);
        ASSERT_EQ(objects.size(), 1u);
        const json& o = objects[0];
        EXPECT_EQ(o["schema"], c.Schema);
        EXPECT_TRUE(o["schema_version"].is_number_integer());
        EXPECT_EQ(o["path"], in);
        EXPECT_EQ(o["path_hex"], HexOf(in));
        if (*c.NameHex != '\0') {
            EXPECT_EQ(o.at(json::json_pointer(c.NameHex)), "836583588367") << o.dump();
        }
    }
}

} // namespace
} // namespace kelda
