// SPDX-License-Identifier: MIT
// Between file names as the widgets show them and paths as the file layer takes them.
//
// A path's bytes need not be UTF-8: names from old archives are often code page 932. Such a
// component is shown in its readable form (see ReadableName) and found again by that form; a
// component that is neither keeps each byte that no character takes as a lone surrogate
// U+DC80-U+DCFF, which ToPath turns back into that byte, so no name is ever lost on the way.
#pragma once

#include "util/NameEncoding.h"
#include "util/jString.h"

#include <QString>
#include <filesystem>
#include <string>
#include <string_view>

namespace kelda {

// The bytes a name written as text stands for: its UTF-8, with each lone surrogate U+DC80-U+DCFF
// turned back into the byte it keeps.
inline std::string TextBytes(const QString& name) {
    std::string bytes;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const QChar c = name[i];
        if (c.isHighSurrogate() && i + 1 < name.size() && name[i + 1].isLowSurrogate()) {
            bytes += name.mid(i, 2).toStdString();
            ++i;
        } else if (c.unicode() >= 0xDC80 && c.unicode() <= 0xDCFF) {
            bytes += static_cast<char>(c.unicode() - 0xDC00);
        } else {
            bytes += QString(c).toStdString();
        }
    }
    return bytes;
}

inline std::filesystem::path ToPath(const QString& name) {
    return FindNamedPath(TextBytes(name));
}

inline QString FromPath(const std::filesystem::path& path) {
    const std::string bytes = path.string();
    QString text;
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = bytes.find('/', start);
        const std::string_view component = std::string_view(bytes).substr(
            start, slash == std::string::npos ? std::string_view::npos : slash - start);
        if (const auto readable = ReadableName(component)) {
            text += QString::fromStdString(*readable);
        } else {
            for (std::size_t pos = 0; pos < component.size();) {
                const std::size_t at = pos;
                const std::size_t width = StepChar(component, pos, TTextEncoding::Utf8);
                const auto byte = static_cast<unsigned char>(component[at]);
                if (width == 1 && byte >= 0x80) {
                    text += QChar(static_cast<char16_t>(0xDC00 + byte));
                } else {
                    text += QString::fromUtf8(component.data() + at, static_cast<qsizetype>(width));
                }
            }
        }
        if (slash == std::string::npos) {
            return text;
        }
        text += QLatin1Char('/');
        start = slash + 1;
    }
}

} // namespace kelda
