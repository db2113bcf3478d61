// SPDX-License-Identifier: MIT
// The File menu's fork items: the resource fork, AppleDouble and AppleSingle exports and the
// extraction of the file shown, and Make MacBinary from forks. Like the MacBinary page's
// conversions they need a file shown, ask for the output with SaveDialog2, never write over the
// source, ask before they replace a read-only file, write through a temporary file, show their
// progress with Cancel and leave errors to the window's guard.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/QtText.h"
#include "app/TCheckPage.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/TExtractDialog.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "macbinary/LogBlock.h"
#include "textview/TEditor.h"
#include "util/TFolder.h"

#include <QAction>
#include <QMenu>

#include <cstdlib>
#include <memory>

namespace kelda {

namespace {

// The file the File menu's items work on: the BinHex file the check page holds (read last), else
// the MacBinary page's file; an empty Path when neither is.
struct TShownFile {
    std::shared_ptr<const TMacFileSource> BinHex; // null for the MacBinary page's file
    std::filesystem::path Path;
};

TShownFile ShownFile(const std::shared_ptr<const TMacFileSource>& binHex, const TMacBinaryPage& page) {
    if (binHex != nullptr) {
        return {binHex, binHex->Path()};
    }
    return {nullptr, page.FileWasRead() ? page.Shown().Path : std::filesystem::path()};
}

} // namespace

std::string TFormMain::ShownMacName() const {
    if (const std::shared_ptr<const TMacFileSource>& binHex = CheckPage->BinHexFile()) {
        const std::string name = ExtractName(binHex->File());
        return name.empty() ? binHex->Path().stem().string() : name;
    }
    const TInspection& shown = TabSheet1->Model().Shown();
    const std::string name = ExtractName(MacFileFromHeader(shown.Header, shown.Size, NameEncodingChoice()));
    return name.empty() ? shown.Path.stem().string() : name;
}

bool TFormMain::AskExportOutput(TFileDialogState& state, std::string_view filter,
                                const std::filesystem::path& source, const std::string& name,
                                std::optional<TResourceForm> extractForm) {
    // The name built from the file, in the folder used last; never a name left over from another
    // file or another run.
    const std::filesystem::path start =
        state.InitialDir.isEmpty() ? source.parent_path() : ToPath(state.InitialDir);
    state.Path = start / name;
    state.FileName = FromPath(state.Path);
    state.Filter = Q(filter);
    if (!dialogs_.SaveFile(this, state)) {
        return false;
    }
    std::vector<std::filesystem::path> outputs{state.Path};
    if (extractForm) {
        outputs.push_back(ResourceFileName(state.Path, *extractForm));
    }
    // One rule for every item: nothing is written through a symbolic link (its target may be any
    // file). An existing file is replaced only after a question; a read-only one gets RunLongWork's
    // own question instead, so that no output is asked about twice.
    bool replaces = false;
    for (const std::filesystem::path& output : outputs) {
        std::error_code ec;
        if (std::filesystem::is_symlink(std::filesystem::symlink_status(output, ec))) {
            ShowMessage(TMsg::NoWriteThroughLink);
            return false;
        }
        const std::optional<TFileStat> st = StatFile(output);
        // The source itself is refused by the writers' own guard, with its own message.
        replaces = replaces || (st && st->Regular && st->Writable && !IsSameFile(output, source));
    }
    return !replaces || dialogs_.AskYesNo(this, MessageQ(TMsg::ReplaceExisting));
}

void TFormMain::LogWritten(const std::filesystem::path& source,
                           std::initializer_list<std::filesystem::path> outputs) {
    for (const std::filesystem::path& output : outputs) {
        std::error_code ec;
        const auto bytes = std::filesystem::file_size(output, ec);
        LogAppend(Q(LogWrittenLine(FromPath(source).toStdString(), FromPath(output).toStdString(),
                                   ec ? 0 : static_cast<std::int64_t>(bytes))));
    }
    BtnLogEndClick(this);
}

// An export of the file shown into a file the user names, under the fork work's guards; suffix
// and prefix make the name offered from the Mac name. exportTo takes the file shown (ShownFile):
// the opened BinHex file, or the path of the MacBinary page's file.
template <typename F> void TFormMain::ExportShown(const char* prefix, const char* suffix, F exportTo) {
    const TShownFile shown = ShownFile(CheckPage->BinHexFile(), TabSheet1->Model());
    const std::shared_ptr<const TMacFileSource>& binHex = shown.BinHex;
    const std::filesystem::path& source = shown.Path;
    if (source.empty()) {
        ShowMessage(TMsg::FileNotRead);
        return;
    }
    if (!AskExportOutput(SaveDialog2_, kFilterSaveDialog2, source, prefix + ShownMacName() + suffix)) {
        return;
    }
    const std::filesystem::path output = SaveDialog2_.Path;
    const TForkStatus status = RunLongWork(
        TMsg::ProgressForks, [&](TCutPolicy policy, const ProgressFn& progress, bool replaceReadOnly) {
            return binHex != nullptr ? exportTo(*binHex, output, policy, progress, replaceReadOnly)
                                     : exportTo(source, output, policy, progress, replaceReadOnly);
        });
    if (ForkOutputWritten(status)) {
        LogWritten(source, {output});
    }
}

void TFormMain::ExportApple(bool single) {
    ExportShown(single ? "" : "._", single ? ".as" : "",
                [single](const auto& source, const std::filesystem::path& output, TCutPolicy policy,
                         const ProgressFn& progress, bool replaceReadOnly) {
                    return ExportAppleFile(single ? TAppleKind::Single : TAppleKind::Double, source, output,
                                           policy, progress, replaceReadOnly);
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
    const bool binHex = CheckPage->BinHexFile() != nullptr;
    MenuSaveBinHex->setEnabled(binHex || TabSheet1->Model().FileWasRead());
    MenuSaveMacBinary->setEnabled(binHex);
}

namespace {

// The file shown (ShownFile) as a Mac file of the one model; null when there is none.
std::shared_ptr<const TMacFileSource> ShownMacFile(const TShownFile& shown, TMacEncoding encoding) {
    if (shown.BinHex != nullptr || shown.Path.empty()) {
        return shown.BinHex;
    }
    return std::make_shared<const TMacFileSource>(TMacFileSource::OpenMacBinary(shown.Path, encoding));
}

} // namespace

void TFormMain::SaveContainer(const std::shared_ptr<const TMacFileSource>& source,
                              const TContainerWriter& write) {
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
                    return write(*source, output, policy, progress, replaceReadOnly);
                });
}

void TFormMain::MenuSaveBinHexClick() {
    SaveContainer(ShownMacFile(ShownFile(CheckPage->BinHexFile(), TabSheet1->Model()), NameEncodingChoice()),
                  [](const TMacFileSource& source, const std::filesystem::path& output, TCutPolicy policy,
                     const ProgressFn& progress, bool replaceReadOnly) {
                      return ExportBinHex(source, output, policy, progress, replaceReadOnly);
                  });
}

void TFormMain::MenuSaveMacBinaryClick() {
    // The BinHex file the check page shows.
    SaveContainer(CheckPage->BinHexFile(),
                  [](const TMacFileSource& source, const std::filesystem::path& output, TCutPolicy policy,
                     const ProgressFn& progress, bool replaceReadOnly) {
                      return ExportMacBinary(source, output, 3, policy, progress, replaceReadOnly);
                  });
}

void TFormMain::MenuExportResourceForkClick() {
    ExportShown("", ".rsrc",
                [](const auto& source, const std::filesystem::path& output, TCutPolicy policy,
                   const ProgressFn& progress, bool replaceReadOnly) {
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
    const TShownFile shown = ShownFile(CheckPage->BinHexFile(), TabSheet1->Model());
    const std::shared_ptr<const TMacFileSource>& binHex = shown.BinHex;
    const std::filesystem::path& source = shown.Path;
    if (source.empty()) {
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
    if (!AskExportOutput(SaveDialog2_, kFilterSaveDialog2, source, ShownMacName(), form)) {
        return;
    }
    const std::filesystem::path chosen = SaveDialog2_.Path;
    const TForkStatus status = RunLongWork(TMsg::ProgressForks, [&](TCutPolicy policy,
                                                                    const ProgressFn& progress,
                                                                    bool replaceReadOnly) {
        const std::string name = chosen.filename().string();
        return (binHex != nullptr
                    ? Extract(*binHex, chosen.parent_path(), form, policy, progress, name, replaceReadOnly)
                    : Extract(source, chosen.parent_path(), form, policy, progress, name, replaceReadOnly))
            .Status;
    });
    if (ForkOutputWritten(status)) {
        LogWritten(source, {chosen, ResourceFileName(chosen, form)});
    }
}

void TFormMain::MenuMakeMacBinaryClick() {
    if (TabSheet1->Model().FileWasRead() && OpenDialog3_.InitialDir.isEmpty()) {
        OpenDialog3_.InitialDir = FromPath(TabSheet1->Model().Shown().Path.parent_path());
    }
    TMakeMacBinaryDialog dialog(this, dialogs_, OpenDialog3_, IsJapanese());
    dialog.SetFields(makeMacBinaryFields_);
    const int answer = dialog.exec();
    // What the user typed stays for the next opening until a file has been made from it.
    makeMacBinaryFields_ = dialog.Fields();
    if (answer != QDialog::Accepted) {
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
    if (!AskExportOutput(SaveDialog2_, kFilterSaveDialog2, dataFile, dataFile.filename().string() + ".bin")) {
        return;
    }
    const std::filesystem::path output = SaveDialog2_.Path;
    const TForkStatus status =
        RunLongWork(TMsg::ProgressForks, [&](TCutPolicy, const ProgressFn& progress, bool replaceReadOnly) {
            return ForkStatusOf(EncodeMacBinary(dataFile, output, options, progress, replaceReadOnly));
        });
    if (ForkOutputWritten(status)) {
        makeMacBinaryFields_ = {};
        LogWritten(dataFile, {output});
    }
}

} // namespace kelda
