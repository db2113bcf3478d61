// SPDX-License-Identifier: MIT
// The settings file: every remembered value with its default, read at start and on reset, written
// once at exit. The file is in the profile (INI) format: "[Section]" lines, then "Key=Value" lines.
#pragma once

#include "crc/RecentFiles.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace kelda {

// A window rectangle in screen pixels.
struct TBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const TBounds&) const = default;
};

inline constexpr int kDefaultFormWidth = 980;
inline constexpr int kDefaultFormHeight = 730;
inline constexpr int kGridColumnCount = 6;
inline constexpr std::array<int, kGridColumnCount> kDefaultGridWidths{30, 268, 272, 52, 272, 44};
inline constexpr int kFileListCount = static_cast<int>(kRecentFileCount);

struct TSettings {
    TBounds FormMain{-1, -1, kDefaultFormWidth, kDefaultFormHeight}; // "FormMain"
    int LogHeight = 200;                                             // "LogFile" "Heighi"
    std::array<int, kGridColumnCount> GridWidth = kDefaultGridWidths;
    std::string OpenFile = "*.*";                     // "FileName" "Open": OpenDialog1
    std::string CrcFile = "*.*";                      // "FileName" "Crc": OpenDialog2
    std::string SaveFile = "*.*";                     // "FileName" "Save": SaveDialog1
    std::string SaveAsFile = "*.*";                   // "FileName" "SaveAs": SaveDialog2
    int InformationIndex = 1;                         // "Information" "Index": 0 text, 1 grid, -1 neither
    std::array<std::string, kFileListCount> FileList; // "FileList" "0" … "19": the recent CRC files
    bool Japanese = true;                             // "Language" "Japanese"

    bool operator==(const TSettings&) const = default;
};

inline constexpr std::array<std::string_view, kGridColumnCount> kGridWidthKeys = {"00", "01", "02",
                                                                                  "03", "04", "05"};
inline constexpr std::array<std::string_view, kFileListCount> kFileListKeys = {
    "0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",
    "10", "11", "12", "13", "14", "15", "16", "17", "18", "19"};

// Calls f(section, key, field) for every value in the file's order; field is an int&, bool& or
// std::string& (const when settings is const). This is the one table of sections and keys.
template <class S, class F> void VisitSettings(S& s, F&& f) {
    f("FormMain", "Left", s.FormMain.Left);
    f("FormMain", "Top", s.FormMain.Top);
    f("FormMain", "Width", s.FormMain.Width);
    f("FormMain", "Height", s.FormMain.Height);
    f("LogFile", "Heighi", s.LogHeight);
    for (int i = 0; i < kGridColumnCount; ++i) {
        f("GridWidth", kGridWidthKeys[i], s.GridWidth[i]);
    }
    f("FileName", "Open", s.OpenFile);
    f("FileName", "Crc", s.CrcFile);
    f("FileName", "Save", s.SaveFile);
    f("FileName", "SaveAs", s.SaveAsFile);
    f("Information", "Index", s.InformationIndex);
    for (int i = 0; i < kFileListCount; ++i) {
        f("FileList", kFileListKeys[i], s.FileList[i]);
    }
    f("Language", "Japanese", s.Japanese);
}

// Values beside the 37 keys above, in a section after the seven they fill ("Names"); files of
// other versions without it give the defaults, and WriteSettings keeps it as it keeps any section.
struct TExtraSettings {
    int NameEncoding = 0; // "Names" "Encoding": 0 the header's own rule, 1 Japanese, 2 Western
    bool operator==(const TExtraSettings&) const = default;
};
inline constexpr int kNameEncodingChoices = 3;
// NameEncoding outside 0-2 reads as 0.
TExtraSettings ReadExtraSettings(const std::filesystem::path& file);
// Sets the extra keys in the file, keeping everything else in it; false when it could not be written.
[[nodiscard]] bool WriteExtraSettings(const std::filesystem::path& file, const TExtraSettings& extra);

// Reads the file. A missing or unreadable file, a missing section or key, and a value that is no
// valid integer give the defaults. "Index" is limited to -1 … 1, as the two-item radio group does.
TSettings ReadSettings(const std::filesystem::path& file);

// Writes every value; the "FormMain" keys only when writeBounds is set. A text with a line break
// (a file name on Linux may hold one) is written empty, as a value is one line. The rest of an existing
// file (other sections, other keys, comments) is kept. The file is written beside the old one
// under a temporary name and renamed into place, so it is either the old or the new file, never
// half of one. Returns false when it could not be written (the old file is then unchanged).
[[nodiscard]] bool WriteSettings(const std::filesystem::path& file, const TSettings& settings,
                                 bool writeBounds);

// Removes the file; whether that succeeds is not reported.
void DeleteSettings(const std::filesystem::path& file);

// An integer value: decimal with an optional sign, or hexadecimal after "0x"/"0X" (up to 32 bits,
// 0xFFFFFFFF reads as -1); anything else gives def.
int ParseIniInteger(std::string_view value, int def);

// The radio group's limit for an item index: -1 (no item) to count - 1.
int LimitRadioIndex(int index, int count = 2);

// Whether stored bounds may be used on a screen: at least 10 pixels left free to the right and
// at the bottom, and the top-left corner on the screen.
bool BoundsFitScreen(const TBounds& bounds, const TBounds& screen);

// Where the main window goes: the stored bounds when they fit the screen, else 980 x 730 centred.
TBounds PlaceWindow(const TBounds& stored, const TBounds& screen);

// The folder part of a file name: everything up to and including its last path separator; empty
// for a name without one (such as "*.*").
std::string FolderPart(std::string_view fileName);

} // namespace kelda
