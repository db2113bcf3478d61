// SPDX-License-Identifier: MIT
#include "app/Settings.h"

#include "util/TAtomicOutput.h"
#include "util/TFileStream.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <system_error>

// Debian's header keeps the template bodies behind this switch; this is the one file that uses it.
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace kelda {

namespace fs = std::filesystem;

namespace {

// Section and key names are case-insensitive, as in every profile file.
using TIniFile = CSimpleIniA;

// The settings are a few dozen short lines. A file far larger than that is no settings file KELDA
// wrote (a link to the wrong file, a log renamed): it is neither read nor rewritten, so that a
// start-up never spends seconds and gigabytes parsing it, and the file keeps its bytes.
constexpr std::int64_t kMaxSettingsBytes = 1 << 20;

bool ReadWholeFile(const fs::path& file, std::string& data) {
    try {
        TFileStream in(file, FileMode::Read);
        const std::int64_t size = in.Size();
        if (size > kMaxSettingsBytes) {
            return false;
        }
        data.resize(static_cast<std::size_t>(size));
        data.resize(in.Read(data.data(), data.size()));
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

struct TReader {
    const TIniFile& ini;

    const char* Value(std::string_view section, std::string_view key) const {
        return ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    }
    void operator()(std::string_view section, std::string_view key, int& field) const {
        if (const char* v = Value(section, key)) {
            field = ParseIniInteger(v, field);
        }
    }
    void operator()(std::string_view section, std::string_view key, bool& field) const {
        if (const char* v = Value(section, key)) {
            field = ParseIniInteger(v, field ? 1 : 0) != 0;
        }
    }
    void operator()(std::string_view section, std::string_view key, std::string& field) const {
        if (const char* v = Value(section, key)) {
            field = v;
        }
    }
};

struct TWriter {
    TIniFile& ini;
    bool writeBounds;
    bool ok = true;

    void Put(std::string_view section, std::string_view key, const std::string& value) {
        if (section == "FormMain" && !writeBounds) {
            return;
        }
        const std::string s(section);
        const std::string k(key);
        // A value is one line: a name with a line break in it (possible on Linux) cannot be stored,
        // and written as it is its second line would become a key or section of its own.
        const bool oneLine = value.find_first_of("\r\n") == std::string::npos;
        // Replaces every copy of a key that the file holds more than once.
        if (ini.SetValue(s.c_str(), k.c_str(), oneLine ? value.c_str() : "", nullptr,
                         /*a_bForceReplace=*/true) < 0) {
            ok = false;
        }
    }
    void operator()(std::string_view section, std::string_view key, const int& field) {
        Put(section, key, std::to_string(field));
    }
    void operator()(std::string_view section, std::string_view key, const bool& field) {
        Put(section, key, field ? "1" : "0");
    }
    void operator()(std::string_view section, std::string_view key, const std::string& field) {
        Put(section, key, field);
    }
};

// Writes data to a temporary file beside target and renames it over target, so that the file is
// either the old or the new one, never half of one. A settings file reached through a symbolic link
// is replaced at the link's target, so that the link itself survives.
// A settings file without write permission was made so on purpose (settings pinned for every run): it
// is not replaced, and the caller reports that it could not be written.
bool ReplaceFile(const fs::path& target, const std::string& data) {
    try {
        TAtomicOutput out(target);
        if (out.ReplacesReadOnlyFile()) {
            return false;
        }
        out.Create().WriteBuffer(data.data(), data.size());
        out.Commit();
        return true;
    } catch (const EFileError&) {
        return false;
    }
}

// Loads the file into ini when it exists and can be read; otherwise ini stays empty (the defaults).
void LoadIfPresent(TIniFile& ini, const fs::path& file) {
    std::string data;
    std::error_code ec;
    if (fs::exists(file, ec) && ReadWholeFile(file, data)) {
        ini.LoadData(data);
    }
}

// Whether every line of data is one a profile file holds: blank, a comment, a [section] or a
// key=value line.
bool IsProfileText(std::string_view data) {
    while (!data.empty()) {
        const std::size_t end = std::min(data.find('\n'), data.size());
        std::string_view line = data.substr(0, end);
        data.remove_prefix(std::min(end + 1, data.size()));
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t')) {
            line.remove_suffix(1);
        }
        while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) {
            line.remove_prefix(1);
        }
        const bool ok = line.empty() || line[0] == ';' || line[0] == '#' ||
                        (line[0] == '[' && line.back() == ']') || line.find('=') != std::string_view::npos;
        if (!ok) {
            return false;
        }
    }
    return true;
}

// Loads an existing file before it is rewritten, so that what it holds besides our keys is kept;
// false for a file that exists but cannot be read, which is then not overwritten. The program's own
// file is rewritten clean whatever damage it took; a settings file reached through a symbolic link
// is the user's own file kept elsewhere, and unless every line of it is a profile file's line it is
// left as it is rather than rewritten without the lines the profile format cannot hold.
bool LoadForRewrite(TIniFile& ini, const fs::path& file) {
    std::error_code ec;
    if (!fs::exists(file, ec)) {
        return true;
    }
    std::string data;
    if (!ReadWholeFile(file, data)) {
        return false;
    }
    if (fs::is_symlink(file, ec) && !IsProfileText(data)) {
        return false;
    }
    return ini.LoadData(data) >= 0;
}

} // namespace

TSettings ReadSettings(const fs::path& file) {
    TSettings settings;
    // Duplicate keys are all kept, and the first one's value is read, as profile readers do.
    TIniFile ini(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true);
    LoadIfPresent(ini, file);
    VisitSettings(settings, TReader{ini});
    settings.InformationIndex = LimitRadioIndex(settings.InformationIndex);
    return settings;
}

bool WriteSettings(const fs::path& file, const TSettings& settings, bool writeBounds) {
    const fs::path target = file;
    // Keys the file holds more than once are kept as they are, in their order, so that the first
    // is still the one read.
    TIniFile ini(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true);
    ini.SetSpaces(false);
    if (!LoadForRewrite(ini, target)) {
        return false;
    }
    TWriter writer{ini, writeBounds};
    VisitSettings(settings, writer);
    std::string out;
    if (!writer.ok || ini.Save(out) < 0) {
        return false;
    }
    return ReplaceFile(target, out);
}

TExtraSettings ReadExtraSettings(const fs::path& file) {
    TExtraSettings extra;
    TIniFile ini(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true);
    LoadIfPresent(ini, file);
    const char* value = ini.GetValue("Names", "Encoding", nullptr);
    const int choice = value != nullptr ? ParseIniInteger(value, 0) : 0;
    extra.NameEncoding = choice >= 0 && choice < kNameEncodingChoices ? choice : 0;
    return extra;
}

bool WriteExtraSettings(const fs::path& file, const TExtraSettings& extra) {
    const fs::path& target = file;
    TIniFile ini(/*a_bIsUtf8=*/false, /*a_bMultiKey=*/true);
    ini.SetSpaces(false);
    if (!LoadForRewrite(ini, target)) {
        return false;
    }
    // A new section goes after every section the file already holds.
    if (ini.SetValue("Names", "Encoding", std::to_string(extra.NameEncoding).c_str(), nullptr, true) < 0) {
        return false;
    }
    std::string out;
    return ini.Save(out) >= 0 && ReplaceFile(target, out);
}

void DeleteSettings(const fs::path& file) {
    std::error_code ec;
    fs::remove(file, ec);
}

int ParseIniInteger(std::string_view value, int def) {
    std::uint64_t magnitude = 0;
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        for (const char c : value.substr(2)) {
            int digit;
            if (c >= '0' && c <= '9') {
                digit = c - '0';
            } else if (c >= 'a' && c <= 'f') {
                digit = c - 'a' + 10;
            } else if (c >= 'A' && c <= 'F') {
                digit = c - 'A' + 10;
            } else {
                return def;
            }
            magnitude = magnitude * 16 + static_cast<std::uint64_t>(digit);
            if (magnitude > 0xFFFFFFFFu) {
                return def;
            }
        }
        // A 32-bit pattern: 0xFFFFFFFF is -1.
        return static_cast<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(magnitude)));
    }
    bool negative = false;
    if (!value.empty() && (value[0] == '-' || value[0] == '+')) {
        negative = value[0] == '-';
        value.remove_prefix(1);
    }
    if (value.empty()) {
        return def;
    }
    const std::uint64_t limit = negative ? 0x80000000u : 0x7FFFFFFFu;
    for (const char c : value) {
        if (c < '0' || c > '9') {
            return def;
        }
        magnitude = magnitude * 10 + static_cast<std::uint64_t>(c - '0');
        if (magnitude > limit) {
            return def;
        }
    }
    const std::int64_t signedValue =
        negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
    return static_cast<int>(signedValue);
}

