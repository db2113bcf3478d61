// SPDX-License-Identifier: MIT
#include "util/NameEncoding.h"

#include "util/MacText.h"
#include "util/jString.h"

#include <system_error>

namespace kelda {

namespace fs = std::filesystem;

namespace {

bool EntryExists(const fs::path& path) {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path, ec));
}

// The entry of folder whose readable name is text, if there is one.
std::optional<std::string> EntryReadAs(const fs::path& folder, std::string_view text) {
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (ReadableName(name) == text) {
            return name;
        }
    }
    return std::nullopt;
}

} // namespace

bool IsUtf8Text(std::string_view bytes) {
    for (std::size_t pos = 0; pos < bytes.size();) {
        const std::size_t width = StepChar(bytes, pos, TTextEncoding::Utf8);
        // A byte of 0x80 or above that is a character of its own is no part of a well-formed sequence.
        if (width == 1 && static_cast<unsigned char>(bytes[pos - 1]) >= 0x80) {
            return false;
        }
    }
    return true;
}

std::optional<std::string> ReadableName(std::string_view bytes) {
    if (IsUtf8Text(bytes)) {
        return std::string(bytes);
    }
    if (IsValidCp932Text(bytes)) {
        return MacTextToUtf8(bytes, TMacEncoding::Japanese);
    }
    return std::nullopt;
}

fs::path FindNamedPath(std::string_view text) {
    std::string path;  // the bytes so far, ending in a separator unless empty
    bool found = true; // below a component that is missing, nothing can be found
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = text.find('/', start);
        const std::string_view component =
            text.substr(start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        std::string name(component);
        if (found && !component.empty() && component != "." && component != ".." &&
            !EntryExists(path + name)) {
            if (const auto entry = EntryReadAs(path.empty() ? fs::path(".") : fs::path(path), component)) {
                name = *entry;
            } else {
                found = false;
            }
        }
        path += name;
        if (slash == std::string_view::npos) {
            return path;
        }
        path += '/';
        start = slash + 1;
    }
}

} // namespace kelda
