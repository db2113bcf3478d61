// SPDX-License-Identifier: MIT
// kelda-cli as an attacker's file or a hostile machine meets it: names in headers that hold terminal
// escapes and line breaks, read-only outputs, full disks and file-size limits. Run as a separate
// program, without a shell.
#include "macbinary/LogBlock.h"
#include "macbinary/TestFiles.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <optional>
#include <set>
#include <sstream>

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::TempDir;
using test::WriteBytes;

struct Outcome {
    int status = -1; // the exit status; -1 when ended by a signal
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class CliIntegrityDrill : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KELDA_CLI_PATH).empty()) {
            GTEST_FAIL() << "kelda-cli was not built beside the tests";
        }
    }

    // Runs kelda-cli with args; fileSizeLimit limits the files it may write.
    Outcome Run(std::vector<std::string> args, std::optional<rlim_t> fileSizeLimit = std::nullopt) {
        args.insert(args.begin(), KELDA_CLI_PATH);
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        const fs::path out = dir / ".stdout";
        const fs::path err = dir / ".stderr";
        const pid_t child = ::fork();
        if (child == 0) {
            const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            ::dup2(o, 1);
            ::dup2(e, 2);
            if (fileSizeLimit) {
                const rlimit limit{*fileSizeLimit, *fileSizeLimit};
                ::setrlimit(RLIMIT_FSIZE, &limit);
            }
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        Outcome r{WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
        fs::remove(out);
        fs::remove(err);
        return r;
    }

    // A MacBinary file whose header name is name (up to 63 bytes), with a body of bodySize bytes.
    fs::path MakeFile(const char* file, std::string_view name, std::size_t bodySize = 1000) {
        THeader header{};
        test::PutName(header, name);
        test::PutUInt32(header, kOffsetDataForkLength, static_cast<std::uint32_t>(bodySize));
        Bytes bytes = test::RandomBytes(kHeaderSize + bodySize, 5);
        std::copy(header.begin(), header.end(), bytes.begin());
        WriteBytes(dir / file, bytes);
        return dir / file;
    }

    std::set<std::string> Entries() const {
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(dir.path())) {
            names.insert(entry.path().filename().string());
        }
        return names;
    }

    TempDir dir;
};

// Terminal escapes (CSI, OSC), line breaks and the other control bytes of a header name reach the
// terminal as visible escapes, so the block keeps its 36 lines; a printable name's block is exact.
TEST_F(CliIntegrityDrill, ControlBytesOfAHeaderNameAreShownAsEscapes) {
    struct Case {
        const char* label;
        std::string name;
        std::string shown; // in the name's header table line
    };
    const Case cases[] = {
        {"colour", "\x1b[31mred", "\\x1b[31mred"},
        {"window title", "\x1b]0;owned\x07", "\\x1b]0;owned\\x07"},
        {"forged line", "x\r\nFileType         : FORGED", "x\\x0d\\x0aFileType         : FORGED"},
        {"tab and delete", "a\tb\x7f", "a\\x09b\\x7f"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        const fs::path file = MakeFile("hostile.bin", c.name);
        const Outcome r = Run({"info", file.string()});
        ASSERT_EQ(r.status, 0) << r.err;
        for (const char byte : r.out) {
            const auto b = static_cast<unsigned char>(byte);
            EXPECT_TRUE(b >= 0x20 || b == '\t' || b == '\n') << "control byte " << int(b);
        }
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 36);
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\t'), 28 * 5);
        EXPECT_NE(r.out.find("\t" + c.shown + "\t[CHR]\t"), std::string::npos) << r.out;
        EXPECT_EQ(r.out.find("\nFileType         : FORGED"), std::string::npos);
    }
    const fs::path plain = MakeFile("plain.bin", "My Photo (1).jpg");
    THeader header{};
    std::ifstream(plain, std::ios::binary).read(reinterpret_cast<char*>(header.data()), kHeaderSize);
    std::string expected;
    for (const std::string& line : BuildLogBlock(plain.string(), header, 1128)) {
        expected += line + "\n";
    }
    EXPECT_EQ(Run({"info", plain.string()}).out, expected);
}

// A read-only output is refused unless --force says to replace it; it keeps its permissions then.
TEST_F(CliIntegrityDrill, AReadOnlyOutputNeedsForce) {
    const fs::path source = MakeFile("src.bin", "Src");
    const fs::path output = dir / "ro.bin";
    for (const char* command : {"tomacbin2", "strip", "datafork"}) {
        SCOPED_TRACE(command);
        WriteBytes(output, {1, 2, 3});
        ::chmod(output.c_str(), 0444);
        const Outcome refused = Run({command, source.string(), output.string()});
        EXPECT_EQ(refused.status, 1);
        EXPECT_EQ(refused.err,
                  "kelda-cli: " + output.string() +
                      ": Warning ! Can not write over a read-only file (--force replaces it).\n");
        EXPECT_EQ(ReadBytes(output), (Bytes{1, 2, 3}));
        const Outcome forced = Run({"--force", command, source.string(), output.string()});
        EXPECT_EQ(forced.status, 0) << forced.err;
        EXPECT_GE(ReadBytes(output).size(), 1000u);
        struct stat st {};
        ::stat(output.c_str(), &st);
        EXPECT_EQ(st.st_mode & 0777, 0444u);
        fs::remove(output);
    }
}

// A write that fails is reported under the output's name (the source is fine): a device that is
// always full, and a file-size limit (SIGXFSZ) that would otherwise kill the program half-way and
// leave its temporary behind.
TEST_F(CliIntegrityDrill, AFailedWriteNamesTheOutputAndLeavesNothingBehind) {
    const fs::path source = MakeFile("src.bin", "Src", 3 << 20);
    const Outcome full = Run({"strip", source.string(), "/dev/full"});
    EXPECT_EQ(full.status, 1);
    EXPECT_EQ(full.err.rfind("kelda-cli: /dev/full: I/O error (28)", 0), 0u) << full.err;

    WriteBytes(dir / "out.bin", {7});
    const Outcome limited = Run({"strip", source.string(), (dir / "out.bin").string()}, rlim_t{1} << 20);
    EXPECT_EQ(limited.status, 1) << "ended by a signal, or " << limited.err;
    EXPECT_EQ(limited.err.rfind("kelda-cli: " + (dir / "out.bin").string() + ": I/O error (27)", 0), 0u)
        << limited.err;
    EXPECT_EQ(Entries(), (std::set<std::string>{"out.bin", "src.bin"}));
    EXPECT_EQ(ReadBytes(dir / "out.bin"), (Bytes{7}));
}

} // namespace
} // namespace kelda
