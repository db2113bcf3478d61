// SPDX-License-Identifier: MIT
// Line splitting for the header grid, trailing-separator tests and the folder lister.
#pragma once

#include "util/jString.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

// Folder entry attribute bits. On POSIX they are derived from the entry: a folder is faDirectory,
// a regular file faArchive, an entry without owner write permission faReadOnly, a name that
// starts with "." faHidden, and every other kind (symbolic link, device, FIFO, socket) faSysFile.
inline constexpr std::uint16_t faReadOnly = 0x01;
inline constexpr std::uint16_t faHidden = 0x02;
inline constexpr std::uint16_t faSysFile = 0x04;
inline constexpr std::uint16_t faVolumeID = 0x08;
inline constexpr std::uint16_t faDirectory = 0x10;
inline constexpr std::uint16_t faArchive = 0x20;
inline constexpr std::uint16_t faAnyFile = 0x3F;

// Appends the fields of one line to list (which is not cleared first). The first rule that
// applies decides: tab-separated; quoted ("a","b" with the closing quote dropped); comma-separated;
// the whole line as one field. An empty line gives one empty field.
void SplitFields(std::string_view line, std::vector<std::string>& list,
                 TTextEncoding enc = TTextEncoding::Utf8);

// True if the path is longer than two bytes and its last character is a backslash (a 0x5C that
// is the second byte of a double-byte character does not count).
bool HasTrailingBackslash(std::string_view path, TTextEncoding enc = TTextEncoding::Utf8);

// True if the last character of the path is the native path separator.
bool HasTrailingSeparator(std::string_view path, TTextEncoding enc = TTextEncoding::Utf8);

// The attribute bits of a folder entry (see above); 0 when the entry cannot be examined.
std::uint16_t FileAttributes(const std::filesystem::path& entry);

// Appends the full paths of the entries of folder whose attributes share a bit with mask (or
// whose attributes are 0, when includeBare is set), in name order. clearFirst empties list first.
// markFolders ends folder paths with the separator. recurse lists each subfolder right after its
// own path, with folders marked; symbolic links are never followed. clearProtection gives each
// entry owner write permission. Nothing is reported: a missing or unreadable folder, and an empty
// folder path, add nothing.
void ListFolder(std::string folder, std::uint16_t mask, bool includeBare, bool clearFirst,
                std::vector<std::string>& list, bool recurse, bool markFolders, bool clearProtection);

} // namespace kelda
