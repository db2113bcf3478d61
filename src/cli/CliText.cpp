// SPDX-License-Identifier: MIT
#include "cli/CliText.h"

#include <array>
#include <cstddef>

namespace kelda {

namespace {

struct TCliTextEntry {
    TCliMsg Msg;
    const char* English;
    const char* Japanese;
};

constexpr std::array<TCliTextEntry, 14> kTexts{{
    {TCliMsg::TryHelp, "Try '%s --help' for more information.", "詳しくは '%s --help' を実行してください。"},
    {TCliMsg::UnknownCommand, "unknown command '%s'", "'%s' というコマンドはありません"},
    {TCliMsg::MissingCommand, "a command is needed", "コマンドを指定してください"},
    {TCliMsg::OutputWriteError, "write error on standard output: %s", "標準出力に書き込めません: %s"},
    {TCliMsg::InputReadError, "read error on standard input: %s", "標準入力を読み込めません: %s"},
    {TCliMsg::IsFolder, "Warning ! This is a folder, not a file.", "警告 ! ファイルではなくフォルダです"},
    {TCliMsg::CheckUnreadable, "FAILED open or read", "FAILED 開けないか読み込めません"},
    {TCliMsg::CheckBadLines, "%s: %s lines are no CRC lines", "%s: CRC の行でない行が %s 行あります"},
    {TCliMsg::CheckMismatches, "WARNING: the CRCs of %s files did NOT match",
     "警告: %s 個のファイルの CRC が一致しません"},
    {TCliMsg::CheckUnreadables, "WARNING: %s listed files could not be read",
     "警告: %s 個のファイルを読み込めませんでした"},
    {TCliMsg::CheckNoLines, "%s: no CRC lines found", "%s: CRC の行がありません"},
    {TCliMsg::OutputExists, "Warning ! The file exists already; -f replaces it.",
     "警告 ! ファイルは既にあります。-f で置き換えます"},
    {TCliMsg::ConvertOperands, "expected IN OUT, or IN... -o DIR (with file names, not -)",
     "IN OUT か IN... -o DIR を指定してください (- ではなくファイル名で)"},
    {TCliMsg::NoFolder, "Warning ! There is no such folder.", "警告 ! そのフォルダはありません"},
}};

constexpr bool TextsInOrder() {
    for (std::size_t i = 0; i < kTexts.size(); ++i) {
        if (static_cast<std::size_t>(kTexts[i].Msg) != i) {
            return false;
        }
    }
    return true;
}
static_assert(TextsInOrder(), "kTexts lists the messages in the order of TCliMsg");

} // namespace

std::string CliText(TCliMsg msg, bool japanese, std::initializer_list<std::string_view> args) {
    const TCliTextEntry& entry = kTexts[static_cast<std::size_t>(msg)];
    const std::string_view format = japanese ? entry.Japanese : entry.English;
    std::string text;
    const std::string_view* next = args.begin();
    for (std::size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && next != args.end()) {
            text += *next++;
            ++i;
        } else {
            text += format[i];
        }
    }
    return text;
}

bool LocaleIsJapanese(const std::function<const char*(const char*)>& getEnv) {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = getEnv(name);
        if (value != nullptr && *value != '\0') {
            const std::string_view locale(value);
            return locale == "ja" || locale.starts_with("ja_") || locale.starts_with("ja.") ||
                   locale.starts_with("ja@");
        }
    }
    return false;
}

} // namespace kelda
