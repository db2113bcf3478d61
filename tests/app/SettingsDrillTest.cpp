// SPDX-License-Identifier: MIT
// Fault drills for the settings file: unreadable, cut short, binary or doubled files are read
// without harm (defaults where nothing can be read), and writing leaves one clean copy of every key
// or, when it cannot, the old file as it was.
#include "app/Settings.h"
#include "support/DrillSupport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

namespace kelda {
namespace {

namespace fs = std::filesystem;

class SettingsDrill : public testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "kelda-settings-drill-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir_ = pattern;
        ini_ = dir_ / "kelda.INI";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void Put(const std::string& bytes) { std::ofstream(ini_, std::ios::binary | std::ios::trunc) << bytes; }
    std::string Text() const {
        std::ifstream in(ini_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    // How often each (section, key) line stands in the file.
    std::map<std::pair<std::string, std::string>, int> KeyLines() const {
        std::map<std::pair<std::string, std::string>, int> lines;
        std::istringstream in(Text());
        std::string line;
        std::string section;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
            } else if (const auto eq = line.find('='); eq != std::string::npos) {
                ++lines[{section, line.substr(0, eq)}];
            }
        }
        return lines;
    }
    // Writing what was read succeeds, puts every key in the file once, and reads back the same.
    void ExpectCleanRewrite(const TSettings& read) {
        ASSERT_TRUE(WriteSettings(ini_, read, true));
        int ours = 0;
        VisitSettings(read, [&](std::string_view section, std::string_view key, const auto&) {
            EXPECT_EQ((KeyLines()[{std::string(section), std::string(key)}]), 1) << section << " " << key;
            ++ours;
        });
        EXPECT_EQ(ours, 37);
        EXPECT_EQ(ReadSettings(ini_), read);
    }

    fs::path dir_;
    fs::path ini_;
};

TSettings Changed() {
    TSettings s;
    s.FormMain = {12, 34, 1000, 700};
    s.LogHeight = 321;
    s.GridWidth = {1, 2, 3, 4, 5, 6};
    s.OpenFile = "/data/open me.bin";
    s.SaveAsFile = "/data/\"quoted\".bin";
    s.InformationIndex = 0;
    s.FileList[0] = "/data/a.bin";
    s.FileList[19] = "/data/z.bin";
    s.Japanese = false;
    return s;
}

// The keys whose lines are complete (ended by a line feed) within text.
std::set<std::pair<std::string, std::string>> CompleteKeys(std::string_view text) {
    std::set<std::pair<std::string, std::string>> keys;
    std::string section;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find('\n', start)) != std::string_view::npos; start = end + 1) {
        std::string line(text.substr(start, end - start));
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!line.empty() && line[0] == '[') {
            section = line.substr(1, line.find(']') - 1);
        } else if (const auto eq = line.find('='); eq != std::string::npos) {
            keys.emplace(section, line.substr(0, eq));
        }
    }
    return keys;
}

