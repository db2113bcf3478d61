// SPDX-License-Identifier: MIT
#include "util/Myutil.h"

#include <algorithm>
#include <system_error>

namespace kelda {

namespace fs = std::filesystem;

namespace {

constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);

// Byte offset where the last character of text starts; text.size() for an empty text.
std::size_t LastCharStart(std::string_view text, TTextEncoding enc) {
    std::size_t pos = 0;
    std::size_t last = text.size();
    while (pos < text.size()) {
        last = pos;
        StepChar(text, pos, enc);
    }
    return last;
}

bool EndsWithChar(std::string_view text, char c, TTextEncoding enc) {
    const std::size_t last = LastCharStart(text, enc);
    return last + 1 == text.size() && text[last] == c;
}

// Splits at every occurrence of a one-byte separator; the remainder after the last one is a field.
void SplitAt(std::string_view line, std::string_view separator, std::vector<std::string>& list,
             TTextEncoding enc) {
    for (std::size_t p = CharPos(separator, line, enc); p != 0; p = CharPos(separator, line, enc)) {
        list.emplace_back(line.substr(0, p - 1));
        line.remove_prefix(p - 1 + separator.size());
    }
    list.emplace_back(line);
}

} // namespace

void SplitFields(std::string_view line, std::vector<std::string>& list, TTextEncoding enc) {
    if (CharPos("\t", line, enc) != 0) {
        SplitAt(line, "\t", list, enc);
        return;
    }
    if (CharPos("\"", line, enc) == 1) {
        std::string_view rest = line.substr(1);
        if (rest.empty() || CharPos("\"", rest, enc) == rest.size()) {
            list.emplace_back(line.size() < 2 ? std::string_view() : line.substr(1, line.size() - 2));
            return;
        }
        for (std::size_t p = CharPos("\",\"", rest, enc); p != 0; p = CharPos("\",\"", rest, enc)) {
            list.emplace_back(rest.substr(0, p - 1));
            rest.remove_prefix(p - 1 + 3);
        }
        // The last character is taken to be the closing quote, whatever it is; it is dropped as a
        // whole character so that a multi-byte character is never cut in two.
        list.emplace_back(rest.substr(0, LastCharStart(rest, enc)));
        return;
    }
    if (CharPos(",", line, enc) != 0) {
        SplitAt(line, ",", list, enc);
        return;
    }
    list.emplace_back(line);
}

bool HasTrailingBackslash(std::string_view path, TTextEncoding enc) {
    return path.size() > 2 && EndsWithChar(path, '\\', enc);
}

bool HasTrailingSeparator(std::string_view path, TTextEncoding enc) {
    return EndsWithChar(path, kSeparator, enc);
}

std::uint16_t FileAttributes(const fs::path& entry) {
    std::error_code ec;
    const fs::file_status st = fs::symlink_status(entry, ec);
    if (ec || st.type() == fs::file_type::not_found) {
        return 0;
    }
    std::uint16_t attrs = 0;
    switch (st.type()) {
    case fs::file_type::directory:
        attrs |= faDirectory;
        break;
    case fs::file_type::regular:
        attrs |= faArchive;
        break;
    default:
        attrs |= faSysFile;
        break;
    }
    if (st.type() != fs::file_type::symlink &&
        (st.permissions() & fs::perms::owner_write) == fs::perms::none) {
        attrs |= faReadOnly;
    }
    const std::string name = entry.filename().string();
    if (!name.empty() && name[0] == '.') {
        attrs |= faHidden;
    }
    return attrs;
}

void ListFolder(std::string folder, std::uint16_t mask, bool includeBare, bool clearFirst,
                std::vector<std::string>& list, bool recurse, bool markFolders, bool clearProtection) {
    if (clearFirst) {
        list.clear();
    }
    // An empty path would otherwise become the file system's root.
    if (folder.empty()) {
        return;
    }
    if (!HasTrailingSeparator(folder)) {
        folder += kSeparator;
    }

    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        names.push_back(it->path().filename().string());
    }
    // The system returns entries in no particular order; name order makes listings repeatable.
    std::sort(names.begin(), names.end());

    for (const std::string& name : names) {
        if (name == "." || name == "..") {
            continue;
        }
        std::string full = folder + name;
        const std::uint16_t attrs = FileAttributes(full);
        const bool isFolder = (attrs & faDirectory) != 0;
        if (clearProtection && (attrs & (faDirectory | faArchive)) != 0) {
            std::error_code ignored;
            fs::permissions(full, fs::perms::owner_write, fs::perm_options::add | fs::perm_options::nofollow,
                            ignored);
        }
        if (isFolder && markFolders && !HasTrailingSeparator(full)) {
            full += kSeparator;
        }
        if ((attrs & mask) != 0 || (attrs == 0 && includeBare)) {
            list.push_back(full);
        }
        if (recurse && isFolder) {
            ListFolder(full, mask, includeBare, false, list, true, true, clearProtection);
        }
    }
}

} // namespace kelda
