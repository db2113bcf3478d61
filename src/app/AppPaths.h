// SPDX-License-Identifier: MIT
// Where KELDA keeps its files: the settings file, the help text and the temporary folder for header
// pieces. Given to the main window, so tests can point it at a scratch folder.
//
// Two ways of running. A portable copy (an unpacked folder, the build tree) keeps everything beside
// the executable. An installed copy (in a system folder, in the bin folder of an install prefix that
// has share/kelda, or in any folder it may not write) keeps its settings in the user's configuration
// folder, its header pieces in the user's cache folder and reads its help from the prefix's
// share/kelda. So a copy in /usr/bin never writes there, not even when run by root.
#pragma once

#include <filesystem>
#include <string>

namespace kelda {

enum class RunMode { Portable, Installed };

class AppPaths {
public:
    // exeFolder: the folder of the executable; baseName: the executable's name without extension
    // ("kelda"); userConfigFolder and userCacheFolder: the user's folders for KELDA, used by an
    // installed copy. The mode is decided here, once, so the paths do not change during a run.
    AppPaths(std::filesystem::path exeFolder, std::string baseName, std::filesystem::path userConfigFolder,
             std::filesystem::path userCacheFolder);
    // The same with the cache folder equal to the configuration folder.
    AppPaths(std::filesystem::path exeFolder, std::string baseName, std::filesystem::path userConfigFolder);

    // For the running program: the executable's full path, with the user's folders of the environment.
    static AppPaths ForExecutable(const std::filesystem::path& exeFile);
    // $XDG_CONFIG_HOME/kelda, else ~/.config/kelda.
    static std::filesystem::path DefaultUserConfigFolder();
    // $XDG_CACHE_HOME/kelda, else ~/.cache/kelda.
    static std::filesystem::path DefaultUserCacheFolder();

    const std::filesystem::path& ExeFolder() const { return exeFolder_; }
    const std::string& BaseName() const { return baseName_; }
    const std::filesystem::path& UserConfigFolder() const { return userConfigFolder_; }
    const std::filesystem::path& UserCacheFolder() const { return userCacheFolder_; }
    RunMode Mode() const { return mode_; }

    // The executable's name with ".INI": beside it in a portable copy, in the user's configuration
    // folder in an installed one.
    std::filesystem::path SettingsFile() const;
    // The executable's name with ".TXT": beside it in a portable copy; in an installed one from the
    // prefix's share/kelda, or beside the executable when that has none.
    std::filesystem::path HelpFile() const;
    // "TMP/" beside the executable in a portable copy (the user's cache folder when TMP there cannot be
    // used); in the user's cache folder in an installed one. The path ends in a separator, so piece
    // names are formed by appending a file name to it.
    std::filesystem::path TmpFolder() const;

private:
    std::filesystem::path exeFolder_;
    std::string baseName_;
    std::filesystem::path userConfigFolder_;
    std::filesystem::path userCacheFolder_;
    RunMode mode_;
};

// How a copy of the program in exeFolder runs (see AppPaths).
RunMode RunModeOf(const std::filesystem::path& exeFolder);

// Whether folder holds the system's programs: it lies in /usr, or is /bin or /sbin (also through
// symbolic links), whoever may write it.
bool IsSystemFolder(const std::filesystem::path& folder);

// Whether files can be created in folder (it exists, is a folder, and grants write access).
bool IsWritableFolder(const std::filesystem::path& folder);

} // namespace kelda
