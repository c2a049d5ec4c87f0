#pragma once

#include <QFile>
#include <QString>

#include <filesystem>

namespace bitreel {

// A path the browser shows, as the file system names it: the local 8-bit
// encoding on Unix, so that a name that is not valid UTF-8 still opens.
[[nodiscard]] inline std::filesystem::path ToFsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

} // namespace bitreel
