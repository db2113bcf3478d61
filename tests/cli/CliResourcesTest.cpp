// SPDX-License-Identifier: MIT
// kelda-cli resources, resource and vers, run in-process on MacBinary files the tests build.
#include "CliRun.h"
#include "cli/Cli.h"
#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"

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

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

const Bytes kVers = {0x03, 0x00, 0x60, 0x07, 0x00, 0x00, 5, '3', '.', '0', 'b', '7', 4, 'L', 'o', 'n', 'g'};

class CliResourcesTest : public ::testing::Test {
protected:
    void SetUp() override {
        fork_ = test::BuildResourceFork({
                                            {"vers", 1, std::nullopt, 0x20, kVers},
                                            {"STR ", 128, std::string("Greeting"), 0x00, {2, 'H', 'i'}},
                                        })
                    .Bytes;
        file_ = Write("app.bin", fork_);
    }
    std::string Write(const std::string& name, const Bytes& fork, std::uint32_t declared = 0) {
        THeader header{};
        test::PutName(header, "App");
        Bytes body = fork;
        const auto path = (dir_.path() / name).string();
        test::WriteBytes(path,
                         test::MakeMacBinaryFile(
                             header, 0, static_cast<std::int32_t>(declared ? declared : fork.size()), body));
        return path;
    }
    test::TempDir dir_;
    Bytes fork_;
    std::string file_;
};

TEST_F(CliResourcesTest, ResourcesListsOneLinePerResource) {
    const TRun run = RunCli({"resources", file_});
    EXPECT_EQ(run.Status, kCliOk) << run.Err;
    EXPECT_EQ(Lines(run.Out), (std::vector<std::string>{
                                  file_ + "\t'vers'\t1\t-\tpurgeable\t17\t3.0b7",
                                  file_ + "\t'STR '\t128\tGreeting\t-\t3",
                              }));
    EXPECT_EQ(run.Err, "");
}

TEST_F(CliResourcesTest, ResourcesAsJsonLines) {
    const TRun run = RunCli({"resources", "--json", file_});
    ASSERT_EQ(run.Status, kCliOk) << run.Err;
    const std::vector<std::string> lines = Lines(run.Out);
    ASSERT_EQ(lines.size(), 2U);
    const nlohmann::json vers = nlohmann::json::parse(lines[0]);
    EXPECT_FALSE(vers.contains("file"));
    EXPECT_EQ(vers["schema_version"], 2);
    EXPECT_EQ(vers["type"], (nlohmann::json{{"text", "vers"}, {"hex", "76657273"}}));
    EXPECT_EQ(vers["id"], 1);
    EXPECT_TRUE(vers["name"].is_null());
    EXPECT_EQ(vers["attributes"], 0x20);
    EXPECT_EQ(vers["length"], 17);
    EXPECT_EQ(vers["vers"]["version"], "3.0b7");
    EXPECT_EQ(vers["vers"]["stage"], "beta");
    EXPECT_EQ(vers["vers"]["release"], 7);
    EXPECT_EQ(vers["vers"]["short"], "3.0b7");
    EXPECT_EQ(vers["vers"]["long"], "Long");
    const nlohmann::json str = nlohmann::json::parse(lines[1]);
    EXPECT_EQ(str["type"]["text"], "STR ");
    EXPECT_EQ(str["name"], (nlohmann::json{{"text", "Greeting"}, {"hex", "4772656574696e67"}}));
    EXPECT_EQ(str["schema"], "kelda-cli.resources");
    EXPECT_EQ(str["path"], file_);
    EXPECT_FALSE(str.contains("vers"));
}

TEST_F(CliResourcesTest, ResourceWritesOneResourcesBytes) {
    const std::string out = (dir_.path() / "str.bin").string();
    for (const std::string type : {"STR ", "0x53545220"}) {
        SCOPED_TRACE(type);
        std::filesystem::remove(out);
        const TRun run = RunCli({"resource", file_, type, "128", out});
        EXPECT_EQ(run.Status, kCliOk) << run.Err;
        EXPECT_EQ(test::ReadBytes(out), (Bytes{2, 'H', 'i'}));
    }
    const TRun missing = RunCli({"resource", file_, "STR ", "129", out});
    EXPECT_EQ(missing.Status, kCliFailure);
    EXPECT_NE(missing.Err.find("Resource 'STR ' 129 can not find"), std::string::npos) << missing.Err;
    EXPECT_EQ(RunCli({"--japanese", "resource", file_, "STR ", "129", out}).Err.find("Resource"),
              std::string::npos);
    EXPECT_EQ(RunCli({"resource", file_, "STR ", "40000", out}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"resource", file_, "STR ", "12x", out}).Status, kCliUsage);
    EXPECT_EQ(RunCli({"resource", file_, "STR "}).Status, kCliUsage);

    const Bytes before = test::ReadBytes(file_);
    EXPECT_EQ(RunCli({"resource", file_, "STR ", "128", file_}).Status, kCliFailure);
    EXPECT_EQ(test::ReadBytes(file_), before);
}

