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

constexpr std::array<TCliTextEntry, 5> kTexts{{
    {TCliMsg::TryHelp, "Try '%s --help' for more information.", "詳しくは '%s --help' を実行してください。"},
    {TCliMsg::UnknownCommand, "unknown command '%s'", "'%s' というコマンドはありません"},
    {TCliMsg::MissingCommand, "a command is needed", "コマンドを指定してください"},
    {TCliMsg::OutputWriteError, "write error on standard output: %s", "標準出力に書き込めません: %s"},
    {TCliMsg::InputReadError, "read error on standard input: %s", "標準入力を読み込めません: %s"},
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
