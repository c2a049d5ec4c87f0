// Row texts for the window's lists and titles.
#include "app/browser/ListedText.h"

namespace bitreel {

QString WithControlPictures(QString text) {
    for (QChar& c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20) {
            c = QChar(static_cast<char16_t>(0x2400 + code));
        } else if (code == 0x7F) {
            c = QChar(char16_t{0x2421});
        }
    }
    return text;
}

QString ListedText(std::string_view bytes) {
    return WithControlPictures(
        QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace bitreel
