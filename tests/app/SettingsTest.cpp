// SPDX-License-Identifier: MIT
#include "app/Settings.h"

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/resource.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using kelda::TBounds;
using kelda::TSettings;

namespace {

class SettingsTest : public testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kelda-settings-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ini_ = dir_ / "kelda.INI";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void Put(const std::string& text) { std::ofstream(ini_, std::ios::binary) << text; }
    std::string Text() const {
        std::ifstream in(ini_, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // (section, key) pairs as they stand in the file.
    std::vector<std::pair<std::string, std::string>> Keys() const {
        std::vector<std::pair<std::string, std::string>> keys;
        std::istringstream in(Text());
        std::string line, section;
        while (std::getline(in, line)) {
            if (!line.empty() && line[0] == '[') {
                section = line.substr(1, line.find(']') - 1);
            } else if (const auto eq = line.find('='); eq != std::string::npos) {
                keys.emplace_back(section, line.substr(0, eq));
            }
        }
        return keys;
    }

    fs::path dir_;
    fs::path ini_;
};

TEST_F(SettingsTest, FirstStartGivesTheDefaults) {
    const TSettings s = kelda::ReadSettings(ini_);
    EXPECT_EQ(s.FormMain, (TBounds{-1, -1, 980, 730}));
    EXPECT_EQ(s.LogHeight, 200);
    EXPECT_EQ(s.GridWidth, (std::array<int, 6>{30, 268, 272, 52, 272, 44}));
    for (const auto* name : {&s.OpenFile, &s.CrcFile, &s.SaveFile, &s.SaveAsFile}) {
        EXPECT_EQ(*name, "*.*");
    }
    EXPECT_EQ(s.InformationIndex, 1);
    EXPECT_EQ(s.FileList, (std::array<std::string, 20>{}));
    EXPECT_TRUE(s.Japanese);
    EXPECT_FALSE(fs::exists(ini_)); // reading never creates the file
}

TEST_F(SettingsTest, WritesEverySectionAndKeyInOrder) {
    ASSERT_TRUE(kelda::WriteSettings(ini_, TSettings{}, true));
    std::vector<std::pair<std::string, std::string>> expected = {{"FormMain", "Left"},
                                                                 {"FormMain", "Top"},
                                                                 {"FormMain", "Width"},
                                                                 {"FormMain", "Height"},
                                                                 {"LogFile", "Heighi"}};
    for (const char* k : {"00", "01", "02", "03", "04", "05"}) {
        expected.emplace_back("GridWidth", k);
    }
    for (const char* k : {"Open", "Crc", "Save", "SaveAs"}) {
        expected.emplace_back("FileName", k);
    }
    expected.emplace_back("Information", "Index");
    for (int i = 0; i < 20; ++i) {
        expected.emplace_back("FileList", std::to_string(i));
    }
    expected.emplace_back("Language", "Japanese");
    EXPECT_EQ(Keys(), expected);
    EXPECT_NE(Text().find("[FileList]\n0=\n1=\n"), std::string::npos); // blank entries are written
    EXPECT_NE(Text().find("Width=980\n"), std::string::npos);
    EXPECT_NE(Text().find("Japanese=1\n"), std::string::npos);

    fs::remove(ini_);
    ASSERT_TRUE(kelda::WriteSettings(ini_, TSettings{}, false)); // window not placeable: no "FormMain"
    expected.erase(expected.begin(), expected.begin() + 4);
    EXPECT_EQ(Keys(), expected);
}

struct ReadCase {
    const char* file;
    std::function<bool(const TSettings&)> check;
    const char* what;
};

TEST_F(SettingsTest, ReadsValues) {
    const ReadCase cases[] = {
        {"[Information]\nIndex=0\n", [](const TSettings& s) { return s.InformationIndex == 0; }, "text view"},
        {"[Information]\nIndex=7\n", [](const TSettings& s) { return s.InformationIndex == 1; },
         "limited to 1"},
        {"[Information]\nIndex=-5\n", [](const TSettings& s) { return s.InformationIndex == -1; },
         "limited to -1"},
        {"[Information]\nIndex=grid\n", [](const TSettings& s) { return s.InformationIndex == 1; },
         "invalid"},
        {"[Language]\nJapanese=0\n", [](const TSettings& s) { return !s.Japanese; }, "English"},
        {"[Language]\nJapanese=2\n", [](const TSettings& s) { return s.Japanese; }, "non-zero is true"},
        {"[Language]\nJapanese=no\n", [](const TSettings& s) { return s.Japanese; }, "invalid boolean"},
        {"[Information]\nIndex=0\n", [](const TSettings& s) { return s.Japanese; }, "no Language section"},
        {"[FormMain]\nWidth=0x3D4\n",
         [](const TSettings& s) { return s.FormMain.Width == 980 && s.FormMain.Left == -1; }, "hexadecimal"},
        {"[formmain]\nLEFT=12\n", [](const TSettings& s) { return s.FormMain.Left == 12; },
         "names ignore case"},
        {"[LogFile]\nHeight=300\n", [](const TSettings& s) { return s.LogHeight == 200; },
         "the key is Heighi"},
        {"[LogFile]\nHeighi=300\n", [](const TSettings& s) { return s.LogHeight == 300; }, "log height"},
        {"[GridWidth]\n00=31\n5=99\n",
         [](const TSettings& s) { return s.GridWidth[0] == 31 && s.GridWidth[5] == 44; }, "two-digit keys"},
        {"[FileName]\nCrc=/home/u/a b.bin\nSaveAs=\n",
         [](const TSettings& s) {
             return s.CrcFile == "/home/u/a b.bin" && s.SaveAsFile.empty() && s.OpenFile == "*.*";
         },
         "file names"},
        {"[FileList]\n3=/tmp/x.bin\n",
         [](const TSettings& s) {
             for (int i = 0; i < 20; ++i) {
                 if (s.FileList[i] != (i == 3 ? "/tmp/x.bin" : "")) {
                     return false;
                 }
             }
             return true;
         },
         "only entry 3"},
        {"garbage without sections\n[[[\n=\n", [](const TSettings& s) { return s == TSettings{}; },
         "garbage"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Put(c.file);
        EXPECT_TRUE(c.check(kelda::ReadSettings(ini_)));
    }
}

TEST(Settings, ParseIniInteger) {
    const struct {
        const char* text;
        int value;
    } cases[] = {
        {"0", 0},
        {"-20", -20},
        {"+7", 7},
        {"0x3D4", 980},
        {"0X3d4", 980},
        {"0x", 99},
        {"0xG", 99},
        {"0xFFFFFFFE", -2},
        {"0x100000000", 99},
        {"2147483647", INT_MAX},
        {"2147483648", 99},
        {"-2147483648", INT_MIN},
        {"-2147483649", 99},
        {"12abc", 99},
        {"", 99},
        {"-", 99},
        {"-0x10", 99},
        {"1.5", 99},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(kelda::ParseIniInteger(c.text, 99), c.value) << c.text;
    }
}

TEST_F(SettingsTest, RoundTripsEveryValue) {
    TSettings s;
    s.FormMain = {10, 20, 1000, 800};
    s.LogHeight = 321;
    s.GridWidth = {1, 2, 3, 4, 5, -6};
    s.OpenFile = "/data/a.BIN";
    s.CrcFile = "/data/日本語.bin";
    s.SaveFile = "";
    s.SaveAsFile = "/data/out";
    s.InformationIndex = 0;
    s.FileList[0] = "/x";
    s.FileList[19] = "/y";
    s.Japanese = false;
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, true));
    EXPECT_EQ(kelda::ReadSettings(ini_), s);
}

// A file name may hold a line break on Linux; the INI format cannot, and such a name must not be
// able to add sections or keys of its own.
TEST_F(SettingsTest, LineBreaksInNamesAddNoKeys) {
    TSettings s;
    s.OpenFile = "/data/a\n[Language]\nJapanese=0";
    s.SaveAsFile = "/data/b\r\nWidth=1";
    s.FileList[0] = "/data/c\n19=/injected";
    s.FileList[1] = "/data/plain";
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, true));
    const TSettings back = kelda::ReadSettings(ini_);
    EXPECT_TRUE(back.Japanese);
    EXPECT_EQ(back.FormMain.Width, 980);
    EXPECT_EQ(back.FileList[19], "");
    EXPECT_EQ(back.FileList[1], "/data/plain");
    EXPECT_EQ(Keys().size(), 37u);
}

