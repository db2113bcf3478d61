// SPDX-License-Identifier: MIT
// The main window's layout: every control with its name, place, size, caption and tab order.
#include "app/Main.h"

#include "app/QtText.h"
#include "app/TPageControl.h"
#include "app/TSplitterBar.h"
#include "textview/TEditor.h"

#include <QAction>
#include <QButtonGroup>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>

namespace kelda {

namespace {

// A fixed-pitch font with Japanese glyphs whose half-width cells are 8 pixels wide, so captions fit
// their buttons and the colons of the bottom panel line up.
constexpr int kWindowFontPixels = 16;
constexpr int kPaneFontPixels = 16;

QFont FixedFont(int pixels) {
    QFont font(QStringLiteral("VL Gothic"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPixelSize(pixels);
    return font;
}

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QFrame* Panel(QWidget* parent, const char* name, int shape, int shadow) {
    auto* frame = Named(new QFrame(parent), name);
    frame->setFrameStyle(shape | shadow);
    frame->setAutoFillBackground(true);
    return frame;
}

QPushButton* Button(QWidget* parent, const char* name, std::string_view caption, QRect geometry) {
    auto* button = Named(new QPushButton(Q(caption), parent), name);
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

TEditor* Pane(QWidget* parent, const char* name) {
    auto* editor = Named(new TEditor(parent), name);
    editor->setFont(FixedFont(kPaneFontPixels));
    return editor;
}

QString English(const char* control) {
    return QString::fromUtf8(FindCaption(control)->English);
}

} // namespace

void TFormMain::BuildLayout() {
    setObjectName(QStringLiteral("FormMain"));
    setWindowTitle(Q(kMainCaption));
    setFont(FixedFont(kWindowFontPixels));
    WmGetMinMaxInfo();
    resize(kDefaultFormWidth, kDefaultFormHeight);

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    setCentralWidget(central);

    PageControl1 = Named(new TPageControl(central), "PageControl1");
    TabSheet1 = Named(new TMacBinaryTabSheet, "TabSheet1");
    TabSheet2 = Named(new TCrcTabSheet, "TabSheet2");
    TabSheet3 = Named(new QWidget, "TabSheet3");
    PageControl1->addTab(TabSheet1, Q(kPageCaptions[0]));
    PageControl1->addTab(TabSheet2, Q(kPageCaptions[1]));
    PageControl1->addTab(TabSheet3, Q(kPageCaptions[2]));
    column->addWidget(PageControl1, 1);

    Panel1 = Panel(central, "Panel1", QFrame::Panel, QFrame::Raised);
    Panel1->setFixedHeight(50);
    Label3 = Named(new QLabel(Panel1), "Label3");
    Label4 = Named(new QLabel(Panel1), "Label4");
    for (QLabel* label : {Label3, Label4}) {
        label->setTextFormat(Qt::PlainText);
    }
    Label3->move(10, 5);
    Label4->move(10, 27);
    column->addWidget(Panel1);

    OpenDialog1_.Filter = Q(kFilterOpenDialog1);
    OpenDialog2_.Filter = Q(kFilterOpenDialog2);
    SaveDialog1_.Filter = Q(kFilterSaveDialog1);
    SaveDialog2_.Filter = Q(kFilterSaveDialog2);

    BuildMenu();
    BuildMacBinaryPage();
    BuildCrcPage();
    BuildHelpPage();
    BuildCheckPage();
    BuildResourcesPage();
    BuildImagesPage();
    SetTabOrders();
}

void TFormMain::WmGetMinMaxInfo() {
    // On a screen smaller than that, the screen's usable area less the window's frame (known once
    // the window manager has framed it).
    const QRect screen = PrimaryScreenRect();
    const QMargins frame =
        windowHandle() != nullptr && isVisible() ? windowHandle()->frameMargins() : QMargins();
    setMinimumSize(std::min(kDefaultFormWidth, screen.width() - frame.left() - frame.right()),
                   std::min(kDefaultFormHeight, screen.height() - frame.top() - frame.bottom()));
}

void TFormMain::BuildMenu() {
    QMenuBar* bar = menuBar();
    MenuFile = Named(bar->addMenu(English("MenuFile")), "MenuFile");
    MenuQuit = Named(MenuFile->addAction(English("MenuQuit")), "MenuQuit");
    BuildForkMenu();
    MenuSetting = Named(bar->addMenu(English("MenuSetting")), "MenuSetting");
    MenuResetIniFile = Named(MenuSetting->addAction(English("MenuResetIniFile")), "MenuResetIniFile");
    MenuSeparetor = Named(MenuSetting->addSeparator(), "MenuSeparetor");
    MenuJapaneseSet = Named(MenuSetting->addAction(English("MenuJapaneseSet")), "MenuJapaneseSet");
    MenuJapaneseSet->setCheckable(true);
    MenuJapaneseSet->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    // Reachable from anywhere in the window, also while the menu is closed.
    MenuJapaneseSet->setShortcutContext(Qt::WindowShortcut);
    addAction(MenuJapaneseSet);
    BuildHelpMenu();
}

void TFormMain::BuildMacBinaryPage() {
    // The page's children are placed by LayoutMacBinaryPage: the log area at the top, the splitter
    // under it, the button panel at the bottom and the information views in between.
    Panel3 = Panel(TabSheet1, "Panel3", QFrame::NoFrame, QFrame::Plain);
    Panel3->resize(kDefaultFormWidth, 200);
    auto* logColumn = new QVBoxLayout(Panel3);
    logColumn->setContentsMargins(0, 0, 0, 0);
    logColumn->setSpacing(0);
    Editor3 = Pane(Panel3, "Editor3");
    logColumn->addWidget(Editor3, 1);
    Panel7 = Panel(Panel3, "Panel7", QFrame::Panel, QFrame::Sunken);
    Panel7->setFixedHeight(35);
    logColumn->addWidget(Panel7);
    const struct {
        QPushButton** button;
        const char* name;
    } logButtons[] = {
        {&BtnLogClear, "BtnLogClear"}, {&BtnSaveLog, "BtnSaveLog"}, {&BtnLogTop, "BtnLogTop"},
        {&BtnLogPrev, "BtnLogPrev"},   {&BtnLogNext, "BtnLogNext"}, {&BtnLogEnd, "BtnLogEnd"},
    };
    int left = 10;
    for (const auto& b : logButtons) {
        *b.button = Button(Panel7, b.name, FindCaption(b.name)->English, QRect(left, 5, 130, 25));
        left += 130;
    }

    Splitter1 = Named(new TSplitterBar(TabSheet1), "Splitter1");

    Editor1 = Pane(TabSheet1, "Editor1");
    StringGrid1 = Named(new QTableWidget(kGridStartRows, kGridColumnCount, TabSheet1), "StringGrid1");
    StringGrid1->setFont(FixedFont(kWindowFontPixels));
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setMinimumSectionSize(1);
    StringGrid1->verticalHeader()->setDefaultSectionSize(StringGrid1->fontMetrics().height() + 4);
    StringGrid1->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    StringGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setWordWrap(false);
    // Tab and Ctrl+Tab leave the grid for the next control instead of walking its cells.
    StringGrid1->setTabKeyNavigation(false);
    for (int c = 0; c < kGridColumnCount; ++c) {
        StringGrid1->setColumnWidth(c, kDefaultGridWidths[static_cast<std::size_t>(c)]);
    }
    Editor1->hide(); // the grid is the view shown until the settings choose

    Panel2 = Panel(TabSheet1, "Panel2", QFrame::Panel, QFrame::Sunken);
    Panel2->setFixedHeight(65);
    BtnFileOpen = Button(Panel2, "BtnFileOpen", FindCaption("BtnFileOpen")->English, QRect(10, 5, 260, 25));
    BtnTmpFileClear =
        Button(Panel2, "BtnTmpFileClear", FindCaption("BtnTmpFileClear")->English, QRect(270, 5, 260, 25));
    BtnChangeFileType = Button(Panel2, "BtnChangeFileType", FindCaption("BtnChangeFileType")->English,
                               QRect(10, 35, 260, 25));
    BtnDeleteHeader =
        Button(Panel2, "BtnDeleteHeader", FindCaption("BtnDeleteHeader")->English, QRect(270, 35, 260, 25));
    BtnDeleteHeaderResorceComment =
        Button(Panel2, "BtnDeleteHeaderResorceComment", FindCaption("BtnDeleteHeaderResorceComment")->English,
               QRect(530, 35, 260, 25));

    RadioGroupInformation =
        Named(new QGroupBox(English("RadioGroupInformation"), Panel2), "RadioGroupInformation");
    RadioGroupInformation->setGeometry(800, 5, 150, 56);
    auto* items = new QHBoxLayout(RadioGroupInformation);
    items->setContentsMargins(6, 0, 2, 2);
    items->setSpacing(4);
    RadioGroupInformationButtons = new QButtonGroup(RadioGroupInformation);
    const char* const itemNames[] = {"RadioGroupInformationItem0", "RadioGroupInformationItem1"};
    const TCaptionTarget itemTargets[] = {TCaptionTarget::RadioItem0, TCaptionTarget::RadioItem1};
    for (int i = 0; i < 2; ++i) {
        const char* caption = FindCaption("RadioGroupInformation", itemTargets[i])->English;
        RadioGroupInformationItems[i] =
            Named(new QRadioButton(QString::fromUtf8(caption), RadioGroupInformation), itemNames[i]);
        RadioGroupInformationButtons->addButton(RadioGroupInformationItems[i], i);
        items->addWidget(RadioGroupInformationItems[i], 1);
    }
    RadioGroupInformationItems[1]->setChecked(true);

    TabSheet1->installEventFilter(this);
}

void TFormMain::BuildCrcPage() {
    auto* column = new QVBoxLayout(TabSheet2);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    Panel4 = Panel(TabSheet2, "Panel4", QFrame::NoFrame, QFrame::Plain);
    Panel4->setFixedHeight(51);
    ComboBox1 = Named(new QComboBox(Panel4), "ComboBox1");
    ComboBox1->setGeometry(30, 10, 760, 25);
    ComboBox1->setEditable(false);
    BtnFileBrowse =
        Button(Panel4, "BtnFileBrowse", FindCaption("BtnFileBrowse")->English, QRect(800, 10, 150, 25));
    column->addWidget(Panel4);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    Panel5 = Panel(TabSheet2, "Panel5", QFrame::Panel, QFrame::Sunken);
    Panel5->setFixedWidth(230);
    Label1 = Named(new QLabel(English("Label1"), Panel5), "Label1");
    Label1->move(10, 10);
    ListBox2 = Named(new QListWidget(Panel5), "ListBox2");
    ListBox2->setGeometry(15, 30, 200, 61);
    Label2 = Named(new QLabel(Q(kLabel2Caption), Panel5), "Label2");
    Label2->move(10, 110);
    ListBox1 = Named(new QListWidget(Panel5), "ListBox1");
    ListBox1->setGeometry(15, 130, 200, 221);
    for (std::string_view item : kOperationItems) {
        ListBox2->addItem(Q(item));
    }
    for (const TCrcVariant& v : CrcVariants) {
        ListBox1->addItem(Q(v.Entry));
    }
    for (QListWidget* list : {ListBox1, ListBox2}) {
        list->setFont(FixedFont(kPaneFontPixels));
        for (int i = 0; i < list->count(); ++i) {
            list->item(i)->setSizeHint(QSize(0, 18));
        }
    }
    Label1->setBuddy(ListBox2);
    Label2->setBuddy(ListBox1);
    row->addWidget(Panel5);

    Editor2 = Pane(TabSheet2, "Editor2");
    row->addWidget(Editor2, 1);
    column->addLayout(row, 1);
}

void TFormMain::BuildHelpPage() {
    auto* column = new QVBoxLayout(TabSheet3);
    column->setContentsMargins(0, 0, 0, 0);
    Editor4 = Pane(TabSheet3, "Editor4");
    column->addWidget(Editor4);
}

void TFormMain::SetTabOrders() {
    const QWidget* const macBinary[] = {
        Editor1,
        StringGrid1,
        BtnFileOpen,
        BtnTmpFileClear,
        BtnChangeFileType,
        BtnDeleteHeader,
        BtnDeleteHeaderResorceComment,
        RadioGroupInformationItems[0],
        RadioGroupInformationItems[1],
        Editor3,
        BtnLogClear,
        BtnSaveLog,
        BtnLogTop,
        BtnLogPrev,
        BtnLogNext,
        BtnLogEnd,
    };
    const QWidget* const crc[] = {ComboBox1, BtnFileBrowse, ListBox2, ListBox1, Editor2};
    for (std::size_t i = 1; i < std::size(macBinary); ++i) {
        setTabOrder(const_cast<QWidget*>(macBinary[i - 1]), const_cast<QWidget*>(macBinary[i]));
    }
    for (std::size_t i = 1; i < std::size(crc); ++i) {
        setTabOrder(const_cast<QWidget*>(crc[i - 1]), const_cast<QWidget*>(crc[i]));
    }
}

void TFormMain::LayoutMacBinaryPage() {
    const int width = TabSheet1->width();
    const int height = TabSheet1->height();
    const int logHeight = Panel3->height();
    const int splitter = Splitter1->height();
    const int buttons = Panel2->height();
    Panel3->setGeometry(0, 0, width, logHeight);
    Splitter1->setGeometry(0, logHeight, width, splitter);
    Panel2->setGeometry(0, height - buttons, width, buttons);
    const int top = logHeight + splitter;
    const QRect middle(0, top, width, std::max(0, height - buttons - top));
    Editor1->setGeometry(middle);
    StringGrid1->setGeometry(middle);
}

} // namespace kelda
