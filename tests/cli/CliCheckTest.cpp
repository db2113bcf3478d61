// SPDX-License-Identifier: MIT
// kelda-cli check, run in-process: the text report, the JSON lines, and the exit status.
#include "cli/Cli.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>

namespace kelda {
namespace {

using test::Bytes;

struct TRun {
    int Status;
    std::string Out;
    std::string Err;
};

TRun RunCli(const TCliArgs& args) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = CliMain(args, out, err);
    return {status, out.str(), err.str()};
}

std::vector<nlohmann::json> JsonLines(const std::string& text) {
    std::vector<nlohmann::json> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(nlohmann::json::parse(line));
    }
    return lines;
}

class CliCheckTest : public ::testing::Test {
protected:
    // A MacBinary II file: 21 bytes of data at 128, 10 of resources at 256, 266 bytes unpadded.
    std::string Sound(const char* name, std::size_t keep = 266) {
        THeader h{};
        test::PutName(h, "Sample");
        test::PutUInt32(h, kOffsetDataForkLength, 21);
        test::PutUInt32(h, kOffsetResourceForkLength, 10);
        h[kOffsetVersion] = kVersionII;
        h[kOffsetMinVersion] = kVersionII;
        const std::uint16_t crc = HeaderCrc(h);
        h[kOffsetCrc] = static_cast<std::uint8_t>(crc >> 8);
        h[kOffsetCrc + 1] = static_cast<std::uint8_t>(crc);
        Bytes file(h.begin(), h.end());
        const Bytes body = test::RandomBytes(138, 3);
        file.insert(file.end(), body.begin(), body.end());
        file.resize(keep);
        test::WriteBytes(dir / name, file);
        return (dir / name).string();
    }

    test::TempDir dir;
};

TEST_F(CliCheckTest, ExitsZeroOnlyWhenEveryFileIsSound) {
    const std::string good = Sound("good.bin");
    const std::string cut = Sound("cut.bin", 140);
    const TRun one = RunCli({"check", good});
    EXPECT_EQ(one.Status, kCliOk) << one.Err;
    EXPECT_NE(one.Out.find("Sound MacBinary II"), std::string::npos) << one.Out;
    EXPECT_NE(one.Out.find("offset 256, 10 bytes, complete"), std::string::npos) << one.Out;
    EXPECT_NE(one.Out.find("Type/creator : "), std::string::npos) << one.Out;

    const TRun both = RunCli({"check", good, cut});
    EXPECT_EQ(both.Status, kCliFailure);
    EXPECT_NE(both.Out.find("Damaged MacBinary II: The file ends inside the data fork: 9 of its 21"),
              std::string::npos)
        << both.Out;

    const TRun japanese = RunCli({"--japanese", "check", cut});
    EXPECT_NE(japanese.Out.find("破損した MacBinary II"), std::string::npos) << japanese.Out;
}

TEST_F(CliCheckTest, JsonGivesOneObjectPerFileWithTheListedFields) {
    const std::string good = Sound("good.bin");
    const std::string cut = Sound("cut.bin", 140);
    test::WriteBytes(dir / "short", Bytes(100, 0));
    const TRun r = RunCli({"check", "--json", good, cut, (dir / "short").string(), (dir / "none").string()});
    EXPECT_EQ(r.Status, kCliFailure);
    const auto lines = JsonLines(r.Out);
    ASSERT_EQ(lines.size(), 4u) << r.Out;

    const nlohmann::json& g = lines[0];
    EXPECT_EQ(g["path"], good);
    EXPECT_EQ(g["schema_version"], 3);
    EXPECT_FALSE(g.contains("file"));
    EXPECT_EQ(g["verdict"], "sound");
    EXPECT_EQ(g["container"], "macbinary");
    EXPECT_EQ(g["version"], "II");
    EXPECT_EQ(g["header_crc"]["ok"], true);
    EXPECT_EQ(g["header_crc"]["stored"], g["header_crc"]["computed"]);
    EXPECT_EQ(g["header_crc"]["stored"].get<std::string>().size(), 4u);
    EXPECT_TRUE(g["name"].is_object());
    EXPECT_EQ(g["type"]["hex"].get<std::string>().size(), 8u) << g.dump();
    EXPECT_EQ(g["creator"]["text"].get<std::string>().size(), 4u) << g.dump();
    EXPECT_EQ(g["data_fork"],
              (nlohmann::json{{"offset", 128}, {"length", 21}, {"present", 21}, {"complete", true}}));
    EXPECT_EQ(g["resource_fork"],
              (nlohmann::json{{"offset", 256}, {"length", 10}, {"present", 10}, {"complete", true}}));
    ASSERT_TRUE(g["findings"].is_array());

    const nlohmann::json& c = lines[1];
    EXPECT_EQ(c["verdict"], "damaged");
    EXPECT_EQ(c["data_fork"]["complete"], false);
    EXPECT_EQ(c["resource_fork"]["complete"], false);
    bool cutFound = false;
    for (const auto& f : c["findings"]) {
        cutFound = cutFound || (f["id"] == "data-fork-cut" && f["severity"] == "damage" &&
                                f["text"].get<std::string>().find("9 of its 21") != std::string::npos);
    }
    EXPECT_TRUE(cutFound) << c.dump();

    EXPECT_EQ(lines[2]["verdict"], "not-macbinary");
    EXPECT_TRUE(lines[2]["version"].is_null());
    EXPECT_EQ(lines[2]["findings"][0]["id"], "too-short");
    // A file that is no Mac file has no fork extents computed from its bytes.
    EXPECT_FALSE(lines[2].contains("data_fork"));
    EXPECT_EQ(lines[3]["verdict"], "unreadable");
    EXPECT_FALSE(lines[3]["error"].get<std::string>().empty());
    EXPECT_NE(r.Err.find("none"), std::string::npos); // the error also goes to the error stream
}

TEST_F(CliCheckTest, CrcDigitsAreLowerCaseAndNamesThatAreNoUtf8StayValidJson) {
    const std::string file = Sound("x.bin");
    Bytes bytes = test::ReadBytes(file);
    bytes[kOffsetCrc] = 0xAB; // a mismatch with letters in it
    bytes[kOffsetCrc + 1] = 0xCD;
    const std::string odd = (dir / "na\xFFme.bin").string();
    test::WriteBytes(odd, bytes);
    const TRun r = RunCli({"check", "--json", odd});
    const auto lines = JsonLines(r.Out);
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0]["header_crc"]["stored"], "abcd");
    EXPECT_EQ(lines[0]["header_crc"]["ok"], false);
    EXPECT_EQ(lines[0]["verdict"], "damaged");
}

TEST_F(CliCheckTest, BadUsageIsStatusTwo) {
    EXPECT_EQ(RunCli({"check"}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"check", "--jsn", "x"}).Status, kCliUsage);
    EXPECT_NE(RunCli({"--help"}).Out.find("check "), std::string::npos);
    EXPECT_NE(RunCli({"check", "--help"}).Out.find("--json"), std::string::npos);
}

} // namespace
} // namespace kelda
