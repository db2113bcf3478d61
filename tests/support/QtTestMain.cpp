// SPDX-License-Identifier: MIT
// Entry point of the widget test executables: one QApplication for all cases, offscreen unless a
// platform was chosen, so that gtest_discover_tests can list the cases at build time without a display.
#include <QApplication>
#include <cstdlib>
#include <gtest/gtest.h>

// The system's font and GL libraries keep allocations until exit; they are not ours to free.
extern "C" const char* __asan_default_options() {
    return "detect_leaks=0";
}

int main(int argc, char** argv) {
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
