// SPDX-License-Identifier: MIT
#include "resources/TResourcePage.h"

#include "resources/BundleResources.h"
#include "resources/IconRender.h"
#include "resources/ResourceTexts.h"
#include "resources/StringResources.h"
#include "resources/VersResource.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstdio>

namespace kelda {

namespace {

// The detail area shows at most this much of a resource; decoders need far less.
constexpr std::size_t kDetailLimit = 64 * 1024;

QString Q(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

template <class W> W* Named(W* widget, const char* name) {
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

std::string HexView(const std::vector<std::uint8_t>& bytes) {
    std::string text;
    char cell[24];
    for (std::size_t row = 0; row < bytes.size(); row += 16) {
        std::snprintf(cell, sizeof cell, "%06zX", row);
        text += cell;
        text += "  ";
        std::string ascii;
        for (std::size_t i = row; i < row + 16; ++i) {
            if (i < bytes.size()) {
                std::snprintf(cell, sizeof cell, "%02X ", bytes[i]);
                text += cell;
                ascii += bytes[i] >= 0x20 && bytes[i] < 0x7F ? static_cast<char>(bytes[i]) : '.';
            } else {
                text += "   ";
            }
        }
        text += ' ' + ascii + '\n';
    }
    return text;
}

std::string Quoted(const TResType& type) {
    return "'" + ResTypeText(type) + "'";
}

} // namespace

QImage IconToImage(const TIconImage& icon) {
    return QImage(icon.Rgba.data(), icon.Width, icon.Height, icon.Width * 4, QImage::Format_RGBA8888).copy();
}

TResourcePage::TResourcePage(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("ResourcePage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    auto* row = new QHBoxLayout;
    ResourceTable = Named(new QTableWidget(0, 5, this), "ResourceTable");
    ResourceTable->verticalHeader()->hide();
    ResourceTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    ResourceTable->setSelectionMode(QAbstractItemView::SingleSelection);
    ResourceTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab and Ctrl+Tab leave the table (for the detail area and the next page) as they leave the
    // header grid; the arrow keys move between resources.
    ResourceTable->setTabKeyNavigation(false);
    ResourceTable->horizontalHeader()->setStretchLastSection(true);
    const int widths[] = {70, 70, 220, 200, 80};
    for (int c = 0; c < 5; ++c) {
        ResourceTable->setColumnWidth(c, widths[c]);
    }
    row->addWidget(ResourceTable, 3);

    auto* detail = new QVBoxLayout;
    auto* icons = new QHBoxLayout;
    ResourceIcon1 = Named(new QLabel(this), "ResourceIcon1");
    ResourceIcon4 = Named(new QLabel(this), "ResourceIcon4");
    ResourceIcon1->setFixedSize(40, 40);
    ResourceIcon4->setFixedSize(132, 132);
    icons->addWidget(ResourceIcon1, 0, Qt::AlignTop);
    icons->addWidget(ResourceIcon4, 0, Qt::AlignTop);
    icons->addStretch(1);
    detail->addLayout(icons);
    ResourceDetail = Named(new QPlainTextEdit(this), "ResourceDetail");
    ResourceDetail->setReadOnly(true);
    ResourceDetail->setLineWrapMode(QPlainTextEdit::NoWrap);
    detail->addWidget(ResourceDetail, 1);
    BtnSaveResource = Named(new QPushButton(this), "BtnSaveResource");
    BtnSaveResource->setAutoDefault(false);
    BtnSaveResource->setEnabled(false);
    detail->addWidget(BtnSaveResource, 0, Qt::AlignLeft);
    row->addLayout(detail, 2);
    column->addLayout(row, 1);

    ResourceFindings = Named(new QPlainTextEdit(this), "ResourceFindings");
    ResourceFindings->setReadOnly(true);
    ResourceFindings->setFixedHeight(90);
    column->addWidget(ResourceFindings);

    connect(ResourceTable, &QTableWidget::currentCellChanged, this, [this] { ShowCurrent(); });
    SetJapanese(false);
}

void TResourcePage::SetJapanese(bool japanese) {
    japanese_ = japanese;
    const TResText columns[] = {TResText::ColumnType, TResText::ColumnId, TResText::ColumnName,
                                TResText::ColumnAttributes, TResText::ColumnSize};
    QStringList titles;
    for (const TResText c : columns) {
        titles.append(QString::fromUtf8(ResourceText(c, japanese)));
    }
    ResourceTable->setHorizontalHeaderLabels(titles);
    BtnSaveResource->setText(QString::fromUtf8(ResourceText(TResText::SaveResource, japanese)));
    FillFindings();
    ShowCurrent();
}

void TResourcePage::ShowFile(const std::filesystem::path& file, const THeader& header,
                             TMacEncoding nameEncoding) {
    TResourceFork fork;
    std::optional<QImage> own;
    {
        const TFileStream stream(file, FileMode::Read);
        fork = ReadResourceFork(stream, header, nameEncoding);
        const TResourceReader read = [&](const TResourceEntry& e) {
            return ReadResourceData(stream, fork, e, kDetailLimit);
        };
        const TResType type = HeaderFourCharCode(header, kOffsetType);
        const TResType creator = HeaderFourCharCode(header, kOffsetCreator);
        if (const std::optional<std::int16_t> id = OwnIconId(fork.Map, type, creator, read)) {
            const TResourceEntry* icon = fork.Map.Find(ResType("ICN#"), *id);
            if (const std::optional<TIconImage> image = RenderIcon(icon->Type, read(*icon))) {
                own = IconToImage(*image);
            }
        }
    }
    file_ = file;
    header_ = header;
    fork_ = std::move(fork);
    ownIcon_ = std::move(own);

    ResourceTable->blockSignals(true);
    ResourceTable->clearContents();
    ResourceTable->setRowCount(static_cast<int>(fork_.Map.Resources.size()));
    int r = 0;
    for (const TResourceEntry& e : fork_.Map.Resources) {
        const QString cells[] = {Q(Quoted(e.Type)), QString::number(e.Id), e.HasName ? Q(e.Name) : QString(),
                                 Q(ResAttributeNames(e.Attributes)), QString::number(e.Length)};
        for (int c = 0; c < 5; ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            if (c == 1 || c == 4) {
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            }
            ResourceTable->setItem(r, c, item);
        }
        ++r;
    }
    ResourceTable->blockSignals(false);
    ResourceTable->setCurrentCell(fork_.Map.Resources.empty() ? -1 : 0, 0);
    FillFindings();
    ShowCurrent();
}

void TResourcePage::FillFindings() {
    QStringList lines;
    const TResourceMap& map = fork_.Map;
    if (!file_.empty() && !map.Present) {
        lines.append(QString::fromUtf8(ResourceText(TResText::NoResourceFork, japanese_)));
    }
    if (!map.Findings.empty()) {
        lines.append(QString::fromUtf8(ResourceText(TResText::FindingsTitle, japanese_)));
    }
    for (const TResourceFinding& f : map.Findings) {
        lines.append(Q("  " + f.Text(japanese_)));
    }
    if (map.FindingsOmitted > 0) {
        lines.append(Q(
            "  " + ResourceText(TResText::FindingsOmitted, japanese_, std::to_string(map.FindingsOmitted))));
    }
    ResourceFindings->setPlainText(lines.join(QLatin1Char('\n')));
}

const TResourceEntry* TResourcePage::Current() const {
    const int row = ResourceTable->currentRow();
    if (row < 0 || row >= static_cast<int>(fork_.Map.Resources.size())) {
        return nullptr;
    }
    return &fork_.Map.Resources[static_cast<std::size_t>(row)];
}

std::vector<std::uint8_t> TResourcePage::DataOf(const TResourceEntry& entry, std::size_t maxBytes) const {
    const TFileStream stream(file_, FileMode::Read);
    return ReadResourceData(stream, fork_, entry, maxBytes);
}

std::vector<std::uint8_t> TResourcePage::CurrentData() const {
    const TResourceEntry* entry = Current();
    return entry == nullptr ? std::vector<std::uint8_t>{} : DataOf(*entry, SIZE_MAX);
}

void TResourcePage::ShowCurrent() {
    ResourceIcon1->clear();
    ResourceIcon4->clear();
    const TResourceEntry* entry = Current();
    BtnSaveResource->setEnabled(entry != nullptr && entry->ForkOffset >= 0);
    if (entry == nullptr) {
        ResourceDetail->clear();
        return;
    }
    if (entry->ForkOffset < 0) {
        ResourceDetail->setPlainText(QString::fromUtf8(ResourceText(TResText::NoPreview, japanese_)));
        return;
    }
    const std::vector<std::uint8_t> bytes = DataOf(*entry, kDetailLimit);
    const TMacEncoding encoding = fork_.Encoding;
    std::string text;
    if (entry->Type == ResType("vers")) {
        if (const std::optional<TVersInfo> v = DecodeVers(bytes)) {
            const auto line = [&](TResText label, const std::string& value) {
                text += std::string(ResourceText(label, japanese_)) + ": " + value + '\n';
            };
            line(TResText::VersVersion, v->NumberText());
            line(TResText::VersStage, v->StageName());
            line(TResText::VersRegion, std::to_string(v->Region));
            line(TResText::VersShort, v->ShortVersion);
            line(TResText::VersLong, v->LongVersion);
            text += '\n';
        }
    } else if (entry->Type == ResType("STR ")) {
        text = DecodeStr(bytes, encoding) + "\n\n";
    } else if (entry->Type == ResType("STR#")) {
        const TStringList list = DecodeStrList(bytes, encoding);
        for (std::size_t i = 0; i < list.Strings.size(); ++i) {
            text += std::to_string(i + 1) + ": " + list.Strings[i] + '\n';
        }
        text += '\n';
    } else if (entry->Type == ResType("BNDL")) {
        if (const std::optional<TBundle> b = DecodeBundle(bytes)) {
            text = Quoted(b->Signature) + " " + std::to_string(b->SignatureId) + '\n';
            for (const TBundleType& t : b->Types) {
                text += "  " + Quoted(t.Type) + ':';
                for (const TBundleMapping& m : t.Mappings) {
                    text += ' ' + std::to_string(m.LocalId) + "->" + std::to_string(m.ResourceId);
                }
                text += '\n';
            }
            text += '\n';
        }
    } else if (entry->Type == ResType("FREF")) {
        if (const std::optional<TFileReference> f = DecodeFileReference(bytes)) {
            text = Quoted(f->FileType) + " " + std::to_string(f->LocalIconId) + "\n\n";
        }
    } else if (const std::optional<TIconFormat> format = IconFormatOf(entry->Type)) {
        std::vector<std::uint8_t> mask;
        if (format->MaskType != entry->Type) {
            if (const TResourceEntry* m = fork_.Map.Find(format->MaskType, entry->Id)) {
                mask = DataOf(*m, kDetailLimit);
            }
        }
        if (const std::optional<TIconImage> icon = RenderIcon(entry->Type, bytes, mask)) {
            const QImage image = IconToImage(*icon);
            ResourceIcon1->setPixmap(QPixmap::fromImage(image));
            ResourceIcon4->setPixmap(QPixmap::fromImage(image.scaled(
                icon->Width * 4, icon->Height * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation)));
        }
    }
    ResourceDetail->setPlainText(Q(text + HexView(bytes)));
}

} // namespace kelda
