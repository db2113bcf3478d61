// The MacBinary page's handlers: reading a file, the three conversions and the clean-up of the
// header pieces. The views (text and grid) are in FormMainMacBinaryViews.cpp.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/TProgressRunner.h"
#include "log/LogNavigation.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/HeaderTable.h"
#include "macbinary/LogBlock.h"
#include "textview/TEditor.h"
#include "util/Myutil.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTableWidget>

#include <system_error>

namespace kelda {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

} // namespace

void TFormMain::BtnFileOpenClick() {
    OpenDialog1.Filter = Q(kFilterOpenDialog1);
    if (dialogs_.OpenFile(this, OpenDialog1)) {
        ReadFile(OpenDialog1.FileName);
    }
}

void TFormMain::ReadFile(const QString& FileName) {
    const std::filesystem::path file = ToPath(FileName);

    // 1. Existence.
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        ShowMessage(TMsg::FileNotFound);
        return;
    }
    // 2. The header, from a file opened for reading only. It goes to FHeader only once the file is
    // accepted, so a rejected file never changes what the conversions work from.
    THeader header{};
    ReadHeader(file, header);
    // 3. Acceptance.
    if (!IsMacBinary(header)) {
        ShowMessage(TMsg::NotMacBinary);
        return;
    }
    // 4. The header table.
    const std::vector<std::string> table = BuildHeaderTable(header);
    QStringList lines;
    for (const std::string& line : table) {
        lines.append(Q(line));
    }
    Editor1->BeginUpdate();
    Editor1->Clear();
    Editor1->AppendLines(lines);
    Editor1->EndUpdate();
    // 5 to 10. The six header pieces; the MacBinary II form with its CRC comes back.
    const THeader headerII = WriteHeaderPieces(TmpFolder, file, header);
    FHeader = header;
    FHeaderII = headerII;

    // 11. The grid: row r holds the cells of line r - 1; it widens for a line with more cells and
    // never narrows.
    StringGrid1->setRowCount(static_cast<int>(lines.size()));
    for (int i = 0; i < lines.size(); ++i) {
        std::vector<std::string> cells;
        SplitFields(table[static_cast<std::size_t>(i)], cells);
        FSplitList.clear();
        for (const std::string& cell : cells) {
            FSplitList.append(Q(cell));
        }
        if (FSplitList.size() > StringGrid1->columnCount()) {
            StringGrid1->setColumnCount(static_cast<int>(FSplitList.size()));
        }
        for (int j = 0; j < FSplitList.size(); ++j) {
            QTableWidgetItem* item = StringGrid1->item(i, j);
            if (item == nullptr) {
                StringGrid1->setItem(i, j, new QTableWidgetItem(FSplitList[j]));
            } else {
                item->setText(FSplitList[j]);
            }
        }
    }

    // 12. Name and type.
    LogAppend(Q(LogSeparator()));
    LogAppend(Q(LogFileNameLine(FileName.toStdString())));
    FFileName = FileName;
    FFileType = Q(FileTypeText(header));
    LogAppend(Q(LogFileTypeLine(FileTypeText(header))));
    LanguageChange();
    // 13, 14. Size and the four byte ranges, in 64 bits.
    const std::int64_t size = FileSizeOf(file);
    LogAppend(Q(LogFileSizeLine(size)));
    for (const std::string& line : LogRangeLines(ComputeLayout(header, size))) {
        LogAppend(Q(line));
    }
    // 15. The header table, redrawn once, and the new block to the top.
    Editor3->BeginUpdate();
    for (const QString& line : lines) {
        LogAppend(line);
    }
    Editor3->EndUpdate();
    BtnLogEndClick(this);

    // 16. Both views at their start; the chosen one shown.
    Editor1->SetCaret(0, 0);
    Editor1->SetTopRow(0);
    Editor1->SetLeftCol(0);
    StringGrid1->setCurrentCell(0, std::max(StringGrid1->currentColumn(), 0));
    RadioGroupInformationClick();

    // 17.
    BtnChangeFileType->setEnabled(true);
    BtnDeleteHeader->setEnabled(true);
    BtnDeleteHeaderResorceComment->setEnabled(true);
    ShowResources(file, header);
}

// ---------------------------------------------------------------------- conversions

namespace {

// A conversion needs a file shown in the header views.
bool FileWasRead(TFormMain& form) {
    if (form.Editor1->LineCount() == 0) {
        form.ShowMessage(TMsg::FileNotRead);
        return false;
    }
    return true;
}

bool AskOutputName(TFormMain& form) {
    form.SaveDialog2.Filter = Q(kFilterSaveDialog2);
    return form.Dlg().SaveFile(&form, form.SaveDialog2);
}

// Runs a conversion (convert takes the progress callback) and tells the user when it refused the
// source file as output. A long conversion shows its progress and can be cancelled; a cancel throws
// ECancelled and leaves no output file.
template <typename F> void RunConversion(TFormMain& form, F convert) {
    TConvertStatus status{};
    {
        TProgressRunner progress(&form,
                                 TProgressRunner::Texts(form.IsJapanese(), TMsg::ProgressConvert,
                                                        QFileInfo(form.SaveDialog2.FileName).fileName()),
                                 form.ProgressClock);
        status = convert(progress.Fn());
    }
    if (status == TConvertStatus::SourceIsOutput) {
        form.ShowMessage(TMsg::CannotWriteOverSource);
    }
}

} // namespace

// The source of every conversion is the file shown (FFileName), never a file chosen later that was
// rejected: its pieces, its body and its data fork length belong together.

void TFormMain::BtnChangeFileTypeClick() {
    if (!FileWasRead(*this)) {
        return;
    }
    const std::filesystem::path source = ToPath(FFileName);
    if (const auto missing = FirstMissingPiece(TmpFolder, source)) {
        ShowMessage(*missing == ".DA2"   ? TMsg::Da2Missing
                    : *missing == ".CR2" ? TMsg::Cr2Missing
                                         : TMsg::Os2Missing);
        return;
    }
    if (!AskOutputName(*this)) {
        return;
    }
    const THeader header = ReadMacBinaryIIPieces(TmpFolder, source);
    RunConversion(*this, [&](const ProgressFn& progress) {
        return WriteMacBinaryII(header, source, ToPath(SaveDialog2.FileName), progress);
    });
}

void TFormMain::BtnDeleteHeaderClick() {
    if (!FileWasRead(*this) || !AskOutputName(*this)) {
        return;
    }
    RunConversion(*this, [&](const ProgressFn& progress) {
        return WriteWithoutHeader(ToPath(FFileName), ToPath(SaveDialog2.FileName), progress);
    });
}

void TFormMain::BtnDeleteHeaderResorceCommentClick() {
    if (!FileWasRead(*this) || !AskOutputName(*this)) {
        return;
    }
    const std::int32_t dataLength = HeaderInteger(FHeader, kOffsetDataForkLength);
    RunConversion(*this, [&](const ProgressFn& progress) {
        return WriteDataFork(ToPath(FFileName), dataLength, ToPath(SaveDialog2.FileName), progress);
    });
}

// ---------------------------------------------------------------------- clean-up

void TFormMain::BtnTmpFileClearClick() {
    FTmpList.clear();
    const TTmpClearResult result = ClearTmpFiles(TmpFolder);
    if (!result.FolderHadEntries) {
        ShowMessage(TMsg::NoTmpFiles);
        return;
    }
    ShowMessage(TMsg::TmpFilesDeleted);
    BtnChangeFileType->setEnabled(false);
}

} // namespace kelda
