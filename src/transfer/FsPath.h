#pragma once

#include <QFile>
#include <QString>

#include <filesystem>

namespace bitreel {

// A path the window shows or the command line is given, as the file system
// names it: the local 8-bit encoding on Unix, so that a name that is not
// valid UTF-8 still opens. The one conversion between Qt's paths and the
// tape library's.
[[nodiscard]] inline std::filesystem::path ToFsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(path).toStdString());
#endif
}

// The reverse: a file system path as Qt names it.
[[nodiscard]] inline QString FromFsPath(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

} // namespace bitreel
