#pragma once

#include <QString>

#include <string_view>

namespace bitreel {

// A row's text as the window shows it: one Latin-1 character per byte, but a
// control character (0x00-0x1F) or DEL as its Unicode picture (U+2400 plus
// the code, U+2421 for DEL), so that a name holding CR or LF keeps its row on
// one line.
[[nodiscard]] QString ListedText(std::string_view bytes);

// The same pictures in a text already decoded (a header's fields).
[[nodiscard]] QString WithControlPictures(QString text);

} // namespace bitreel
