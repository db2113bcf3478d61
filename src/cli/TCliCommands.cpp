// SPDX-License-Identifier: MIT
#include "cli/TCliCommands.h"

#include <map>

namespace kelda {

CLI::App& TCliCommands::Add(const std::string& name, const std::string& description, TRun run) {
    CLI::App* command = app_.add_subcommand(name, description);
    command->group("Commands");
    commands_.push_back({command, std::move(run)});
    return *command;
}

void AddNameEncodingOption(CLI::App& command, TMacEncoding& encoding) {
    std::map<std::string, TMacEncoding> choices;
    for (const TMacEncoding e : {TMacEncoding::Auto, TMacEncoding::Roman, TMacEncoding::Japanese}) {
        choices.emplace(std::string(MacEncodingId(e)), e);
    }
    command
        .add_option("--name-encoding", encoding,
                    "How Mac names are decoded: auto (default: the script byte, else the more plausible "
                    "reading), mac-roman or japanese")
        ->transform(CLI::CheckedTransformer(choices).description(""))
        ->type_name("auto|mac-roman|japanese");
}

void AddForceFlag(CLI::App& command, bool& force) {
    command.add_flag("-f,--force", force,
                     "Replace an output that is there already, even a read-only one (never the source)");
}

void AddOutputDirOption(CLI::App& command, std::string& folder, const std::string& description) {
    command.add_option("-o,--output-dir", folder, description)->type_name("DIR");
    command.add_option("--output", folder, "")->group(""); // the old spelling, hidden
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
