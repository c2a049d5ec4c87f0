#pragma once

namespace bitreel {

// Guards the start of the window's application object. Without a display the
// platform cannot start, and Qt would abort with its own advice; instead the
// program says in one line that the window needs a display and the commands
// do not, and ends with status 1. What Qt says on a start that succeeds is
// passed on as usual once the guard goes.
class DisplayStart {
public:
    DisplayStart();
    ~DisplayStart();

    DisplayStart(const DisplayStart&) = delete;
    DisplayStart& operator=(const DisplayStart&) = delete;
};

} // namespace bitreel
