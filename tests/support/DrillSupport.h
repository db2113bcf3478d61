// SPDX-License-Identifier: MIT
// Helpers for the fault drills: a file system that refuses to grow, work done without root's
// privileges, special files, and the count of open descriptors.
#pragma once

#include <dirent.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

namespace kelda::drill {

// Descriptors open in this process.
inline int OpenDescriptors() {
    DIR* dir = ::opendir("/proc/self/fd");
    if (dir == nullptr) {
        return -1;
    }
    int count = 0;
    while (const dirent* entry = ::readdir(dir)) {
        count += entry->d_name[0] != '.' ? 1 : 0;
    }
    ::closedir(dir);
    return count - 1; // the listing's own
}

// While it lives, no file of this process grows past limit bytes: a write beyond it fails with
// EFBIG, as a disk that fills up fails with ENOSPC, and nothing outside the process is touched.
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_FSIZE, &old_);
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = old_;
        small.rlim_cur = limit;
        ::setrlimit(RLIMIT_FSIZE, &small);
    }
    ~TFileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &old_);
        std::signal(SIGXFSZ, previous_);
    }
    TFileSizeLimit(const TFileSizeLimit&) = delete;
    TFileSizeLimit& operator=(const TFileSizeLimit&) = delete;

private:
    rlimit old_{};
    void (*previous_)(int) = nullptr;
};

// Whether this process ignores permission bits (root does).
inline bool IgnoresPermissions() {
    return ::geteuid() == 0;
}

// Runs work in a child process that has no privileges beyond an ordinary user's (root gives its
// own away first), so that permission bits apply. The answer is work's (false when the child did
// not finish normally), or nothing when no such child could be made here.
inline std::optional<bool> RunAsOrdinaryUser(const std::function<bool()>& work) {
    const pid_t child = ::fork();
    if (child < 0) {
        return std::nullopt;
    }
    if (child == 0) {
        if (::geteuid() == 0) {
            const gid_t nobodyGroup = 65534;
            const uid_t nobody = 65534;
            if (::setgroups(0, nullptr) != 0 || ::setgid(nobodyGroup) != 0 || ::setuid(nobody) != 0) {
                ::_exit(3);
            }
        }
        ::_exit(work() ? 0 : 1);
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child) {
        return std::nullopt;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 3) {
        return std::nullopt; // the privileges could not be given away
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Lets every user reach and read the folders on the way to path (scratch folders are made private).
inline void OpenToEveryone(const std::filesystem::path& path) {
    for (std::filesystem::path p = path; !p.empty() && p != p.root_path(); p = p.parent_path()) {
        struct stat st {};
        if (::stat(p.c_str(), &st) == 0) {
            ::chmod(p.c_str(), st.st_mode | (S_ISDIR(st.st_mode) ? 0755 : 0644));
        }
        if (p.parent_path() == std::filesystem::temp_directory_path()) {
            break;
        }
    }
}

inline bool MakeFifo(const std::filesystem::path& file) {
    return ::mkfifo(file.c_str(), 0644) == 0;
}

} // namespace kelda::drill
