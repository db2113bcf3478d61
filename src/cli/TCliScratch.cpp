#include "cli/TCliScratch.h"

#include "util/TFileStream.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>

namespace kelda {

TCliScratch::TCliScratch() {
    std::error_code ec;
    std::filesystem::path base = std::filesystem::temp_directory_path(ec);
    if (ec) {
        base = "/tmp";
    }
    std::string pattern = (base / "kelda-cli-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        throw EFileError::createFailed(pattern, errno);
    }
    folder_ = pattern;
}

TCliScratch::~TCliScratch() {
    std::error_code ec;
    std::filesystem::remove_all(folder_, ec);
}

} // namespace kelda
