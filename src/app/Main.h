// SPDX-License-Identifier: MIT
// TFormMain: the main window. It owns every control and the dialogs' state; what a page holds is
// its model, owned by the page widget (TMacBinaryPage in TabSheet1, TCrcPage in TabSheet2,
// TCheckModel in CheckPage, TResourceModel in ResourcePage). Its methods are the handlers of its controls;
// they update the models and render them. The handlers of each page live in that page's folder
// (src/macbinary/FormMainMacBinary.cpp and FormMainCheck.cpp, src/crc/FormMainCrc.cpp,
// src/log/FormMainLog.cpp, src/forks/FormMainForks.cpp, src/resources/FormMainResources.cpp); layout,
// start-up and shut-down are in src/app/.
#pragma once

#include "app/AppPaths.h"
#include "app/Dialogs.h"
#include "app/Language.h"
#include "app/Settings.h"
#include "app/TModelTabSheet.h"
#include "forks/TMakeMacBinaryDialog.h"
#include "macbinary/Conversion.h"
#include "macbinary/HeaderPieces.h"
#include "macbinary/SourceShortfall.h"
#include "resources/TResourceModel.h"
#include "util/BilingualError.h"
#include "util/MacText.h"
#include "util/Progress.h"
#include "util/ProgressThrottle.h"
#include "util/TFileStream.h"

#include <QMainWindow>
#include <QRect>
#include <QStringList>
#include <array>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QAbstractButton;
class QAction;
class QButtonGroup;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QListWidget;
class QMenu;
class QPainter;
class QPushButton;
class QRadioButton;
class QTableWidget;
class QKeyEvent;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QWheelEvent;

namespace kelda {

class TCheckPage;
class TEditor;
class TImagePage;
class TMacFileSource;
class TPageControl;
class TResourcePage;
class TSplitterBar;
enum class TResourceForm; // forks/ForkExport.h
enum class TForkStatus;   // forks/ForkExport.h
enum class TCutPolicy;    // forks/ForkExport.h

// The pages of PageControl1, by index.
inline constexpr int kPageMacBinary = 0;
inline constexpr int kPageCrc = 1;
inline constexpr int kPageHelp = 2;

// Rows of the empty grid before a file is read (under its title row).
inline constexpr int kGridStartRows = 26;

class TFormMain : public QMainWindow {
    Q_OBJECT

public:
    // paths: where the settings, the help text and the temporary folder are; dialogs: how the user is
    // told and asked things (it must outlive the window). Builds the layout and runs FormCreate.
    TFormMain(AppPaths paths, Dialogs& dialogs, QWidget* parent = nullptr);
    ~TFormMain() override;

    // ------------------------------------------------------------------ controls
    // Every control carries its name as objectName, so tests find them with findChild.

    // Bottom panel: the file-name line and the file-type line.
    QFrame* Panel1 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;

    TPageControl* PageControl1 = nullptr;
    TMacBinaryTabSheet* TabSheet1 = nullptr; // MacBinary; owns the page's model
    TCrcTabSheet* TabSheet2 = nullptr;       // CRC; owns the page's model
    QWidget* TabSheet3 = nullptr;            // Help

    // MacBinary page: the log area (Panel3: Editor3 above the button bar Panel7), the splitter, the
    // information views (Editor1 or StringGrid1) and the button panel Panel2 at the bottom.
    QFrame* Panel3 = nullptr;
    TEditor* Editor3 = nullptr;
    QFrame* Panel7 = nullptr;
    QPushButton* BtnLogClear = nullptr;
    QPushButton* BtnSaveLog = nullptr;
    QPushButton* BtnLogTop = nullptr;
    QPushButton* BtnLogPrev = nullptr;
    QPushButton* BtnLogNext = nullptr;
    QPushButton* BtnLogEnd = nullptr;
    TSplitterBar* Splitter1 = nullptr;
    TEditor* Editor1 = nullptr;
    // Six columns. Its fixed row 0 ("No.", "Item", …) is the horizontal header; row r >= 1 of the
    // grid is table row r - 1, so a grid of N rows has rowCount() N - 1.
    QTableWidget* StringGrid1 = nullptr;
    QFrame* Panel2 = nullptr;
    QPushButton* BtnFileOpen = nullptr;
    QPushButton* BtnTmpFileClear = nullptr;
    QPushButton* BtnChangeFileType = nullptr;
    QPushButton* BtnDeleteHeader = nullptr;
    QPushButton* BtnDeleteHeaderResorceComment = nullptr;
    // A group box with two radio buttons (item 0 "Text", item 1 "Grid"); use RadioGroupItemIndex.
    QGroupBox* RadioGroupInformation = nullptr;
    std::array<QRadioButton*, 2> RadioGroupInformationItems{};
    QButtonGroup* RadioGroupInformationButtons = nullptr;

