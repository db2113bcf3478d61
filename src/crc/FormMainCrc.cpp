// The CRC page's handlers: the recent-file list, the operation and variant lists, and the result
// lines appended to Editor2.
#include "app/Main.h"

#include "app/PathText.h"
#include "app/TProgressRunner.h"
#include "crc/CrcPage.h"
#include "crc/RecentFiles.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelda {

namespace {

QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Watches the mouse presses on a list so that a click counts as a choice exactly once: a press that
// moves the selection is answered by the selection change, a click on the entry already chosen by
// the click itself.
class TListChoice : public QObject {
public:
    explicit TListChoice(QListWidget* list) : QObject(list) { list->viewport()->installEventFilter(this); }

    bool answeredSincePress = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress) {
            answeredSincePress = false;
        }
        return false;
    }
};

} // namespace

void TFormMain::ConnectListChoice(QListWidget* list, std::function<void()> handler) {
    auto* choice = new TListChoice(list);
    // A selection moved by the user (keyboard or mouse) has the list focused; the program's own
    // selections are made with the list's signals blocked or before the window is shown.
    connect(list, &QListWidget::currentRowChanged, this, [this, list, choice, handler](int row) {
        if (row >= 0 && list->window()->focusWidget() == list) {
            choice->answeredSincePress = true;
            // A mouse press makes the row current before it selects it. Select it now, so that
            // the list shows the new choice while its work runs (a long CRC repaints the window
            // from its progress dialog); the press selects the same row afterwards.
            list->selectionModel()->select(list->currentIndex(), QItemSelectionModel::ClearAndSelect);
            Guard(handler);
        }
    });
    connect(list, &QListWidget::clicked, this, [this, choice, handler](const QModelIndex&) {
        if (!choice->answeredSincePress) {
            choice->answeredSincePress = true;
            Guard(handler);
        }
    });
}

void TFormMain::ConnectCrcPage() {
    OnClick(BtnFileBrowse, [this] { BtnFileBrowseClick(); });
    // activated: every choice the user makes, with the mouse or the arrow keys, but none of the program's.
    connect(ComboBox1, &QComboBox::activated, this, [this](int) { Guard([this] { ComboBox1Change(); }); });
    ConnectListChoice(ListBox1, [this] { ListBox1Click(); });
    ConnectListChoice(ListBox2, [this] { ListBox2Click(); });
}

void TFormMain::BtnFileBrowseClick() {
    if (dialogs_.OpenFile(this, OpenDialog2)) {
        UpdateFileComboBox(OpenDialog2.FileName);
    }
}

void TFormMain::ComboBox1Change() {
    UpdateFileComboBox(ComboBox1->currentText());
}

void TFormMain::UpdateFileComboBox(const QString& Name) {
    std::vector<std::string> entries;
    entries.reserve(static_cast<std::size_t>(ComboBox1->count()));
    for (int i = 0; i < ComboBox1->count(); ++i) {
        entries.push_back(ComboBox1->itemText(i).toStdString());
    }
    FFileList.clear();
    for (const std::string& entry : UpdateRecentFiles(Name.toStdString(), entries)) {
        FFileList.append(QString::fromStdString(entry));
    }
    ComboBox1->clear();
    ComboBox1->addItems(FFileList);
    ComboBox1->setCurrentIndex(0);
}

void TFormMain::ListBox1Click() {
    const bool exists = CrcFileExists(ToPath(ComboBox1->currentText()).string());
    switch (CheckVariantChoice(exists, static_cast<TCrcOperation>(ListBox2->currentRow()))) {
    case TCrcRefusal::FileNotFound:
        ShowMessage(TMsg::FileNotFound);
        return;
    case TCrcRefusal::SelectOperationEach:
        ShowMessage(TMsg::SelectOperationEach);
        return;
    case TCrcRefusal::None:
        GetCrcDispCrc();
        return;
    }
}

void TFormMain::ListBox2Click() {
    switch (static_cast<TCrcOperation>(ListBox2->currentRow())) {
    case TCrcOperation::All: {
        const QString name = ComboBox1->currentText();
        if (!CrcFileExists(ToPath(name).string())) {
            ShowMessage(TMsg::FileNotFound);
            return;
        }
        // One reading of the file feeds all twelve engines; the lines come out in list order and
        // the variant list keeps its selection. A file that cannot be read, or a computation
        // cancelled in the progress dialog, appends nothing.
        TProgressRunner progress(
            this, TProgressRunner::Texts(IsJapanese(), TMsg::ProgressCrc, QFileInfo(name).fileName()),
            ProgressClock);
        std::array<std::uint32_t, CrcVariantCount> values{};
        try {
            values = CrcFileAll(ToPath(name), progress.Fn());
        } catch (const ECancelled&) {
            throw;
        } catch (...) {
            // The variants read the file in list order, so a file that cannot be read fails at the
            // first: the list stays on the entry whose computation failed.
            const QSignalBlocker quiet(ListBox1);
            ListBox1->setCurrentRow(0);
            throw;
        }
        QStringList lines;
        for (std::size_t i = 0; i < CrcVariantCount; ++i) {
            const QString entry = ListBox1->item(static_cast<int>(i))->text();
            lines.append(
                Q(CrcResultLine(entry.toStdString(), CrcVariants[i].Width, values[i], name.toStdString())));
        }
        Editor2->BeginUpdate();
        Editor2->AppendLines(lines);
        Editor2->EndUpdate();
        return;
    }
    case TCrcOperation::Clear:
        Editor2->Clear();
        return;
    case TCrcOperation::Each:
    default:
        return; // the next choice of a variant computes
    }
}

void TFormMain::GetCrcDispCrc() {
    CrcGetFileCrc();
    const TCrc& engine = CrcSelect();
    const std::string line = CrcResultLine(ListBox1->currentItem()->text().toStdString(), engine,
                                           ComboBox1->currentText().toStdString());
    Editor2->BeginUpdate();
    Editor2->AppendLine(Q(line));
    Editor2->EndUpdate();
}

void TFormMain::CrcGetFileCrc() {
    const QString name = ComboBox1->currentText();
    TProgressRunner progress(
        this, TProgressRunner::Texts(IsJapanese(), TMsg::ProgressCrc, QFileInfo(name).fileName()),
        ProgressClock);
    CrcFile(CrcSelect(), ToPath(name), progress.Fn());
}

TCrc& TFormMain::CrcSelect() {
    return *CrcEngines.at(static_cast<std::size_t>(ListBox1->currentRow()));
}

} // namespace kelda
