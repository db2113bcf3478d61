// SPDX-License-Identifier: MIT
// The real program under a real window manager (Xvfb and openbox): where the window is placed, and
// that its place survives quitting and starting again. Only a window manager frames a window, so
// the offscreen platform cannot show these. Skipped when Xvfb, openbox, xdotool or xwininfo is
// missing or does not start.
#include "support/XDesktop.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
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

using namespace kelda::xdesktop;

struct TFrame {
    int Left, Top, Width, Height; // frame corner, inner size
};

// A frame on the screen: corner and outer size.
struct QRectLike {
    int Left, Top, Width, Height;
    // Twice the centre, to stay in whole pixels.
    int CentreX2() const { return 2 * Left + Width; }
    int CentreY2() const { return 2 * Top + Height; }
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
            GTEST_FAIL() << "the kelda program was not built beside the tests";
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

    // A helper's skip ends only the helper: every caller returns when IsSkipped(). Two servers
    // started at once may pick the same display, so a server that fails is tried again.
    void StartDesktop(int width, int height) {
        desktop_.reset();
        for (int attempt = 0; attempt < 3 && !(desktop_ && desktop_->Ready()); ++attempt) {
            desktop_.reset();
            desktop_.emplace(width, height);
        }
        if (!desktop_->Ready()) {
            GTEST_SKIP() << "no X server with a window manager could be started (Xvfb, openbox)";
        }
    }

    // Starts the program, waits until its window is framed, runs keys (xdotool key arguments, one
    // call each), notes the frame, then closes it from the window manager (Alt+F4, as the close box).
    // whileOpen runs after the keys, before the window closes.
    std::optional<TFrame> Cycle(const std::vector<std::string>& keys = {},
                                const std::function<void()>& whileOpen = {}) {
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
        if (whileOpen) {
            whileOpen();
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
            // On a loaded machine the key can reach the window before the window manager has
            // given it the focus; the close is sent again once.
            if (i == 60) {
                desktop_->X("xdotool windowactivate --sync " + window + " key alt+F4");
            }
            std::this_thread::sleep_for(50ms);
        }
        Stop(app);
        ADD_FAILURE() << "the program did not end after its window was closed";
        return frame;
    }

    // The whole frame (decoration included) of the visible window titled name, if there is one.
    std::optional<QRectLike> Outer(const std::string& name) const {
        std::string window = desktop_->X("xdotool search --onlyvisible --name '^" + name + "$' | head -1");
        while (!window.empty() && window.back() == '\n') {
            window.pop_back();
        }
        if (window.empty()) {
            return std::nullopt;
        }
        const std::string info = desktop_->X("xwininfo -id " + window);
        const std::string extents = desktop_->X("xprop -id " + window + " _NET_FRAME_EXTENTS");
        std::smatch m;
        auto field = [&info](const char* label) {
            std::smatch f;
            const std::regex re(std::string(label) + ":\\s+(-?\\d+)");
            return std::regex_search(info, f, re) ? std::stoi(f[1]) : -99999;
        };
        if (!std::regex_search(extents, m, std::regex("= (\\d+), (\\d+), (\\d+), (\\d+)"))) {
            return std::nullopt;
        }
        const int l = std::stoi(m[1]), r = std::stoi(m[2]), t = std::stoi(m[3]), b = std::stoi(m[4]);
        return QRectLike{field("Absolute upper-left X") - l, field("Absolute upper-left Y") - t,
                         field("Width") + l + r, field("Height") + t + b};
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
    if (IsSkipped()) {
        return;
    }
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
    if (IsSkipped()) {
        return;
    }
    const std::optional<TFrame> frame = Cycle();
    ASSERT_TRUE(frame);
    EXPECT_GE(frame->Top, 0);
    EXPECT_GE(frame->Left, 0);
    EXPECT_LE(frame->Height, 720);
    EXPECT_EQ(frame->Width, 980);
}

} // namespace

