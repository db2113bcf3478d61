// SPDX-License-Identifier: MIT
// TFormMain's Images page and the other containers a file read may be: a BinHex file shown on the
// Check and Resources pages, a disk image (bare, DiskCopy 4.2, partitioned, or inside a Mac file)
// on the Images page, and "Extract from image…", which writes the files chosen there in the form
// chosen into a folder through the fork writers' guards, asking before it replaces a file.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/TCheckPage.h"
#include "app/TPageControl.h"
#include "forks/MacFileCheck.h"
#include "image/TImagePage.h"
#include "resources/TResourcePage.h"
#include "util/FillText.h"

#include "textview/TEditor.h"

#include <QAction>
#include <QTreeWidget>

#include <memory>

namespace kelda {

void TFormMain::BuildImagesPage() {
    ImagePage = new TImagePage;
    ImagePage->Tree->setFont(Editor1->font());
    // Last, after the Help page: the designed pages keep their places (and Ctrl+Tab counts).
    PageControl1->addTab(ImagePage, QString::fromUtf8(FindForkCaption("TabSheetImages")->English));
}

void TFormMain::ImagesLanguageChange() {
    if (ImagePage == nullptr) {
        return;
    }
    const bool japanese = IsJapanese();
    const TCaptionEntry* caption = FindForkCaption("TabSheetImages");
    PageControl1->setTabText(PageControl1->indexOf(ImagePage),
                             QString::fromUtf8(japanese ? caption->Japanese : caption->English));
    ImagePage->SetJapanese(japanese);
}

bool TFormMain::ReadOtherFile(const std::filesystem::path& file) {
    bool shown = false;
    if (SniffContainer(file) == TMacContainer::BinHex) {
        // The one check's report on the Check page, whatever the decoding found; the page keeps
        // the file opened, and the Resources page shows its resource fork.
        CheckPage->ShowFile(file, IsJapanese(), NameEncodingChoice());
        CheckLanguageChange();
        if (CheckPage->BinHexFile() != nullptr) {
            ShowResources(TResourceModel::FromMacFile(CheckPage->BinHexFile(), NameEncodingChoice()));
        }
        UpdateContainerMenu();
        PageControl1->setCurrentWidget(CheckPage);
        shown = true;
    }
    if (ShowImage(file)) {
        if (!shown) {
            PageControl1->setCurrentWidget(ImagePage);
        }
        shown = true;
    }
    return shown;
}

bool TFormMain::ShowImage(const std::filesystem::path& file) {
    try {
        ImagePage->Show(TImageModel::Open(file, NameEncodingChoice()));
    } catch (const EImageError& e) {
        if (e.Finding().Kind == TImageFault::NotDiskImage) {
            return false;
        }
        throw; // a damaged image layer: the error box names it
    } catch (const EBilingualError&) {
        return false; // a damaged container around it, which the other pages report
    }
    ImagePage->SetJapanese(IsJapanese());
    MenuExtractImage->setEnabled(true);
    return true;
}

void TFormMain::MenuExtractImageClick() {
    const std::optional<TImageModel>& model = ImagePage->Model();
    if (!model) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    std::vector<std::size_t> chosen = ImagePage->SelectedRows();
    if (chosen.empty()) {
        for (std::size_t row = 0; row < model->Rows().size(); ++row) {
            if (model->Rows()[row].Entry == nullptr) {
                chosen.push_back(row); // every volume
            }
        }
    }
    const TImageForm form = ImagePage->Form();
    const std::string suffix = ImageFormSuffix(form);
    std::vector<TImageModel::TExtractItem> items = model->ExtractItems(chosen, {});
    if (items.empty()) {
        return;
    }
    // The save dialog proposes the first file's name in the folder chosen last; the files go into
    // the folder chosen there, one file chosen alone under the name given.
    const std::filesystem::path folder =
        SaveDialog2_.InitialDir.isEmpty() ? model->File().parent_path() : ToPath(SaveDialog2_.InitialDir);
    SaveDialog2_.Path = folder / (items.front().Local.filename().string() + suffix);
    SaveDialog2_.FileName = FromPath(SaveDialog2_.Path);
    if (!AskOutputName()) {
        return;
    }
    const std::filesystem::path target = SaveDialog2_.Path.parent_path();
    const bool oneFile = items.size() == 1 && chosen.size() == 1 &&
                         model->Rows()[chosen.front()].Entry != nullptr &&
                         model->Rows()[chosen.front()].Entry->Kind == THfsKind::File;
    items = model->ExtractItems(chosen, target);
    std::vector<std::filesystem::path> outputs;
    for (const TImageModel::TExtractItem& item : items) {
        outputs.push_back(oneFile ? SaveDialog2_.Path : std::filesystem::path(item.Local.string() + suffix));
    }
    // Never a file replaced unasked: one question for all that are there already; No leaves them.
    std::vector<bool> skip(items.size(), false);
    bool asked = false;
    bool replace = false;
    for (std::size_t i = 0; i < items.size(); ++i) {
        for (const std::filesystem::path& out : ImageFormOutputs(outputs[i], form)) {
            std::error_code ec;
            if (!std::filesystem::exists(std::filesystem::symlink_status(out, ec))) {
                continue;
            }
            if (!asked) {
                replace = dialogs_.AskYesNo(this, MessageQ(TMsg::ImageReplaceAsk));
                asked = true;
            }
            skip[i] = skip[i] || !replace;
        }
    }
    std::size_t written = 0;
    std::size_t failed = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (skip[i]) {
            ++failed;
            continue;
        }
        const std::filesystem::path& out = outputs[i];
        std::error_code ec;
        std::filesystem::create_directories(out.parent_path(), ec);
        if (ec) {
            throw EFileError::createFailed(out.parent_path(), ec.value());
        }
        std::optional<TMacFileSource> source;
        try {
            source = model->OpenFile(items[i].Row);
        } catch (const EImageError& e) {
            ShowError(e.what(), e.english()); // this file's forks lie outside the image; the rest go on
            ++failed;
            continue;
        }
        const TForkStatus status = RunLongWork(
            TMsg::ProgressForks, [&](TCutPolicy policy, const ProgressFn& progress, bool readOnly) {
                return ExportImageFile(*source, out, form, policy, progress, readOnly);
            });
        ++(ForkOutputWritten(status) ? written : failed);
    }
    if (items.size() > 1 || failed > 0) {
        dialogs_.Message(this,
                         QString::fromStdString(FillText(MessageText(TMsg::ImageExtractSummary, IsJapanese()),
                                                         {std::to_string(written), std::to_string(failed)})));
    }
}

} // namespace kelda
