#pragma once

#include <QFile>
#include <QString>

#include <filesystem>
#include <string>

namespace bitreel::cli {

// A file named on the command line, as the file system spells it.
[[nodiscard]] inline std::filesystem::path ToPath(const QString& argument) {
#ifdef _WIN32
    return std::filesystem::path(argument.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(argument).toStdString());
#endif
}

// The name as the user gave it, for messages.
[[nodiscard]] inline std::string Shown(const QString& argument) {
    return argument.toStdString();
}

} // namespace bitreel::cli
