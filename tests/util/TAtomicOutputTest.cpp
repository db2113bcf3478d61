// SPDX-License-Identifier: MIT
// The atomic replace as a folder shared with other runs and with the user meets it: which files under
// the temporaries' names a later output removes, and what a replaced output keeps of the old file.
#include "util/TAtomicOutput.h"
#include "macbinary/TestFiles.h"
#include "support/DrillSupport.h"
#include "util/TFolder.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <ctime>
#include <functional>
#include <set>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

std::set<std::string> Entries(const fs::path& folder) {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

void WriteOutput(const fs::path& output, const Bytes& bytes) {
    TAtomicOutput out(output);
    out.Create().WriteBuffer(bytes.data(), bytes.size());
    out.Commit();
}

// A temporary held by a child that lives until the returned function ends it.
std::pair<std::string, std::function<void()>> LiveTemporaryOfAnotherRun(const fs::path& output) {
    int ready[2];
    int stop[2];
    if (::pipe(ready) != 0 || ::pipe(stop) != 0) {
        return {};
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(ready[0]);
        ::close(stop[1]); // so that the parent's closing it ends the read below
        TAtomicOutput out(output);
        out.Create().WriteBuffer("being written", 13);
        const std::string name = out.TemporaryFile().filename().string();
        // A short write shows in the parent as a name it cannot find; the read only waits.
        [[maybe_unused]] const ssize_t written = ::write(ready[1], name.data(), name.size());
        ::close(ready[1]);
        char c;
        [[maybe_unused]] const ssize_t got = ::read(stop[0], &c, 1);
        ::kill(::getpid(), SIGKILL);
    }
    ::close(ready[1]);
    ::close(stop[0]);
    char name[64] = {};
    const ssize_t n = ::read(ready[0], name, sizeof name - 1);
    ::close(ready[0]);
    return {std::string(name, n > 0 ? static_cast<std::size_t>(n) : 0), [child, stop = stop[1]] {
                ::close(stop);
                int status = 0;
                ::waitpid(child, &status, 0);
            }};
}

// A clean-up removes only what a killed run of KELDA provably left: a file it made, still carrying
// the mark made for that very file, held by no running program, and not one this run was given.
// Whatever else bears the temporaries' name stays, however old.
TEST(StaleTemporaries, OnlyWhatAKilledRunLeftIsRemoved) {
    TempDir dir;
    const fs::path output = dir / "out.bin";
    if (!drill::KeepsUserAttributes(dir.path())) {
        GTEST_SKIP() << "this file system keeps no extended attributes: no temporary is ever stale";
    }
    struct Case {
        const char* what;
        std::function<std::string()> plant; // the name it planted
        bool removed;
    };
    const Case cases[] = {
        {"a killed run's temporary", [&] { return drill::TemporaryOfKilledRun(output); }, true},
        {"a user's file of that name, an hour old",
         [&] {
             WriteBytes(dir / ".kelda-0badf00d.tmp", Bytes(3000, 7));
             const timespec anHourAgo[2] = {{::time(nullptr) - 3600, 0}, {::time(nullptr) - 3600, 0}};
             ::utimensat(AT_FDCWD, (dir / ".kelda-0badf00d.tmp").c_str(), anHourAgo, 0);
             return std::string(".kelda-0badf00d.tmp");
         },
         false},
        {"a copy of a killed run's temporary, its attributes and all",
         [&] {
             const std::string left = drill::TemporaryOfKilledRun(output);
             char mark[64] = {};
             const ssize_t n = ::getxattr((dir / left).c_str(), "user.kelda.temporary", mark, sizeof mark);
             fs::rename(dir / left, dir / "kept-aside");
             fs::copy_file(dir / "kept-aside", dir / left);
             ::setxattr((dir / left).c_str(), "user.kelda.temporary", mark, static_cast<std::size_t>(n), 0);
             return left;
         },
         false},
        {"a killed run's temporary this run was given",
         [&] {
             const std::string left = drill::TemporaryOfKilledRun(output);
             SpareFromCleanup(*StatFile(dir / left));
             return left;
         },
         false},
    };
    std::set<std::string> staying = {"out.bin"};
    std::set<std::string> removed;
    for (const Case& c : cases) {
        const std::string name = c.plant();
        ASSERT_FALSE(name.empty()) << c.what;
        (c.removed ? removed : staying).insert(name);
    }
    staying.insert("kept-aside");
    auto [live, endLive] = LiveTemporaryOfAnotherRun(output);
    ASSERT_FALSE(live.empty());
    staying.insert(live);

    WriteOutput(output, {1, 2, 3});
    EXPECT_EQ(Entries(dir.path()), staying);
    EXPECT_EQ(ReadBytes(dir / ".kelda-0badf00d.tmp"), Bytes(3000, 7));
    endLive();
    // Once its program is gone, the temporary it held is stale too.
    WriteOutput(output, {4});
    staying.erase(live);
    EXPECT_EQ(Entries(dir.path()), staying);
}

// A replaced output keeps the old file's access: permission bits, owner and group (where the process
// may set them), access ACL. Its other extended attributes describe the old contents and go with
// them; its other names (hard links) keep the old contents, as after mv. The output never carries
// the temporaries' mark.
TEST(ReplacedOutput, KeepsTheOldFilesAccessAndNothingOfItsContents) {
    TempDir dir;
    const fs::path output = dir / "out.bin";
    WriteBytes(output, {9, 9, 9});
    ::chmod(output.c_str(), 0640);
    fs::create_hard_link(output, dir / "second-name");
    const bool owner = ::chown(output.c_str(), 12345, 23456) == 0;
    // user::rw- user:4242:r-- group::r-- mask::r-- other::---
    const unsigned char acl[] = {2,    0,    0,    0,    1,    0, 6, 0, 0xff, 0xff, 0xff, 0xff, 2,    0, 4, 0,
                                 0x92, 0x10, 0,    0,    4,    0, 4, 0, 0xff, 0xff, 0xff, 0xff, 0x10, 0, 4, 0,
                                 0xff, 0xff, 0xff, 0xff, 0x20, 0, 0, 0, 0xff, 0xff, 0xff, 0xff};
    const bool hasAcl = ::setxattr(output.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) == 0;
    const bool hasUserAttribute = ::setxattr(output.c_str(), "user.checksum", "old", 3, 0) == 0;

    WriteOutput(output, {1, 2, 3, 4});

    struct stat st {};
    ASSERT_EQ(::stat(output.c_str(), &st), 0);
    EXPECT_EQ(ReadBytes(output), (Bytes{1, 2, 3, 4}));
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (owner) {
        EXPECT_EQ(st.st_uid, 12345u);
        EXPECT_EQ(st.st_gid, 23456u);
    }
    if (hasAcl) {
        unsigned char kept[sizeof acl] = {};
        EXPECT_EQ(::getxattr(output.c_str(), "system.posix_acl_access", kept, sizeof kept),
                  static_cast<ssize_t>(sizeof acl));
        EXPECT_EQ(Bytes(kept, kept + sizeof kept), Bytes(acl, acl + sizeof acl));
    }
    if (hasUserAttribute) {
        EXPECT_LT(::getxattr(output.c_str(), "user.checksum", nullptr, 0), 0);
    }
    EXPECT_FALSE(drill::CarriesTemporaryMark(output));
    EXPECT_EQ(st.st_nlink, 1u);
    EXPECT_EQ(ReadBytes(dir / "second-name"), (Bytes{9, 9, 9}));
    EXPECT_EQ(Entries(dir.path()), (std::set<std::string>{"out.bin", "second-name"}));
}

} // namespace
} // namespace kelda