    // CRC page.
    QFrame* Panel4 = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BtnFileBrowse = nullptr;
    QFrame* Panel5 = nullptr;
    QLabel* Label1 = nullptr;
    QListWidget* ListBox2 = nullptr;
    QLabel* Label2 = nullptr;
    QListWidget* ListBox1 = nullptr;
    TEditor* Editor2 = nullptr;

    // Help page.
    TEditor* Editor4 = nullptr;

    // Check page (beside the MacBinary page), the verdict line at the right of the bottom panel and
    // Setting > Name encoding (src/macbinary/FormMainCheck.cpp).
    TCheckPage* CheckPage = nullptr;
    QLabel* LabelVerdict = nullptr;
    QMenu* MenuNameEncoding = nullptr;
    std::array<QAction*, 3> MenuNameEncodingItems{};
    // Resources page (after the check page), and the file's own icon at the right of the bottom
    // panel.
    TResourcePage* ResourcePage = nullptr;
    QLabel* ImageOwnIcon = nullptr;
    // Images page, the last page (src/image/FormMainImages.cpp).
    TImagePage* ImagePage = nullptr;

    // Main menu.
    QMenu* MenuFile = nullptr;
    QAction* MenuQuit = nullptr;
    // The fork items above MenuQuit (src/forks/FormMainForks.cpp).
    QAction* MenuExportResourceFork = nullptr;
    QAction* MenuExportAppleDouble = nullptr;
    QAction* MenuExportAppleSingle = nullptr;
    QAction* MenuExtract = nullptr;
    QAction* MenuMakeMacBinary = nullptr;
    QAction* MenuSaveBinHex = nullptr;    // the file shown (MacBinary or BinHex) as BinHex
    QAction* MenuSaveMacBinary = nullptr; // the BinHex file shown as MacBinary III
    QAction* MenuExtractImage = nullptr;  // the Images page's selection into a folder
    QMenu* MenuSetting = nullptr;
    QAction* MenuResetIniFile = nullptr;
    QAction* MenuSeparetor = nullptr;
    QAction* MenuJapaneseSet = nullptr; // checked: Japanese mode
    QMenu* MenuHelp = nullptr;
    QAction* MenuAbout = nullptr;

    // ------------------------------------------------------------------ state (read-only here)

    // The file dialogs' remembered state.
    const TFileDialogState& OpenDialog1() const { return OpenDialog1_; } // the file to inspect
    const TFileDialogState& OpenDialog2() const { return OpenDialog2_; } // the CRC page's file
    const TFileDialogState& SaveDialog1() const { return SaveDialog1_; } // saving the log
    const TFileDialogState& SaveDialog2() const { return SaveDialog2_; } // the conversions' output

    // The MacBinary page's model (TabSheet1's): the file shown, which the conversions work from.
    const TMacBinaryPage& MacBinaryPage() const { return TabSheet1->Model(); }
    // The file shown as the window shows it, and its version text; empty before the first file.
    QString FFileName() const;
    QString FFileType() const;

    // Where the header pieces go; ends in a separator, so a piece's name is TmpFolder + name + ext.
    const std::filesystem::path& TmpFolder() const { return tmpFolder_; }

    // The CRC page's model (TabSheet2's): the recent-file list, the choices, the twelve engines. It
    // is the page's source of truth: what is set here the controls show, and the handlers compute
    // from it.
    const TCrcPage& CrcPage() const { return TabSheet2->Model(); }
    TCrcPage& CrcPage() { return TabSheet2->Model(); }
    // Window position and size from the settings: Left, Top (outer frame) and Width, Height (inside
    // the frame, menu included). Used when the window is placed.
    const TBounds& StoredBounds() const { return storedBounds_; }
    void SetStoredBounds(const TBounds& bounds) { storedBounds_ = bounds; }

    // The clock that decides when long work (CRCs, conversions) shows its progress dialog; empty
    // for the system's. Tests set it to drive the dialog without waiting.
    void SetProgressClock(TProgressClock clock) { progressClock_ = std::move(clock); }

    // The primary screen's rectangle, against which stored bounds are tested. Tests may set an
    // override to place the window on a screen of their choosing.
    QRect PrimaryScreenRect() const;
    void SetScreenOverride(std::optional<QRect> screen) { screenOverride_ = screen; }
    // The window frame's top-left corner on the screen.
    QPoint FramePosition() const;

