#include "app/AppPaths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace kelda {
namespace {

namespace fs = std::filesystem;

class AppPathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("kelda-apppaths-" + std::to_string(::getpid()));
        fs::remove_all(root_);
        fs::create_directories(root_ / "bin");
    }
    void TearDown() override { fs::remove_all(root_); }
    fs::path root_;
};

TEST_F(AppPathsTest, FilesBesideAWritableExecutableFolder) {
    const AppPaths paths(root_ / "bin", "kelda", root_ / "config");
    EXPECT_EQ(paths.SettingsFile(), root_ / "bin" / "kelda.INI");
    EXPECT_EQ(paths.HelpFile(), root_ / "bin" / "kelda.TXT");
    EXPECT_EQ(paths.TmpFolder(), root_ / "bin" / "TMP" / "");
    EXPECT_EQ(paths.TmpFolder().string().back(), '/');
    EXPECT_EQ((paths.TmpFolder().string() + "X.BIN.DA1"), (root_ / "bin" / "TMP" / "X.BIN.DA1").string());
}

// Root may write anywhere, so an unusable folder is modelled by a path that is not a folder.
TEST_F(AppPathsTest, UnusableFoldersFallBackToTheUserConfigurationFolder) {
    const struct {
        const char* what;
        bool exeFolderExists;
        bool tmpIsAFile;
        bool settingsBeside;
        bool tmpBeside;
    } cases[] = {
        {"missing executable folder", false, false, false, false},
        {"TMP is a file", true, true, true, false},
    };
    for (const auto& c : cases) {
        const fs::path exe = root_ / (c.exeFolderExists ? "bin" : "gone");
        if (c.tmpIsAFile) {
            std::ofstream(exe / "TMP") << "x";
        }
        const AppPaths paths(exe, "kelda", root_ / "config");
        EXPECT_EQ(paths.SettingsFile(), (c.settingsBeside ? exe : root_ / "config") / "kelda.INI") << c.what;
        EXPECT_EQ(paths.TmpFolder(), (c.tmpBeside ? exe : root_ / "config") / "TMP" / "") << c.what;
        EXPECT_EQ(paths.HelpFile(), exe / "kelda.TXT") << c.what; // the help text ships beside the program
    }
}

TEST_F(AppPathsTest, ForExecutableSplitsFolderAndName) {
    const AppPaths paths = AppPaths::ForExecutable(root_ / "bin" / "kelda");
    EXPECT_EQ(paths.ExeFolder(), root_ / "bin");
    EXPECT_EQ(paths.BaseName(), "kelda");
    EXPECT_EQ(paths.SettingsFile().filename(), "kelda.INI");
}

} // namespace
} // namespace kelda
