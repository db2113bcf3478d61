// SPDX-License-Identifier: MIT
// An X server of its own (Xvfb) with a window manager (openbox), and the few process helpers the
// tests that drive the real program under it need.
#pragma once

#include <chrono>
#include <csignal>
#include <cstdio>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace kelda::xdesktop {

using namespace std::chrono_literals;

// Starts a program with env added; returns its pid, or -1.
inline pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env,
                   int stdoutFd = -1) {
    const pid_t pid = ::fork();
    if (pid != 0) {
        return pid;
    }
    for (const std::string& e : env) {
        ::putenv(const_cast<char*>(e.c_str()));
    }
    if (stdoutFd >= 0) {
        ::dup2(stdoutFd, 1);
    }
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    ::execvp(argv[0], argv.data());
    ::_exit(127);
}

// The output of a shell command.
inline std::string Run(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) {
            out.append(buffer, n);
        }
        ::pclose(p);
    }
    return out;
}

inline bool Have(const char* tool) {
    return !Run(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

inline void Stop(pid_t& pid) {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
}

// An X server of its own with openbox managing it.
class TDesktop {
public:
    TDesktop(int width, int height) {
        int fds[2];
        if (::pipe(fds) != 0) {
            return;
        }
        server_ = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0",
                         std::to_string(width) + "x" + std::to_string(height) + "x24", "-nolisten", "tcp"},
                        {});
        ::close(fds[1]);
        std::string number;
        char c;
        while (::read(fds[0], &c, 1) == 1 && c != '\n') {
            number += c;
        }
        ::close(fds[0]);
        if (number.empty()) {
            return;
        }
        display_ = ":" + number;
        wm_ = Spawn({"openbox"}, {"DISPLAY=" + display_});
        for (int i = 0; i < 100; ++i) {
            if (X("xprop -root _NET_SUPPORTING_WM_CHECK").find("window id") != std::string::npos) {
                ready_ = true;
                return;
            }
            std::this_thread::sleep_for(50ms);
        }
    }
    ~TDesktop() {
        Stop(wm_);
        Stop(server_);
    }
    bool Ready() const { return ready_; }
    // Runs an X tool on this display.
    std::string X(const std::string& command) const {
        return Run("DISPLAY=" + display_ + " " + command + " 2>/dev/null");
    }
    const std::string& Display() const { return display_; }

private:
    pid_t server_ = -1;
    pid_t wm_ = -1;
    std::string display_;
    bool ready_ = false;
};

} // namespace kelda::xdesktop
