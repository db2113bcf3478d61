// SPDX-License-Identifier: MIT
// The check page: the verdict on the file read last, its findings, the true layout beside the log's
// ranges, and the 128 header bytes with the field of the current header row highlighted. The widget
// renders its model (TCheckModel), which holds the report and the field and makes every text, and
// holds the file the report is about when the MacBinary page does not (a refused file's name, a
// BinHex file opened): the window only hands it the file.
#pragma once

#include "forks/MacFileCheck.h"
#include "macbinary/CheckReport.h"
#include "macbinary/TCheckModel.h"
#include "util/MacText.h"

#include <QWidget>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

class QLabel;
class QSplitter;

namespace kelda {

class TEditor;
class THeaderHexView;

// The tab caption in either language.
QString CheckPageCaption(bool japanese);
// The colour a verdict is shown in: green sound, orange damaged, red not MacBinary; each with a
// contrast of at least 4.5:1 on the window's background (#EFEFEF): 5.65, 4.96 and 5.12.
QColor VerdictColor(TCheckVerdict verdict);

class TCheckPage : public QWidget {
    Q_OBJECT
public:
    explicit TCheckPage(QWidget* parent = nullptr);

    // Shows the report on header in the language given; names decoded as nameEncoding says.
    // notOpened: the name of a file the window refused to open, whose report this is (marked so on
    // the page); empty for the file shown.
    void Show(const THeader& header, const TCheckReport& report, bool japanese, TMacEncoding nameEncoding,
              const std::string& notOpened = {});
    // Checks file (CheckFile: a BinHex body as BinHex, anything else as MacBinary) and shows the
    // report; a BinHex file is kept opened (BinHexFile). notOpened as for Show. Throws EFileError
    // when the file cannot be read, and the page keeps what it showed.
    void ShowFile(const std::filesystem::path& file, bool japanese, TMacEncoding nameEncoding,
                  const std::string& notOpened = {});
    // The same report again in another language or name encoding; nothing before a first Show.
    void Retranslate(bool japanese, TMacEncoding nameEncoding);
    // Highlights the bytes of header field index (0-27, the row of the header table); others clear.
    void HighlightField(int index);

    // What the page shows; Report() is its report as read.
    const TCheckModel& Model() const { return model_; }
    const std::optional<TCheckReport>& Report() const { return model_.Report(); }
    // The file the report is about when it was refused; empty for the file shown.
    const std::string& NotOpened() const { return notOpened_; }
    // The BinHex file the report is about, opened; null for any other report.
    const std::shared_ptr<const TMacFileSource>& BinHexFile() const { return binHex_; }

    QLabel* VerdictLabel = nullptr; // "CheckVerdict"
    QLabel* FieldLabel = nullptr;   // "CheckField": the highlighted field's No. and Item
    TEditor* Editor5 = nullptr;     // the report's lines
    THeaderHexView* HexView = nullptr;
    // FieldLabel and HexView: shown only while the report is on a MacBinary header (the file's own
    // bytes), hidden before the first report and for a BinHex body or a file shorter than a header.
    QWidget* HeaderBytes = nullptr; // "CheckHeaderBytes"
    QSplitter* Splitter = nullptr;  // "CheckSplitter": the report above, the header bytes below

signals:
    // The user chose header field index (0-27) by a click on its bytes.
    void FieldClicked(int index);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void Render();
    void Show(TFileCheck check, bool japanese, TMacEncoding nameEncoding, const std::string& notOpened);
    // The width the report's lines are broken to; 0 while the page is not shown.
    int ReportWidth() const;

    TCheckModel model_;
    bool japanese_ = false;
    std::string notOpened_;
    std::shared_ptr<const TMacFileSource> binHex_;
    int renderedWidth_ = -1; // the width the report's lines were broken for
};

} // namespace kelda
