#pragma once

#include "serial/SerialPort.h"
#include "tape/Tape.h"
#include "transfer/OutputFile.h"
#include "transfer/RecordFileDialog.h"
#include "transfer/TransferWindow.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>

namespace bitreel {

// Records a tape image from the machine: asks for the file, then gathers the
// frames that arrive, writes each complete block in the layout in force and
// lists it, until the user stops.
class Recording {
public:
    // firstFolder: where the file dialog opens when it has no previous name.
    Recording(SerialPort& port, TransferWindow& window, RecordFileDialog& dialog,
              std::filesystem::path firstFolder)
        : port_(port), window_(window), dialog_(dialog), firstFolder_(std::move(firstFolder)) {}

    // The Record command, from the file dialog to its finishing steps.
    void Run();

    // Exit while the run is in a yield: the file keeps the blocks written so
    // far and is closed; the run takes no further step.
    void Abandon() noexcept;

    // Empty passes after which a progress line left standing is cleared.
    static constexpr std::int32_t EmptyPollsBeforeClearing = 100000;

private:
    struct Target {
        std::filesystem::path folder;
        MachineKind machine;
        bool isTapFile;
        bool aceTapOutput;
    };

    void Record();
    void Receive(const Target& target);
    void CompleteBlock(const Target& target);
    void Finish(bool resetEnabled, bool jupiterAce) noexcept;
    void YieldToWindow();

    SerialPort& port_;
    TransferWindow& window_;
    RecordFileDialog& dialog_;
    std::filesystem::path firstFolder_;
    std::optional<OutputFile> file_;
    bool abandoned_ = false;

    // One run's receiving state.
    std::deque<std::uint8_t> received_;
    TapeBlock gathered_;
    std::int32_t expected_ = -1;
};

} // namespace bitreel