    const AppPaths& Paths() const { return paths_; }

    // ------------------------------------------------------------------ language

    // Japanese mode: the check mark of MenuJapaneseSet.
    bool IsJapanese() const;
    // A message's text in the mode of this moment.
    QString MessageQ(TMsg msg) const;
    // Shows a message in the plain message box, in the mode of this moment.
    void ShowMessage(TMsg msg);

    void LanguageChange();
    void MenuJapaneseSetClick();

    // ------------------------------------------------------------------ window

    void FormCreate();
    void FormShow();
    void FormResize();
    // Returns whether the key was handled (only Escape is).
    bool FormKeyDown(QKeyEvent* key);
    void MenuQuitClick();
    void FormDestroy();
    void PageControl1DrawTab(QPainter& painter, int index, const QRect& rect, bool active);
    // The window's size limits: at least 980 x 730.
    void WmGetMinMaxInfo();
    // Once the window manager has framed the window: a frame larger than the screen's usable area
    // shrinks, and moves, until all of it is on the screen.
    void FitFrameToScreen();

    // The log area's height, and the MacBinary page laid out again around it.
    void SetPanel3Height(int height);
    // The selected item of RadioGroupInformation: 0, 1, or -1 for neither.
    int RadioGroupItemIndex() const;
    void SetRadioGroupItemIndex(int index);

    // Runs a handler; an exception it throws ends it there and is shown in the error box (title
    // "KELDA", error icon, the message with the full-stop rule; in English mode an error that has
    // an English text gets it as a second line; a file error's system reason follows on a line of
    // its own). The program then goes on. Work the user
    // cancelled ends silently: the cancel was the user's own choice.
    template <class F> void Guard(F&& handler) {
        try {
            handler();
        } catch (const ECancelled&) {
        } catch (const EFileError& e) {
            ShowError(e.what(), e.english(), e.SystemReason());
        } catch (const EBilingualError& e) {
            ShowError(e.what(), e.english());
        } catch (const std::exception& e) {
            ShowError(e.what());
        } catch (...) {
            ShowError("Unknown error");
        }
    }
    // reason: an errno whose system text the message carries; it is given again on a line of its
    // own below, in the window's language where the C library has that language's messages.
    void ShowError(const char* message, const std::string& english = {}, int reason = 0);

    // ------------------------------------------------------------------ text panes

    // The row-drawing handler of all four text panes: a tab mark for each tab in the row.
    void EditorDrawLine(TEditor* Sender, const QString& LineStr, int X, int Y, int Index, const QRect& ARect,
                        bool Selected);
    void DrawTabMark(TEditor* Editor, const QRect& ARect, int X, int Y, bool Selected);

    // ------------------------------------------------------------------ log pane (src/log/FormMainLog.cpp)

    // Appends one line at the end of the log.
    void LogAppend(const QString& line);
    void BtnLogClearClick();
    void BtnSaveLogClick();
    // Sender: the button clicked, or the window itself when called from code (then the focus stays).
    void BtnLogTopClick(QObject* Sender);
    void BtnLogPrevClick(QObject* Sender);
    void BtnLogNextClick(QObject* Sender);
    void BtnLogEndClick(QObject* Sender);

    // ------------------------------------------------------------------ settings

    void ReadIniFileValue();
    void WriteIniFileValue();
    void MenuResetIniFileClick();

    // ------------------------------------------------------------------ MacBinary page handlers
    // (src/macbinary/FormMainMacBinary.cpp, src/macbinary/FormMainMacBinaryViews.cpp)

    void BtnFileOpenClick();
    // Tests the file, shows its header in both views, writes its header pieces and logs the reading.
    void ReadFile(const std::filesystem::path& FileName);
    // The three outputs, from the file shown (FFileName).
    void BtnChangeFileTypeClick();
    void BtnDeleteHeaderClick();
    void BtnDeleteHeaderResorceCommentClick();
    // Deletes the header pieces of every file in TmpFolder.
    void BtnTmpFileClearClick();
    // Shows the view chosen in RadioGroupInformation (item 0 text, item 1 grid).
    void RadioGroupInformationClick();
    // The grid follows Editor1's caret, only while Editor1 has the focus.
    void Editor1CaretMoved();
    void Editor1Click();
    void Editor1TopRowChange();
    void Editor1SelectionChange();
    // Editor1 follows the grid, only while the grid has the focus.
    void StringGrid1TopLeftChanged();
    void StringGrid1Click();
    void StringGrid1RowMoved();
    // Paints one grid cell; ARow counts the title row as row 0.
    void StringGrid1DrawCell(QPainter& Canvas, int ACol, int ARow, const QRect& Rect, bool Selected);

