// SPDX-License-Identifier: MIT
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
    IsFolder,         // a folder given where a file is needed
    CheckUnreadable,  // crc --check: a listed file that cannot be read (after "name: ")
    CheckBadLines,    // crc --check: %s is the sum file, %s the number of lines that are no CRC lines
    CheckMismatches,  // crc --check: %s is the number of files whose CRCs differ
    CheckUnreadables, // crc --check: %s is the number of listed files that could not be read
    CheckNoLines,     // crc --check: %s is the sum file, which holds no CRC line at all
    OutputExists,     // an output file that is there already, without -f
    ConvertOperands,  // a conversion without -o that has not exactly IN and OUT, or "-" with -o
    NoFolder,         // -o names no folder
};

std::string CliText(TCliMsg msg, bool japanese, std::initializer_list<std::string_view> args = {});

// Whether the locale the environment names asks for Japanese: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty decides, and its language is "ja" ("ja", "ja_JP.UTF-8", ...).
// getEnv looks a variable up (null when unset).
bool LocaleIsJapanese(const std::function<const char*(const char*)>& getEnv);

} // namespace kelda
