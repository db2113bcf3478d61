// SPDX-License-Identifier: MIT
#include "cli/CliInterrupt.h"

#include "cli/TCliScratch.h"
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
// The other signals that end a program and can be caught: they end it at once, never ask the work.
constexpr int kEndingSignals[] = {SIGQUIT, SIGUSR1, SIGPIPE};
#endif

volatile std::sig_atomic_t gInterruptible = 0;
volatile std::sig_atomic_t gSignal = 0;

// Removes what the program made and would leave behind (a temporary beside an output, the scratch
// folder of a standard stream); then the signal has its usual effect as soon as the handler returns.
void EndBySignal(int sig) {
    RemoveLiveTemporaries();
    RemoveLiveScratchFolders();
    std::signal(sig, SIG_DFL);
    std::raise(sig);
}

extern "C" void OnInterrupt(int sig) {
    if (gInterruptible == 0) {
        EndBySignal(sig); // no work to ask
        return;
    }
    gSignal = sig;
}

#ifndef _WIN32
extern "C" void OnEnding(int sig) {
    EndBySignal(sig);
}
#endif

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
    for (int sig : kSignals) {
        sigaddset(&action.sa_mask, sig);
    }
    for (int sig : kEndingSignals) {
        sigaddset(&action.sa_mask, sig); // one handler at a time removes the files
    }
    action.sa_flags = SA_RESTART; // reads and writes go on; the work stops at its next step
    struct sigaction ending = action;
    ending.sa_handler = OnEnding;
    const auto install = [](int sig, const struct sigaction& handler) {
        struct sigaction old {};
        // A signal ignored by the parent (nohup, a background job) stays ignored.
        if (sigaction(sig, nullptr, &old) == 0 && old.sa_handler != SIG_IGN) {
            sigaction(sig, &handler, nullptr);
        }
    };
    for (int sig : kSignals) {
        install(sig, action);
    }
    for (int sig : kEndingSignals) {
        install(sig, ending);
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
