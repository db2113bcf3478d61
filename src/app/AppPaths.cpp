// SPDX-License-Identifier: MIT
#include "app/AppPaths.h"

#include <cstdlib>
#include <string_view>
#include <system_error>
#include <vector>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace kelda {

namespace fs = std::filesystem;

namespace {

bool IsAbsoluteVariable(const char* value) {
    return value != nullptr && *value != '\0' && fs::path(value).is_absolute();
}

// $VAR/kelda when VAR holds an absolute path (relative ones are invalid and ignored), else
// ~/homeRelative/kelda; on Windows the folder of windowsVariable (APPDATA, LOCALAPPDATA) stands for
// the home's.
fs::path UserFolder(const char* variable, const char* homeRelative,
                    [[maybe_unused]] const char* windowsVariable) {
    if (const char* xdg = std::getenv(variable); IsAbsoluteVariable(xdg)) {
        return fs::path(xdg) / "kelda";
    }
#ifdef _WIN32
    if (const char* appData = std::getenv(windowsVariable); IsAbsoluteVariable(appData)) {
        return fs::path(appData) / "kelda";
    }
#endif
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return fs::path(home) / homeRelative / "kelda";
    }
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
#ifdef _WIN32
    return (ec ? fs::path("C:/") : tmp) / "kelda";
#else
    return (ec ? fs::path("/tmp") : tmp) / (std::string("kelda-") + std::to_string(::getuid()));
#endif
}

// The folders that hold the system's programs.
std::vector<fs::path> SystemFolders() {
#ifdef _WIN32
    std::vector<fs::path> folders;
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)", "ProgramW6432", "SystemRoot"}) {
        if (const char* value = std::getenv(variable); IsAbsoluteVariable(value)) {
            folders.emplace_back(value);
        }
    }
    return folders;
#else
    return {"/usr", "/bin", "/sbin"};
#endif
}

bool StartsWith(const fs::path& path, const fs::path& prefix) {
    auto p = path.begin();
    for (auto q = prefix.begin(); q != prefix.end(); ++q, ++p) {
        if (p == path.end() || *p != *q) {
            return false;
        }
    }
    return true;
}

// The bin folder of an install prefix: it is named like one and the prefix has KELDA's data folder.
bool IsPrefixBinFolder(const fs::path& folder) {
    const fs::path name = folder.filename();
    if (name != "bin" && name != "sbin" && name != "games") {
        return false;
    }
    std::error_code ec;
    return fs::is_directory(folder.parent_path() / "share" / "kelda", ec);
}

} // namespace

AppPaths::AppPaths(fs::path exeFolder, std::string baseName, fs::path userConfigFolder,
                   fs::path userCacheFolder)
    : exeFolder_(std::move(exeFolder)), baseName_(std::move(baseName)),
      userConfigFolder_(std::move(userConfigFolder)), userCacheFolder_(std::move(userCacheFolder)),
      mode_(RunModeOf(exeFolder_)) {}

AppPaths::AppPaths(fs::path exeFolder, std::string baseName, fs::path userConfigFolder)
    : AppPaths(std::move(exeFolder), std::move(baseName), userConfigFolder, userConfigFolder) {}

AppPaths AppPaths::ForExecutable(const fs::path& exeFile) {
    std::error_code ec;
    fs::path full = fs::absolute(exeFile, ec);
    if (ec) {
        full = exeFile;
    }
    return AppPaths(full.parent_path(), full.stem().string(), DefaultUserConfigFolder(),
                    DefaultUserCacheFolder());
}

fs::path AppPaths::DefaultUserConfigFolder() {
    return UserFolder("XDG_CONFIG_HOME", ".config", "APPDATA");
}

fs::path AppPaths::DefaultUserCacheFolder() {
    return UserFolder("XDG_CACHE_HOME", ".cache", "LOCALAPPDATA");
}

fs::path AppPaths::SettingsFile() const {
    return (mode_ == RunMode::Portable ? exeFolder_ : userConfigFolder_) / (baseName_ + ".INI");
}

fs::path AppPaths::HelpFile() const {
    const fs::path beside = exeFolder_ / (baseName_ + ".TXT");
    if (mode_ == RunMode::Portable) {
        return beside;
    }
    const fs::path shared = exeFolder_.parent_path() / "share" / "kelda" / (baseName_ + ".TXT");
    std::error_code ec;
    return fs::exists(shared, ec) ? shared : beside;
}

fs::path AppPaths::TmpFolder() const {
    const fs::path cache = userCacheFolder_ / "TMP" / "";
    if (mode_ == RunMode::Installed) {
        return cache;
    }
    // An existing TMP beside the executable is used when it is a writable folder; a new one is made
    // there (the executable's folder is writable in a portable copy).
    const fs::path beside = exeFolder_ / "TMP";
    std::error_code ec;
    if (!fs::exists(beside, ec) || IsWritableFolder(beside)) {
        return beside / "";
    }
    return cache;
}

RunMode RunModeOf(const fs::path& exeFolder) {
    if (IsSystemFolder(exeFolder) || IsPrefixBinFolder(exeFolder) || !IsWritableFolder(exeFolder)) {
        return RunMode::Installed;
    }
    return RunMode::Portable;
}

bool IsSystemFolder(const fs::path& folder) {
    static const std::vector<fs::path> kSystem = SystemFolders();
    std::error_code ec;
    fs::path resolved = fs::weakly_canonical(folder, ec);
    if (ec) {
        resolved = folder.lexically_normal();
    }
    for (const fs::path& candidate : {folder.lexically_normal(), resolved}) {
        for (const fs::path& system : kSystem) {
            if (StartsWith(candidate, system)) {
                return true;
            }
        }
    }
    return false;
}

bool IsWritableFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return false;
    }
#ifdef _WIN32
    // Windows grants writing by access lists the permission bits do not show; a read-only
    // attribute is what they reflect.
    const fs::perms perms = fs::status(folder, ec).permissions();
    return !ec && (perms & fs::perms::owner_write) != fs::perms::none;
#else
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
#endif
}

} // namespace kelda
