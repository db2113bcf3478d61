// SPDX-License-Identifier: MIT
// scan's 'vers' column over resource forks that hold the resource, hold another, or are damaged:
// the same string as the vers command where both look, an empty column where nothing can be found.
#include "CliRun.h"
#include "macbinary/TestFiles.h"
#include "resources/ForkBuilder.h"

#include "util/VisibleText.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <sstream>

namespace kelda {
namespace {

using nlohmann::json;
using test::Bytes;
using test::RunCli;
using test::TBuiltFork;

// A 'vers' resource whose short version string is text.
Bytes Vers(const std::string& text) {
    Bytes b = {0x01, 0x00, 0x80, 0x00, 0x00, 0x00, static_cast<std::uint8_t>(text.size())};
    b.insert(b.end(), text.begin(), text.end());
    b.push_back(0); // an empty long version string
    return b;
}

struct TVersCase {
    const char* Name;
    std::vector<test::TForkResource> Resources;
    std::function<void(TBuiltFork&)> Damage; // null: the fork as built
    const char* Expected;
    bool SameAsVersCommand; // the vers command says the same
};

// One choice for both: 'vers' 1, else 'vers' 2, else the first 'vers' of the map.
TEST(CliScanVersTest, TheColumnHoldsTheShortStringOfTheChosenVersAndNothingFromADamagedMap) {
    const std::vector<TVersCase> cases = {
        {"own and package",
         {{"vers", 2, std::nullopt, 0, Vers("9.9")}, {"vers", 1, std::nullopt, 0, Vers("3.0b7")}},
         nullptr,
         "3.0b7",
         true},
        {"package only",
         {{"STR ", 1, std::nullopt, 0, {0}}, {"vers", 2, std::nullopt, 0, Vers("1.1")}},
         nullptr,
         "1.1",
         true},
        {"own only", {{"vers", 1, std::nullopt, 0, Vers("1.0.2")}}, nullptr, "1.0.2", true},
        {"ID 3 only", {{"vers", 3, std::nullopt, 0, Vers("3.3")}}, nullptr, "3.3", true},
        {"another ID only", {{"vers", 128, std::nullopt, 0, Vers("2.0")}}, nullptr, "2.0", true},
        {"no vers", {{"STR ", 1, std::nullopt, 0, {0}}}, nullptr, "", true},
        {"map outside the fork",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put32(4, 0x7FFFFFF0); },
         "",
         true},
        {"map length too small",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put32(12, 4); },
         "",
         true},
        {"reference list outside the map",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put16(f.TypeList + 2 + 6, 0xFFF0); },
         "",
         true},
        {"type count beyond the map",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put16(f.TypeList, 0x7FFF); },
         "",
         true},
        {"data offset beyond the data",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put16(f.RefEntry(0) + 6, 0xFFFF); },
         "",
         true},
        {"data length beyond the fork",
         {{"vers", 1, std::nullopt, 0, Vers("1.0")}},
         [](TBuiltFork& f) { f.Put32(f.DataOffset, 0xFFFFFFFF); },
         "1.0",
         true},
        {"vers shorter than its fixed bytes",
         {{"vers", 1, std::nullopt, 0, {1, 0, 0x80}}},
         nullptr,
         "",
         true},
    };
    test::TempDir dir;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const TVersCase& c = cases[i];
        SCOPED_TRACE(c.Name);
        TBuiltFork fork = test::BuildResourceFork(c.Resources);
        if (c.Damage) {
            c.Damage(fork);
        }
        THeader header{};
        test::PutName(header, "App");
        const std::string file = (dir.path() / ("f" + std::to_string(i))).string();
        test::WriteBytes(file, test::MakeMacBinaryFile(
                                   header, 0, static_cast<std::int32_t>(fork.Bytes.size()), fork.Bytes));
        const test::TCliRun scan = RunCli({"scan", "--json", file});
        ASSERT_EQ(scan.Status, kCliOk) << scan.Err;
        const json row = json::parse(scan.Out);
        EXPECT_EQ(row["verdict"], "sound");
        EXPECT_EQ(row["vers"], c.Expected);
        if (c.SameAsVersCommand) {
            EXPECT_EQ(RunCli({"vers", file}).Out, file + "\t" + c.Expected + "\n");
        }
    }
}

TEST(CliScanVersTest, EveryFormatCarriesTheColumnAndACutForkLeavesItEmpty) {
    test::TempDir dir;
    const Bytes fork = test::BuildResourceFork({{"vers", 1, std::nullopt, 0, Vers("4.2")}}).Bytes;
    THeader header{};
    test::PutName(header, "App");
    const std::string whole = (dir.path() / "whole.bin").string();
    test::WriteBytes(whole, test::MakeMacBinaryFile(header, 0, static_cast<std::int32_t>(fork.size()), fork));
    // The file ends before the map: damaged, and nothing to read the version from.
    const std::string cut = (dir.path() / "cut.bin").string();
    test::WriteBytes(
        cut, test::Slice(test::MakeMacBinaryFile(header, 0, static_cast<std::int32_t>(fork.size()), fork), 0,
                         128 + 200));

    const test::TCliRun text = RunCli({"scan", whole, cut});
    EXPECT_NE(text.Out.find("\tApp\t4.2\t" + whole + "\n"), std::string::npos) << text.Out;
    EXPECT_NE(text.Out.find("\tApp\t\t" + cut + "\n"), std::string::npos) << text.Out;
    const test::TCliRun csv = RunCli({"scan", "--csv", whole});
    EXPECT_NE(csv.Out.find(",false,4.2," + HexBytes(whole) + ",\n"), std::string::npos) << csv.Out;
    const json row = json::parse(RunCli({"scan", "--json", cut}).Out);
    EXPECT_EQ(row["verdict"], "damaged");
    EXPECT_EQ(row["finding"], "resource-fork-cut");
    EXPECT_EQ(row["vers"], "");
}

} // namespace
} // namespace kelda
