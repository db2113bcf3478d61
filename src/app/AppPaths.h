// Where KELDA keeps its files: the settings file and the help text beside the executable, and the
// temporary folder for header pieces. Given to the main window, so tests can point it at a scratch folder.
#pragma once

#include <filesystem>
#include <string>

namespace kelda {

class AppPaths {
public:
    // exeFolder: the folder of the executable; baseName: the executable's name without extension
    // ("kelda"); userConfigFolder: where settings and temporary files go when exeFolder is not writable.
    AppPaths(std::filesystem::path exeFolder, std::string baseName, std::filesystem::path userConfigFolder);

    // For the running program: the executable's full path, and the per-user configuration folder
    // ($XDG_CONFIG_HOME/kelda, else ~/.config/kelda).
    static AppPaths ForExecutable(const std::filesystem::path& exeFile);
    static std::filesystem::path DefaultUserConfigFolder();

    const std::filesystem::path& ExeFolder() const { return exeFolder_; }
    const std::string& BaseName() const { return baseName_; }
    const std::filesystem::path& UserConfigFolder() const { return userConfigFolder_; }

    // The executable's name with ".INI", beside it; in the user's configuration folder when the
    // executable's folder cannot be written.
    std::filesystem::path SettingsFile() const;
    // The executable's name with ".TXT", always beside it (it ships with the program).
    std::filesystem::path HelpFile() const;
    // "TMP/" beside the executable; in the user's configuration folder when that one cannot be used.
    // The path ends in a separator, so piece names are formed by appending a file name to it.
    std::filesystem::path TmpFolder() const;

private:
    std::filesystem::path WritableBase() const;

    std::filesystem::path exeFolder_;
    std::string baseName_;
    std::filesystem::path userConfigFolder_;
};

// Whether files can be created in folder (it exists, is a folder, and grants write access).
bool IsWritableFolder(const std::filesystem::path& folder);

} // namespace kelda