// A read-only output is refused, as by every other writing command, unless -f or the global --force.
TEST_F(CliResourcesTest, ResourceReplacesAReadOnlyOutputOnlyWhenForced) {
    const std::filesystem::path out = dir_.path() / "ro.bin";
    struct TCase {
        TCliArgs Args;
        int Status;
        Bytes Left;
    };
    const TCase cases[] = {
        {{"resource", file_, "STR ", "128", out.string()}, kCliFailure, Bytes{7}},
        {{"resource", "-f", file_, "STR ", "128", out.string()}, kCliOk, Bytes{2, 'H', 'i'}},
        {{"--force", "resource", file_, "STR ", "128", out.string()}, kCliOk, Bytes{2, 'H', 'i'}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Args[1]);
        std::filesystem::remove(out);
        test::WriteBytes(out, {7});
        std::filesystem::permissions(out, std::filesystem::perms::owner_read);
        const TRun run = RunCli(c.Args);
        EXPECT_EQ(run.Status, c.Status) << run.Err;
        EXPECT_EQ(test::ReadBytes(out), c.Left);
        if (c.Status == kCliFailure) {
            EXPECT_NE(run.Err.find("Can not write over a read-only file (--force replaces it)"),
                      std::string::npos)
                << run.Err;
        }
    }
}

TEST_F(CliResourcesTest, VersGivesTheShortVersionOfEachFile) {
    const std::string plain =
        Write("plain.bin", test::BuildResourceFork({{"STR ", 1, std::nullopt, 0, {0}}}).Bytes);
    const std::string notMacBinary = (dir_.path() / "text.txt").string();
    test::WriteBytes(notMacBinary, Bytes(200, 'x'));
    const TRun run = RunCli({"vers", file_, plain, notMacBinary});
    EXPECT_EQ(run.Status, kCliFailure);
    EXPECT_EQ(Lines(run.Out), (std::vector<std::string>{file_ + "\t3.0b7", plain + "\t"}));
    EXPECT_NE(run.Err.find(notMacBinary), std::string::npos);
    const std::vector<std::string> json = Lines(RunCli({"vers", "--json", file_, plain}).Out);
    ASSERT_EQ(json.size(), 2u);
    EXPECT_EQ(nlohmann::json::parse(json[0])["vers"]["short"], "3.0b7");
    EXPECT_EQ(nlohmann::json::parse(json[0])["id"], 1);
    EXPECT_TRUE(nlohmann::json::parse(json[1])["vers"].is_null());
}

TEST_F(CliResourcesTest, DamagedMapIsListedWithItsFindings) {
    Bytes damaged = fork_;
    damaged.resize(damaged.size() - 4); // the map's last bytes are gone
    const std::string file = Write("cut.bin", damaged, static_cast<std::uint32_t>(fork_.size()));
    const TRun run = RunCli({"resources", file});
    EXPECT_EQ(run.Status, kCliFailure); // what could be read is listed, and the run fails
    EXPECT_EQ(Lines(run.Out).size(), 2U);
    EXPECT_NE(
        run.Err.find("Only " + std::to_string(damaged.size()) + " of the " + std::to_string(fork_.size())),
        std::string::npos)
        << run.Err;
    EXPECT_NE(run.Err.find("The resource map runs past the end of the fork"), std::string::npos) << run.Err;

    // A map cut before its type list: no version to give, and vers says why and fails.
    Bytes cut = fork_;
    cut.resize(64);
    const std::string noMap = Write("nomap.bin", cut, static_cast<std::uint32_t>(fork_.size()));
    const TRun vers = RunCli({"vers", noMap});
    EXPECT_EQ(vers.Status, kCliFailure);
    EXPECT_EQ(vers.Out, noMap + "\t\n");
    EXPECT_NE(vers.Err.find("Only 64 of the"), std::string::npos) << vers.Err;
}

// "-" is standard input for every reading command, as for the conversions.
TEST_F(CliResourcesTest, StandardInputIsReadLikeAFile) {
    test::TCliRunSetup setup;
    const Bytes bytes = test::ReadBytes(file_);
    setup.In.assign(bytes.begin(), bytes.end());
    const test::TCliRun listed = test::RunCli({"resources", "-"}, setup);
    EXPECT_EQ(listed.Status, kCliOk) << listed.Err;
    EXPECT_EQ(Lines(listed.Out).size(), 2U);
    const test::TCliRun vers = test::RunCli({"vers", "-"}, setup);
    EXPECT_EQ(vers.Out, "-\t3.0b7\n") << vers.Err;
    const test::TCliRun one =
        test::RunCli({"resource", "-", "vers", "1", (dir_.path() / "v").string()}, setup);
    EXPECT_EQ(one.Status, kCliOk) << one.Err;
    EXPECT_EQ(test::ReadBytes(dir_.path() / "v"), kVers);
}

} // namespace
} // namespace kelda
