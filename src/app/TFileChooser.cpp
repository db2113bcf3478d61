// SPDX-License-Identifier: MIT
#include "app/TFileChooser.h"

#include "app/PathText.h"

#include <QApplication>
#include <QComboBox>
#include <QFileIconProvider>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include <algorithm>
#include <fnmatch.h>
#include <system_error>
#include <vector>

namespace kelda {

namespace fs = std::filesystem;

namespace {

// An entry's path as its bytes (QByteArray): two entries can read the same, their bytes never do.
constexpr int FullPathRole = Qt::UserRole;
constexpr int IsFolderRole = Qt::UserRole + 1;

// The patterns of a filter "description (pattern pattern ...)".
QStringList FilterPatterns(const QString& filter) {
    const qsizetype open = filter.lastIndexOf(QLatin1Char('('));
    const qsizetype close = filter.lastIndexOf(QLatin1Char(')'));
    if (open < 0 || close < open) {
        return {};
    }
    return filter.mid(open + 1, close - open - 1).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

fs::path ItemPath(const QListWidgetItem* item) {
    return fs::path(item->data(FullPathRole).toByteArray().toStdString());
}

// text with one "/" between it and what follows.
QString WithSlash(QString text) {
    if (!text.endsWith(QLatin1Char('/'))) {
        text += QLatin1Char('/');
    }
    return text;
}

} // namespace

TFileChooser::TTexts TFileChooser::Texts(bool japanese, bool save) {
    if (japanese) {
        return {QString::fromUtf8(save ? "名前を付けて保存" : "開く"),
                QString::fromUtf8("場所:"),
                QString::fromUtf8("1 つ上のﾌｫﾙﾀﾞへ"),
                QString::fromUtf8("ﾌｧｲﾙ名:"),
                QString::fromUtf8("ﾌｧｲﾙの種類:"),
                QString::fromUtf8(save ? "保存(&S)" : "開く(&O)"),
                QString::fromUtf8("ｷｬﾝｾﾙ")};
    }
    return {save ? QStringLiteral("Save As") : QStringLiteral("Open"),
            QStringLiteral("Look in:"),
            QStringLiteral("Up one folder"),
            QStringLiteral("File name:"),
            QStringLiteral("Files of type:"),
            save ? QStringLiteral("&Save") : QStringLiteral("&Open"),
            QStringLiteral("Cancel")};
}

TFileChooser::TFileChooser(QWidget* parent, const QString& title, bool save, const QStringList& nameFilters,
                           TTexts texts)
    : QDialog(parent), FSave(save) {
    setWindowTitle(title.isEmpty() ? texts.Title : title);
    setObjectName(QStringLiteral("FileChooser"));
    FFolderEdit = new QLineEdit(this);
    FUpButton = new QToolButton(this);
    FUpButton->setIcon(style()->standardIcon(QStyle::SP_FileDialogToParent));
    FUpButton->setToolTip(texts.Up);
    FList = new QListWidget(this);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FNameEdit = new QLineEdit(this);
    FFilterBox = new QComboBox(this);
    FFilterBox->addItems(nameFilters);
    FAcceptButton = new QPushButton(texts.Accept, this);
    auto* cancel = new QPushButton(texts.Cancel, this);
    // Return belongs to the line it is typed in: the folder line goes to the folder, the name line
    // takes the file. No button takes it as the default.
    FAcceptButton->setAutoDefault(false);
    cancel->setAutoDefault(false);

    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(texts.Folder, this), 0, 0);
    grid->addWidget(FFolderEdit, 0, 1);
    grid->addWidget(FUpButton, 0, 2);
    grid->addWidget(FList, 1, 0, 1, 3);
    grid->addWidget(new QLabel(texts.FileName, this), 2, 0);
    grid->addWidget(FNameEdit, 2, 1);
    grid->addWidget(FAcceptButton, 2, 2);
    grid->addWidget(new QLabel(texts.Type, this), 3, 0);
    grid->addWidget(FFilterBox, 3, 1);
    grid->addWidget(cancel, 3, 2);
    resize(640, 440);

