// SPDX-License-Identifier: MIT
// The fork commands' output guards as the conversions have them: a read-only output is refused
// unless -f (or the global --force) says to replace it, and keeps its permissions when replaced.
#include "cli/Cli.h"
#include "forks/ForkSamples.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/stat.h>

namespace kelda {
namespace {

using namespace test;

struct TRun {
    int Status;
    std::string Err;
};

TRun RunCli(const TCliArgs& args) {
    std::istringstream in;
    std::ostringstream out, err;
    TCliTerminal terminal;
    terminal.In = &in;
    const int status = CliMain(args, out, err, terminal);
    return {status, err.str()};
}

TEST(CliForksGuard, AReadOnlyOutputNeedsForce) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    WriteBytes(dir / "Ab", Text("DATA!"));
    const std::string in = (dir / "in.bin").string();
    const auto folder = (dir / "x").string();
    struct {
        const char* Name;
        TCliArgs Args;         // without the force flag
        std::string ReadOnly;  // the output made read-only
        std::size_t MinSize;   // of that output once replaced
        bool InFolder = false; // an -o folder: any existing output is kept without -f
    } cases[] = {
        {"rsrc", {"rsrc", in, (dir / "o").string()}, (dir / "o").string(), 2},
        {"appledouble", {"appledouble", in, (dir / "o").string()}, (dir / "o").string(), 100},
        {"applesingle", {"applesingle", in, (dir / "o").string()}, (dir / "o").string(), 100},
        {"encode",
         {"encode", "--no-sidecar", (dir / "Ab").string(), (dir / "o").string()},
         (dir / "o").string(),
         256},
        {"extract data", {"extract", "-o", folder, in}, folder + "/Ab", 5, true},
        {"extract sidecar", {"extract", "-o", folder, in}, folder + "/._Ab", 100, true},
    };
    std::filesystem::create_directory(dir / "x");
    for (const auto& c : cases) {
        for (const char* force : {"-f", "--force"}) {
            SCOPED_TRACE(std::string(c.Name) + " " + force);
            std::filesystem::remove_all(dir / "x");
            std::filesystem::create_directory(dir / "x");
            WriteBytes(c.ReadOnly, {1, 2, 3});
            ::chmod(c.ReadOnly.c_str(), 0444);
            const TRun refused = RunCli(c.Args);
            EXPECT_EQ(refused.Status, 1);
            EXPECT_EQ(refused.Err, "kelda-cli: " + c.ReadOnly +
                                       (c.InFolder ? ": Warning ! The file exists already; -f replaces it.\n"
                                                   : ": Warning ! Can not write over a read-only file "
                                                     "(--force replaces it).\n"));
            EXPECT_EQ(ReadBytes(c.ReadOnly), (Bytes{1, 2, 3}));
            TCliArgs forced = c.Args;
            // -f after the command, --force before it, as the conversions take them.
            forced.insert(std::string(force) == "-f" ? forced.begin() + 1 : forced.begin(), force);
            const TRun replaced = RunCli(forced);
            EXPECT_EQ(replaced.Status, 0) << replaced.Err;
            EXPECT_GE(ReadBytes(c.ReadOnly).size(), c.MinSize);
            struct stat st {};
            ::stat(c.ReadOnly.c_str(), &st);
            EXPECT_EQ(st.st_mode & 0777, 0444u);
            std::filesystem::remove(c.ReadOnly);
        }
    }
}

} // namespace
} // namespace kelda
