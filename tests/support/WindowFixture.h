// SPDX-License-Identifier: MIT
// A main window in a scratch folder with scripted dialogs, for window-level tests.
#pragma once

#include "app/AppPaths.h"
#include "app/Main.h"
#include "support/FakeDialogs.h"

#include <QApplication>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

namespace kelda {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override {
        static std::atomic<int> serial{0};
        root_ = std::filesystem::temp_directory_path() /
                ("kelda-window-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(ExeFolder());
    }

    void TearDown() override {
        form_.reset();
        std::filesystem::remove_all(root_);
    }

    std::filesystem::path ExeFolder() const { return root_ / "bin"; }
    AppPaths Paths() const { return AppPaths(ExeFolder(), "kelda", root_ / "config"); }

    // The window, created on first use (so a test can prepare files beside the "executable" first).
    TFormMain& Form() {
        if (!form_) {
            form_ = std::make_unique<TFormMain>(Paths(), dialogs_);
        }
        return *form_;
    }

    // Shows the window on a 1280 x 1024 screen and makes it the active window, so that focus and
    // shortcuts behave as for a user.
    TFormMain& Shown() {
        TFormMain& form = Form();
        form.SetScreenOverride(QRect(0, 0, 1280, 1024));
        form.show();
        form.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
        QCoreApplication::processEvents();
        return form;
    }

    template <class T> T* Child(const char* name) {
        T* child = Form().findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary) << bytes;
    }

    static std::string ReadFile(const std::filesystem::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path root_;
    FakeDialogs dialogs_;
    std::unique_ptr<TFormMain> form_;
};

} // namespace kelda
