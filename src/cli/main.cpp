// SPDX-License-Identifier: MIT
// kelda-cli: the Mac files, disk images and CRCs of the window, without it.
#include "cli/Cli.h"
#include "cli/CliInterrupt.h"
#include "cli/TCliFdInBuf.h"
#include "cli/TCliFdOutBuf.h"
#include "util/TFolder.h"

#include <clocale>
#include <cstdlib>
#include <iostream>
#include <string>
#include <unistd.h>
#ifndef _WIN32
#include <langinfo.h>
#include <sys/ioctl.h>
#endif

namespace {

// The codeset of the user's locale (LC_ALL, LC_CTYPE, LANG). Only LC_CTYPE is set, and only while
// it is read, so that nothing else of the program comes to depend on the locale.
std::string LocaleCodeset() {
#ifdef _WIN32
    return {};
#else
    const char* current = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = current != nullptr ? current : "C";
    std::string codeset;
    if (std::setlocale(LC_CTYPE, "") != nullptr) {
        codeset = ::nl_langinfo(CODESET);
    }
    std::setlocale(LC_CTYPE, saved.c_str());
    return codeset;
#endif
}

} // namespace

int main(int argc, char** argv) {
    kelda::InstallTemporaryCleanupOnSignals();
    kelda::CliInstallInterruptHandlers(); // Ctrl-C and the termination signals stop the work instead
    const kelda::TCliArgs args(argv + 1, argv + argc);
    kelda::TCliTerminal terminal;
    terminal.ErrIsTerminal = ::isatty(STDERR_FILENO) == 1;
#ifndef _WIN32
    winsize size{};
    if (terminal.ErrIsTerminal && ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0) {
        terminal.ErrColumns = size.ws_col;
    }
#endif
    terminal.StopRequested = kelda::CliInterruptRequested;
    terminal.Codeset = LocaleCodeset();
    kelda::TCliFdInBuf stdinBuffer(STDIN_FILENO);
    std::istream in(&stdinBuffer);
    terminal.In = &in;
    terminal.InFile = kelda::StatDescriptor(STDIN_FILENO);
    terminal.OutFile = kelda::StatDescriptor(STDOUT_FILENO);
    terminal.GetEnv = [](const char* name) -> const char* { return std::getenv(name); };
    kelda::TCliFdOutBuf stdoutBuffer(STDOUT_FILENO);
    std::ostream out(&stdoutBuffer);
    const int status = kelda::CliMain(args, out, std::cerr, terminal);
    kelda::CliRaiseInterrupt();
    return status;
}
