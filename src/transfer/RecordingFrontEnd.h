#pragma once

#include <filesystem>
#include <string_view>

namespace bitreel {

// What a recording, over the line or from the sound card, asks of the one who
// started it and tells it, beyond what every transfer reports
// (TransferFrontEnd).
class RecordingFrontEnd {
public:
    virtual ~RecordingFrontEnd() = default;

    // The file is chosen in this folder. False when the folder cannot be
    // shown, which ends the run.
    [[nodiscard]] virtual bool RecordingFolder(const std::filesystem::path& folder) = 0;
    // Blocks may arrive from now on; the list of them starts empty and the
    // run can be stopped.
    virtual void ReceivingStarts() = 0;
    // A block was written; its contents row.
    virtual void BlockRecorded(std::string_view row) = 0;
};

} // namespace bitreel
