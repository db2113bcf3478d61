// SPDX-License-Identifier: MIT
// The File menu's fork items: the resource fork, AppleDouble and AppleSingle exports and the
// extraction of the file shown, and Make MacBinary from forks. Like the MacBinary page's
// conversions they need a file shown, ask for the output with SaveDialog2, never write over the
// source, ask before they replace a read-only file, write through a temporary file, show their
// progress with Cancel and leave errors to the window's guard.
#include "app/Main.h"
#include "app/PathText.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/TExtractDialog.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QMenu>

#include <cstdlib>
#include <memory>

namespace kelda {

// An export of the file shown into a file the user names, under the fork work's guards.
template <typename F> void TFormMain::ExportShown(F exportTo) {
    if (!macBinaryPage_.FileWasRead()) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    if (!AskOutputName()) {
        return;
    }
    const std::filesystem::path source = macBinaryPage_.Shown().Path;
    const std::filesystem::path output = SaveDialog2_.Path;
    RunLongWork(TMsg::ProgressForks,
                [&](TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
                    return exportTo(source, output, policy, progress, replaceReadOnly);
                });
}

void TFormMain::ExportApple(bool single) {
    ExportShown([single](const std::filesystem::path& source, const std::filesystem::path& output,
                         TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
        return ExportAppleFile(single ? TAppleKind::Single : TAppleKind::Double, source, output, policy,
                               progress, replaceReadOnly);
    });
}

void TFormMain::BuildForkMenu() {
    const struct {
        QAction** Action;
        const char* Name;
        void (TFormMain::*Handler)();
    } items[] = {
        {&MenuExportResourceFork, "MenuExportResourceFork", &TFormMain::MenuExportResourceForkClick},
        {&MenuExportAppleDouble, "MenuExportAppleDouble", &TFormMain::MenuExportAppleDoubleClick},
        {&MenuExportAppleSingle, "MenuExportAppleSingle", &TFormMain::MenuExportAppleSingleClick},
        {&MenuExtract, "MenuExtract", &TFormMain::MenuExtractClick},
        {&MenuMakeMacBinary, "MenuMakeMacBinary", &TFormMain::MenuMakeMacBinaryClick},
        {&MenuSaveBinHex, "MenuSaveBinHex", &TFormMain::MenuSaveBinHexClick},
        {&MenuSaveMacBinary, "MenuSaveMacBinary", &TFormMain::MenuSaveMacBinaryClick},
        {&MenuExtractImage, "MenuExtractImage", &TFormMain::MenuExtractImageClick},
    };
    for (const auto& item : items) {
        auto* action = new QAction(QString::fromUtf8(FindForkCaption(item.Name)->English), MenuFile);
        action->setObjectName(item.Name);
        MenuFile->insertAction(MenuQuit, action);
        connect(action, &QAction::triggered, this,
                [this, handler = item.Handler] { Guard([this, handler] { (this->*handler)(); }); });
        *item.Action = action;
    }
    MenuFile->insertSeparator(MenuQuit);
    for (QAction* item : {MenuSaveBinHex, MenuSaveMacBinary, MenuExtractImage}) {
        item->setEnabled(false); // until a file they take is shown
    }
}

void TFormMain::UpdateContainerMenu() {
    MenuSaveBinHex->setEnabled(binHexShown_ != nullptr || macBinaryPage_.FileWasRead());
    MenuSaveMacBinary->setEnabled(binHexShown_ != nullptr);
}

// The file shown as a Mac file of the one model: the BinHex file read last, else the MacBinary
// page's file; null when neither is.
namespace {

std::shared_ptr<const TMacFileSource> ShownMacFile(const std::shared_ptr<const TMacFileSource>& binHex,
                                                   const TMacBinaryPage& page, TMacEncoding encoding) {
    if (binHex != nullptr) {
        return binHex;
    }
    if (!page.FileWasRead()) {
        return nullptr;
    }
    return std::make_shared<const TMacFileSource>(TMacFileSource::OpenMacBinary(page.Shown().Path, encoding));
}

} // namespace

void TFormMain::MenuSaveBinHexClick() {
    const std::shared_ptr<const TMacFileSource> source =
        ShownMacFile(binHexShown_, macBinaryPage_, NameEncodingChoice());
    if (source == nullptr) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    if (!AskOutputName()) {
        return;
    }
    const std::filesystem::path output = SaveDialog2_.Path;
    RunLongWork(TMsg::ProgressForks,
                [&](TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
                    return ExportBinHex(*source, output, policy, progress, replaceReadOnly);
                });
}

void TFormMain::MenuSaveMacBinaryClick() {
    if (binHexShown_ == nullptr) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    if (!AskOutputName()) {
        return;
    }
    const std::shared_ptr<const TMacFileSource> source = binHexShown_;
    const std::filesystem::path output = SaveDialog2_.Path;
    RunLongWork(TMsg::ProgressForks,
                [&](TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
                    return ExportMacBinary(*source, output, 3, policy, progress, replaceReadOnly);
                });
}

void TFormMain::MenuExportResourceForkClick() {
    ExportShown([](const std::filesystem::path& source, const std::filesystem::path& output,
                   TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
        return ExportResourceFork(source, output, policy, progress, replaceReadOnly);
    });
}

void TFormMain::MenuExportAppleDoubleClick() {
    ExportApple(false);
}

void TFormMain::MenuExportAppleSingleClick() {
    ExportApple(true);
}

void TFormMain::MenuExtractClick() {
    if (!macBinaryPage_.FileWasRead()) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    // First the form of the resource fork (the last one chosen is offered again); then the save
    // dialog proposes the Mac name made safe, in the folder chosen last; the data fork goes to the
    // name chosen there and the resource fork beside it.
    TExtractDialog formDialog(this, extractForm_, IsJapanese());
    if (formDialog.exec() != QDialog::Accepted) {
        return;
    }
    extractForm_ = formDialog.Form();
    const TResourceForm form = extractForm_;
    const TInspection& shown = macBinaryPage_.Shown();
    const std::string name = ExtractName(MacFileFromHeader(shown.Header, shown.Size, NameEncodingChoice()));
    const std::filesystem::path folder =
        SaveDialog2_.InitialDir.isEmpty() ? shown.Path.parent_path() : ToPath(SaveDialog2_.InitialDir);
    SaveDialog2_.Path = folder / name;
    SaveDialog2_.FileName = FromPath(SaveDialog2_.Path);
    if (!AskOutputName()) {
        return;
    }
    const std::filesystem::path source = shown.Path;
    const std::filesystem::path chosen = SaveDialog2_.Path;
    RunLongWork(TMsg::ProgressForks,
                [&](TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
                    return Extract(source, chosen.parent_path(), form, policy, progress,
                                   chosen.filename().string(), replaceReadOnly)
                        .Status;
                });
}

void TFormMain::MenuMakeMacBinaryClick() {
    if (macBinaryPage_.FileWasRead() && OpenDialog3_.InitialDir.isEmpty()) {
        OpenDialog3_.InitialDir = FromPath(macBinaryPage_.Shown().Path.parent_path());
    }
    TMakeMacBinaryDialog dialog(this, dialogs_, OpenDialog3_, IsJapanese());
    if (dialog.exec() != QDialog::Accepted) {
        return;
    }
    const std::filesystem::path dataFile = dialog.DataFork();
    std::error_code ec;
    if (dataFile.empty() || !std::filesystem::exists(dataFile, ec)) {
        ShowMessage(TMsg::FileNotFound);
        return;
    }
    TEncodeOptions options = dialog.Options();
    options.SourceDateEpoch = SourceDateEpochFromEnvironment();
    if (!AskOutputName()) {
        return;
    }
    const std::filesystem::path output = SaveDialog2_.Path;
    RunLongWork(TMsg::ProgressForks, [&](TCutPolicy, const ProgressFn& progress, bool replaceReadOnly) {
        return ForkStatusOf(EncodeMacBinary(dataFile, output, options, progress, replaceReadOnly));
    });
}

} // namespace kelda
