// SPDX-License-Identifier: MIT
#include "app/AppPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>
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

// Sets an environment variable for the life of the object, or unsets it, and restores it after.
class ScopedEnv {
public:
    ScopedEnv(const char* name, std::optional<std::string> value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        value ? ::setenv(name, value->c_str(), 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST_F(AppPathsTest, FilesBesideAWritableExecutableFolder) {
    const AppPaths paths(root_ / "bin", "kelda", root_ / "config", root_ / "cache");
    EXPECT_EQ(paths.Mode(), RunMode::Portable);
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
        EXPECT_EQ(paths.HelpFile(), exe / "kelda.TXT") << c.what; // no share/kelda: the one beside
        // With a cache folder of its own, header pieces go there, settings stay in the configuration.
        const AppPaths split(exe, "kelda", root_ / "config", root_ / "cache");
        EXPECT_EQ(split.TmpFolder(), (c.tmpBeside ? exe : root_ / "cache") / "TMP" / "") << c.what;
        EXPECT_EQ(split.SettingsFile(), paths.SettingsFile()) << c.what;
    }
}

TEST_F(AppPathsTest, AnInstalledCopyKeepsNothingBesideTheExecutable) {
    // An install prefix: prefix/bin/kelda with prefix/share/kelda/kelda.TXT, writable by this user
    // (as after `cmake --install --prefix ~/.local` or `dpkg -x`).
    const fs::path prefix = root_ / "prefix";
    fs::create_directories(prefix / "bin");
    fs::create_directories(prefix / "share" / "kelda");
    std::ofstream(prefix / "share" / "kelda" / "kelda.TXT") << "help";

    const AppPaths paths(prefix / "bin", "kelda", root_ / "config", root_ / "cache");
    EXPECT_EQ(paths.Mode(), RunMode::Installed);
    EXPECT_EQ(paths.SettingsFile(), root_ / "config" / "kelda.INI");
    EXPECT_EQ(paths.TmpFolder(), root_ / "cache" / "TMP" / "");
    EXPECT_EQ(paths.HelpFile(), prefix / "share" / "kelda" / "kelda.TXT");

    // Without the help in share/kelda, a copy beside the executable is still found.
    fs::remove(prefix / "share" / "kelda" / "kelda.TXT");
    std::ofstream(prefix / "bin" / "kelda.TXT") << "help";
    EXPECT_EQ(AppPaths(prefix / "bin", "kelda", root_ / "config", root_ / "cache").HelpFile(),
              prefix / "bin" / "kelda.TXT");
}

TEST_F(AppPathsTest, WhichFoldersMakeAnInstalledCopy) {
    fs::create_directories(root_ / "build" / "bin");
    fs::create_directories(root_ / "usr" / "bin");
    fs::create_directories(root_ / "usr" / "share" / "kelda");
    const struct {
        fs::path folder;
        bool system;
        RunMode mode;
    } cases[] = {
        {"/usr/bin", true, RunMode::Installed},
        {"/usr/local/bin", true, RunMode::Installed},
        {"/usr/games", true, RunMode::Installed},
        {"/bin", true, RunMode::Installed},
        {"/sbin", true, RunMode::Installed},
        {"/usr/../usr/bin", true, RunMode::Installed},
        {root_ / "bin", false, RunMode::Portable},           // an unpacked copy
        {root_ / "build" / "bin", false, RunMode::Portable}, // a build tree: no share/kelda beside
        {root_ / "usr" / "bin", false, RunMode::Installed},  // a scratch root of a package
        {root_ / "missing", false, RunMode::Installed},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsSystemFolder(c.folder), c.system) << c.folder;
        EXPECT_EQ(RunModeOf(c.folder), c.mode) << c.folder;
    }
    EXPECT_FALSE(IsSystemFolder("/usrlocal/bin"));
    EXPECT_FALSE(IsSystemFolder("/home/user/usr/bin"));
}

TEST_F(AppPathsTest, ASystemCopyRunByAnyoneWritesIntoTheUsersFolders) {
    const AppPaths paths = AppPaths::ForExecutable("/usr/bin/kelda");
    EXPECT_EQ(paths.Mode(), RunMode::Installed);
    EXPECT_NE(paths.SettingsFile().parent_path(), fs::path("/usr/bin"));
    EXPECT_NE(paths.TmpFolder().parent_path().parent_path(), fs::path("/usr/bin"));
}

TEST_F(AppPathsTest, UserFoldersFollowTheEnvironment) {
    const struct {
        std::optional<std::string> configHome;
        std::optional<std::string> cacheHome;
        fs::path config;
        fs::path cache;
    } cases[] = {
        {"/xdg/config", "/xdg/cache", "/xdg/config/kelda", "/xdg/cache/kelda"},
        {std::nullopt, std::nullopt, "/home/u/.config/kelda", "/home/u/.cache/kelda"},
        {"", "", "/home/u/.config/kelda", "/home/u/.cache/kelda"},
        // A relative value is invalid and ignored.
        {"rel/config", "rel/cache", "/home/u/.config/kelda", "/home/u/.cache/kelda"},
    };
    const ScopedEnv home("HOME", "/home/u");
    for (const auto& c : cases) {
        const ScopedEnv config("XDG_CONFIG_HOME", c.configHome);
        const ScopedEnv cache("XDG_CACHE_HOME", c.cacheHome);
        EXPECT_EQ(AppPaths::DefaultUserConfigFolder(), c.config);
        EXPECT_EQ(AppPaths::DefaultUserCacheFolder(), c.cache);
        const AppPaths paths = AppPaths::ForExecutable("/usr/bin/kelda");
        EXPECT_EQ(paths.SettingsFile(), c.config / "kelda.INI");
        EXPECT_EQ(paths.TmpFolder(), c.cache / "TMP" / "");
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