TEST_F(SettingsDrill, AnUnreadableFileGivesTheDefaultsAndIsNotOverwritten) {
    // A folder where the file should be: nobody can read it as a file.
    fs::create_directory(ini_);
    EXPECT_EQ(ReadSettings(ini_), TSettings{});
    EXPECT_FALSE(WriteSettings(ini_, Changed(), true));
    EXPECT_TRUE(fs::is_directory(ini_));
    fs::remove(ini_);

    // A file without read permission, for an ordinary user (root gives its privileges away).
    ASSERT_TRUE(WriteSettings(ini_, Changed(), true));
    const std::string before = Text();
    fs::permissions(ini_, fs::perms::owner_write);
    drill::OpenToEveryone(dir_);
    fs::permissions(dir_, fs::perms::all);
    const std::optional<bool> ok = drill::RunAsOrdinaryUser(
        [&] { return ReadSettings(ini_) == TSettings{} && !WriteSettings(ini_, TSettings{}, true); });
    if (!ok) {
        GTEST_SKIP() << "no process without root's privileges could be run here (setuid refused)";
    }
    EXPECT_TRUE(*ok);
    fs::permissions(ini_, fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(Text(), before);
}

TEST_F(SettingsDrill, AFileCutShortKeepsEveryCompleteLine) {
    const TSettings full = Changed();
    ASSERT_TRUE(WriteSettings(ini_, full, true));
    const std::string text = Text();
    std::vector<std::variant<int, bool, std::string>> values;
    VisitSettings(full, [&](std::string_view, std::string_view, const auto& v) { values.emplace_back(v); });

    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        SCOPED_TRACE("cut after " + std::to_string(cut) + " bytes");
        Put(text.substr(0, cut));
        const TSettings read = ReadSettings(ini_);
        const bool atLineEnd = cut == 0 || cut == text.size() || text[cut - 1] == '\n';
        if (atLineEnd) {
            // At a line end: complete lines give their values, the rest the defaults.
            const auto complete = CompleteKeys(std::string_view(text).substr(0, cut));
            TSettings expected;
            std::size_t i = 0;
            VisitSettings(expected, [&](std::string_view section, std::string_view key, auto& field) {
                using T = std::decay_t<decltype(field)>;
                if (complete.count({std::string(section), std::string(key)}) != 0) {
                    field = std::get<T>(values[i]);
                }
                ++i;
            });
            EXPECT_EQ(read, expected);
        }
        if (atLineEnd || cut % 16 == 0) { // each rewrite waits for the disk
            ExpectCleanRewrite(read);
        }
    }
}

TEST_F(SettingsDrill, ABinaryFileIsReadWithoutHarmAndWrittenClean) {
    std::mt19937 random(42);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::string bytes(static_cast<std::size_t>(random() % 600), '\0');
        for (char& b : bytes) {
            // Mostly line breaks, brackets and equals signs among arbitrary bytes, NUL included.
            const char kinds[] = {'\n', '\r', '[', ']', '=', '\0'};
            const unsigned r = random();
            b = r % 3 == 0 ? kinds[(r >> 8) % 6] : static_cast<char>(r >> 16);
        }
        Put(bytes);
        const TSettings read = ReadSettings(ini_);
        EXPECT_GE(read.InformationIndex, -1);
        EXPECT_LE(read.InformationIndex, 1);
        ExpectCleanRewrite(read);
    }
}

TEST_F(SettingsDrill, DuplicateSectionsMergeAndAreWrittenOnce) {
    Put("[FormMain]\r\nLeft=10\r\n[LogFile]\r\nHeighi=300\r\n[formmain]\r\nTop=20\r\n"
        "[Language]\r\nJapanese=0\r\n[FileList]\r\n3=/data/x.bin\r\n[FileList]\r\n4=/data/y.bin\r\n"
        "[Mine]\r\nkept=yes\r\n[Mine]\r\nalso=kept\r\n");
    const TSettings read = ReadSettings(ini_);
    EXPECT_EQ(read.FormMain.Left, 10);
    EXPECT_EQ(read.FormMain.Top, 20);
    EXPECT_EQ(read.LogHeight, 300);
    EXPECT_FALSE(read.Japanese);
    EXPECT_EQ(read.FileList[3], "/data/x.bin");
    EXPECT_EQ(read.FileList[4], "/data/y.bin");
    ExpectCleanRewrite(read);
    const auto lines = KeyLines();
    EXPECT_EQ(lines.at({"Mine", "kept"}), 1);
    EXPECT_EQ(lines.at({"Mine", "also"}), 1);
}