TEST_F(SettingsTest, BoundsNotWrittenKeepTheirOldValues) {
    TSettings s;
    s.FormMain = {10, 20, 1000, 800};
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, true));
    s.FormMain = {0, 0, 1920, 1080}; // maximised
    s.LogHeight = 250;
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, false));
    const TSettings back = kelda::ReadSettings(ini_);
    EXPECT_EQ(back.FormMain, (TBounds{10, 20, 1000, 800}));
    EXPECT_EQ(back.LogHeight, 250);
}

TEST_F(SettingsTest, KeepsUnknownSectionsKeysAndComments) {
    Put("; kept comment\n[Mine]\nx=1\n\n[FileList]\n3=/old\nextra=yes\n");
    TSettings s;
    s.FileList[0] = "/new";
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, true));
    const std::string text = Text();
    EXPECT_NE(text.find("; kept comment"), std::string::npos);
    EXPECT_NE(text.find("[Mine]\nx=1"), std::string::npos);
    EXPECT_NE(text.find("extra=yes"), std::string::npos);
    EXPECT_EQ(kelda::ReadSettings(ini_).FileList[0], "/new");
    EXPECT_EQ(kelda::ReadSettings(ini_).FileList[3], ""); // written from the list, not kept
}

TEST_F(SettingsTest, AFailedWriteLeavesTheOldFileWhole) {
    Put("[Mine]\nx=1\n");
    const std::string before = Text();
    // Let no file grow past 64 bytes: the new contents cannot be written.
    rlimit old{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = kelda::WriteSettings(ini_, TSettings{}, true);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(written);
    EXPECT_EQ(Text(), before);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1); // no temp left
}

