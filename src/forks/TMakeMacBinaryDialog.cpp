// SPDX-License-Identifier: MIT
#include "forks/TMakeMacBinaryDialog.h"

#include "app/Language.h"
#include "app/PathText.h"
#include "forks/ForkExport.h"
#include "forks/MacNames.h"
#include "forks/TAppleContainer.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <utility>

namespace kelda {

namespace {

QString Caption(const char* control, bool japanese) {
    const TCaptionEntry* e = FindForkCaption(control);
    return e == nullptr ? QString() : QString::fromUtf8(japanese ? e->Japanese : e->English);
}

QString MacText(const std::string& bytes, TMacEncoding encoding) {
    return QString::fromStdString(MacTextToUtf8(bytes, encoding));
}

QString FourCCText(const TFourCC& code) {
    return MacText(std::string(code.begin(), code.end()), TMacEncoding::Roman);
}

} // namespace

TMakeMacBinaryDialog::TMakeMacBinaryDialog(QWidget* parent, Dialogs& dialogs, TFileDialogState& browse,
                                           bool japanese)
    : QDialog(parent), dialogs_(dialogs), browse_(browse), japanese_(japanese) {
    setObjectName("MakeMacBinaryDialog");
    setWindowTitle(Caption("MakeMacBinaryDialog", japanese));
    auto* grid = new QGridLayout(this);
    int row = 0;
    const auto addRow = [&](const char* label, QWidget* field, const char* button = nullptr) {
        auto* text = new QLabel(Caption(label, japanese), this);
        text->setObjectName(label);
        text->setBuddy(field);
        grid->addWidget(text, row, 0);
        grid->addWidget(field, row, 1);
        QPushButton* browseButton = nullptr;
        if (button != nullptr) {
            browseButton = new QPushButton(Caption(button, japanese), this);
            browseButton->setObjectName(button);
            browseButton->setAutoDefault(false);
            grid->addWidget(browseButton, row, 2);
        }
        ++row;
        return browseButton;
    };
    const auto edit = [this](const char* name) {
        auto* e = new QLineEdit(this);
        e->setObjectName(name);
        return e;
    };
    EditDataFork = edit("EditDataFork");
    EditResourceFork = edit("EditResourceFork");
    EditMacName = edit("EditMacName");
    EditFileType = edit("EditFileType");
    EditFileCreator = edit("EditFileCreator");
    EditFileType->setMaxLength(4);
    EditFileCreator->setMaxLength(4);
    ComboVersion = new QComboBox(this);
    ComboVersion->setObjectName("ComboVersion");
    ComboVersion->addItems({"MacBinary I", "MacBinary II", "MacBinary III"});
    ComboVersion->setCurrentIndex(1);
    ComboNameEncoding = new QComboBox(this);
    ComboNameEncoding->setObjectName("ComboNameEncoding");
    for (const char* item : {"ItemNameEncodingAuto", "ItemNameEncodingRoman", "ItemNameEncodingJapanese"}) {
        ComboNameEncoding->addItem(Caption(item, japanese));
    }

    QPushButton* browseData = addRow("LabelDataFork", EditDataFork, "BtnBrowseDataFork");
    QPushButton* browseResource = addRow("LabelResourceFork", EditResourceFork, "BtnBrowseResourceFork");
    addRow("LabelMacName", EditMacName);
    addRow("LabelFileType", EditFileType);
    addRow("LabelFileCreator", EditFileCreator);
    addRow("LabelVersion", ComboVersion);
    addRow("LabelNameEncoding", ComboNameEncoding);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok = buttons->addButton(Caption("BtnMakeOk", japanese), QDialogButtonBox::AcceptRole);
    ok->setObjectName("BtnMakeOk");
    ok->setDefault(true);
    QPushButton* cancel =
        buttons->addButton(Caption("BtnMakeCancel", japanese), QDialogButtonBox::RejectRole);
    cancel->setObjectName("BtnMakeCancel");
    grid->addWidget(buttons, row, 0, 1, 3);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(browseData, &QPushButton::clicked, this, [this] { Browse(EditDataFork); });
    connect(browseResource, &QPushButton::clicked, this, [this] { Browse(EditResourceFork); });
    connect(EditDataFork, &QLineEdit::editingFinished, this, [this] { Prefill(); });
    resize(560, sizeHint().height());
}

void TMakeMacBinaryDialog::Browse(QLineEdit* edit) {
    browse_.Filter =
        QString::fromUtf8(kFilterOpenDialog2.data(), static_cast<qsizetype>(kFilterOpenDialog2.size()));
    browse_.ShowHidden = true; // the resource fork is often a "._NAME" sidecar
    if (!dialogs_.OpenFile(this, browse_)) {
        return;
    }
    edit->setText(FromPath(browse_.Path));
    if (edit == EditDataFork) {
        Prefill();
    }
}

void TMakeMacBinaryDialog::SetDataFork(const QString& file) {
    EditDataFork->setText(file);
    Prefill();
}

void TMakeMacBinaryDialog::Prefill() {
    const std::filesystem::path dataFile = DataFork();
    if (dataFile.empty()) {
        return;
    }
    std::filesystem::path container;
    if (SniffAppleFile(dataFile) == TAppleKind::Single) {
        container = dataFile;
        EditResourceFork->clear();
    } else if (SniffAppleFile(SidecarName(dataFile)) == TAppleKind::Double) {
        container = SidecarName(dataFile);
        EditResourceFork->setText(FromPath(container));
    }
    if (container.empty()) {
        return;
    }
    try {
        const TMacFileInfo info = TAppleContainer(container).Info();
        filledName_ = QString::fromStdString(
            ReadMacName(info.Name, TMacEncoding::Auto, (info.Script & 0x7F) == 1).Text);
        filledType_ = FourCCText(info.Type);
        filledCreator_ = FourCCText(info.Creator);
        EditMacName->setText(filledName_);
        EditFileType->setText(filledType_);
        EditFileCreator->setText(filledCreator_);
    } catch (const std::exception&) {
        // A damaged container is reported when the file is made; the fields stay the user's.
    }
}

TMakeMacBinaryFields TMakeMacBinaryDialog::Fields() const {
    return {EditDataFork->text(),
            EditResourceFork->text(),
            EditMacName->text(),
            EditFileType->text(),
            EditFileCreator->text(),
            ComboVersion->currentIndex(),
            ComboNameEncoding->currentIndex(),
            filledName_,
            filledType_,
            filledCreator_};
}

void TMakeMacBinaryDialog::SetFields(const TMakeMacBinaryFields& fields) {
    EditDataFork->setText(fields.DataFork);
    EditResourceFork->setText(fields.ResourceFork);
    EditMacName->setText(fields.MacName);
    EditFileType->setText(fields.FileType);
    EditFileCreator->setText(fields.FileCreator);
    ComboVersion->setCurrentIndex(fields.Version);
    ComboNameEncoding->setCurrentIndex(fields.NameEncoding);
    filledName_ = fields.FilledName;
    filledType_ = fields.FilledType;
    filledCreator_ = fields.FilledCreator;
}

namespace {

// A code the user typed: exactly four characters, each in the Mac character set.
bool FourMacCharacters(const QString& text) {
    if (text.size() != 4) {
        return false;
    }
    try {
        EncodeFourCC(text.toStdString());
    } catch (const EBilingualError&) {
        return false;
    }
    return true;
}

} // namespace

void TMakeMacBinaryDialog::accept() {
    // A field still holding what the entries filled in is not passed on, so it is not judged.
    for (const auto& [edit, filled] :
         {std::pair{EditFileType, &filledType_}, {EditFileCreator, &filledCreator_}}) {
        const QString text = edit->text();
        if (!text.isEmpty() && text != *filled && !FourMacCharacters(text)) {
            dialogs_.Message(this, QString::fromUtf8(MessageText(TMsg::TypeCodeInvalid, japanese_)));
            edit->setFocus();
            edit->selectAll();
            return;
        }
    }
    QDialog::accept();
}

std::filesystem::path TMakeMacBinaryDialog::DataFork() const {
    return ToPath(EditDataFork->text());
}

TEncodeOptions TMakeMacBinaryDialog::Options() const {
    TEncodeOptions options;
    options.Version = ComboVersion->currentIndex() + 1;
    options.NameEncoding = ComboNameEncoding->currentIndex() == 1   ? TMacEncoding::Roman
                           : ComboNameEncoding->currentIndex() == 2 ? TMacEncoding::Japanese
                                                                    : TMacEncoding::Auto;
    const std::filesystem::path dataFile = DataFork();
    const QString resource = EditResourceFork->text();
    if (!resource.isEmpty() && ToPath(resource) != dataFile) {
        options.Resource = ToPath(resource);
    }
    // An emptied resource field means: no resource fork, not even the sidecar.
    options.UseSidecar = !resource.isEmpty();
    const auto given = [](const QLineEdit* edit, const QString& filled) -> std::optional<std::string> {
        const QString text = edit->text();
        if (text == filled && !filled.isEmpty()) {
            return std::nullopt;
        }
        return text.isEmpty() ? std::nullopt : std::optional<std::string>(text.toStdString());
    };
    options.Name = given(EditMacName, filledName_);
    options.Type = given(EditFileType, filledType_);
    options.Creator = given(EditFileCreator, filledCreator_);
    return options;
}

} // namespace kelda
