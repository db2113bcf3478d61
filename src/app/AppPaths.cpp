#include "app/AppPaths.h"

#include <cstdlib>
#include <system_error>
#include <unistd.h>

namespace kelda {

namespace fs = std::filesystem;

AppPaths::AppPaths(fs::path exeFolder, std::string baseName, fs::path userConfigFolder)
    : exeFolder_(std::move(exeFolder)), baseName_(std::move(baseName)),
      userConfigFolder_(std::move(userConfigFolder)) {}

AppPaths AppPaths::ForExecutable(const fs::path& exeFile) {
    std::error_code ec;
    fs::path full = fs::absolute(exeFile, ec);
    if (ec) {
        full = exeFile;
    }
    return AppPaths(full.parent_path(), full.stem().string(), DefaultUserConfigFolder());
}

fs::path AppPaths::DefaultUserConfigFolder() {
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        return fs::path(xdg) / "kelda";
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        return fs::path(home) / ".config" / "kelda";
    }
    return fs::temp_directory_path() / "kelda";
}

fs::path AppPaths::WritableBase() const {
    return IsWritableFolder(exeFolder_) ? exeFolder_ : userConfigFolder_;
}

fs::path AppPaths::SettingsFile() const {
    return WritableBase() / (baseName_ + ".INI");
}

fs::path AppPaths::HelpFile() const {
    return exeFolder_ / (baseName_ + ".TXT");
}

fs::path AppPaths::TmpFolder() const {
    const fs::path beside = exeFolder_ / "TMP";
    std::error_code ec;
    const bool exists = fs::exists(beside, ec);
    // An existing TMP beside the executable is used when it is a writable folder; a new one when the
    // executable's folder lets us create it.
    if ((exists && IsWritableFolder(beside)) || (!exists && IsWritableFolder(exeFolder_))) {
        return beside / "";
    }
    return userConfigFolder_ / "TMP" / "";
}

bool IsWritableFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return false;
    }
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

} // namespace kelda
