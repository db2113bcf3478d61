// SPDX-License-Identifier: MIT
// The lines of a text file, read on demand: the pane of a help text of any size shows its first
// lines at once and keeps only a compact index in memory.
//
// The file is read in pieces (Step), each adding to the line index and to the check whether the
// whole file is valid UTF-8; a second cursor measures the indexed lines for the widest one. A line's
// text is read and decoded only when it is asked for. The text is UTF-8 while every byte read so far
// is (a byte order mark at the start is dropped), and code page 932 from the first invalid sequence
// on: the lines are then measured again and shown decoded the other way, as a whole-file decision
// would have shown them. The file is read up to its size at opening; a file cut short while shown
// ends where the bytes end, and lines read past that are empty.
#pragma once

#include "textview/TLineIndex.h"
#include "textview/TLineSource.h"
#include "util/TFileStream.h"

#include <QStringDecoder>
#include <array>
#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

namespace kelda {

class TFileLines final : public TLineSource {
public:
    struct TOptions {
        std::size_t ChunkBytes = std::size_t{1} << 20; // read at a time
        // Lines up to this long are measured exactly; a longer one counts a cell for every byte
        // that is not a tab, so that measuring it needs no more memory than a piece.
        std::size_t MeasureLimit = std::size_t{8} << 20;
    };

    // Opens the file; throws EFileError when it cannot be opened. Nothing is read yet.
    TFileLines(const std::filesystem::path& file, int tabWidth, TOptions options);
    TFileLines(const std::filesystem::path& file, int tabWidth) : TFileLines(file, tabWidth, TOptions{}) {}

    int LineCount() const override { return count_; }
    QString Line(int index) const override;

    // Reads one piece: indexes up to ChunkBytes and measures up to ChunkBytes of indexed lines.
    // Returns false when nothing is left to do. Throws EFileError when the file cannot be read.
    bool Step();
    // Stops reading after an error: what was indexed stays, measured or not.
    void StopReading();
    bool Done() const { return indexed_ && measured_ >= count_; }
    bool Indexed() const { return indexed_; }
    bool IsUtf8() const { return utf8_; }
    // Display cells of the widest line measured so far.
    int MaxLineCells() const { return maxCells_; }
    // Measures every line again for another tab width.
    void SetTabWidth(int cells);
    std::size_t ChunkBytes() const { return options_.ChunkBytes; }
    // Bytes held: index, buffers and the decoded lines kept for reuse.
    std::size_t MemoryBytes() const;

private:
    struct TCached {
        int Index = -1;
        QString Text;
    };

    void indexPiece();
    void finishIndex();
    void measurePiece();
    int measure(int index, std::string_view bytes) const;
    int measureLong(TLineIndex::TRange range);
    QString decode(int index, std::string_view bytes) const;
    std::string readRange(TLineIndex::TRange range) const;
    void restartMeasuring();
    void updateCount();

    TFileStream stream_;
    std::uint64_t size_ = 0;
    TOptions options_;
    int tabWidth_;
    TLineIndex index_;
    bool indexed_ = false;
    bool dropLast_ = false;
    bool utf8_ = true;
    QStringDecoder validator_{QStringDecoder::Utf8};
    std::vector<char> buffer_;
    std::vector<QChar> decoded_;
    int count_ = 0;
    int measured_ = 0;
    int maxCells_ = 0;
    mutable std::array<TCached, 64> cache_;
};

} // namespace kelda
