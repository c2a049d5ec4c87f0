// File names between the file system's bytes and Qt's strings, without loss.
#include "transfer/FsPath.h"

#include "tape/Utf8.h"

#include <QCoreApplication>

namespace bitreel {
namespace {

// A byte that is not UTF-8 (always 0x80 or more) rides as U+DC00 plus it.
constexpr char16_t KeptByteBase = 0xDC00;

bool IsKeptByte(const QString& name, qsizetype i) {
    const QChar c = name.at(i);
    // A low surrogate after a high one is half of a character, not a byte.
    return c.unicode() >= KeptByteBase + 0x80 && c.unicode() <= KeptByteBase + 0xFF &&
           (i == 0 || !name.at(i - 1).isHighSurrogate());
}

QByteArray NameBytes(const QString& name) {
    QByteArray bytes;
    bytes.reserve(name.size());
    qsizetype run = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (IsKeptByte(name, i)) {
            bytes += QStringView(name).sliced(run, i - run).toUtf8();
            bytes += static_cast<char>(name.at(i).unicode() - KeptByteBase);
            run = i + 1;
        }
    }
    bytes += QStringView(name).sliced(run).toUtf8();
    return bytes;
}

} // namespace

QString NameFromBytes(std::string_view bytes) {
    QString name;
    name.reserve(static_cast<qsizetype>(bytes.size()));
    std::size_t run = 0;
    for (std::size_t at = 0; at < bytes.size();) {
        const Utf8Char c = DecodeUtf8(bytes, at);
        if (c.valid) {
            at += c.length;
            continue;
        }
        name += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(at - run));
        name += QChar(static_cast<char16_t>(KeptByteBase + static_cast<unsigned char>(bytes[at])));
        run = ++at;
    }
    name += QString::fromUtf8(bytes.data() + run, static_cast<qsizetype>(bytes.size() - run));
    return name;
}

std::filesystem::path ToFsPath(const QString& path) {
#ifdef Q_OS_WIN
    return std::filesystem::path(path.toStdWString());
#else
    return std::filesystem::path(NameBytes(path).toStdString());
#endif
}

QString FromFsPath(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return NameFromBytes(path.native());
#endif
}

QString ShownName(const QString& name) {
    QString shown = name;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (IsKeptByte(name, i)) {
            shown[i] = QChar::ReplacementCharacter;
        }
    }
    return shown;
}

QStringList ProgramArguments(int argc, char* argv[]) {
#ifdef Q_OS_WIN
    // Windows gives the arguments as UTF-16, which Qt keeps whole.
    static_cast<void>(argc);
    static_cast<void>(argv);
    return QCoreApplication::arguments();
#else
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(NameFromBytes(argv[i]));
    }
    return arguments;
#endif
}

} // namespace bitreel
