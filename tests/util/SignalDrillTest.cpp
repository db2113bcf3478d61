// SPDX-License-Identifier: MIT
// A program killed by a signal while it writes an output: the signals that can be caught remove the
// half-written temporary and still end the program as they would; a file-size limit fails the write
// like a full disk. Each case runs in a child process that really receives the signal.
#include "util/TAtomicOutput.h"
#include "util/TFolder.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

namespace kelda {
namespace {

namespace fs = std::filesystem;

class SignalDrill : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelda-signal-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        std::ofstream(dir_ / "out.bin") << "old contents";
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir_)) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }
    std::string Output() const {
        std::ifstream in(dir_ / "out.bin");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    fs::path dir_;
};

TEST_F(SignalDrill, ASignalThatEndsTheProgramRemovesTheTemporaryFirst) {
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGPIPE}) {
        SCOPED_TRACE(strsignal(sig));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // No core file for SIGQUIT: the test looks only at how the child ended.
            const rlimit noCore{0, 0};
            ::setrlimit(RLIMIT_CORE, &noCore);
            // A run under nohup (or a shell that ignores SIGPIPE) hands the signal down ignored,
            // and the cleanup rightly leaves an ignored signal alone.
            ::signal(sig, SIG_DFL);
            InstallTemporaryCleanupOnSignals();
            TAtomicOutput out(dir_ / "out.bin");
            const std::string half(100000, 'x');
            out.Create().WriteBuffer(half.data(), half.size());
            ::raise(sig);
            ::_exit(0); // not reached: the signal ends the child
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WIFSIGNALED(status) ? WTERMSIG(status) : 0, sig);
        EXPECT_EQ(Entries(), (std::set<std::string>{"out.bin"}));
        EXPECT_EQ(Output(), "old contents");
    }
}

TEST_F(SignalDrill, AFileSizeLimitFailsTheWriteAndLeavesNoTemporary) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        InstallTemporaryCleanupOnSignals();
        const rlimit small{4096, 4096};
        ::setrlimit(RLIMIT_FSIZE, &small);
        try {
            TAtomicOutput out(dir_ / "out.bin");
            const std::string big(100000, 'x');
            out.Create().WriteBuffer(big.data(), big.size());
            out.Commit();
        } catch (const EFileError& e) {
            ::_exit(e.errorCode() == EFBIG && e.File() == dir_ / "out.bin" ? 7 : 8);
        }
        ::_exit(9);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_EQ(WEXITSTATUS(status), 7);
    EXPECT_EQ(Entries(), (std::set<std::string>{"out.bin"}));
    EXPECT_EQ(Output(), "old contents");
}

TEST(TemporaryName, IsShortAndRecognisable) {
    const std::string name = NewTemporaryName();
    EXPECT_TRUE(IsTemporaryName(name)) << name;
    EXPECT_EQ(name.size(), 19u);
    for (const char* other : {".kelda-0123abcg.tmp", ".kelda-0123abc.tmp", "kelda-0123abcd.tmp",
                              ".kelda-0123ABCD.tmp", ".kelda-0123abcd.tmpx", ".out.bin.0123abcd.tmp"}) {
        EXPECT_FALSE(IsTemporaryName(other)) << other;
    }
}

} // namespace
} // namespace kelda