int LimitRadioIndex(int index, int count) {
    return std::clamp(index, -1, count - 1);
}

bool BoundsFitScreen(const TBounds& bounds, const TBounds& screen) {
    // 64-bit sums: stored values come from a file and may be anything.
    const std::int64_t right = std::int64_t{bounds.Left} + bounds.Width;
    const std::int64_t bottom = std::int64_t{bounds.Top} + bounds.Height;
    const std::int64_t screenRight = std::int64_t{screen.Left} + screen.Width;
    const std::int64_t screenBottom = std::int64_t{screen.Top} + screen.Height;
    return right <= screenRight - 10 && bottom <= screenBottom - 10 && bounds.Left >= screen.Left &&
           bounds.Top >= screen.Top;
}

TBounds PlaceWindow(const TBounds& stored, const TBounds& screen) {
    if (BoundsFitScreen(stored, screen)) {
        return stored;
    }
    return {static_cast<int>(screen.Left + (std::int64_t{screen.Width} - kDefaultFormWidth) / 2),
            static_cast<int>(screen.Top + (std::int64_t{screen.Height} - kDefaultFormHeight) / 2),
            kDefaultFormWidth, kDefaultFormHeight};
}

std::string FolderPart(std::string_view fileName) {
    const std::size_t slash = fileName.rfind(static_cast<char>(fs::path::preferred_separator));
    return slash == std::string_view::npos ? std::string() : std::string(fileName.substr(0, slash + 1));
}

} // namespace kelda
