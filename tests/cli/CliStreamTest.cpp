// SPDX-License-Identifier: MIT
// "-" as standard input and output, failed writes on standard output, and folders as operands.
#include "CliRun.h"
#include "cli/TCliFdInBuf.h"
#include "macbinary/Conversion.h"
#include "macbinary/LogBlock.h"
#include "macbinary/TestFiles.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <istream>
#include <nlohmann/json.hpp>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace kelda {
namespace {

using test::Bytes;
using test::RunCli;
using test::TCliRun;
using test::TempDir;

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

class CliStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        THeader h{};
        test::PutName(h, "Sample");
        sample = test::MakeMacBinaryFile(h, 1000, 100, test::RandomBytes(1152, 8));
        test::WriteBytes(dir / "in.bin", sample);
        std::copy_n(sample.begin(), kHeaderSize, header.begin());
    }
    std::string Path(const char* name) const { return (dir / name).string(); }
    TempDir dir;
    Bytes sample;
    THeader header{};
};

TEST_F(CliStreamTest, InfoAndCrcReadStandardInput) {
    std::string block;
    for (const std::string& line : BuildLogBlock("-", header, static_cast<std::int64_t>(sample.size()))) {
        block += line + '\n';
    }
    TCliRun r = RunCli({"info", "-"}, {.In = Text(sample)});
    EXPECT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(r.Out, block);

    r = RunCli({"crc", "-"}, {.In = "123456789"});
    EXPECT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(r.Out, "CRC32 ITU-T, RIGHT, NEG\tCBF43926\t-\n");
    r = RunCli({"crc", "--all", "-"}, {.In = ""});
    EXPECT_EQ(r.Status, kCliOk) << r.Err;
    EXPECT_EQ(test::LineCount(r.Out), 12u);
    // Folded as it comes, over several reads: the same lines as the same bytes in a file.
    const Bytes big = test::RandomBytes(3 * (512 << 10) + 77, 5);
    test::WriteBytes(dir / "big", big);
    std::string fromFile = RunCli({"crc", "--all", Path("big")}).Out;
    for (std::size_t at; (at = fromFile.find(Path("big"))) != std::string::npos;) {
        fromFile.replace(at, Path("big").size(), "-");
    }
    EXPECT_EQ(RunCli({"crc", "--all", "-"}, {.In = Text(big)}).Out, fromFile);
    EXPECT_EQ(nlohmann::json::parse(RunCli({"crc", "--json", "-"}, {.In = Text(big)}).Out)["size"],
              big.size());

    r = RunCli({"info", "-"}, {.In = std::string(200, 'x')});
    EXPECT_EQ(r.Status, kCliFailure);
    EXPECT_EQ(r.Err, "kelda-cli: -: Warning ! This file is not mac binary file.\n");

    r = RunCli({"check", "--json", "-"}, {.In = Text(sample)});
    EXPECT_EQ(nlohmann::json::parse(r.Out)["size"], sample.size()) << r.Err;
    EXPECT_EQ(nlohmann::json::parse(r.Out)["path"], "-");
}

TEST_F(CliStreamTest, ConversionsReadAndWriteTheStandardStreams) {
    const THeader form = MacBinaryIIForm(header);
    Bytes mb2 = sample;
    std::copy(form.begin(), form.end(), mb2.begin());
    const std::pair<const char*, Bytes> conversions[] = {
        {"tomacbin2", mb2},
        {"strip", test::Slice(sample, 128, sample.size())},
        {"datafork", test::Slice(sample, 128, 1000)},
    };
    for (const auto& [command, expected] : conversions) {
        SCOPED_TRACE(command);
        struct Case {
            std::string In, Out;
        };
        for (const Case& c : {Case{Path("in.bin"), "-"}, Case{"-", "-"}, Case{"-", Path("out.bin")}}) {
            SCOPED_TRACE(c.In + " -> " + c.Out);
            std::filesystem::remove(dir / "out.bin");
            const TCliRun r = RunCli({command, c.In, c.Out}, {.In = c.In == "-" ? Text(sample) : ""});
            EXPECT_EQ(r.Status, kCliOk) << r.Err;
            EXPECT_EQ(r.Err, "");
            if (c.Out == "-") {
                EXPECT_EQ(r.Out, Text(expected));
                EXPECT_FALSE(std::filesystem::exists(dir / "-"));
            } else {
                EXPECT_EQ(r.Out, "");
                EXPECT_EQ(test::ReadBytes(dir / "out.bin"), expected);
            }
        }
        // A rejected input puts nothing on standard output.
        const TCliRun r = RunCli({command, "-", "-"}, {.In = std::string(200, '\x01')});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_EQ(r.Out, "");
    }
}

