// SPDX-License-Identifier: MIT
// Standard input read only as far as a command needs it, and the scratch folder of a standard
// stream: removed on every signal that ends kelda-cli, and removed later when a killed run left it.
#include "CliRun.h"
#include "macbinary/TestFiles.h"
#include "support/DrillSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <streambuf>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kelda {
namespace {

using test::Bytes;
using test::TempDir;
namespace fs = std::filesystem;

// An endless stream: head, then the byte fill again and again; it ends only after cap bytes, so
// that a reader that wants it all cannot run forever. Counts what was taken.
class TEndlessBuf : public std::streambuf {
public:
    TEndlessBuf(std::string head, char fill, std::size_t cap) : head_(std::move(head)), cap_(cap) {
        block_.assign(std::size_t{64} << 10, fill);
    }
    std::size_t Taken() const { return taken_; }

protected:
    int_type underflow() override {
        if (taken_ >= cap_) {
            return traits_type::eof();
        }
        std::string& source = taken_ < head_.size() ? head_ : block_;
        const std::size_t from = taken_ < head_.size() ? taken_ : 0;
        const std::size_t n = std::min(source.size() - from, cap_ - taken_);
        setg(source.data() + from, source.data() + from, source.data() + from + n);
        taken_ += n;
        return traits_type::to_int_type(source[from]);
    }

private:
    std::string head_;
    std::string block_;
    std::size_t cap_;
    std::size_t taken_ = 0;
};

test::TCliRun RunOnStream(const TCliArgs& args, TEndlessBuf& buffer) {
    std::istream in(&buffer);
    std::ostringstream out, err;
    TCliTerminal terminal;
    terminal.In = &in;
    const int status = CliMain(args, out, err, terminal);
    return {status, out.str(), err.str()};
}

// "yes | kelda-cli info -": the first 128 bytes decide, and no more is read. A header that is
// accepted has its stream's length counted, not stored: info and check give the whole length
// while no file of the process may grow past 1 MiB.
TEST(CliScratchTest, StandardInputIsReadOnlyAsFarAsTheCommandNeeds) {
    constexpr std::size_t kCap = std::size_t{64} << 20;
    {
        TEndlessBuf yes("", 'y', kCap);
        const test::TCliRun info = RunOnStream({"--english", "info", "-"}, yes);
        EXPECT_EQ(info.Status, kCliFailure);
        EXPECT_NE(info.Err.find("not mac binary"), std::string::npos) << info.Err;
        EXPECT_LE(yes.Taken(), std::size_t{1} << 20);
        TEndlessBuf json("", 'y', kCap);
        const test::TCliRun infoJson = RunOnStream({"info", "--json", "-"}, json);
        EXPECT_EQ(infoJson.Status, kCliFailure);
        EXPECT_EQ(infoJson.Out.find("\"size\""), std::string::npos) << infoJson.Out;
        EXPECT_LE(json.Taken(), std::size_t{1} << 20);
    }
    THeader h{};
    test::PutName(h, "Sample");
    const Bytes sample = test::MakeMacBinaryFile(h, 1000, 100, test::RandomBytes(1152, 8));
    const std::string header(sample.begin(), sample.begin() + kHeaderSize);
    constexpr std::size_t kLength = std::size_t{8} << 20;
    const drill::TFileSizeLimit limit(std::size_t{1} << 20);
    const struct {
        TCliArgs args;
        std::string expected;
    } cases[] = {
        {{"info", "-"}, "8388608"},
        {{"info", "--json", "-"}, "\"size\":8388608"},
        {{"check", "--json", "-"}, "\"size\":8388608"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        TEndlessBuf stream(header, 'z', kLength);
        const test::TCliRun r = RunOnStream(c.args, stream);
        EXPECT_NE(r.Out.find(c.expected), std::string::npos) << r.Out << r.Err;
        EXPECT_EQ(r.Err.find("I/O"), std::string::npos) << r.Err;
        EXPECT_EQ(stream.Taken(), kLength);
    }
}

class CliScratchSignalTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KELDA_CLI_PATH).empty()) {
            GTEST_SKIP() << "kelda-cli was not built";
        }
        fs::create_directory(tmp());
    }
    fs::path tmp() const { return dir / "tmp"; }
    // The scratch folders of kelda-cli in tmp().
    std::vector<std::string> Scratch() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(tmp())) {
            const std::string name = entry.path().filename().string();
            if (name.starts_with("kelda-cli-")) {
                names.push_back(name);
            }
        }
        std::sort(names.begin(), names.end());
        return names;
    }
    // Starts kelda-cli args with TMPDIR=tmp(), standard input from a pipe; returns the pipe's end.
    pid_t Start(const std::vector<std::string>& args, int& input) const {
        int fds[2];
        EXPECT_EQ(::pipe(fds), 0);
        const std::string env = "TMPDIR=" + tmp().string();
        const pid_t pid = ::fork();
        if (pid == 0) {
            std::signal(SIGPIPE, SIG_DFL); // as a shell starts it: the test ignores SIGPIPE
            ::dup2(fds[0], 0);
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            ::dup2(null, 2);
            ::close(fds[1]);
            std::vector<char*> argv{const_cast<char*>(KELDA_CLI_PATH)};
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            char* envp[] = {const_cast<char*>(env.c_str()), nullptr};
            ::execve(KELDA_CLI_PATH, argv.data(), envp);
            ::_exit(127);
        }
        ::close(fds[0]);
        input = fds[1];
        return pid;
    }
    TempDir dir;
};

