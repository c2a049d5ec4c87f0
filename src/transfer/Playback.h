#pragma once

#include "serial/SerialPort.h"
#include "tape/Tape.h"
#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace bitreel {

// What to play: the image, its layout, the block to start from and the one
// to end after.
struct PlayRequest {
    std::filesystem::path file; // no file name: nothing is played
    TapeLayout layout = TapeLayout::SpectrumTap;
    int startRow = 0;
    // How many blocks the front end lists; a block beyond them ends the run
    // (the file grew since it was listed). None when nothing is listed.
    std::optional<int> rowCount;
    // The run ends after this block; none: at the end of the file.
    std::optional<int> lastRow = std::nullopt;
};

// Plays a tape image to the machine: from the start row to the end of the
// file or the last row asked for, every block goes out as its frame, one
// byte per write and each byte only while the machine holds CTS asserted. A
// TZX or PZX image (by its name, for the Spectrum) sends the frames of its
// data blocks, passes over its other blocks and ends at a block that stops
// the tape.
class Playback {
public:
    Playback(SerialPort& port, TransferFrontEnd& frontEnd) : port_(port), frontEnd_(frontEnd) {}

    // The Play command, from its first check to its finishing steps.
    [[nodiscard]] TransferResult Run(const PlayRequest& request);

    // Exit while the run is in a yield: the file is closed and the run takes
    // no further step once the yield returns.
    void Abandon() noexcept;

    // The most bytes left waiting in the port's output before the next byte
    // is written: about 67 ms of the line at 9600 baud, so that the block
    // shown is the one on the line, and Stop throws away no more than this.
    static constexpr std::size_t PendingOutputLimit = 64;

private:
    TransferResult Play(const PlayRequest& request);
    // Sends the image's rows until it ends, a block is corrupt, a block
    // stops the tape or the user stops.
    TransferResult PlayRows(const PlayRequest& request);
    // The block of row_ is next: its row is selected and its frame, if it has
    // one, goes out. A value when the run ends there.
    std::optional<TransferResult> SendRow(const PlayRequest& request, const TapeBlock* block);
    void SendFrame(const TapeBlock& block, std::int32_t& sent);
    void WaitToSend();
    void WaitUntilSent();
    // Lets the image and the output still waiting go as the run ends.
    void Release();
    void YieldToFrontEnd();
    [[nodiscard]] TransferResult Failure(std::string reason) const;

    SerialPort& port_;
    TransferFrontEnd& frontEnd_;
    std::optional<TapeImage> image_;
    int row_ = -1; // the contents row of the block in hand
    bool abandoned_ = false;
};

} // namespace bitreel
