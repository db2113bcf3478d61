// SPDX-License-Identifier: MIT
#include "crc/TCrcPage.h"

namespace kelda {

TCrcPage::TCrcPage() : files_(kRecentFileCount) {}

void TCrcPage::LoadFileList(std::span<const std::string> entries) {
    for (std::size_t i = 0; i < files_.size(); ++i) {
        files_[i] = i < entries.size() ? std::filesystem::path(entries[i]) : std::filesystem::path();
    }
    fileIndex_ = 0;
    Changed();
}

void TCrcPage::UpdateFileList(const std::filesystem::path& name) {
    std::vector<std::string> entries;
    entries.reserve(files_.size());
    for (const std::filesystem::path& file : files_) {
        entries.push_back(file.string());
    }
    const std::vector<std::string> updated = UpdateRecentFiles(name.string(), entries);
    for (std::size_t i = 0; i < files_.size(); ++i) {
        files_[i] = i < updated.size() ? std::filesystem::path(updated[i]) : std::filesystem::path();
    }
    fileIndex_ = 0;
    Changed();
}

bool TCrcPage::CrcFileExists() const {
    return kelda::CrcFileExists(ChosenFile().string());
}

void TCrcPage::CrcGetFileCrc(const ProgressFn& progress) {
    kelda::CrcFile(CrcSelect(), ChosenFile(), progress);
}

std::string TCrcPage::ResultLine(std::string_view shownName) {
    return CrcResultLine(CrcVariants[variant_].Entry, CrcSelect(), shownName);
}

std::vector<std::string> TCrcPage::AllResultLines(std::string_view shownName,
                                                  const ProgressFn& progress) const {
    return CrcAllResultLines(CrcFileAll(ChosenFile(), progress), shownName);
}

} // namespace kelda
