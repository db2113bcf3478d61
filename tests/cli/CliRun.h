// SPDX-License-Identifier: MIT
// Running kelda-cli's CliMain in-process, with standard input, environment and a standard output
// that can be made to fail.
#pragma once

#include "cli/Cli.h"

#include <algorithm>
#include <map>
#include <sstream>
#include <streambuf>
#include <string>

namespace kelda::test {

struct TCliRun {
    int Status;
    std::string Out;
    std::string Err;
};

struct TCliRunSetup {
    std::string In = {};                         // standard input
    std::map<std::string, std::string> Env = {}; // the environment (nothing else is set)
    bool OutFails = false;                       // standard output refuses every byte (a full disk)
};

// A stream buffer that takes nothing.
class TFullBuf : public std::streambuf {
protected:
    int_type overflow(int_type) override { return traits_type::eof(); }
};

inline TCliRun RunCli(const TCliArgs& args, const TCliRunSetup& setup = {}) {
    std::ostringstream out, err;
    std::istringstream in(setup.In);
    TFullBuf full;
    if (setup.OutFails) {
        out.std::ios::rdbuf(&full);
    }
    TCliTerminal terminal;
    terminal.In = &in;
    terminal.GetEnv = [&setup](const char* name) -> const char* {
        const auto it = setup.Env.find(name);
        return it == setup.Env.end() ? nullptr : it->second.c_str();
    };
    const int status = CliMain(args, out, err, terminal);
    return {status, setup.OutFails ? std::string() : out.str(), err.str()};
}

inline std::size_t LineCount(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

} // namespace kelda::test
