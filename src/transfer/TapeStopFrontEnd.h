#pragma once

#include <chrono>

namespace bitreel {

// Play through the sound card, at a block that stops the tape: what the user
// has said.
enum class TapeRestart {
    NotYet,  // nothing yet: the tape stays stopped
    GoOn,    // start the tape again
    EndHere, // the user cannot answer (no input to read): the run ends at the
             // stop, as Play over the line does
};

// What a tape played through the sound card asks at its stops and choices,
// beyond what every transfer reports (TransferFrontEnd).
class TapeStopFrontEnd {
public:
    virtual ~TapeStopFrontEnd() = default;

    // The tape stopped at this row; the front end tells the user how to go on.
    virtual void TapeStopped(int row) = 0;
    // Asked while the tape is stopped, between yields.
    [[nodiscard]] virtual TapeRestart RestartAsked() = 0;
    // The select block of this row plays its first choice.
    virtual void ChoiceTaken(int row) = 0;
    // Lets the user act as Yield does, and with nothing from the user waits
    // at most this long, for as long as the sound queued lasts (zero:
    // returns at once).
    virtual void Idle(std::chrono::milliseconds most) = 0;
};

} // namespace bitreel