namespace {

TEST_F(WindowManagerTest, AltMThenSpaceSwitchesToTheTextView) {
    StartDesktop(1280, 1024);
    if (IsSkipped()) {
        return;
    }
    // A first start shows the grid, in Japanese ("内容表示(&M)").
    ASSERT_TRUE(Cycle({"alt+m", "space"}));
    EXPECT_TRUE(std::regex_search(Settings(), std::regex("\\[Information\\]\\s*Index=0"))) << Settings();
}

TEST_F(WindowManagerTest, BoxesAndTheProgressDialogAreCentredOnTheFrameOrTheScreen) {
    StartDesktop(1280, 1024);
    if (IsSkipped()) {
        return;
    }
    // Off the screen's centre, so that the two kinds of centre differ; a file large enough for the
    // progress dialog to show while all twelve CRCs run.
    const fs::path big = dir_ / "big.bin";
    std::ofstream(big).close();
    fs::resize_file(big, std::uintmax_t{3} << 30);
    std::ofstream(dir_ / "kelda.INI") << "[FormMain]\nLeft=40\nTop=60\nWidth=980\nHeight=730\n[Language]\n"
                                      << "Japanese=0\n[FileList]\n0=" << big.string() << "\n";
    struct TSeen {
        std::optional<QRectLike> main, message, question, progress;
    } seen;
    const std::optional<TFrame> frame = Cycle({}, [&] {
        seen.main = Outer("KELDA\\(Main\\)");
        desktop_->X("xdotool key alt+l"); // no temporary files: a message
        std::this_thread::sleep_for(800ms);
        seen.message = Outer("KELDA");
        desktop_->X("xdotool key Return");
        std::this_thread::sleep_for(400ms);
        desktop_->X("xdotool key Escape"); // the quit question
        std::this_thread::sleep_for(800ms);
        seen.question = Outer("情報");
        desktop_->X("xdotool key Escape");
        std::this_thread::sleep_for(400ms);
        for (const char* key : {"ctrl+Tab", "ctrl+Tab", "ctrl+Tab", "alt+o", "Down"}) { // CRC page, "All"
            desktop_->X(std::string("xdotool key ") + key);
            std::this_thread::sleep_for(300ms);
        }
        std::this_thread::sleep_for(900ms);
        seen.progress = Outer("Working");
        desktop_->X("xdotool key Escape"); // cancels
        std::this_thread::sleep_for(500ms);
    });
    ASSERT_TRUE(frame);
    ASSERT_TRUE(seen.main);
    const QRectLike screen{0, 0, 1280, 1024};
    const struct {
        const char* what;
        const std::optional<QRectLike>& dialog;
        const QRectLike& over;
    } cases[] = {
        {"message", seen.message, *seen.main},
        {"quit question", seen.question, screen},
        {"progress", seen.progress, *seen.main},
    };
    // Within a pixel: odd sizes have no whole-pixel centre.
    for (const auto& c : cases) {
        ASSERT_TRUE(c.dialog) << c.what << " not seen";
        EXPECT_NEAR(c.dialog->CentreX2(), c.over.CentreX2(), 2) << c.what;
        EXPECT_NEAR(c.dialog->CentreY2(), c.over.CentreY2(), 2) << c.what;
        EXPECT_GE(c.dialog->Top, 0) << c.what;
    }
}

TEST_F(WindowManagerTest, OnASmallScreenTheWholeFrameFits) {
    const struct { int width, height; } screens[] = {{1024, 600}, {800, 600}};
    for (const auto& s : screens) {
        StartDesktop(s.width, s.height);
        if (IsSkipped()) {
            return;
        }
        std::optional<QRectLike> outer;
        ASSERT_TRUE(Cycle({}, [&] { outer = Outer("KELDA\\(Main\\)"); }));
        ASSERT_TRUE(outer);
        EXPECT_GE(outer->Left, 0) << s.width << "x" << s.height;
        EXPECT_GE(outer->Top, 0) << s.width << "x" << s.height;
        EXPECT_LE(outer->Left + outer->Width, s.width) << s.width << "x" << s.height;
        EXPECT_LE(outer->Top + outer->Height, s.height) << s.width << "x" << s.height;
        desktop_.reset();
    }
}

} // namespace