    connect(FFolderEdit, &QLineEdit::returnPressed, this, [this] { SetFolder(FFolderEdit->text()); });
    connect(FUpButton, &QToolButton::clicked, this, [this] { GoUp(); });
    // Only an entry the user chooses (a click, the arrow keys) becomes the name. Focus passing
    // through the list makes its first entry current without choosing it; taking that would put
    // another file's name, often the source's own, over the name offered.
    connect(FList, &QListWidget::itemSelectionChanged, this, [this] {
        const QList<QListWidgetItem*> chosen = FList->selectedItems();
        if (!chosen.isEmpty() && !chosen.constFirst()->data(IsFolderRole).toBool()) {
            FNameEdit->setText(chosen.constFirst()->text());
        }
    });
    connect(FList, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { ActivateItem(item); });
    connect(FNameEdit, &QLineEdit::returnPressed, this, [this] { accept(); });
    connect(FFilterBox, &QComboBox::currentIndexChanged, this, [this](int) { List(); });
    connect(FAcceptButton, &QPushButton::clicked, this, [this] { accept(); });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    std::error_code ec;
    FFolder = fs::current_path(ec);
    List();
    FNameEdit->setFocus();
}

void TFileChooser::SetFolder(const QString& folder) {
    if (folder.isEmpty()) {
        List();
        return;
    }
    SetFolderPath(ToPath(folder));
}

void TFileChooser::SetFolderPath(const fs::path& path) {
    std::error_code ec;
    if (!path.empty() && fs::is_directory(path, ec)) {
        FFolder = fs::absolute(path, ec).lexically_normal();
        if (FFolder.has_relative_path() && FFolder.filename().empty()) {
            FFolder = FFolder.parent_path(); // no trailing "/"
        }
    }
    List();
}

QString TFileChooser::Folder() const {
    return FromPath(FFolder);
}

namespace {

bool IsPattern(const QString& text) {
    return text.contains(QLatin1Char('*')) || text.contains(QLatin1Char('?'));
}

} // namespace

void TFileChooser::SetFileName(const QString& name) {
    FNameEdit->setText(name);
}

void TFileChooser::SetShowHidden(bool show) {
    if (show == FShowHidden) {
        return;
    }
    FShowHidden = show;
    List();
}

bool TFileChooser::MatchesFilter(const std::string& name) const {
    const QStringList patterns = FilterPatterns(FFilterBox->currentText());
    return patterns.isEmpty() ||
           std::any_of(patterns.begin(), patterns.end(), [&name](const QString& pattern) {
               return ::fnmatch(pattern.toStdString().c_str(), name.c_str(), 0) == 0;
           });
}

void TFileChooser::List() {
    struct TEntry {
        QString Shown;
        fs::path Path;
        bool IsFolder;
    };
    std::vector<TEntry> entries;
    std::error_code ec;
    for (fs::directory_iterator it(FFolder, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        if (name.empty() || (name[0] == '.' && !FShowHidden)) {
            continue;
        }
        std::error_code typeError;
        const bool folder = it->is_directory(typeError);
        if (!folder && !MatchesFilter(name)) {
            continue;
        }
        entries.push_back({FromPath(fs::path(name)), it->path(), folder});
    }
    std::sort(entries.begin(), entries.end(), [](const TEntry& a, const TEntry& b) {
        if (a.IsFolder != b.IsFolder) {
            return a.IsFolder;
        }
        const int byText = a.Shown.compare(b.Shown, Qt::CaseInsensitive);
        return byText != 0 ? byText < 0 : a.Path < b.Path;
    });

    const QFileIconProvider icons;
    FList->clear();
    for (const TEntry& entry : entries) {
        auto* item = new QListWidgetItem(
            icons.icon(entry.IsFolder ? QFileIconProvider::Folder : QFileIconProvider::File), entry.Shown,
            FList);
        item->setData(FullPathRole, QByteArray::fromStdString(entry.Path.string()));
        item->setData(IsFolderRole, entry.IsFolder);
    }
    FFolderEdit->setText(Folder());
    FUpButton->setEnabled(FFolder.has_relative_path());
}

void TFileChooser::GoUp() {
    if (FFolder.has_relative_path()) {
        FFolder = FFolder.parent_path();
        List();
    }
}

QStringList TFileChooser::Entries() const {
    QStringList shown;
    for (int i = 0; i < FList->count(); ++i) {
        const QListWidgetItem* item = FList->item(i);
        shown << item->text() + (item->data(IsFolderRole).toBool() ? QStringLiteral("/") : QString());
    }
    return shown;
}

bool TFileChooser::Choose(const QString& text) {
    const QList<QListWidgetItem*> found = FList->findItems(text, Qt::MatchExactly);
    if (found.isEmpty()) {
        return false;
    }
    FList->setCurrentItem(found.constFirst());
    return true;
}

bool TFileChooser::Activate(const QString& text) {
    if (!Choose(text)) {
        return false;
    }
    ActivateItem(FList->currentItem());
    return true;
}

void TFileChooser::SetFilterIndex(int index) {
    FFilterBox->setCurrentIndex(index);
}

void TFileChooser::ActivateItem(QListWidgetItem* item) {
    if (item == nullptr) {
        return;
    }
    if (item->data(IsFolderRole).toBool()) {
        SetFolderPath(ItemPath(item));
        return;
    }
    FNameEdit->setText(item->text());
    accept();
}

void TFileChooser::accept() {
    const QString typed = FNameEdit->text();
    if (typed.isEmpty()) {
        // Nothing named: a chosen folder is entered.
        QListWidgetItem* item = FList->currentItem();
        if (item != nullptr && item->data(IsFolderRole).toBool()) {
            ActivateItem(item);
        }
        return;
    }
    if (IsPattern(typed)) {
        // Patterns typed as the name become the filter, as in other file dialogs.
        const QString filter = typed + QStringLiteral(" (") + typed + QLatin1Char(')');
        int at = FFilterBox->findText(filter);
        if (at < 0) {
            FFilterBox->addItem(filter);
            at = FFilterBox->count() - 1;
        }
        FFilterBox->setCurrentIndex(at);
        FNameEdit->clear();
        return;
    }
    // The entry chosen in the list is taken by its bytes while its name stands in the name line;
    // anything else typed is a name in the folder shown, or a full path, either of which may be
    // written with readable names.
    const QListWidgetItem* item = FList->currentItem();
    fs::path target;
    if (item != nullptr && !item->data(IsFolderRole).toBool() && item->text() == typed) {
        target = ItemPath(item);
    } else {
        target = ToPath(typed.startsWith(QLatin1Char('/')) ? typed : WithSlash(Folder()) + typed);
    }
    std::error_code ec;
    if (fs::is_directory(target, ec)) {
        SetFolderPath(target);
        FNameEdit->clear();
        return;
    }
    FSelectedPath = target;
    FSelected = FromPath(target);
    QDialog::accept();
}

} // namespace kelda
