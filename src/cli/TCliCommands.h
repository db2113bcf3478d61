// SPDX-License-Identifier: MIT
// The commands of kelda-cli as subcommands of one CLI11 parser. Every command file has one
// registration function (RegisterCrcCommands, ...) that adds its commands here: it declares the
// options and operands on the CLI::App that Add returns, binds them to a struct the registry keeps
// alive (Store), and gives the function that runs once the command line is parsed.
#pragma once

#include "cli/Cli.h"
#include "util/MacText.h"

#include <CLI/CLI.hpp>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kelda {

class TCliCommands {
public:
    using TRun = std::function<int(const TCliContext&)>;

    explicit TCliCommands(CLI::App& app) : app_(app) {}
    TCliCommands(const TCliCommands&) = delete;
    TCliCommands& operator=(const TCliCommands&) = delete;

    // Adds the command `name` (shown with description in the help) and returns it, for the
    // registration function to declare options and operands on.
    CLI::App& Add(const std::string& name, const std::string& description, TRun run);

    // A value that lives as long as the registry: the target the parser writes a command's options to.
    template <class T> T& Store() {
        auto value = std::make_shared<T>();
        T& ref = *value;
        stores_.push_back(std::move(value));
        return ref;
    }

    // The run function of the command the parsed line chose; null when it chose none.
    const TRun* Chosen() const;

private:
    struct TEntry {
        CLI::App* Command;
        TRun Run;
    };
    CLI::App& app_;
    std::vector<TEntry> commands_;
    std::vector<std::shared_ptr<void>> stores_;
};

// --name-encoding auto|mac-roman|japanese on a command that reads Mac names: how they are decoded
// (auto: the header's script byte, else the more plausible reading), as the window's Name encoding
// menu chooses.
void AddNameEncodingOption(CLI::App& command, TMacEncoding& encoding);

// -f/--force on a command that writes: one meaning everywhere, replace an output that would
// otherwise be kept (a file there already in an -o folder, a read-only file), never a source.
void AddForceFlag(CLI::App& command, bool& force);

// -o/--output-dir DIR on a command that writes into a folder; description says what it does
// there. --output, the old spelling of extract and image extract, is kept as a hidden alias.
void AddOutputDirOption(CLI::App& command, std::string& folder, const std::string& description);

} // namespace kelda
