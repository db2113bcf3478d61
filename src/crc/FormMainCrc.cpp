// SPDX-License-Identifier: MIT
// The CRC page's handlers: the recent-file list, the operation and variant lists, and the result
// lines appended to Editor2.
#include "app/Main.h"

#include "app/PathText.h"
#include "app/QtText.h"
#include "app/TProgressRunner.h"
#include "crc/TCrcPage.h"
#include "textview/TEditor.h"

#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace kelda {

namespace {

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

void TFormMain::ConnectListChoice(QListWidget* list, std::function<void(int)> handler) {
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
            Guard([&handler, row] { handler(row); });
        }
    });
    connect(list, &QListWidget::clicked, this, [this, choice, handler](const QModelIndex& index) {
        if (!choice->answeredSincePress && index.isValid()) {
            choice->answeredSincePress = true;
            Guard([&handler, row = index.row()] { handler(row); });
        }
    });
}

// One direction each way: a control's signal hands the user's choice to the model's setter and
// then runs the design's handler, which works from the model alone; the model announces every
// change and ShowCrcPage shows it in the controls.
void TFormMain::ConnectCrcPage() {
    TabSheet2->Model().SetOnChanged([this] { ShowCrcPage(); });
    OnClick(BtnFileBrowse, [this] { BtnFileBrowseClick(); });
    // activated: every choice the user makes, with the mouse or the arrow keys, but none of the program's.
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) {
        Guard([this, index] {
            TabSheet2->Model().SetFileIndex(static_cast<std::size_t>(std::max(index, 0)));
            ComboBox1Change();
        });
    });
    ConnectListChoice(ListBox1, [this](int row) {
        TabSheet2->Model().SetVariant(static_cast<std::size_t>(row));
        ListBox1Click();
    });
    ConnectListChoice(ListBox2, [this](int row) {
        TabSheet2->Model().SetOperation(static_cast<TCrcOperation>(row));
        ListBox2Click();
    });
}

// The page as the model holds it: the recent-file list in ComboBox1 by each file's readable name,
// the operation in ListBox2 and the variant in ListBox1. The program's own selections are made with
// the lists' signals blocked, so they start no work.
void TFormMain::ShowCrcPage() {
    QStringList files;
    for (const std::filesystem::path& file : TabSheet2->Model().FileList()) {
        files.append(FromPath(file));
    }
    bool same = ComboBox1->count() == files.size();
    for (int i = 0; same && i < files.size(); ++i) {
        same = ComboBox1->itemText(i) == files[i];
    }
    if (!same) {
        ComboBox1->clear();
        ComboBox1->addItems(files);
    }
    ComboBox1->setCurrentIndex(static_cast<int>(TabSheet2->Model().FileIndex()));
    const QSignalBlocker quietOperation(ListBox2);
    ListBox2->setCurrentRow(static_cast<int>(TabSheet2->Model().Operation()));
    const QSignalBlocker quietVariant(ListBox1);
    ListBox1->setCurrentRow(static_cast<int>(TabSheet2->Model().Variant()));
}

QString TFormMain::ShownCrcFile() const {
    return FromPath(TabSheet2->Model().ChosenFile());
}

void TFormMain::BtnFileBrowseClick() {
    if (dialogs_.OpenFile(this, OpenDialog2_)) {
        UpdateFileComboBox(OpenDialog2_.Path);
    }
}

// The handlers read the choices from the model (the control's signal has already set it) and
// change only the model; the controls follow its announcements.

void TFormMain::ComboBox1Change() {
    // The entry chosen goes to the top of the list.
    const std::filesystem::path chosen = TabSheet2->Model().ChosenFile();
    UpdateFileComboBox(chosen);
}

void TFormMain::UpdateFileComboBox(const std::filesystem::path& Name) {
    TabSheet2->Model().UpdateFileList(Name);
}

void TFormMain::ListBox1Click() {
    switch (TabSheet2->Model().VariantChoice()) {
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
    switch (TabSheet2->Model().Operation()) {
    case TCrcOperation::All: {
        if (!TabSheet2->Model().CrcFileExists()) {
            ShowMessage(TMsg::FileNotFound);
            return;
        }
        // One reading of the file feeds all twelve engines; the lines come out in list order and
        // the variant list keeps its selection. A file that cannot be read, or a computation
        // cancelled in the progress dialog, appends nothing.
        const QString name = ShownCrcFile();
        TProgressRunner progress(
            this, TProgressRunner::Texts(IsJapanese(), TMsg::ProgressCrc, QFileInfo(name).fileName()),
            progressClock_);
        QStringList lines;
        try {
            lines = QLines(TabSheet2->Model().AllResultLines(name.toStdString(), progress.Fn()));
        } catch (const ECancelled&) {
            throw;
        } catch (...) {
            // The variants read the file in list order, so a file that cannot be read fails at the
            // first: the list stays on the entry whose computation failed.
            TabSheet2->Model().SetVariant(0);
            throw;
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
    const QString line = Q(TabSheet2->Model().ResultLine(ShownCrcFile().toStdString()));
    Editor2->BeginUpdate();
    Editor2->AppendLine(line);
    Editor2->EndUpdate();
}

void TFormMain::CrcGetFileCrc() {
    TProgressRunner progress(
        this, TProgressRunner::Texts(IsJapanese(), TMsg::ProgressCrc, QFileInfo(ShownCrcFile()).fileName()),
        progressClock_);
    CrcSelect();
    TabSheet2->Model().CrcGetFileCrc(progress.Fn());
}

TCrc& TFormMain::CrcSelect() {
    return TabSheet2->Model().CrcSelect();
}

} // namespace kelda
