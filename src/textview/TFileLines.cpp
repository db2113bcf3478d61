// SPDX-License-Identifier: MIT
#include "textview/TFileLines.h"

#include "textview/TLineLayout.h"
#include "util/MacText.h"

#include <algorithm>
#include <climits>

namespace kelda {

namespace {

bool IsAscii(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Cells of a line of single-cell characters: every byte one cell, a tab to the next stop. Exact
// for ASCII in both encodings.
int ByteCells(std::string_view bytes, int tabWidth, long long cell = 0) {
    for (const char c : bytes) {
        cell = c == '\t' ? cell + tabWidth - cell % tabWidth : cell + 1;
    }
    return static_cast<int>(std::min<long long>(cell, INT_MAX));
}

// Gives the vector's storage back (assigning {} would keep it).
template <typename T> void Release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

} // namespace

TFileLines::TFileLines(const std::filesystem::path& file, int tabWidth, TOptions options)
    : stream_(file, FileMode::Read), options_(options), tabWidth_(std::max(1, tabWidth)) {
    size_ = static_cast<std::uint64_t>(std::max<std::int64_t>(0, stream_.Size()));
    options_.ChunkBytes = std::max<std::size_t>(1, options_.ChunkBytes);
}

bool TFileLines::Step() {
    if (!indexed_) {
        indexPiece();
    }
    measurePiece();
    return !Done();
}

void TFileLines::StopReading() {
    if (!indexed_) {
        finishIndex();
    }
    measured_ = count_;
}

void TFileLines::indexPiece() {
    const std::uint64_t at = index_.FedBytes();
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(options_.ChunkBytes, size_ - at));
    buffer_.resize(want);
    const std::size_t got =
        want > 0 ? stream_.ReadAt(buffer_.data(), want, static_cast<std::int64_t>(at)) : 0;
    index_.Feed(buffer_.data(), got);
    // The same decoder, fed piece by piece, decides as it would on the whole file at once; its
    // output goes to a small buffer that is overwritten.
    constexpr std::size_t kValidateBytes = 64 << 10;
    for (std::size_t from = 0; utf8_ && from < got; from += kValidateBytes) {
        const std::size_t n = std::min(kValidateBytes, got - from);
        decoded_.resize(static_cast<std::size_t>(validator_.requiredSpace(static_cast<qsizetype>(n))));
        validator_.appendToBuffer(decoded_.data(),
                                  QByteArrayView(buffer_.data() + from, static_cast<qsizetype>(n)));
        if (validator_.hasError()) {
            utf8_ = false;
            Release(decoded_);
            restartMeasuring();
        }
    }
    if (got < want || at + got >= size_) {
        finishIndex();
    }
    updateCount();
}

void TFileLines::finishIndex() {
    index_.Finish();
    indexed_ = true;
    Release(buffer_);
    Release(decoded_);
    // A last line of nothing but a byte order mark or an unfinished UTF-8 sequence decodes to no
    // text, and a whole-text split has no line there.
    const std::int64_t n = index_.LineCount();
    if (utf8_ && n > 0) {
        const TLineIndex::TRange last = index_.Line(n - 1);
        if (last.End == index_.FedBytes() && last.End - last.Begin <= 8) {
            dropLast_ = decode(static_cast<int>(n - 1), readRange(last)).isEmpty();
        }
    }
}

void TFileLines::updateCount() {
    // The pane counts lines in int; a file with more lines shows the first INT_MAX - 1.
    const std::int64_t n = index_.LineCount() - (dropLast_ ? 1 : 0);
    count_ = static_cast<int>(std::min<std::int64_t>(n, INT_MAX - 1));
}

void TFileLines::restartMeasuring() {
    measured_ = 0;
    maxCells_ = 0;
    for (TCached& c : cache_) {
        c = TCached{};
    }
}

void TFileLines::SetTabWidth(int cells) {
    tabWidth_ = std::max(1, cells);
    measured_ = 0;
    maxCells_ = 0;
}

void TFileLines::measurePiece() {
    if (measured_ >= count_) {
        return;
    }
    const TLineIndex::TRange first = index_.Line(measured_);
    if (first.End - first.Begin > options_.ChunkBytes) {
        // A line longer than a piece is read alone.
        maxCells_ = std::max(maxCells_, measureLong(first));
        ++measured_;
        return;
    }
    // The lines that fit in one piece from the first on, read at once.
    const std::uint64_t from = first.Begin;
    std::uint64_t to = first.End;
    int last = measured_;
    index_.ForEachFrom(measured_, [&](std::int64_t i, TLineIndex::TRange r) {
        if (i >= count_ || r.End - from > options_.ChunkBytes) {
            return false;
        }
        to = r.End;
        last = static_cast<int>(i);
        return true;
    });
    const std::string bytes = readRange({from, to});
    index_.ForEachFrom(measured_, [&](std::int64_t i, TLineIndex::TRange r) {
        if (i > last) {
            return false;
        }
        const std::size_t begin = std::min<std::size_t>(r.Begin - from, bytes.size());
        const std::size_t end = std::min<std::size_t>(r.End - from, bytes.size());
        maxCells_ = std::max(
            maxCells_, measure(static_cast<int>(i), std::string_view(bytes).substr(begin, end - begin)));
        return true;
    });
    measured_ = last + 1;
}

int TFileLines::measure(int index, std::string_view bytes) const {
    if (IsAscii(bytes)) {
        return ByteCells(bytes, tabWidth_);
    }
    return TLineLayout::LineCells(decode(index, bytes), tabWidth_);
}

int TFileLines::measureLong(TLineIndex::TRange range) {
    const std::uint64_t length = range.End - range.Begin;
    if (length <= options_.MeasureLimit) {
        return measure(measured_, readRange(range));
    }
    long long cells = 0;
    std::vector<char> piece(options_.ChunkBytes);
    for (std::uint64_t at = range.Begin; at < range.End;) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(piece.size(), range.End - at));
        const std::size_t got = stream_.ReadAt(piece.data(), want, static_cast<std::int64_t>(at));
        cells = ByteCells(std::string_view(piece.data(), got), tabWidth_, cells);
        if (got < want) {
            break;
        }
        at += got;
    }
    return static_cast<int>(std::min<long long>(cells, INT_MAX));
}

