#pragma once

#include <chrono>

namespace bitreel {

// Time as a check of the line sees it: the system's clock on a real port,
// the simulated line's in tests, so that a second of the line is no second
// of a test.
class LineClock {
public:
    using Duration = std::chrono::nanoseconds;

    virtual ~LineClock() = default;
    [[nodiscard]] virtual Duration Now() = 0;
    // Lets at most this much time pass; may return sooner when bytes arrive.
    virtual void Wait(Duration most) = 0;
};

} // namespace bitreel
