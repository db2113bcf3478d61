// SPDX-License-Identifier: MIT
// Ctrl-C and the termination signals (SIGINT, SIGTERM, SIGHUP) while kelda-cli writes or reads a
// file in a cancellable loop: instead of killing the program at once, which would leave a half-written
// temporary file beside the output, the signal asks the work to stop; the work cleans up, and the
// program then ends as killed by that signal. At any other moment, and for SIGQUIT, SIGUSR1 and
// SIGPIPE always, the signal ends the program as usual once the live temporaries (TFolder) and
// the scratch folders of standard streams (TCliScratch) are removed.
#pragma once

namespace kelda {

// Installs the handlers (once, at start).
void CliInstallInterruptHandlers();
// Whether a signal has asked the work to stop.
bool CliInterruptRequested();
// After a signal asked to stop: gives the signal its usual effect now. Returns when none did.
void CliRaiseInterrupt();

// While one lives, the signals ask the work to stop instead of ending the program.
class TCliInterruptible {
public:
    TCliInterruptible();
    ~TCliInterruptible();
    TCliInterruptible(const TCliInterruptible&) = delete;
    TCliInterruptible& operator=(const TCliInterruptible&) = delete;
};

} // namespace kelda
