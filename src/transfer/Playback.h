#pragma once

#include "serial/SerialPort.h"
#include "tape/Tape.h"
#include "transfer/TransferWindow.h"

#include <cstdint>
#include <optional>

namespace bitreel {

// Plays the chosen tape image to the machine: from the selected row to the
// end of the file, every block goes out as its frame, one byte per write and
// each byte only while the machine holds CTS asserted.
class Playback {
public:
    Playback(SerialPort& port, TransferWindow& window) : port_(port), window_(window) {}

    // The Play command, from its first check to its finishing steps.
    void Run();

    // Exit while the run is in a yield: the file is closed and the run takes
    // no further step once the yield returns.
    void Abandon() noexcept;

private:
    // Returns true when the blocks ran out (end of file, no block left or a
    // corrupt block), false when the user stopped.
    bool PlayBlocks(int startRow);
    void SendFrame(const TapeBlock& block, std::int32_t& sent);
    void WaitForCts();
    void WaitUntilSent();
    void Finish() noexcept;
    void YieldToWindow();

    SerialPort& port_;
    TransferWindow& window_;
    std::optional<TapeFile> file_;
    TapeLayout layout_ = TapeLayout::SpectrumTap;
    bool abandoned_ = false;
};

} // namespace bitreel