TEST_F(SettingsTest, ReportsAFileThatCannotBeWritten) {
    EXPECT_FALSE(kelda::WriteSettings(dir_ / "missing-folder" / "kelda.INI", TSettings{}, true));
    fs::create_directory(ini_); // a folder where the file should be
    fs::create_directory(ini_ / "child");
    EXPECT_FALSE(kelda::WriteSettings(ini_, TSettings{}, true));
    EXPECT_TRUE(fs::is_directory(ini_ / "child"));
}

TEST_F(SettingsTest, WritesThroughASymbolicLink) {
    const fs::path real = dir_ / "real.INI";
    std::ofstream(real) << "[Mine]\nx=1\n";
    fs::create_symlink(real, ini_);
    ASSERT_TRUE(kelda::WriteSettings(ini_, TSettings{}, true));
    EXPECT_TRUE(fs::is_symlink(ini_));
    EXPECT_EQ(kelda::ReadSettings(real).LogHeight, 200);
    std::ifstream in(real);
    std::stringstream text;
    text << in.rdbuf();
    EXPECT_NE(text.str().find("[Mine]"), std::string::npos);
}

TEST_F(SettingsTest, DeleteThenReadGivesDefaults) {
    TSettings s;
    s.Japanese = false;
    ASSERT_TRUE(kelda::WriteSettings(ini_, s, true));
    kelda::DeleteSettings(ini_);
    EXPECT_FALSE(fs::exists(ini_));
    EXPECT_EQ(kelda::ReadSettings(ini_), TSettings{});
    kelda::DeleteSettings(ini_); // a missing file is no error
}

TEST(Settings, ScreenTestAndPlacement) {
    const TBounds screen{0, 0, 1280, 1024};
    const TBounds centred{150, 147, 980, 730};
    const struct {
        TBounds stored;
        bool fits;
    } cases[] = {
        {{-1, -1, 980, 730}, false},
        {{0, 0, 1270, 1014}, true}, // exactly 10 pixels left free
        {{0, 0, 1271, 1014}, false},
        {{0, 0, 1270, 1015}, false},
        {{-1, 0, 100, 100}, false},
        {{0, -1, 100, 100}, false},
        {{INT_MAX, INT_MAX, INT_MAX, INT_MAX}, false}, // no overflow
        {{10, 10, INT_MIN, INT_MIN}, true}, // applied as read: the window's minimum size corrects it
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.stored.Left << "," << c.stored.Top << " " << c.stored.Width);
        EXPECT_EQ(kelda::BoundsFitScreen(c.stored, screen), c.fits);
        EXPECT_EQ(kelda::PlaceWindow(c.stored, screen), c.fits ? c.stored : centred);
    }
    EXPECT_EQ(kelda::PlaceWindow({-1, -1, 980, 730}, {0, 0, 1281, 1025}), centred); // quotients truncate
    EXPECT_EQ(kelda::PlaceWindow({-1, -1, 980, 730}, {0, 0, 800, 600}), (TBounds{-90, -65, 980, 730}));
    EXPECT_EQ(kelda::PlaceWindow({-1, -1, 980, 730}, {1280, 0, 1280, 1024}), (TBounds{1430, 147, 980, 730}));
}

TEST(Settings, FolderPart) {
    EXPECT_EQ(kelda::FolderPart("*.*"), "");
    EXPECT_EQ(kelda::FolderPart("/home/u/a.bin"), "/home/u/");
    EXPECT_EQ(kelda::FolderPart("/a.bin"), "/");
    EXPECT_EQ(kelda::FolderPart("/home/u/"), "/home/u/");
}

} // namespace
