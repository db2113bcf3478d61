// SPDX-License-Identifier: MIT
// The MacBinary page's handlers: reading a file, the three conversions and the clean-up of the
// header pieces. Reading is ReadMacBinaryFile (the core: InspectFile, shared with kelda-cli, the
// header pieces and the resource map) followed by rendering its result; the views (text and grid)
// are in FormMainMacBinaryViews.cpp.
#include "app/InspectMessages.h"
#include "app/Main.h"
#include "app/PathText.h"
#include "app/QtText.h"
#include "forks/ForkExport.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/HeaderViews.h"
#include "macbinary/SourceShortfall.h"
#include "macbinary/TInspection.h"
#include "resources/FileReading.h"
#include "textview/TEditor.h"

#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace kelda {

namespace {

// The block goes in as one batch, so that the log is redrawn once.
void AppendLogBlock(TFormMain& form, const std::vector<std::string>& lines) {
    form.Editor3->BeginUpdate();
    for (const std::string& line : lines) {
        form.LogAppend(Q(line));
    }
    form.Editor3->EndUpdate();
}

// A new file is shown from its first field in both views.
void ShowViewsAtStart(TFormMain& form) {
    form.Editor1->SetCaret(0, 0);
    form.Editor1->SetTopRow(0);
    form.Editor1->SetLeftCol(0);
    form.StringGrid1->setCurrentCell(0, std::max(form.StringGrid1->currentColumn(), 0));
}

void EnableConversions(TFormMain& form, bool enabled) {
    for (QPushButton* button :
         {form.BtnChangeFileType, form.BtnDeleteHeader, form.BtnDeleteHeaderResorceComment}) {
        button->setEnabled(enabled);
    }
}

} // namespace

void TFormMain::BtnFileOpenClick() {
    OpenDialog1_.Filter = Q(kFilterOpenDialog1);
    if (dialogs_.OpenFile(this, OpenDialog1_)) {
        ReadFile(OpenDialog1_.Path);
    }
}

void TFormMain::ReadFile(const std::filesystem::path& FileName) {
    // The log records the name as the window shows it.
    TFileReading reading =
        ReadMacBinaryFile(FileName, FromPath(FileName).toStdString(), NameEncodingChoice(), tmpFolder_);
    if (!reading.Accepted()) {
        // A rejected file changes nothing here: the page keeps showing, and converting, the last
        // one. A BinHex file or a disk image goes to the pages that show it instead; any other
        // file gets the design's box, and the check page then says why it was refused.
        if (ReadOtherFile(FileName)) {
            return;
        }
        ShowMessage(RefusalMessage(reading.Inspect.Refusal));
        if (reading.Inspect.Refusal == TInspectRefusal::NotMacBinary) {
            ShowRefusedCheck(FileName);
        }
        return;
    }
    ShowHeaderTable(Editor1, QLines(reading.Inspect.Inspection->TableLines));
    // A piece that could not be written ends the reading here: the table stays shown, nothing else
    // changes.
    if (reading.PiecesError) {
        std::rethrow_exception(reading.PiecesError);
    }
    TabSheet1->Model().Show(std::move(*reading.Inspect.Inspection), std::move(reading.Pieces));
    const TInspection& shown = TabSheet1->Model().Shown();

    FillGrid(StringGrid1, shown.GridCells);
    AppendLogBlock(*this, shown.LogBlock);
    BtnLogEndClick(this);
    LanguageChange(); // the bottom panel names the new file
    ShowViewsAtStart(*this);
    RadioGroupInformationClick();
    EnableConversions(*this, true);
    // What the file really is, beside what the acceptance rule let through.
    ShowCheckReport(shown);
    ShowResources(std::move(reading.Resources));
    UpdateContainerMenu();
    // A MacBinary file may wrap a disk image: the Images page shows its volume too.
    ShowImage(FileName);
    if (reading.ResourcesError) {
        std::rethrow_exception(reading.ResourcesError);
    }
}

QString TFormMain::FFileName() const {
    return TabSheet1->Model().FileWasRead() ? FromPath(TabSheet1->Model().Shown().Path) : QString();
}

QString TFormMain::FFileType() const {
    return Q(TabSheet1->Model().FFileType());
}

