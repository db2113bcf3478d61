// The messages of kelda-cli itself (usage errors, standard streams), in English and Japanese like
// the window's. Each "%s" is filled in by CliText's arguments, in order.
#pragma once

#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>

namespace kelda {

enum class TCliMsg {
    TryHelp,          // after a usage error; %s is the program or program and command
    UnknownCommand,   // %s is the word given
    MissingCommand,   //
    OutputWriteError, // %s is the system's reason
    InputReadError,   // %s is the system's reason
};

std::string CliText(TCliMsg msg, bool japanese, std::initializer_list<std::string_view> args = {});

// Whether the locale the environment names asks for Japanese: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty decides, and its language is "ja" ("ja", "ja_JP.UTF-8", ...).
// getEnv looks a variable up (null when unset).
bool LocaleIsJapanese(const std::function<const char*(const char*)>& getEnv);

} // namespace kelda
