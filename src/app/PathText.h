// Between file names as the widgets show them and paths as the file layer takes them.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

namespace kelda {

inline std::filesystem::path ToPath(const QString& name) {
    return std::filesystem::path(QFile::encodeName(name).toStdString());
}

inline QString FromPath(const std::filesystem::path& path) {
    return QFile::decodeName(QByteArray::fromStdString(path.string()));
}

} // namespace kelda