    // ------------------------------------------------------------------ check page
    // (src/macbinary/FormMainCheck.cpp)

    // The report on the file just read, on the page and in the verdict line.
    void ShowCheckReport(const TInspection& inspection);
    // The check report of a file refused as not MacBinary, on the check page marked as not opened;
    // the page checks the file itself.
    void ShowRefusedCheck(const std::filesystem::path& file);
    // The page's caption, the menu's texts, the page and the verdict line in the mode of this moment.
    void CheckLanguageChange();
    // Setting > Name encoding: 0 the header's own rule, 1 Japanese, 2 Western.
    void MenuNameEncodingClick(int choice);
    TMacEncoding NameEncodingChoice() const;
    int NameEncodingIndex() const;
    void ReadNameEncodingSetting();
    [[nodiscard]] bool WriteNameEncodingSetting();

    // ------------------------------------------------------------------ fork handlers
    // (src/forks/FormMainForks.cpp): the File menu's fork items, from the file shown but for the
    // last, which makes a MacBinary file from forks.

    void MenuExportResourceForkClick();
    void MenuExportAppleDoubleClick();
    void MenuExportAppleSingleClick();
    void MenuExtractClick();
    void MenuMakeMacBinaryClick();
    void MenuSaveBinHexClick();
    void MenuSaveMacBinaryClick();

    // ------------------------------------------------------------------ Images page handlers
    // (src/image/FormMainImages.cpp)

    // A file the MacBinary page refuses: a BinHex file is shown on the Check and Resources pages,
    // a disk image (or a file wrapping one) on the Images page. False when it is neither.
    bool ReadOtherFile(const std::filesystem::path& file);
    // The disk image file is or wraps, on the Images page; false when it is none.
    bool ShowImage(const std::filesystem::path& file);
    void MenuExtractImageClick();
    void ImagesLanguageChange();
    // The File menu's BinHex and image items enabled as the files shown allow.
    void UpdateContainerMenu();
    // ------------------------------------------------------------------ Resources page handlers
    // (src/resources/FormMainResources.cpp)

    // Lists the resources of the file just read and shows its own icon; without them (the map could
    // not be read) the icon goes and the page keeps what it showed.
    void ShowResources(std::optional<TResourceModel> resources);
    // Writes the chosen resource's bytes to a file the user names.
    void BtnSaveResourceClick();
    void ResourcesLanguageChange();

    // ------------------------------------------------------------------ CRC page handlers
    // (src/crc/FormMainCrc.cpp)

    void BtnFileBrowseClick();
    void ComboBox1Change();
    // Puts Name at the top of the recent-file list and chooses it.
    void UpdateFileComboBox(const std::filesystem::path& Name);
    // A variant chosen: computed under "Each", else a warning.
    void ListBox1Click();
    // An operation chosen: "All" computes every variant, "Clear" empties the results.
    void ListBox2Click();
    // Computes the chosen variant over the chosen file and appends its result line.
    void GetCrcDispCrc();
    void CrcGetFileCrc();
    // The engine of ListBox1's current entry.
    TCrc& CrcSelect();

    // ------------------------------------------------------------------ desktop
    // (src/app/FormMainDesktop.cpp)

    // Help > About: version, licence and Qt version in the plain message box.
    void MenuAboutClick();
    // A file named on the command line: read on the MacBinary page, as if it had been dropped there.
    void OpenFromCommandLine(const std::filesystem::path& file);

    // ------------------------------------------------------------------ drops and wheel
    // (src/app/FormMainDrop.cpp)

