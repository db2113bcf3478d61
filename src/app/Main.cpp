// SPDX-License-Identifier: MIT
// The main window: start-up, placement, resizing, keys, language, shut-down and the error guard.
#include "app/Main.h"

#include "app/PathText.h"
#include "app/QtText.h"
#include "app/TEventHook.h"
#include "app/TPageControl.h"
#include "app/TProgressRunner.h"
#include "app/TSplitterBar.h"
#include "forks/ForkExport.h"
#include "textview/TEditor.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QTableWidget>
#include <QWindow>

#include <memory>
#include <system_error>
#include <utility>

namespace kelda {

TFormMain::TFormMain(AppPaths paths, Dialogs& dialogs, QWidget* parent)
    : QMainWindow(parent), paths_(std::move(paths)), dialogs_(dialogs) {
    BuildLayout();
    ConnectHandlers();
    FormCreate();
}

TFormMain::~TFormMain() {
    // Application-wide hooks call into this window; they go before any part of it does.
    qDeleteAll(findChildren<TEventHook*>(Qt::FindDirectChildrenOnly));
    if (!destroyed_) {
        Guard([this] { FormDestroy(); });
    }
    // The controls are destroyed after this body, when the window is no longer whole; the signals
    // they (and the application) send on the way must not reach its handlers.
    QObject::disconnect(qApp, nullptr, this, nullptr);
    for (QObject* child : findChildren<QObject*>()) {
        QObject::disconnect(child, nullptr, this, nullptr);
    }
}

// ---------------------------------------------------------------------- handlers' wiring

void TFormMain::OnClick(QAbstractButton* button, std::function<void()> handler) {
    connect(button, &QAbstractButton::clicked, this,
            [this, handler = std::move(handler)] { Guard(handler); });
}

void TFormMain::ConnectHandlers() {
    // Window and menu.
    connect(MenuQuit, &QAction::triggered, this, [this] { Guard([this] { MenuQuitClick(); }); });
    connect(MenuResetIniFile, &QAction::triggered, this,
            [this] { Guard([this] { MenuResetIniFileClick(); }); });
    connect(MenuJapaneseSet, &QAction::triggered, this, [this] {
        // The menu has already flipped its check mark; the handler flips it itself.
        MenuJapaneseSet->setChecked(!MenuJapaneseSet->isChecked());
        Guard([this] { MenuJapaneseSetClick(); });
    });
    ConnectCheckPage();
    connect(Splitter1, &TSplitterBar::Dragged, this,
            [this](int dy) { Guard([this, dy] { Splitter1Dragged(dy); }); });

    // Text panes.
    for (TEditor* editor : {Editor1, Editor2, Editor3, Editor4}) {
        editor->SetOnDrawLine(
            [this](TEditor* Sender, const QString& LineStr, int X, int Y, int Index, const QRect& ARect,
                   bool Selected) { EditorDrawLine(Sender, LineStr, X, Y, Index, ARect, Selected); });
    }

    // Log pane.
    OnClick(BtnLogClear, [this] { BtnLogClearClick(); });
    OnClick(BtnSaveLog, [this] { BtnSaveLogClick(); });
    OnClick(BtnLogTop, [this] { BtnLogTopClick(BtnLogTop); });
    OnClick(BtnLogPrev, [this] { BtnLogPrevClick(BtnLogPrev); });
    OnClick(BtnLogNext, [this] { BtnLogNextClick(BtnLogNext); });
    OnClick(BtnLogEnd, [this] { BtnLogEndClick(BtnLogEnd); });

    // MacBinary page.
    ConnectMacBinaryPage();

    // CRC page.
    ConnectCrcPage();
}

// ---------------------------------------------------------------------- start-up

namespace {

// The information view below the splitter keeps at least this height.
constexpr int kMinInformationHeight = 200;

// The text panes start empty; they are read-only, keep Tab and Enter for the window and fill their
// areas by construction.
void ClearTextPanes(TFormMain& form) {
    for (TEditor* editor : {form.Editor1, form.Editor2, form.Editor3, form.Editor4}) {
        editor->Clear();
    }
}

// The grid's title row over an empty table, until a file fills it.
void SetUpGrid(QTableWidget* grid) {
    grid->setRowCount(kGridStartRows);
    for (int c = 0; c < static_cast<int>(kGridTitles.size()); ++c) {
        grid->setHorizontalHeaderItem(c, new QTableWidgetItem(Q(kGridTitles[static_cast<std::size_t>(c)])));
    }
}

// The opened recent-file list shows every entry.
void SetUpCrcLists(TFormMain& form) {
    form.ComboBox1->setMaxVisibleItems(static_cast<int>(kRecentFileCount));
}

} // namespace

void TFormMain::FormCreate() {
    TabSheet2->Model().CreateEngines();
    ClearTextPanes(*this);
    SetUpGrid(StringGrid1);
    SetUpCrcLists(*this);
    // Both lists start on the model's first entries, so that a computation always finds an engine.
    ShowCrcPage();
    Splitter1->SetMinSize(kMinInformationHeight);
    // The page tabs never take the focus: Tab moves between the page's own controls.
    PageControl1->tabBar()->setFocusPolicy(Qt::NoFocus);
    PageControl1->setFocusPolicy(Qt::NoFocus);
    // No file yet: nothing to convert.
    BtnChangeFileType->setEnabled(false);
    BtnDeleteHeader->setEnabled(false);
    BtnDeleteHeaderResorceComment->setEnabled(false);
    // A temporary folder that cannot be made shows only when a piece is written there.
    tmpFolder_ = paths_.TmpFolder();
    std::error_code ec;
    std::filesystem::create_directories(tmpFolder_, ec);
    // Settings, language and information view; a settings file that cannot be read is reported.
    Guard([this] { ReadIniFileValue(); });
    // Key preview: the window sees every key before the focused control (Escape, Ctrl+L).
    qApp->installEventFilter(
        new TEventHook(this, [this](QObject* o, QEvent* e) { return PreviewKey(o, e); }));
    // A help text that cannot be read is reported and the window still opens.
    Guard([this] { LoadHelpText(); });
    PageControl1->setCurrentWidget(TabSheet1);
    PageControl1->PageTabBar()->SetOnDrawTab(
        [this](QPainter& painter, int index, const QRect& rect, bool active) {
            PageControl1DrawTab(painter, index, rect, active);
        });
    // Files can be dropped on the window; the wheel scrolls the focused text pane.
    RegisterDropAndWheel();
}

void TFormMain::LoadHelpText() {
    const std::filesystem::path help = paths_.HelpFile();
    std::error_code ec;
    if (std::filesystem::exists(help, ec)) {
        Editor4->LoadFromFile(help);
    }
}

QRect TFormMain::PrimaryScreenRect() const {
    if (screenOverride_) {
        return *screenOverride_;
    }
    // The part of the screen that windows may use: panels and docks are not counted.
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry()
                             : QRect(0, 0, kDefaultFormWidth, kDefaultFormHeight);
}

QPoint TFormMain::FramePosition() const {
    // The window system's own answer: QWidget::pos() keeps a frame size it learnt once, which may
    // still be the zero of a window that had not been framed yet.
    if (const QWindow* window = windowHandle(); window != nullptr && isVisible()) {
        return window->framePosition();
    }
    return pos();
}

void TFormMain::FormShow() {
    const QRect screen = PrimaryScreenRect();
    TBounds placed =
        PlaceWindow(storedBounds_, TBounds{screen.left(), screen.top(), screen.width(), screen.height()});
    // A screen smaller than the window's usual size gets a window as large as the screen, with
    // its title bar on it.
    placed.Width = std::min(placed.Width, screen.width());
    placed.Height = std::min(placed.Height, screen.height());
    placed.Left = std::max(placed.Left, screen.left());
    placed.Top = std::max(placed.Top, screen.top());
    WmGetMinMaxInfo();
    // Left and Top are the frame's corner, as saved. Before the window exists, move() hands them
    // to the window manager as the frame's position, and as one the user chose, so that (0, 0)
    // too is kept; afterwards it moves the frame there.
    move(placed.Left, placed.Top);
    resize(placed.Width, placed.Height);
    BtnFileOpen->setFocus();
}

void TFormMain::setVisible(bool visible) {
    // The window is placed before it is first mapped: a window manager places a window when it
    // maps it, and a move made after that is taken for the inner area's corner.
    if (visible && !shownOnce_) {
        shownOnce_ = true;
        Guard([this] { FormShow(); });
        QMainWindow::setVisible(visible);
        // Only the window manager knows the frame it draws; it is known once the window shows.
        if (QWindow* window = windowHandle()) {
            auto self = std::make_shared<QObject*>(nullptr);
            auto* hook = new TEventHook(this, [this, self](QObject*, QEvent* event) {
                if (event->type() == QEvent::Expose && *self != nullptr && windowHandle()->isExposed()) {
                    std::exchange(*self, nullptr)->deleteLater();
                    QMetaObject::invokeMethod(
                        this, [this] { Guard([this] { FitFrameToScreen(); }); }, Qt::QueuedConnection);
                }
                return false;
            });
            *self = hook;
            window->installEventFilter(hook);
        }
        return;
    }
    QMainWindow::setVisible(visible);
}

void TFormMain::FitFrameToScreen() {
    const QWindow* window = windowHandle();
    if (window == nullptr || !isVisible() || (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))) {
        return;
    }
    const QMargins frame = window->frameMargins();
    const QRect screen = PrimaryScreenRect();
    const int width = std::min(this->width(), screen.width() - frame.left() - frame.right());
    const int height = std::min(this->height(), screen.height() - frame.top() - frame.bottom());
    WmGetMinMaxInfo();
    if (width != this->width() || height != this->height()) {
        resize(width, height);
    }
    const QPoint corner = window->framePosition();
    const int outerWidth = width + frame.left() + frame.right();
    const int outerHeight = height + frame.top() + frame.bottom();
    const QPoint inside(std::max(std::min(corner.x(), screen.right() + 1 - outerWidth), screen.left()),
                        std::max(std::min(corner.y(), screen.bottom() + 1 - outerHeight), screen.top()));
    if (inside != corner) {
        windowHandle()->setFramePosition(inside);
    }
}

