// SPDX-License-Identifier: MIT
#include "cli/TCliCommands.h"

namespace kelda {

CLI::App& TCliCommands::Add(const std::string& name, const std::string& description, TRun run) {
    CLI::App* command = app_.add_subcommand(name, description);
    command->group("Commands");
    commands_.push_back({command, std::move(run)});
    return *command;
}

const TCliCommands::TRun* TCliCommands::Chosen() const {
    for (const TEntry& entry : commands_) {
        if (entry.Command->parsed()) {
            return &entry.Run;
        }
    }
    return nullptr;
}

} // namespace kelda
