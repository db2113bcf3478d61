// SPDX-License-Identifier: MIT
// The Resources page's content: the table of a file's resources, the findings about its map, and a
// detail area that shows the chosen resource decoded ('vers', 'STR ', 'STR#', 'BNDL', 'FREF'), drawn
// (the icon families, at 1x and 4x with their masks' transparency) or as hex.
#pragma once

#include "macbinary/MacBinaryHeader.h"
#include "resources/IconRender.h"
#include "resources/ResourceFork.h"

#include <QImage>
#include <QWidget>
#include <filesystem>
#include <optional>
#include <vector>

class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace kelda {

class TResourcePage : public QWidget {
    Q_OBJECT

public:
    explicit TResourcePage(QWidget* parent = nullptr);

    // Reads the resource map of file, whose MacBinary header is header, and lists it; the file is
    // open only while it is read.
    void ShowFile(const std::filesystem::path& file, const THeader& header,
                  TMacEncoding nameEncoding = TMacEncoding::Auto);
    void SetJapanese(bool japanese);

    // The file shown (empty before the first) and its map.
    const std::filesystem::path& File() const { return file_; }
    const TResourceFork& Fork() const { return fork_; }
    // The resource of the table's current row; nullptr when none is chosen.
    const TResourceEntry* Current() const;
    // Its bytes, read again from the file.
    std::vector<std::uint8_t> CurrentData() const;
    // The application's own icon (the ICN# its bundle names), when there is one.
    const std::optional<QImage>& OwnIcon() const { return ownIcon_; }

    QTableWidget* ResourceTable = nullptr;
    QPlainTextEdit* ResourceFindings = nullptr;
    QPlainTextEdit* ResourceDetail = nullptr;
    QLabel* ResourceIcon1 = nullptr; // the icon at its own size
    QLabel* ResourceIcon4 = nullptr; // four times as large
    QPushButton* BtnSaveResource = nullptr;

private:
    void ShowCurrent();
    void FillFindings();
    std::vector<std::uint8_t> DataOf(const TResourceEntry& entry, std::size_t maxBytes) const;

    std::filesystem::path file_;
    THeader header_{};
    TResourceFork fork_;
    std::optional<QImage> ownIcon_;
    bool japanese_ = false;
};

// An icon drawn by the core as an image (a deep copy).
QImage IconToImage(const TIconImage& icon);

} // namespace kelda
