#pragma once

#include <QString>
#include <QStringList>

#include <filesystem>
#include <string_view>

namespace bitreel {

// File names as Qt holds them. A Linux file name is bytes, which Qt decodes
// as UTF-8, turning each byte that is not UTF-8 into U+FFFD: "Jos\xe9.tap"
// would then name no file. So a name is decoded here with each such byte
// kept as the lone surrogate U+DC80-U+DCFF (U+DC00 plus the byte), which
// no UTF-8 text holds, and encoded back to the same byte: every name the
// system gives opens again. Text shown to a user takes ShownName.

// A path the window shows or the command line is given, as the file system
// names it. The one conversion between Qt's paths and the tape library's.
[[nodiscard]] std::filesystem::path ToFsPath(const QString& path);

// The reverse: a file system path as Qt names it.
[[nodiscard]] QString FromFsPath(const std::filesystem::path& path);

// A name's bytes (a command-line argument, a file name) decoded as above.
[[nodiscard]] QString NameFromBytes(std::string_view bytes);

// A name for text: each byte kept as a surrogate shows as U+FFFD.
[[nodiscard]] QString ShownName(const QString& name);

// The program's arguments, each decoded as a name, so that a file named on
// the command line opens whatever its bytes. Needs the QCoreApplication.
[[nodiscard]] QStringList ProgramArguments(int argc, char* argv[]);

} // namespace bitreel