// ---------------------------------------------------------------------- conversions

namespace {

// A conversion needs a file shown in the header views.
bool FileWasRead(TFormMain& form, const TMacBinaryPage& page) {
    if (!page.FileWasRead()) {
        form.ShowMessage(TMsg::FileNotRead);
        return false;
    }
    return true;
}

TMsg MissingPieceMessage(std::string_view extension) {
    return extension == ".DA2" ? TMsg::Da2Missing : extension == ".CR2" ? TMsg::Cr2Missing : TMsg::Os2Missing;
}

} // namespace

bool TFormMain::AskReplaceReadOnly() {
    return dialogs_.AskYesNo(this, MessageQ(TMsg::ReplaceReadOnly));
}

bool TFormMain::AskOutputName() {
    SaveDialog2_.Filter = Q(kFilterSaveDialog2);
    return dialogs_.SaveFile(this, SaveDialog2_);
}

// After a written output: tells the user when the source ended before the part it was to hold.
void TFormMain::TellShortfall(TOutputPart part) {
    const TInspection& shown = TabSheet1->Model().Shown();
    const std::int64_t missing = SourceShortfall(shown.Header, FileSizeOf(shown.Path), part);
    if (missing > 0) {
        dialogs_.Message(this, Q(ShortfallMessage(part, missing, IsJapanese())));
    }
}

// The source of every conversion is the file shown, never a file chosen later that was rejected.
// Each runs under RunLongWork (Main.cpp), the window's one runner of long work; a conversion copies
// what the source holds, so its question about a cut fork never arises.

void TFormMain::BtnChangeFileTypeClick() {
    if (!FileWasRead(*this, TabSheet1->Model())) {
        return;
    }
    const TInspection& shown = TabSheet1->Model().Shown();
    if (const auto missing = FirstMissingPiece(tmpFolder_, shown.Path)) {
        ShowMessage(MissingPieceMessage(*missing));
        return;
    }
    if (!AskOutputName()) {
        return;
    }
    // The output's header is the MacBinary II form of the file shown, as read: the pieces are named
    // by the file's name alone, so another window showing a file of the same name writes its own
    // header into them.
    RunLongWork(TMsg::ProgressConvert, [&](TCutPolicy, const ProgressFn& progress, bool replaceReadOnly) {
        return ForkStatusOf(
            WriteMacBinaryII(shown.HeaderII, shown.Path, SaveDialog2_.Path, progress, replaceReadOnly));
    });
}

void TFormMain::BtnDeleteHeaderClick() {
    if (!FileWasRead(*this, TabSheet1->Model()) || !AskOutputName()) {
        return;
    }
    if (RunLongWork(TMsg::ProgressConvert, [&](TCutPolicy, const ProgressFn& progress, bool replaceReadOnly) {
            return ForkStatusOf(WriteWithoutHeader(TabSheet1->Model().Shown().Path, SaveDialog2_.Path,
                                                   progress, replaceReadOnly));
        }) == TForkStatus::Written) {
        TellShortfall(TOutputPart::Forks);
    }
}

void TFormMain::BtnDeleteHeaderResorceCommentClick() {
    if (!FileWasRead(*this, TabSheet1->Model()) || !AskOutputName()) {
        return;
    }
    const TInspection& shown = TabSheet1->Model().Shown();
    if (RunLongWork(TMsg::ProgressConvert, [&](TCutPolicy, const ProgressFn& progress, bool replaceReadOnly) {
            return ForkStatusOf(
                WriteDataFork(shown.Path, shown.Header, SaveDialog2_.Path, progress, replaceReadOnly));
        }) == TForkStatus::Written) {
        TellShortfall(TOutputPart::DataFork);
    }
}

// ---------------------------------------------------------------------- clean-up

void TFormMain::BtnTmpFileClearClick() {
    TabSheet1->Model().ReleasePieces(); // this window's pieces go too; those other windows hold stay
    const TTmpClearResult result = ClearTmpFiles(tmpFolder_);
    if (!result.FolderHadEntries) {
        ShowMessage(TMsg::NoTmpFiles);
        return;
    }
    ShowMessage(TMsg::TmpFilesDeleted);
    BtnChangeFileType->setEnabled(false);
}

} // namespace kelda
