// SPDX-License-Identifier: MIT
// What the CRC page holds between events: the recent-file list (the files' own bytes), the
// operation and the variant chosen, and the twelve engines. It is the page's one source of truth:
// the window's controls call its setters with the user's choice, and every change is announced
// (OnChanged) so that the window shows the list in ComboBox1 and the choices in ListBox2 and
// ListBox1 from here. The result lines made here are appended to Editor2; kelda-cli crc makes its
// lines with the same builder (CrcPage.h).
#pragma once

#include "crc/CrcPage.h"
#include "crc/CrcUtils.h"
#include "crc/RecentFiles.h"
#include "util/Progress.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kelda {

class TCrcPage {
public:
    TCrcPage();

    // Called after every change of the list, the entry chosen, the operation or the variant (also
    // when a setter leaves the value as it was): the view shows the model again.
    void SetOnChanged(std::function<void()> onChanged) { onChanged_ = std::move(onChanged); }

    // ------------------------------------------------------------ recent-file list
    // Always kRecentFileCount entries, the most recent first; empty entries stand last.
    const std::vector<std::filesystem::path>& FileList() const { return files_; }
    // The entries as the settings file holds them (missing ones empty); entry 0 is chosen.
    void LoadFileList(std::span<const std::string> entries);
    // name goes to the top (its older copy, if any, leaves its place) and is chosen.
    void UpdateFileList(const std::filesystem::path& name);
    // The entry every computation reads.
    std::size_t FileIndex() const { return fileIndex_; }
    void SetFileIndex(std::size_t index) {
        fileIndex_ = index < files_.size() ? index : 0;
        Changed();
    }
    const std::filesystem::path& ChosenFile() const { return files_[fileIndex_]; }
    // Whether ChosenFile names a file a CRC can be computed of.
    bool CrcFileExists() const;

    // ------------------------------------------------------------ choices
    TCrcOperation Operation() const { return operation_; }
    // An operation outside the list (a row of none) is Each.
    void SetOperation(TCrcOperation operation) {
        operation_ = operation >= TCrcOperation::Each && operation <= TCrcOperation::Clear
                         ? operation
                         : TCrcOperation::Each;
        Changed();
    }
    std::size_t Variant() const { return variant_; }
    void SetVariant(std::size_t variant) {
        variant_ = variant < CrcVariantCount ? variant : 0;
        Changed();
    }
    // The answer to choosing a variant now.
    TCrcRefusal VariantChoice() const { return CheckVariantChoice(CrcFileExists(), operation_); }

    // ------------------------------------------------------------ engines and results
    // Made when the window is created and freed when it closes.
    void CreateEngines() { engines_ = MakeCrcEngines(); }
    void FreeEngines() { engines_.clear(); }
    const std::vector<std::unique_ptr<TCrc>>& CrcEngines() const { return engines_; }
    // The engine of the chosen variant.
    TCrc& CrcSelect() { return *engines_.at(variant_); }
    // The chosen engine over ChosenFile; the value stays in its register.
    void CrcGetFileCrc(const ProgressFn& progress);
    // The result line of the chosen engine's value; shownName is ChosenFile as the list shows it.
    std::string ResultLine(std::string_view shownName);
    // All twelve variants over one reading of ChosenFile, in list order.
    std::vector<std::string> AllResultLines(std::string_view shownName, const ProgressFn& progress) const;

private:
    void Changed() const {
        if (onChanged_) {
            onChanged_();
        }
    }

    std::function<void()> onChanged_;
    std::vector<std::filesystem::path> files_;
    std::size_t fileIndex_ = 0;
    TCrcOperation operation_ = TCrcOperation::Each;
    std::size_t variant_ = 0;
    std::vector<std::unique_ptr<TCrc>> engines_;
};

} // namespace kelda
