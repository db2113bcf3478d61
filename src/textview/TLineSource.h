// SPDX-License-Identifier: MIT
// The lines a text pane shows, wherever they are kept: a list in memory, or a file read on demand.
#pragma once

#include <QString>
#include <QStringList>

namespace kelda {

class TLineSource {
public:
    virtual ~TLineSource() = default;
    virtual int LineCount() const = 0;
    // The line's text; an empty string for an index outside the lines.
    virtual QString Line(int index) const = 0;
};

// Lines held in a list that belongs to someone else and outlives this view of it.
class TListLineSource final : public TLineSource {
public:
    explicit TListLineSource(const QStringList& lines) : lines_(lines) {}
    int LineCount() const override { return static_cast<int>(lines_.size()); }
    QString Line(int index) const override { return lines_.value(index); }

private:
    const QStringList& lines_;
};

} // namespace kelda