    // Makes the window a drop target and installs AppMessage (start-up).
    void RegisterDropAndWheel();
    // The application-wide hook: a wheel turn over this window goes to WmMousewheel.
    bool AppMessage(QObject* watched, QEvent* event);
    // The first dropped file, by page: read (MacBinary), listed (CRC), nothing (Help).
    void WMDropFiles(const std::vector<std::filesystem::path>& Files);
    // One line up (positive delta) or down on the focused text pane; false when no pane has the focus.
    bool WmMousewheel(QWheelEvent* event);
    // The text pane that has the keyboard focus, or none.
    TEditor* FocusedEditor() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildLayout();
    void BuildMenu();
    // Adds the fork items to MenuFile and connects them.
    void BuildForkMenu();
    template <typename F> void ExportShown(const char* prefix, const char* suffix, F exportTo);
    // The output of an export (the fork items, Save resource) from state's save dialog: name
    // offered in the folder state used last (source's before any); refuses a symbolic link and asks
    // before an existing file other than source is replaced. extractForm: the resource fork's form of
    // Extract, whose second output is judged alike. False: nothing to write.
    bool AskExportOutput(TFileDialogState& state, std::string_view filter,
                         const std::filesystem::path& folder, const std::string& name,
                         std::optional<TResourceForm> extractForm = std::nullopt);
    // The Mac name of the file shown made safe (Extract's name); its own name when it has none.
    std::string ShownMacName() const;
    // A log line for each output written from source.
    void LogWritten(const std::filesystem::path& source,
                    std::initializer_list<std::filesystem::path> outputs);
    void ExportApple(bool single);
    // Save as BinHex and Save as MacBinary: source (none: the message that no file was read) to
    // the output named in SaveDialog2, written by write under the progress dialog.
    using TContainerWriter = std::function<TForkStatus(const TMacFileSource&, const std::filesystem::path&,
                                                       TCutPolicy, const ProgressFn&, bool)>;
    void SaveContainer(const std::shared_ptr<const TMacFileSource>& source, const TContainerWriter& write);
    void BuildHelpMenu();
    void BuildMacBinaryPage();
    void BuildCrcPage();
    void BuildHelpPage();
    void BuildCheckPage();
    void ConnectCheckPage();
    void BuildResourcesPage();
    void BuildImagesPage();
    void SetTabOrders();
    // Connects every control to its handler, each inside Guard.
    void ConnectHandlers();
    // Clicking button runs handler inside Guard.
    void OnClick(QAbstractButton* button, std::function<void()> handler);
    // Runs handler (with the row chosen) inside Guard whenever the user chooses an entry of list:
    // clicking it (also when it is already chosen) or moving to it with the keys; never for the
    // program's own selections.
    void ConnectListChoice(QListWidget* list, std::function<void(int)> handler);
    void ConnectCrcPage();
    void ConnectMacBinaryPage();
    void LayoutMacBinaryPage();
    void LoadHelpText();
    void Splitter1Dragged(int dy);
    // Key preview: every key of the window reaches FormKeyDown before the focused control.
    bool PreviewKey(QObject* watched, QEvent* event);

    // The conversions' output name from SaveDialog2; false when the user cancels.
    bool AskOutputName();
    // The question before an output that is a read-only file is replaced; true for Yes.
    bool AskReplaceReadOnly();
    // Long work that writes an output (the conversions, the fork items), run under the progress
    // dialog with Cancel (a cancel throws ECancelled and leaves no output). It takes the cut policy,
    // the progress callback and whether a read-only output may be replaced. A read-only output is
    // replaced, and a fork cut short in the source written as far as it goes, only when the user
    // says so, each asked once; afterwards the user is told why nothing was written (the source as
    // output, a link) or that the comment was cut. Returns the last attempt's status.
    using TLongWork = std::function<TForkStatus(TCutPolicy, const ProgressFn&, bool)>;
    TForkStatus RunLongWork(TMsg progressLabel, const TLongWork& work);
    void TellShortfall(TOutputPart part);

    AppPaths paths_;
    Dialogs& dialogs_;
    TFileDialogState OpenDialog1_;
    TFileDialogState OpenDialog2_;
    TFileDialogState SaveDialog1_;
    TFileDialogState SaveDialog2_;
    TFileDialogState SaveDialog3_;             // one resource's bytes
    TFileDialogState OpenDialog3_;             // the forks chosen in the Make MacBinary dialog
    TMakeMacBinaryFields makeMacBinaryFields_; // its fields, kept until a file is made from them
    // The CRC page as its model holds it: the recent files, the operation and the variant; run on
    // every change the model announces.
    void ShowCrcPage();
    // The CRC page's chosen file as ComboBox1 shows it.
    QString ShownCrcFile() const;

    std::filesystem::path tmpFolder_;
    TBounds storedBounds_{-1, -1, kDefaultFormWidth, kDefaultFormHeight};
    TProgressClock progressClock_;
    TResourceForm extractForm_{}; // the resource fork's form chosen last for Extract (the sidecar first)
    std::optional<QRect> screenOverride_;
    bool shownOnce_ = false;
    bool destroyed_ = false;
};

} // namespace kelda