std::string TFileLines::readRange(TLineIndex::TRange range) const {
    std::string bytes(static_cast<std::size_t>(range.End - range.Begin), '\0');
    const std::size_t got =
        bytes.empty() ? 0
                      : stream_.ReadAt(bytes.data(), bytes.size(), static_cast<std::int64_t>(range.Begin));
    bytes.resize(got);
    return bytes;
}

QString TFileLines::decode(int index, std::string_view bytes) const {
    if (utf8_) {
        // Only the file's first line may start with a byte order mark that is dropped.
        QStringDecoder utf8(QStringDecoder::Utf8, index == 0 ? QStringDecoder::Flag::Default
                                                             : QStringDecoder::Flag::ConvertInitialBom);
        return utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    }
    return QString::fromStdString(MacTextToUtf8(bytes, TMacEncoding::Japanese));
}

QString TFileLines::Line(int index) const {
    if (index < 0 || index >= count_) {
        return {};
    }
    TCached& slot = cache_[static_cast<std::size_t>(index) % cache_.size()];
    if (slot.Index == index) {
        return slot.Text;
    }
    QString text;
    try {
        text = decode(index, readRange(index_.Line(index)));
    } catch (const EFileError&) {
        // A file that can no longer be read shows empty lines; the pane keeps working.
        return {};
    }
    slot = TCached{index, text};
    return text;
}

std::size_t TFileLines::MemoryBytes() const {
    std::size_t bytes = index_.MemoryBytes() + buffer_.capacity() + decoded_.capacity() * sizeof(QChar);
    for (const TCached& c : cache_) {
        bytes += static_cast<std::size_t>(c.Text.capacity()) * sizeof(QChar);
    }
    return bytes;
}

} // namespace kelda