// A signal that ends kelda-cli while it copies standard input leaves no scratch folder behind,
// whichever of the signals that can be caught it is.
TEST_F(CliScratchSignalTest, ScratchFolderGoesOnEverySignalThatEndsTheProgram) {
    std::signal(SIGPIPE, SIG_IGN); // the test writes to a pipe whose reader is killed
    for (const int sig : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGUSR1, SIGPIPE}) {
        SCOPED_TRACE(::strsignal(sig));
        int input = -1;
        const pid_t pid = Start({"strip", "-", (dir / "out").string()}, input);
        const std::string bytes(4096, 'x');
        ASSERT_EQ(::write(input, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
        // Until the copy has begun: the scratch folder holds the file it goes to.
        bool copying = false;
        for (int i = 0; i < 2000 && !copying; ++i) {
            for (const std::string& name : Scratch()) {
                copying = copying || fs::exists(tmp() / name / "stdin");
            }
            if (!copying) {
                ::usleep(5000);
            }
        }
        ASSERT_TRUE(copying);
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid, sig), 0);
        ::close(input); // should the signal not end it, the program ends at the end of its input
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == sig) << status;
        EXPECT_EQ(Scratch(), std::vector<std::string>{});
    }
    std::signal(SIGPIPE, SIG_DFL);
}

// A scratch folder left by a run that was killed outright is removed by the next run that makes
// one, but only when it is provably kelda-cli's and not in use: named so, ours, no link, and with a
// ".lock" that names kelda-cli and that no running program holds.
TEST_F(CliScratchSignalTest, StaleScratchFoldersOfKeldaCliAloneAreRemoved) {
    const std::string mark = "kelda-cli scratch folder\n";
    const auto make = [&](const std::string& name, const char* lock) {
        fs::create_directory(tmp() / name);
        std::ofstream(tmp() / name / "stdin") << "left";
        if (lock != nullptr) {
            std::ofstream(tmp() / name / ".lock") << lock;
        }
    };
    make("kelda-cli-Stale1", mark.c_str());   // left by a killed run: removed
    make("kelda-cli-InUse1", mark.c_str());   // its run still holds the lock: kept
    make("kelda-cli-NoLck1", nullptr);        // no lock: not provably ours
    make("kelda-cli-Other1", "something\n");  // a lock that names no kelda-cli
    make("kelda-cli-Longer12", mark.c_str()); // not the pattern
    fs::create_directory(dir / "elsewhere");
    std::ofstream(dir / "elsewhere" / ".lock") << mark;
    fs::create_directory_symlink(dir / "elsewhere", tmp() / "kelda-cli-Link01"); // never followed
    const int held = ::open((tmp() / "kelda-cli-InUse1" / ".lock").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);

    int input = -1;
    const pid_t pid = Start({"strip", "-", (dir / "out").string()}, input);
    ::close(input);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ::close(held);
    EXPECT_EQ(Scratch(),
              (std::vector<std::string>{"kelda-cli-InUse1", "kelda-cli-Link01", "kelda-cli-Longer12",
                                        "kelda-cli-NoLck1", "kelda-cli-Other1"}));
    EXPECT_TRUE(fs::exists(dir / "elsewhere" / ".lock"));
    EXPECT_TRUE(fs::exists(tmp() / "kelda-cli-InUse1" / "stdin"));
}

} // namespace
} // namespace kelda
