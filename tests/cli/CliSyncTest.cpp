// SPDX-License-Identifier: MIT
// --sync: kelda-cli writes new outputs to disk before they take their names, for that run only.
#include "cli/CliRun.h"
#include "forks/ForkSamples.h"
#include "util/TAtomicOutput.h"
#include "util/TFileStream.h"

#include <gtest/gtest.h>

namespace kelda {
namespace {

using namespace test;

TEST(CliSync, NewOutputsWaitForTheDiskOnlyWithSync) {
    TempDir dir;
    WriteBytes(dir / "in.bin", SampleFile());
    const std::string in = (dir / "in.bin").string();
    const std::string out = (dir / "out").string();
    struct {
        TCliArgs Args;
        bool Replaces;
        std::uint64_t Syncs;
    } cases[] = {
        {{"strip", in, out}, false, 0},           // a new output
        {{"strip", "-f", in, out}, true, 1},      // one that replaces a file
        {{"--sync", "strip", in, out}, false, 1}, // asked for, before the command
        {{"rsrc", in, out, "--sync"}, false, 1},  // or after it
        {{"applesingle", in, out}, false, 0},     // the next run is back to the default
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Args.front() + " " + c.Args.back());
        std::filesystem::remove(out);
        if (c.Replaces) {
            WriteBytes(out, Text("old"));
        }
        const std::uint64_t before = FileSyncCount();
        const TCliRun run = RunCli(c.Args);
        EXPECT_EQ(run.Status, 0) << run.Err;
        EXPECT_EQ(FileSyncCount() - before, c.Syncs);
        EXPECT_FALSE(SyncNewOutputs());
    }
}

} // namespace
} // namespace kelda
