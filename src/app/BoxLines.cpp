// SPDX-License-Identifier: MIT
#include "app/BoxLines.h"

#include <QTextBoundaryFinder>

#include <vector>

namespace kelda {

bool NoLineStart(QChar c) {
    static const QString set = QStringLiteral(
        "、。，．・：；？！゛゜ヽヾゝゞ々ーぁぃぅぇぉっゃゅょゎゕゖァィゥェォッャュョヮヵヶんン"
        "）］｝〕〉》」』】〙〗〟’”｡､･ｰｧｨｩｪｫｯｬｭｮﾝﾞﾟ｣)]},.:;?!");
    return set.contains(c);
}

bool NoLineEnd(QChar c) {
    static const QString set = QStringLiteral("（［｛〔〈《「『【〘〖〝‘“｢([{");
    return set.contains(c);
}

namespace {

bool Allowed(const QString& text, qsizetype at) {
    return at > 0 && at < text.size() && !NoLineStart(text[at]) && !NoLineEnd(text[at - 1]) &&
           !text[at].isLowSurrogate();
}

void BreakParagraph(const QString& text, const QFontMetrics& metrics, int width, QStringList& lines) {
    std::vector<bool> opportunity(static_cast<std::size_t>(text.size() + 1), false);
    QTextBoundaryFinder finder(QTextBoundaryFinder::Line, text);
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary()) {
        opportunity[static_cast<std::size_t>(at)] = Allowed(text, at);
    }
    qsizetype start = 0;
    while (start < text.size()) {
        const auto fits = [&](qsizetype end) {
            return metrics.horizontalAdvance(text.mid(start, end - start).trimmed()) <= width;
        };
        qsizetype end = text.size();
        if (!fits(end)) {
            qsizetype chosen = 0;
            qsizetype strong = 0; // at a blank or after punctuation: between words, not inside one
            for (qsizetype at = start + 1; at < text.size() && fits(at); ++at) {
                if (opportunity[static_cast<std::size_t>(at)]) {
                    chosen = at;
                    if (text[at - 1].isSpace() || text[at].isSpace() ||
                        QStringLiteral("、。，．").contains(text[at - 1])) {
                        strong = at;
                    }
                }
            }
            // A break between words is taken while it leaves the line at least half full.
            if (strong != 0 &&
                2 * metrics.horizontalAdvance(text.mid(start, strong - start).trimmed()) >= width) {
                chosen = strong;
            }
            // No break that the rules offer fits: cut between characters, still keeping the rules.
            for (qsizetype at = start + 1; chosen == 0 && at < text.size() && fits(at); ++at) {
                if (Allowed(text, at)) {
                    end = at;
                }
            }
            end = chosen != 0 ? chosen : (end == text.size() ? start + 1 : end);
        }
        lines << text.mid(start, end - start).trimmed();
        start = end;
        while (start < text.size() && text[start] == QLatin1Char(' ')) {
            ++start;
        }
    }
}

} // namespace

QStringList BoxLines(const QString& text, const QFontMetrics& metrics, int width) {
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        if (paragraph.isEmpty()) {
            lines << paragraph;
            continue;
        }
        BreakParagraph(paragraph, metrics, width, lines);
    }
    return lines;
}

} // namespace kelda
