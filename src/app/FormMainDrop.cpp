// SPDX-License-Identifier: MIT
// Files dropped on the main window and the mouse wheel over it.
#include "app/Main.h"
#include "app/TCheckPage.h"

#include "app/PathText.h"
#include "app/Settings.h"
#include "app/TEventHook.h"
#include "app/TPageControl.h"
#include "image/TImagePage.h"
#include "resources/TResourcePage.h"
#include "textview/TEditor.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWheelEvent>

namespace kelda {

namespace {

// The local files of a drop, in the order the file manager gave them.
std::vector<std::filesystem::path> DroppedFiles(const QMimeData* data) {
    std::vector<std::filesystem::path> files;
    if (data != nullptr && data->hasUrls()) {
        for (const QUrl& url : data->urls()) {
            if (url.isLocalFile() && url.host().isEmpty()) {
                // The path's own bytes: toLocalFile() would decode them as UTF-8 and lose a name in
                // another encoding.
                const QByteArray bytes =
                    QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
                files.emplace_back(bytes.toStdString());
            } else if (url.isLocalFile()) {
                files.emplace_back(url.toLocalFile().toStdString());
            }
        }
    }
    return files;
}

// The dropped file becomes the dialog's choice, as if it had been chosen there.
void SetDialogFile(TFileDialogState& dialog, const std::filesystem::path& file) {
    dialog.Path = file;
    dialog.FileName = FromPath(file);
    dialog.InitialDir = FromPath(FolderPart(file.string()));
}

} // namespace

void TFormMain::RegisterDropAndWheel() {
    setAcceptDrops(true);
    // A wheel turn never moves the focus (Qt gives it to a combo box turned over): it goes to the
    // control that has the focus.
    for (QWidget* child : findChildren<QWidget*>()) {
        if (child->focusPolicy() == Qt::WheelFocus) {
            child->setFocusPolicy(Qt::StrongFocus);
        }
    }
    qApp->installEventFilter(
        new TEventHook(this, [this](QObject* watched, QEvent* event) { return AppMessage(watched, event); }));
}

bool TFormMain::AppMessage(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::Wheel) {
        return false;
    }
    // Every widget a wheel event passes on its way up comes here; it is taken at the first.
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || widget->window() != this) {
        return false;
    }
    bool handled = false;
    Guard([&] { handled = WmMousewheel(static_cast<QWheelEvent*>(event)); });
    if (handled) {
        return true;
    }
    // No text pane has the focus: the wheel is the focused control's own (a list scrolls itself),
    // and a control under the mouse that does not have the focus gets nothing.
    const QWidget* focused = focusWidget();
    return focused == nullptr || (widget != focused && !focused->isAncestorOf(widget));
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
    if (!DroppedFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
    if (!DroppedFiles(event->mimeData()).empty()) {
        event->acceptProposedAction();
    }
}

void TFormMain::dropEvent(QDropEvent* event) {
    const std::vector<std::filesystem::path> files = DroppedFiles(event->mimeData());
    if (files.empty()) {
        return;
    }
    event->acceptProposedAction();
    // The window that was dropped on comes to the front, as when it is clicked.
    if (isMinimized()) {
        showNormal();
    }
    raise();
    activateWindow();
    Guard([this, &files] { WMDropFiles(files); });
}

void TFormMain::WMDropFiles(const std::vector<std::filesystem::path>& Files) {
    if (Files.empty()) {
        return;
    }
    // The whole path, however long it is.
    const std::filesystem::path& file = Files.front();
    // By page: the MacBinary, check, Resources and Images pages read the file, the CRC page lists
    // it, the Help page takes no files.
    const QWidget* page = PageControl1->currentWidget();
    if (page == TabSheet1 || page == CheckPage || page == ResourcePage || page == ImagePage) {
        SetDialogFile(OpenDialog1_, file);
        ReadFile(file);
    } else if (page == TabSheet2) {
        SetDialogFile(OpenDialog2_, file);
        UpdateFileComboBox(file);
    }
}

TEditor* TFormMain::FocusedEditor() const {
    const QWidget* focused = focusWidget();
    for (TEditor* editor : {Editor1, Editor2, Editor3, Editor4}) {
        if (focused != nullptr && (focused == editor || editor->isAncestorOf(focused))) {
            return editor;
        }
    }
    return nullptr;
}

bool TFormMain::WmMousewheel(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    TEditor* editor = FocusedEditor();
    // A horizontal turn (or a touchpad's phase event) carries no vertical delta: not ours.
    if (editor == nullptr || delta == 0) {
        return false;
    }
    // One line per wheel event, whatever its size.
    if (delta > 0) {
        editor->ScrollLineUp();
    } else {
        editor->ScrollLineDown();
    }
    return true;
}

} // namespace kelda