// What a reader at the other end of fd gets until the writer closes it.
std::string Drain(int fd) {
    std::string got;
    char block[4096];
    for (ssize_t n; (n = ::read(fd, block, sizeof block)) > 0;) {
        got.append(block, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return got;
}

// An output that is no regular file (a FIFO, a pipe named /dev/fd/N or /proc/self/fd/N, as a
// shell's >(...) gives) is written straight into it: no temporary beside it, no rename.
TEST_F(CliStreamTest, FifosAndPipesAsOutputsGetTheBytesAFileWould) {
    const TCliArgs commands[] = {{"tomacbin2"}, {"strip"},       {"datafork"},
                                 {"rsrc"},      {"applesingle"}, {"binhex"}};
    for (const TCliArgs& command : commands) {
        SCOPED_TRACE(command.front());
        std::filesystem::remove(dir / "file.out");
        TCliArgs toFile = command;
        toFile.insert(toFile.end(), {Path("in.bin"), Path("file.out")});
        ASSERT_EQ(RunCli(toFile).Status, kCliOk);
        const std::string expected = Text(test::ReadBytes(dir / "file.out"));
        for (const char* kind : {"fifo", "/dev/fd", "/proc/self/fd"}) {
            SCOPED_TRACE(kind);
            int fds[2] = {-1, -1};
            std::string out;
            if (std::string_view(kind) == "fifo") {
                std::filesystem::remove(dir / "fifo");
                ASSERT_EQ(::mkfifo(Path("fifo").c_str(), 0600), 0);
                out = Path("fifo");
            } else {
                ASSERT_EQ(::pipe(fds), 0);
                out = std::string(kind) + "/" + std::to_string(fds[1]);
            }
            std::string got;
            std::thread reader(
                [&] { got = Drain(fds[0] >= 0 ? fds[0] : ::open(Path("fifo").c_str(), O_RDONLY)); });
            TCliArgs args = command;
            args.insert(args.end(), {Path("in.bin"), out});
            const TCliRun r = RunCli(args);
            if (fds[1] >= 0) {
                ::close(fds[1]);
            }
            reader.join();
            EXPECT_EQ(r.Status, kCliOk) << r.Err;
            EXPECT_EQ(got, expected);
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                                std::filesystem::directory_iterator()),
                  3)
            << "in.bin, file.out and the FIFO: no temporary is left";
    }
}

// check - reads as much of standard input as its container needs: a BinHex text whole (it is
// judged by its CRCs), a MacBinary stream its header and its length.
TEST_F(CliStreamTest, CheckOfStandardInputJudgesBinHexByItsWholeText) {
    ASSERT_EQ(RunCli({"binhex", Path("in.bin"), Path("in.hqx")}).Status, kCliOk);
    const std::string hqx = Text(test::ReadBytes(dir / "in.hqx"));
    ASSERT_GT(hqx.size(), 1024u);
    struct Case {
        std::string In;
        int Status;
        const char* Verdict;
        const char* Container;
    };
    std::string damaged = hqx;
    damaged[hqx.size() / 2] = damaged[hqx.size() / 2] == 'A' ? 'B' : 'A';
    const Case cases[] = {
        {hqx, kCliOk, "sound", "binhex"},
        {"Subject: a mail\r\n\r\n" + hqx, kCliOk, "sound", "binhex"},
        {damaged, kCliFailure, "damaged", "binhex"},
        {Text(sample), kCliOk, "sound", "macbinary"},
    };
    for (const Case& c : cases) {
        const TCliRun r = RunCli({"check", "--json", "-"}, {.In = c.In});
        EXPECT_EQ(r.Status, c.Status) << r.Err;
        const auto j = nlohmann::json::parse(r.Out);
        EXPECT_EQ(j["verdict"], c.Verdict) << r.Out;
        EXPECT_EQ(j["container"], c.Container) << r.Out;
        EXPECT_EQ(j["size"], c.In.size());
    }
}

// Output that cannot be written is reported once and fails the command, in both languages.
TEST_F(CliStreamTest, AFailedStandardOutputFailsTheCommand) {
    const TCliArgs commands[] = {
        {"info", Path("in.bin")},       {"info", Path("in.bin"), Path("in.bin")},
        {"crc", Path("in.bin")},        {"crc", "--all", Path("in.bin"), Path("in.bin")},
        {"strip", Path("in.bin"), "-"},
    };
    for (const TCliArgs& args : commands) {
        SCOPED_TRACE(testing::PrintToString(args));
        TCliRun r = RunCli(args, {.OutFails = true});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_EQ(r.Err, "kelda-cli: write error on standard output: Input/output error\n");
        TCliArgs japanese = args;
        japanese.insert(japanese.begin(), "--japanese");
        r = RunCli(japanese, {.OutFails = true});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_TRUE(r.Err.starts_with("kelda-cli: 標準出力に書き込めません: ")) << r.Err;
    }
    // --help and --version too: a script that stores them must learn that nothing arrived.
    for (const char* option : {"--version", "--help"}) {
        EXPECT_EQ(RunCli({option}, {.OutFails = true}).Status, kCliFailure) << option;
    }
}

TEST_F(CliStreamTest, AFolderIsReportedAsAFolder) {
    for (const char* command : {"info", "crc", "check"}) {
        SCOPED_TRACE(command);
        TCliRun r = RunCli({command, dir.path().string(), Path("in.bin")});
        EXPECT_EQ(r.Status, kCliFailure);
        EXPECT_EQ(r.Err, "kelda-cli: " + dir.path().string() + ": Warning ! This is a folder, not a file.\n");
        EXPECT_NE(r.Out, "") << "the file after it is still done";
        r = RunCli({"--japanese", command, dir.path().string()});
        EXPECT_EQ(r.Err, "kelda-cli: " + dir.path().string() + ": 警告 ! ファイルではなくフォルダです\n");
    }
}

// Standard input's buffer gives a pipe's bytes whole and in order, whatever mix of single bytes,
// short reads and reads larger than its own buffer takes them; a failing read is the bad state.
TEST(CliFdInBuf, GivesEveryByteOfAPipeAndFailsBadly) {
    const struct {
        std::size_t size;
        std::size_t read; // bytes per read after a first get(); 0: get() only
    } cases[] = {{0, 100},           {1, 0},          {70000, 0}, {65535, 7}, {65537, 65536},
                 {3 << 20, 1 << 20}, {300001, 100000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.size << " in reads of " << c.read);
        const Bytes sent = test::RandomBytes(c.size, 3);
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        std::thread writer([&] {
            for (std::size_t at = 0; at < sent.size();) {
                const ssize_t n =
                    ::write(ends[1], sent.data() + at, std::min<std::size_t>(sent.size() - at, 40000));
                at += n > 0 ? static_cast<std::size_t>(n) : 0;
            }
            ::close(ends[1]);
        });
        TCliFdInBuf buffer(ends[0]);
        std::istream in(&buffer);
        Bytes got;
        for (int ch = in.get(); ch != std::char_traits<char>::eof();) {
            got.push_back(static_cast<std::uint8_t>(ch));
            if (c.read == 0) {
                ch = in.get();
                continue;
            }
            std::vector<char> block(c.read);
            in.read(block.data(), static_cast<std::streamsize>(block.size()));
            got.insert(got.end(), block.begin(), block.begin() + in.gcount());
            ch = in ? in.get() : std::char_traits<char>::eof();
        }
        writer.join();
        ::close(ends[0]);
        EXPECT_EQ(got, sent);
        EXPECT_FALSE(in.bad());
    }
    const int folder = ::open(".", O_RDONLY | O_DIRECTORY);
    ASSERT_GE(folder, 0);
    TCliFdInBuf buffer(folder);
    std::istream in(&buffer);
    std::vector<char> block(1 << 20);
    in.read(block.data(), static_cast<std::streamsize>(block.size()));
    EXPECT_TRUE(in.bad());
    ::close(folder);
}

} // namespace
} // namespace kelda
