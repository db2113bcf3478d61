// SPDX-License-Identifier: MIT
// Hostile file names through kelda-cli: bytes that are not UTF-8 (Shift-JIS from old archives),
// paths longer than 255 bytes, and names with spaces, quotes, tabs and line breaks. The program is
// started without a shell, so every name reaches it byte for byte, and must come out so too.
#include "macbinary/HeaderPieces.h"
#include "macbinary/TestFiles.h"

#include "util/VisibleText.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <sstream>

extern char** environ;

namespace kelda {
namespace {

namespace fs = std::filesystem;
using test::Bytes;
using test::ReadBytes;
using test::Slice;
using test::TempDir;
using test::WriteBytes;

struct Outcome {
    int status;
    std::string out;
    std::string err;
};

std::string Slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct NameCase {
    const char* label;
    std::string name; // a path relative to the scratch folder
};

// The names, each of which also gets outputs named after it.
std::vector<NameCase> Names() {
    const std::string deep =
        std::string(100, 'd') + "/" + std::string(100, 'e') + "/" + std::string(100, 'f');
    return {
        {"Shift-JIS", "\x83\x65\x83\x58\x83\x67.bin"},                        // テスト.bin
        {"Shift-JIS with a backslash byte", "\x95\x5C\x8E\xA6 \x83\x5C.bin"}, // 表示 ソ.bin
        {"invalid in every encoding", "\xFF\xFE\x80.bin"},
        {"spaces", "  my file  .bin"},
        {"quotes", "it's \"quoted\".bin"},
        {"tab", "a\tb.bin"},
        {"line breaks", "line\nbreak\r.bin"},
        {"leading dash", "-dash.bin"},
        {"path over 255 bytes", deep + "/" + std::string(200, 'n') + ".bin"},
    };
}

class NameDrill : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::string(KELDA_CLI_PATH).empty()) {
            GTEST_FAIL() << "kelda-cli was not built beside the tests";
        }
        ::setenv("LC_ALL", "C", 1); // the English messages, whatever the locale of the run
    }

    Outcome Run(const std::vector<std::string>& args) {
        std::vector<std::string> argv{KELDA_CLI_PATH};
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (std::string& a : argv) {
            raw.push_back(a.data());
        }
        raw.push_back(nullptr);
        const fs::path out = dir / "stdout";
        const fs::path err = dir / "stderr";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, raw[0], &actions, nullptr, raw.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        int status = 0;
        if (spawned != 0 || waitpid(pid, &status, 0) != pid) {
            return {-1, "", "could not run"};
        }
        return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
    }

    // A MacBinary file of 1280 bytes: data fork 1000, resource fork 100.
    Bytes MakeSample(const fs::path& file) {
        fs::create_directories(file.parent_path());
        THeader header{};
        test::PutName(header, "Sample");
        test::PutUInt32(header, kOffsetDataForkLength, 1000);
        test::PutUInt32(header, kOffsetResourceForkLength, 100);
        Bytes bytes = test::RandomBytes(1280, 9);
        std::copy(header.begin(), header.end(), bytes.begin());
        WriteBytes(file, bytes);
        return bytes;
    }

    TempDir dir;
};

TEST_F(NameDrill, EveryNameIsReadConvertedAndListedByteForByte) {
    for (const NameCase& c : Names()) {
        SCOPED_TRACE(c.label);
        const fs::path file = dir / c.name;
        const std::string path = file.string();
        const Bytes sample = MakeSample(file);

        const Outcome info = Run({"info", path});
        EXPECT_EQ(info.status, 0) << info.err;
        EXPECT_NE(info.out.find("FileName         : " + EscapeControls(path) + "\n"), std::string::npos);
        EXPECT_NE(info.out.find("FileSize         : 00001280[DEC] / 00000500[HEX]\n"), std::string::npos);

        const std::pair<const char*, Bytes> conversions[] = {
            {"tomacbin2", {}},
            {"strip", Slice(sample, 128, sample.size())},
            {"datafork", Slice(sample, 128, 1000)},
        };
        for (const auto& [command, expected] : conversions) {
            SCOPED_TRACE(command);
            const std::string output = path + "." + command;
            const Outcome r = Run({command, path, output});
            EXPECT_EQ(r.status, 0) << r.err;
            const Bytes written = ReadBytes(output);
            if (!expected.empty()) {
                EXPECT_EQ(written, expected);
            } else {
                ASSERT_EQ(written.size(), sample.size());
                EXPECT_EQ(Slice(written, 128, written.size()), Slice(sample, 128, sample.size()));
            }
        }

        const Outcome crc = Run({"crc", "--all", "--", path});
        EXPECT_EQ(crc.status, 0) << crc.err;
        // A name with a line break, a backslash or a control is written escaped, on a line that
        // starts with a backslash, and crc -c reads it back.
        const std::string shown = EscapeSumName(path);
        std::size_t lines = 0;
        for (std::size_t at = 0; (at = crc.out.find("\t" + shown + "\n", at)) != std::string::npos; ++at) {
            ++lines;
        }
        EXPECT_EQ(lines, 12u);
        EXPECT_EQ(crc.out.front() == '\\', shown != path);
        WriteBytes(dir / "sums", Bytes(crc.out.begin(), crc.out.end()));
        const Outcome check = Run({"crc", "-c", (dir / "sums").string()});
        EXPECT_EQ(check.status, 0) << check.out << check.err;
        EXPECT_EQ(check.out, EscapeControls(path) + ": OK\n");
        EXPECT_EQ(ReadBytes(file), sample);
    }
}

TEST_F(NameDrill, MissingFilesAreReportedByTheirOwnName) {
    for (const NameCase& c : Names()) {
        SCOPED_TRACE(c.label);
        const std::string path = (dir / "gone" / c.name).string();
        const Outcome info = Run({"info", path});
        EXPECT_EQ(info.status, 1);
        EXPECT_EQ(info.err, "kelda-cli: " + EscapeControls(path) + ": Warning ! File can not find.\n");
        const Outcome strip = Run({"strip", path, (dir / "out").string()});
        EXPECT_EQ(strip.status, 1);
        EXPECT_FALSE(fs::exists(dir / "out"));
    }
}

// The header pieces of every name are made, found and cleared by the name's own bytes.
TEST_F(NameDrill, HeaderPiecesKeepTheNameBytes) {
    fs::create_directory(dir / "TMP");
    const fs::path tmp = dir / "TMP" / "";
    THeader header{};
    test::PutName(header, "Sample");
    for (const NameCase& c : Names()) {
        SCOPED_TRACE(c.label);
        const fs::path file = dir / c.name;
        MakeSample(file);
        WriteHeaderPieces(tmp, file, header);
        EXPECT_EQ(ReadBytes(tmp / (file.filename().string() + ".DA2")).size(), 124u);
        EXPECT_FALSE(FirstMissingPiece(tmp, file));
        EXPECT_EQ(ReadMacBinaryIIPieces(tmp, file), MacBinaryIIForm(header));
    }
    const TTmpClearResult cleared = ClearTmpFiles(tmp);
    EXPECT_EQ(cleared.Deleted, static_cast<int>(6 * Names().size()));
    EXPECT_TRUE(fs::is_empty(tmp));
}

} // namespace
} // namespace kelda
