#pragma once

class QFileDialog;

namespace bitreel {

// Opens Qt's own file dialog wide enough for its detail view to show the
// size, type and date of a file whole beside a long name: those columns take
// the width of their contents, the name the rest. Once a folder is read the
// dialog widens by what the columns lack, as far as the screen allows. A
// platform's own dialog sizes itself and is left alone.
void ShowColumnsWhole(QFileDialog& dialog);

} // namespace bitreel
