// SPDX-License-Identifier: MIT
// TFormMain's Resources page: built after the MacBinary page, filled whenever a file is read, and
// its "Save resource" button; the file's own icon at the right of the bottom panel.
#include "app/Main.h"
#include "app/PathText.h"
#include "app/TCheckPage.h"
#include "app/TPageControl.h"
#include "forks/MacNames.h"
#include "macbinary/Conversion.h"
#include "resources/ResourceMap.h"
#include "resources/ResourceTexts.h"
#include "resources/TResourcePage.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace kelda {

void TFormMain::BuildResourcesPage() {
    ResourcePage = new TResourcePage;
    PageControl1->insertTab(PageControl1->indexOf(CheckPage) + 1, ResourcePage,
                            QString::fromUtf8(ResourceText(TResText::PageCaption, false)));

    // The labels of the bottom panel keep their places; the icon sits at its right end.
    ImageOwnIcon = new QLabel(Panel1);
    ImageOwnIcon->setObjectName(QStringLiteral("ImageOwnIcon"));
    ImageOwnIcon->setFixedSize(32, 32);
    // The panel has one layout (the check page's verdict row may have made it already): a second
    // one would be refused, and the icon would then sit over the labels at the panel's corner.
    auto* row = qobject_cast<QHBoxLayout*>(Panel1->layout());
    if (row == nullptr) {
        row = new QHBoxLayout(Panel1);
        row->setContentsMargins(0, 0, 10, 0);
        row->addStretch(1);
    }
    row->addWidget(ImageOwnIcon, 0, Qt::AlignVCenter);
    ImageOwnIcon->hide();

    OnClick(ResourcePage->BtnSaveResource, [this] { BtnSaveResourceClick(); });
}

void TFormMain::ShowResources(std::optional<TResourceModel> resources) {
    ImageOwnIcon->clear();
    ImageOwnIcon->hide();
    if (!resources) {
        return; // the page keeps the file it showed
    }
    ResourcePage->Show(std::move(*resources));
    if (const std::optional<TIconImage>& icon = ResourcePage->Model().OwnIcon()) {
        ImageOwnIcon->setPixmap(QPixmap::fromImage(IconToImage(*icon)));
        ImageOwnIcon->show();
    }
}

void TFormMain::ResourcesLanguageChange() {
    if (ResourcePage == nullptr) {
        return;
    }
    const bool japanese = IsJapanese();
    PageControl1->setTabText(PageControl1->indexOf(ResourcePage),
                             QString::fromUtf8(ResourceText(TResText::PageCaption, japanese)));
    ResourcePage->SetJapanese(japanese);
}

void TFormMain::BtnSaveResourceClick() {
    // Everything comes from the page's model: the file it shows (a BinHex file's too, whatever the
    // MacBinary page shows), its Mac name and the resource chosen.
    const TResourceModel& model = ResourcePage->Model();
    const TResourceEntry* entry = model.Current();
    if (entry == nullptr || model.File().empty()) {
        return;
    }
    const std::filesystem::path source = model.File();
    // "NAME.TYPE.ID.bin": the file's Mac name, the type without its trailing blanks, the ID.
    std::string type = ResTypeText(entry->Type);
    type.erase(type.find_last_not_of(' ') + 1);
    const std::string name =
        SafeLocalText(model.MacName() + "." + type + "." + std::to_string(entry->Id) + ".bin");
    if (!AskExportOutput(SaveDialog3_, kFilterSaveResource, source, name)) {
        return;
    }
    // The file is read again for the bytes, under the same guards as every output: never over the
    // file itself, a read-only file only when the user says so.
    TConvertStatus status = model.SaveCurrent(SaveDialog3_.Path, false);
    if (status == TConvertStatus::OutputReadOnly && AskReplaceReadOnly()) {
        status = model.SaveCurrent(SaveDialog3_.Path, true);
    }
    if (status == TConvertStatus::SourceIsOutput) {
        ShowMessage(TMsg::CannotWriteOverSource);
    } else if (status == TConvertStatus::Written) {
        LogWritten(source, {SaveDialog3_.Path});
    }
}

} // namespace kelda
