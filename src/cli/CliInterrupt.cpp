// SPDX-License-Identifier: MIT
#include "cli/CliInterrupt.h"

#include "util/TFolder.h"

#include <csignal>
#ifndef _WIN32
#include <signal.h>
#endif

namespace kelda {

namespace {

#ifdef _WIN32
constexpr int kSignals[] = {SIGINT, SIGTERM}; // Windows has no SIGHUP
#else
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
#endif

volatile std::sig_atomic_t gInterruptible = 0;
volatile std::sig_atomic_t gSignal = 0;

extern "C" void OnInterrupt(int sig) {
    if (gInterruptible == 0) {
        // No work to ask: a temporary file that is being finished is removed, and the signal has its
        // usual effect as soon as this handler returns.
        RemoveLiveTemporaries();
        std::signal(sig, SIG_DFL);
        std::raise(sig);
        return;
    }
    gSignal = sig;
}

} // namespace

void CliInstallInterruptHandlers() {
#ifdef _WIN32
    // No sigaction: signal() there keeps the handler until it runs; ignored signals stay ignored.
    for (int sig : kSignals) {
        if (std::signal(sig, OnInterrupt) == SIG_IGN) {
            std::signal(sig, SIG_IGN);
        }
    }
#else
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART; // reads and writes go on; the work stops at its next step
    for (int sig : kSignals) {
        struct sigaction old {};
        // A signal ignored by the parent (nohup, a background job) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
            sigaction(sig, &action, nullptr);
        }
    }
#endif
}

bool CliInterruptRequested() {
    return gSignal != 0;
}

void CliRaiseInterrupt() {
    const int sig = gSignal;
    if (sig != 0) {
        std::signal(sig, SIG_DFL);
        std::raise(sig);
    }
}

TCliInterruptible::TCliInterruptible() {
    gInterruptible = gInterruptible + 1;
}

TCliInterruptible::~TCliInterruptible() {
    gInterruptible = gInterruptible - 1;
}

} // namespace kelda
