// SPDX-License-Identifier: MIT
// The messages of kelda-cli itself (usage errors, standard streams), in English and Japanese like
// the window's. Each "%s" is filled in by CliText's arguments, in order; "%1" to "%9" name one by
// its place, for a text whose language puts them in another order.
#pragma once

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

namespace kelda {

enum class TCliMsg {
    TryHelp,           // after a usage error; %s is the program or program and command
    UnknownCommand,    // %s is the word given
    MissingCommand,    //
    OutputWriteError,  // %s is the system's reason
    InputReadError,    // %s is the system's reason
    IsFolder,          // a folder given where a file is needed
    CheckUnreadable,   // crc --check: a listed file that cannot be read (after "name: ")
    CheckBadLines,     // crc --check: %s is the sum file, %s the number of lines that are no CRC lines
    CheckMismatches,   // crc --check: %s is the number of files whose CRCs differ
    CheckUnreadables,  // crc --check: %s is the number of listed files that could not be read
    CheckNoLines,      // crc --check: %s is the sum file, which holds no CRC line at all
    CheckLongLine,     // crc --check: %s line number, %s the longest line read, %s the line's start
    CheckUnverified,   // crc --check --ignore-missing: %s is the sum file, none of whose files is there
    OutputExists,      // an output file that is there already, without -f
    ConvertOperands,   // a conversion without -o that has not exactly IN and OUT, or "-" with -o
    NoFolder,          // -o names no folder
    ScanLink,          // scan: the reason given for a symbolic link
    ScanNotRegular,    // scan: the reason given for an operand that is no regular file or folder
    ScanFiles,         // scan's summary: %s is the number of files, before the counts per verdict
    StdinOnce,         // "-" given as more than one input
    BatchSummary,      // after several inputs: %s files in all, %s written, %s failed
    WrittenThisRun,    // a batch output this run already wrote: %1 the earlier input
    BatchSkipped,      // after BatchSummary, for -r: %s entries left out (links, files not read)
    RecursiveNeedsDir, // -r on a conversion without -o
    // The command-line parser's errors: the English texts are the parser's own, so that its
    // message is recognised by them and given again in the language asked for.
    ParseExtra,         // one operand or option too many
    ParseExtras,        // several
    ParseRequired,      // an option or operand that must be given
    ParseMissingValues, // %s option, %s count, %s kind of value
    ParseExactCount,    // %s count, %s option, %s count given
    ParseAtLeast,       // %s count, %s option, %s count given
    ParseAtLeastGiven,  // %s option, %s count, %s count given
    ParseAtMostGiven,   // %s option, %s count, %s count given
    ParseNoValue,       // a flag given a value
    ParseNotAllowed,    // %s value, %s option
    ParseNoConversion,  // %s option, %s value
    ParseNotNumber,     // %s option, %s value, %s kind of number
    ParseOutOfRange,    // %s option, %s value, %s lowest, %s highest
    ParseNotInSet,      // %s option, %s value
    ParseExcludes,      // %s option, %s option it cannot go with
    ParseRequires,      // %s option, %s option it needs
    ParseFlagValues,    // a flag given more than one value
    ParseFlagBool,      // a flag given a value that is no truth value
    ParseOther,         // %s is the parser's text for an error none of the above describes
    ResourceIdRange,    // resource: %s is the ID given
    CrcCheckAlone,      // crc's options of --check without it
    NameEmpty,          // encode --name '': a header's name has at least one byte
    NameControlByte,    // encode --name with a control byte
    NameTooLong,        // encode --name of more than 63 bytes in the Mac character set
};

std::string CliText(TCliMsg msg, bool japanese, std::initializer_list<std::string_view> args = {});
std::string CliText(TCliMsg msg, bool japanese, std::span<const std::string_view> args);

// Whether the locale the environment names asks for Japanese: the first of LC_ALL, LC_MESSAGES and
// LANG that is set and not empty decides, and its language is "ja" ("ja", "ja_JP.UTF-8", ...).
// getEnv looks a variable up (null when unset).
bool LocaleIsJapanese(const std::function<const char*(const char*)>& getEnv);

} // namespace kelda
