// SPDX-License-Identifier: MIT
// Helpers for the fault drills: a file system that refuses to grow, work done without root's
// privileges, special files, the count of open descriptors, and the temporaries killed runs leave.
#pragma once

#include "util/TAtomicOutput.h"

#include <dirent.h>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

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

// The temporary that a run killed outright (SIGKILL) while it wrote contents to output leaves in
// output's folder: its name, empty when none was left.
inline std::string TemporaryOfKilledRun(const std::filesystem::path& output,
                                        std::string_view contents = "half an output") {
    const auto names = [&output] {
        std::vector<std::string> all;
        for (const auto& entry : std::filesystem::directory_iterator(output.parent_path())) {
            all.push_back(entry.path().filename().string());
        }
        std::sort(all.begin(), all.end());
        return all;
    };
    const std::vector<std::string> before = names();
    const pid_t child = ::fork();
    if (child == 0) {
        kelda::TAtomicOutput out(output);
        out.Create().WriteBuffer(contents.data(), contents.size());
        ::kill(::getpid(), SIGKILL);
        ::_exit(1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    std::vector<std::string> left;
    const std::vector<std::string> after = names();
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(left));
    return left.size() == 1 ? left.front() : std::string();
}

// Whether the file system of folder keeps extended attributes of the user's (which the temporaries'
// mark is): where it does not, no temporary is ever taken for stale.
inline bool KeepsUserAttributes(const std::filesystem::path& folder) {
    const std::filesystem::path probe = folder / ".xattr-probe";
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    const bool keeps = fd >= 0 && ::fsetxattr(fd, "user.probe", "1", 1, 0) == 0;
    if (fd >= 0) {
        ::close(fd);
        ::unlink(probe.c_str());
    }
    return keeps;
}

// Whether file carries the mark of a live temporary (a file system without extended attributes has
// none).
inline bool CarriesTemporaryMark(const std::filesystem::path& file) {
    return ::getxattr(file.c_str(), "user.kelda.temporary", nullptr, 0) > 0;
}

inline bool MakeFifo(const std::filesystem::path& file) {
    return ::mkfifo(file.c_str(), 0644) == 0;
}

} // namespace kelda::drill
