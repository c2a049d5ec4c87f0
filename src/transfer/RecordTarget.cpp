// Names the file a recording goes to.
#include "transfer/RecordTarget.h"

#include <QString>

namespace bitreel {

RecordDialogRequest RecordRequest(TapeLayout layout, const std::filesystem::path& initialFolder) {
    switch (layout) {
    case TapeLayout::SpectrumTap:
        break;
    case TapeLayout::AceJup:
        return {"Record JUP File", "Jupiter Ace Files", "*.JUP", initialFolder, "JUP"};
    case TapeLayout::AceTap:
        return {"Record TAP File", "Jupiter Ace Files", "*.TAP", initialFolder, "TAP"};
    }
    return {"Record TAP File", "Spectrum Files", "*.TAP", initialFolder, "TAP"};
}

std::filesystem::path RecordOutputPath(const std::filesystem::path& chosen) {
    // An existing file is overwritten under its own name: only a new file's
    // name is written in capitals. On a file system that ignores case the
    // two are the same file anyway.
    std::error_code ignored;
    if (std::filesystem::exists(chosen, ignored)) {
        return chosen;
    }
    // Full Unicode upper case, so that a name such as "bänd.tap" becomes
    // "BÄND.TAP" as a user would expect.
    const auto name = chosen.filename().u8string();
    const QString upper = QString::fromUtf8(reinterpret_cast<const char*>(name.data()),
                                            static_cast<qsizetype>(name.size()))
                              .toUpper();
    const QByteArray utf8 = upper.toUtf8();
    const std::u8string upperName(reinterpret_cast<const char8_t*>(utf8.constData()),
                                  static_cast<std::size_t>(utf8.size()));
    return chosen.parent_path() / std::filesystem::path(upperName);
}

} // namespace bitreel
