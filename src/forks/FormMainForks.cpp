// The File menu's fork items: the resource fork, AppleDouble and AppleSingle exports and the
// extraction of the file shown, and Make MacBinary from forks. Like the MacBinary page's
// conversions they need a file shown, ask for the output with SaveDialog2, never write over the
// source, write through a temporary file, show their progress with Cancel and leave errors to the
// window's guard.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/TProgressRunner.h"
#include "forks/ForkExport.h"
#include "forks/MacBinaryEncoder.h"
#include "forks/MacDate.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QFileInfo>
#include <QMenu>

#include <cstdlib>

namespace kelda {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool FileShown(TFormMain& form) {
    if (form.Editor1->LineCount() == 0) {
        form.ShowMessage(TMsg::FileNotRead);
        return false;
    }
    return true;
}

bool AskOutput(TFormMain& form) {
    form.SaveDialog2.Filter = Q(kFilterSaveDialog2);
    return form.Dlg().SaveFile(&form, form.SaveDialog2);
}

// Runs work (which takes the cut policy and the progress callback) under the progress dialog. A
// fork cut short in the source is first refused; the user may then have its bytes written.
template <typename F> void RunForkWork(TFormMain& form, F work) {
    const auto run = [&](TCutPolicy policy) {
        TProgressRunner progress(&form,
                                 TProgressRunner::Texts(form.IsJapanese(), TMsg::ProgressForks,
                                                        QFileInfo(form.SaveDialog2.FileName).fileName()),
                                 form.ProgressClock);
        return work(policy, progress.Fn());
    };
    TForkStatus status = run(TCutPolicy::Refuse);
    if (status == TForkStatus::RefusedCut) {
        if (!form.Dlg().AskYesNo(&form, form.MessageQ(TMsg::ForkCutAsk))) {
            return;
        }
        status = run(TCutPolicy::WriteWhatExists);
    }
    if (status == TForkStatus::SourceIsOutput) {
        form.ShowMessage(TMsg::CannotWriteOverSource);
    } else if (status == TForkStatus::ThroughLink) {
        form.ShowMessage(TMsg::NoWriteThroughLink);
    }
}

void ExportApple(TFormMain& form, TAppleKind kind) {
    if (!FileShown(form) || !AskOutput(form)) {
        return;
    }
    const std::filesystem::path source = ToPath(form.FFileName);
    const std::filesystem::path output = ToPath(form.SaveDialog2.FileName);
    RunForkWork(form, [&](TCutPolicy policy, const ProgressFn& progress) {
        return ExportAppleFile(kind, source, output, policy, progress);
    });
}

std::optional<std::int64_t> SourceDateEpoch() {
    const char* value = std::getenv("SOURCE_DATE_EPOCH");
    return value != nullptr ? ParseSourceDateEpoch(value) : std::nullopt;
}

} // namespace

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
}

void TFormMain::MenuExportResourceForkClick() {
    if (!FileShown(*this) || !AskOutput(*this)) {
        return;
    }
    const std::filesystem::path source = ToPath(FFileName);
    const std::filesystem::path output = ToPath(SaveDialog2.FileName);
    RunForkWork(*this, [&](TCutPolicy policy, const ProgressFn& progress) {
        return ExportResourceFork(source, output, policy, progress);
    });
}

void TFormMain::MenuExportAppleDoubleClick() {
    ExportApple(*this, TAppleKind::Double);
}

void TFormMain::MenuExportAppleSingleClick() {
    ExportApple(*this, TAppleKind::Single);
}

void TFormMain::MenuExtractClick() {
    if (!FileShown(*this)) {
        return;
    }
    // The save dialog proposes the Mac name made safe, in the folder chosen last; the data fork
    // goes to the name chosen there and the sidecar beside it.
    const QString folder =
        SaveDialog2.InitialDir.isEmpty() ? QFileInfo(FFileName).absolutePath() : SaveDialog2.InitialDir;
    SaveDialog2.FileName = folder + '/' + QString::fromStdString(ExtractName(FHeader));
    if (!AskOutput(*this)) {
        return;
    }
    const std::filesystem::path source = ToPath(FFileName);
    const std::filesystem::path chosen = ToPath(SaveDialog2.FileName);
    RunForkWork(*this, [&](TCutPolicy policy, const ProgressFn& progress) {
        return Extract(source, chosen.parent_path(), TResourceForm::Sidecar, policy, progress,
                       chosen.filename().string())
            .Status;
    });
}

void TFormMain::MenuMakeMacBinaryClick() {
    TMakeMacBinaryDialog dialog(this, dialogs_, OpenDialog3, IsJapanese());
    if (!FFileName.isEmpty() && OpenDialog3.FileName.isEmpty()) {
        OpenDialog3.InitialDir = QFileInfo(FFileName).absolutePath();
    }
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
    options.SourceDateEpoch = SourceDateEpoch();
    if (!AskOutput(*this)) {
        return;
    }
    const std::filesystem::path output = ToPath(SaveDialog2.FileName);
    RunForkWork(*this, [&](TCutPolicy, const ProgressFn& progress) {
        return EncodeMacBinary(dataFile, output, options, progress) == TConvertStatus::SourceIsOutput
                   ? TForkStatus::SourceIsOutput
                   : TForkStatus::Written;
    });
}

} // namespace kelda