// ---------------------------------------------------------------------- resizing

void TFormMain::SetPanel3Height(int height) {
    Panel3->resize(Panel3->width(), std::max(0, height));
    LayoutMacBinaryPage();
}

void TFormMain::FormResize() {
    const int area = TabSheet1->height();
    const int rest = Panel2->height() + Splitter1->height();
    if (area - Panel3->height() - rest < Splitter1->MinSize()) {
        // The log area gives way so that the information view keeps its minimum height.
        SetPanel3Height(area - rest - Splitter1->MinSize());
    }
}

void TFormMain::Splitter1Dragged(int dy) {
    const int minSize = Splitter1->MinSize();
    const int most = TabSheet1->height() - Panel2->height() - Splitter1->height() - minSize;
    if (most < minSize) {
        return;
    }
    SetPanel3Height(std::clamp(Panel3->height() + dy, minSize, most));
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event) {
    if (watched == TabSheet1 && event->type() == QEvent::Resize) {
        LayoutMacBinaryPage();
        if (isVisible()) {
            // While the window is being shown its layout passes through provisional sizes; the check
            // runs once the events of this resize are done, on the page's settled size.
            QMetaObject::invokeMethod(
                this, [this] { Guard([this] { FormResize(); }); }, Qt::QueuedConnection);
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

bool TFormMain::PreviewKey(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false; // another window, such as an open message box, has its own keys
    }
    bool handled = false;
    Guard([&] { handled = FormKeyDown(static_cast<QKeyEvent*>(event)); });
    return handled;
}

// ---------------------------------------------------------------------- keys and quitting

bool TFormMain::FormKeyDown(QKeyEvent* key) {
    if (key->key() != Qt::Key_Escape) {
        return false;
    }
    if (dialogs_.AskYesNo(this, MessageQ(TMsg::QuitQuestion))) {
        close();
    }
    return true;
}

void TFormMain::MenuQuitClick() {
    close();
}

void TFormMain::closeEvent(QCloseEvent* event) {
    event->accept();
    if (!destroyed_) {
        Guard([this] { FormDestroy(); });
    }
}

void TFormMain::FormDestroy() {
    destroyed_ = true;
    TabSheet2->Model().FreeEngines();
    WriteIniFileValue();
}

// ---------------------------------------------------------------------- page tabs

void TFormMain::PageControl1DrawTab(QPainter& painter, int index, const QRect& rect, bool active) {
    painter.fillRect(rect, palette().color(QPalette::Button));
    // Inactive captions take the palette's text colour for the button face, so they read on dark
    // themes as well (black on the usual light face).
    painter.setPen(active ? QColor(255, 0, 0) : palette().color(QPalette::ButtonText));
    painter.setFont(PageControl1->font());
    painter.drawText(QRect(rect.left() + 4, rect.top() + 4, rect.width(), rect.height()),
                     Qt::AlignLeft | Qt::AlignTop | Qt::TextDontClip, PageControl1->tabText(index));
}

// ---------------------------------------------------------------------- radio group

int TFormMain::RadioGroupItemIndex() const {
    return RadioGroupInformationButtons->checkedId();
}

void TFormMain::SetRadioGroupItemIndex(int index) {
    if (index == 0 || index == 1) {
        RadioGroupInformationItems[static_cast<std::size_t>(index)]->setChecked(true);
        return;
    }
    // An exclusive group cannot be emptied directly.
    RadioGroupInformationButtons->setExclusive(false);
    for (QRadioButton* item : RadioGroupInformationItems) {
        item->setChecked(false);
    }
    RadioGroupInformationButtons->setExclusive(true);
}

// ---------------------------------------------------------------------- language

bool TFormMain::IsJapanese() const {
    return MenuJapaneseSet->isChecked();
}

QString TFormMain::MessageQ(TMsg msg) const {
    return QString::fromUtf8(MessageText(msg, IsJapanese()));
}

void TFormMain::ShowMessage(TMsg msg) {
    dialogs_.Message(this, MessageQ(msg));
}

void TFormMain::MenuJapaneseSetClick() {
    MenuJapaneseSet->setChecked(!MenuJapaneseSet->isChecked());
    LanguageChange();
}

void TFormMain::LanguageChange() {
    const bool japanese = IsJapanese();
    setProperty("japanese", japanese); // for the file dialogs
    std::vector<TCaptionEntry> captions(CaptionTable().begin(), CaptionTable().end());
    captions.insert(captions.end(), ForkCaptionTable().begin(), ForkCaptionTable().end());
    for (const TCaptionEntry& entry : captions) {
        const QString text = QString::fromUtf8(japanese ? entry.Japanese : entry.English);
        QObject* target = findChild<QObject*>(QString::fromLatin1(entry.Control));
        switch (entry.Target) {
        case TCaptionTarget::FileNameLine:
            // The prefix from the table; the name as shown, which may keep bytes no UTF-8 text holds.
            Label3->setText(Q(FileNameLine(japanese, {})) + FFileName());
            Label3->adjustSize();
            continue;
        case TCaptionTarget::FileTypeLine:
            Label4->setText(Q(FileTypeLine(japanese, TabSheet1->Model().FFileType())));
            Label4->adjustSize();
            continue;
        case TCaptionTarget::RadioItem0:
        case TCaptionTarget::RadioItem1:
            RadioGroupInformationItems[entry.Target == TCaptionTarget::RadioItem0 ? 0 : 1]->setText(text);
            continue;
        case TCaptionTarget::Caption:
            break;
        }
        if (auto* button = qobject_cast<QAbstractButton*>(target)) {
            button->setText(text);
        } else if (auto* label = qobject_cast<QLabel*>(target)) {
            label->setText(text);
            label->adjustSize();
        } else if (auto* group = qobject_cast<QGroupBox*>(target)) {
            group->setTitle(text);
        } else if (auto* menu = qobject_cast<QMenu*>(target)) {
            menu->setTitle(text);
        } else if (auto* action = qobject_cast<QAction*>(target)) {
            action->setText(text);
        }
    }
    CheckLanguageChange();
    ResourcesLanguageChange();
    ImagesLanguageChange();
}

// ---------------------------------------------------------------------- errors

TForkStatus TFormMain::RunLongWork(TMsg progressLabel, const TLongWork& work) {
    TReadOnlyLeave leave;
    TCutPolicy policy = TCutPolicy::Refuse;
    TForkStatus status{};
    for (;;) {
        {
            TProgressRunner progress(this,
                                     TProgressRunner::Texts(IsJapanese(), progressLabel,
                                                            QFileInfo(SaveDialog2_.FileName).fileName()),
                                     progressClock_);
            status = work(policy, progress.Fn(), leave.Given());
        }
        if (leave.Retry(status, [this] { return AskReplaceReadOnly(); })) {
            continue;
        }
        if (status == TForkStatus::RefusedCut && policy == TCutPolicy::Refuse &&
            dialogs_.AskYesNo(this, MessageQ(TMsg::ForkCutAsk))) {
            policy = TCutPolicy::WriteWhatExists;
            continue;
        }
        break;
    }
    if (status == TForkStatus::SourceIsOutput) {
        ShowMessage(TMsg::CannotWriteOverSource);
    } else if (status == TForkStatus::WrittenCommentCut) {
        ShowMessage(TMsg::CommentCutWritten);
    } else if (status == TForkStatus::WrittenUnchecked) {
        ShowMessage(TMsg::ForkUncheckedWritten);
    } else if (status == TForkStatus::ThroughLink) {
        ShowMessage(TMsg::NoWriteThroughLink);
    }
    return status;
}

void TFormMain::ShowError(const char* message, const std::string& english, int reason) {
    std::string text = ErrorBoxText(message);
    if (!IsJapanese() && !english.empty()) {
        text += '\n' + ErrorBoxText(english);
    }
    if (reason != 0) {
        text += '\n' + SystemErrorText(reason, IsJapanese());
    }
    dialogs_.ErrorBox(this, QString::fromUtf8(text));
}

} // namespace kelda