TEST_F(SettingsDrill, OfDuplicateKeysTheFirstIsRead) {
    // Within one section and across two of the same name. Written back, our keys are left once
    // each, the window's bounds (not written without writeBounds) and others' keys as they were.
    Put("[Language]\r\nJapanese=0\r\nJapanese=1\r\n[FormMain]\r\nLeft=10\r\n[LogFile]\r\nHeighi=300\r\n"
        "[formmain]\r\nLeft=30\r\nTop=20\r\n[LOGFILE]\r\nheighi=250\r\n");
    const TSettings read = ReadSettings(ini_);
    EXPECT_FALSE(read.Japanese);
    EXPECT_EQ(read.FormMain.Left, 10);
    EXPECT_EQ(read.FormMain.Top, 20);
    EXPECT_EQ(read.LogHeight, 300);
    ExpectCleanRewrite(read);
    Put("[FormMain]\r\nLeft=10\r\nLeft=30\r\n[Mine]\r\nx=1\r\nx=2\r\n");
    ASSERT_TRUE(WriteSettings(ini_, ReadSettings(ini_), /*writeBounds=*/false));
    EXPECT_EQ(ReadSettings(ini_).FormMain.Left, 10);
    const auto lines = KeyLines();
    EXPECT_EQ(lines.at({"FormMain", "Left"}), 2);
    EXPECT_EQ(lines.at({"Mine", "x"}), 2);
    EXPECT_EQ(lines.at({"Language", "Japanese"}), 1);
}

} // namespace
} // namespace kelda

namespace kelda {
namespace {

// Whoever can write to the settings file's folder plants links where the temporary file would go
// (the names an earlier build used, and names of today's pattern): the settings are never written
// through them, and the settings file stays a regular file of its own.
TEST_F(SettingsDrill, APlantedTemporaryLinkNeverReceivesTheSettings) {
    const fs::path victim = dir_ / "victim.txt";
    std::ofstream(victim) << "precious";
    for (const std::string& name : {"." + ini_.filename().string() + ".tmp" + std::to_string(::getpid()),
                                    std::string(".kelda-00000000.tmp")}) {
        fs::create_symlink(victim, dir_ / name);
    }
    Put("[Mine]\r\nkept=1\r\n");
    ASSERT_TRUE(WriteSettings(ini_, Changed(), true));
    EXPECT_FALSE(fs::is_symlink(ini_));
    EXPECT_EQ(ReadSettings(ini_), Changed());
    EXPECT_NE(Text().find("kept=1"), std::string::npos);
    std::ifstream in(victim);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "precious");
}

// Files the settings must not take over: each is kept byte for byte, and the write reports failure
// (the window then shows that the settings could not be written).
TEST_F(SettingsDrill, AFileThatIsNoSettingsOfOursIsNeverRewritten) {
    std::string huge;
    while (huge.size() <= (std::size_t{1} << 20)) {
        huge += "[FormMain]\nLeft=7\n";
    }
    struct Case {
        const char* what;
        std::string bytes;
        bool readOnly;
        bool throughLink;
        bool readsValues;
    };
    const Case cases[] = {
        {"a file larger than any settings file", huge, false, false, false},
        {"a settings file made read-only", "[FormMain]\nLeft=7\n", true, false, true},
        {"a link to a text that is no profile file", "[FormMain]\nLeft=7\nDear diary, a line of my own\n",
         false, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path file = c.throughLink ? dir_ / "notes.txt" : ini_;
        std::ofstream(file, std::ios::binary | std::ios::trunc) << c.bytes;
        if (c.throughLink) {
            fs::create_symlink(file, ini_);
        }
        if (c.readOnly) {
            fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
        }
        EXPECT_EQ(ReadSettings(ini_).FormMain.Left == 7, c.readsValues);
        EXPECT_FALSE(WriteSettings(ini_, Changed(), true));
        std::ifstream in(file, std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), c.bytes);
        EXPECT_EQ(fs::is_symlink(ini_), c.throughLink);
        fs::permissions(file, fs::perms::owner_all);
        fs::remove(ini_);
        fs::remove(file);
    }
}

} // namespace
} // namespace kelda
