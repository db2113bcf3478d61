// SPDX-License-Identifier: MIT
#include "cli/TCliScratch.h"

#include "util/TFileStream.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#ifdef _WIN32
#include <process.h>
#endif

namespace kelda {

TCliScratch::TCliScratch() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
#ifdef _WIN32
    // No mkdtemp: a name from the process and a counter, created only when it is new.
    static int counter = 0;
    for (;;) {
        const std::filesystem::path candidate =
            base / ("kelda-cli-" + std::to_string(::_getpid()) + "-" + std::to_string(++counter));
        if (std::filesystem::create_directory(candidate, ec)) {
            folder_ = candidate;
            return;
        }
        if (ec) {
            throw EFileError::createFailed(candidate, ec.value());
        }
    }
#else
    std::string pattern = (base / "kelda-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw EFileError::createFailed(pattern, errno);
    }
    folder_ = pattern;
#endif
}

TCliScratch::~TCliScratch() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

} // namespace kelda
