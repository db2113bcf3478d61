// SPDX-License-Identifier: MIT
// The real program under a real window manager (Xvfb and openbox): where the window is placed, and
// that its place survives quitting and starting again. Only a window manager frames a window, so
// the offscreen platform cannot show these. Skipped when Xvfb, openbox, xdotool or xwininfo is
// missing or does not start.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <regex>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Starts a program with env added; returns its pid, or -1.
pid_t Spawn(const std::vector<std::string>& args, const std::vector<std::string>& env, int stdoutFd = -1) {
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
std::string Run(const std::string& command) {
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

bool Have(const char* tool) {
    return !Run(std::string("command -v ") + tool + " 2>/dev/null").empty();
}

void Stop(pid_t& pid) {
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

struct TFrame {
    int Left, Top, Width, Height; // frame corner, inner size
};

class WindowManagerTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* tool : {"Xvfb", "openbox", "xdotool", "xwininfo", "xprop"}) {
            if (!Have(tool)) {
                GTEST_SKIP() << "needs " << tool << " (scripts/install-deps installs it)";
            }
        }
        if (std::string(KELDA_GUI_PATH).empty()) {
            GTEST_SKIP() << "the kelda program was not built";
        }
        dir_ = fs::temp_directory_path() / ("kelda-wm-" + std::to_string(::getpid()));
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        // The settings live beside the executable.
        fs::copy_file(KELDA_GUI_PATH, dir_ / "kelda");
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    void StartDesktop(int width, int height) {
        desktop_.emplace(width, height);
        if (!desktop_->Ready()) {
            GTEST_SKIP() << "no X server with a window manager could be started (Xvfb, openbox)";
        }
    }

    // Starts the program, waits until its window is framed, runs keys (xdotool key arguments, one
    // call each), notes the frame, then closes it from the window manager (Alt+F4, as the close box).
    std::optional<TFrame> Cycle(const std::vector<std::string>& keys = {}) {
        const std::string display = "DISPLAY=" + desktop_->Display();
        pid_t app = Spawn({(dir_ / "kelda").string()}, {display, "QT_QPA_PLATFORM=xcb"});
        std::string window;
        for (int i = 0; i < 200 && window.empty(); ++i) {
            std::this_thread::sleep_for(50ms);
            window = desktop_->X("xdotool search --onlyvisible --name '^KELDA\\(Main\\)$' | head -1");
            while (!window.empty() && window.back() == '\n') {
                window.pop_back();
            }
            if (!window.empty() &&
                desktop_->X("xprop -id " + window + " _NET_FRAME_EXTENTS").find("=") == std::string::npos) {
                window.clear(); // not framed yet
            }
        }
        if (window.empty()) {
            ADD_FAILURE() << "no framed window; still running: " << (::waitpid(app, nullptr, WNOHANG) == 0)
                          << "\n"
                          << desktop_->X("xdotool search --name KELDA");
            Stop(app);
            return std::nullopt;
        }
        std::this_thread::sleep_for(300ms);
        desktop_->X("xdotool windowactivate --sync " + window);
        for (const std::string& k : keys) {
            desktop_->X("xdotool key " + k);
            std::this_thread::sleep_for(400ms);
        }
        const std::string info = desktop_->X("xwininfo -id " + window);
        auto field = [&info](const char* label) {
            std::smatch m;
            const std::regex re(std::string(label) + ":\\s+(-?\\d+)");
            return std::regex_search(info, m, re) ? std::stoi(m[1]) : -99999;
        };
        const TFrame frame{field("Absolute upper-left X") - field("Relative upper-left X"),
                           field("Absolute upper-left Y") - field("Relative upper-left Y"), field("Width"),
                           field("Height")};
        desktop_->X("xdotool windowactivate --sync " + window + " key alt+F4");
        for (int i = 0; i < 200; ++i) {
            if (::waitpid(app, nullptr, WNOHANG) == app) {
                return frame;
            }
            std::this_thread::sleep_for(50ms);
        }
        Stop(app);
        ADD_FAILURE() << "the program did not end after its window was closed";
        return frame;
    }

    std::string Settings() const {
        std::ifstream in(dir_ / "kelda.INI");
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    void WriteBounds(int left, int top) const {
        std::ofstream(dir_ / "kelda.INI")
            << "[FormMain]\nLeft=" << left << "\nTop=" << top << "\nWidth=980\nHeight=730\n";
    }

    fs::path dir_;
    std::optional<TDesktop> desktop_;
};

TEST_F(WindowManagerTest, ThePlaceRoundTripsAndResetAndAFirstStartAgree) {
    StartDesktop(1280, 1024);
    const std::optional<TFrame> first = Cycle();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->Width, 980);
    EXPECT_EQ(first->Height, 730);
    EXPECT_GE(first->Top, 0);
    const std::string saved =
        "Left=" + std::to_string(first->Left) + "\nTop=" + std::to_string(first->Top) + "\n";
    EXPECT_NE(Settings().find(saved), std::string::npos) << Settings();
    for (int run = 0; run < 4; ++run) {
        const std::optional<TFrame> again = Cycle();
        ASSERT_TRUE(again);
        EXPECT_EQ(again->Left, first->Left) << "run " << run;
        EXPECT_EQ(again->Top, first->Top) << "run " << run;
        EXPECT_NE(Settings().find(saved), std::string::npos) << "run " << run << "\n" << Settings();
    }

    // A stored place, then Setting > Reset Ini File: the place of a first start.
    const struct {
        int left, top;
        std::vector<std::string> keys;
        int wantLeft, wantTop;
    } cases[] = {
        {0, 0, {}, 0, 0},
        {40, 60, {}, 40, 60},
        {40, 60, {"alt+s", "r"}, first->Left, first->Top},
    };
    for (const auto& c : cases) {
        WriteBounds(c.left, c.top);
        const std::optional<TFrame> frame = Cycle(c.keys);
        ASSERT_TRUE(frame);
        EXPECT_EQ(frame->Left, c.wantLeft) << c.left << "," << c.top << " keys " << c.keys.size();
        EXPECT_EQ(frame->Top, c.wantTop) << c.left << "," << c.top << " keys " << c.keys.size();
    }
}

TEST_F(WindowManagerTest, OnAScreenLowerThanTheWindowTheTitleBarStaysOnIt) {
    // 2560 x 1440 at 200 % gives the program a screen of 1280 x 720.
    StartDesktop(1280, 720);
    const std::optional<TFrame> frame = Cycle();
    ASSERT_TRUE(frame);
    EXPECT_GE(frame->Top, 0);
    EXPECT_GE(frame->Left, 0);
    EXPECT_LE(frame->Height, 720);
    EXPECT_EQ(frame->Width, 980);
}

} // namespace
