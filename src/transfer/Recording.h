#pragma once

#include "serial/SerialPort.h"
#include "tape/Tape.h"
#include "transfer/FrameGatherer.h"
#include "transfer/OutputFile.h"
#include "transfer/RecordFileDialog.h"
#include "transfer/RecordingFrontEnd.h"
#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <vector>

namespace bitreel {

// What to record: the machine and layout the blocks are described and
// stored by, and where the file chooser opens.
struct RecordingRequest {
    MachineKind machine = MachineKind::Spectrum;
    TapeLayout layout = TapeLayout::SpectrumTap;
    std::filesystem::path dialogFolder;
    // The file is written under the name chosen, in its own letter case (a
    // script names it); otherwise a new file's name is put in capitals.
    bool keepChosenName = false;
    // A file of the chosen name is replaced once the first block is written
    // (the user was asked); with Keep, the recording fails instead.
    ExistingFile existing = ExistingFile::Replace;
};

// Records a tape image from the machine: asks for the file, then gathers the
// frames that arrive, writes each complete block in the requested layout and
// lists it, until the user stops. The file takes its name when its first
// block is written: a recording that writes none leaves a file of that name
// as it was, and makes none where there was none. A file removed or replaced
// while it records goes on in a new file (OutputFile), which the result
// names.
class Recording {
public:
    Recording(SerialPort& port, TransferFrontEnd& frontEnd, RecordingFrontEnd& recordingFrontEnd,
              RecordFileDialog& dialog)
        : port_(port), frontEnd_(frontEnd), recordingFrontEnd_(recordingFrontEnd), dialog_(dialog) {
    }

    // The Record command, from the file dialog to its finishing steps.
    [[nodiscard]] TransferResult Run(const RecordingRequest& request);

    // Exit while the run is in a yield: the file keeps the blocks written so
    // far and is closed; the run takes no further step.
    void Abandon() noexcept;

    // Empty passes after which a progress line left standing is cleared.
    static constexpr std::int32_t EmptyPollsBeforeClearing = 100000;

private:
    TransferResult Record(const RecordingRequest& request);
    void Receive(const RecordingRequest& request, BlockLister& lister);
    void CompleteBlock(const RecordingRequest& request, BlockLister& lister);
    void ShowProgress(const BlockProgress& progress);
    void YieldToFrontEnd();
    [[nodiscard]] TransferResult Failure(std::string reason) const;

    SerialPort& port_;
    TransferFrontEnd& frontEnd_;
    RecordingFrontEnd& recordingFrontEnd_;
    RecordFileDialog& dialog_;
    std::optional<OutputFile> file_;
    std::filesystem::path output_;
    FrameGatherer gatherer_;
    bool progressShown_ = false; // the progress line is not empty
    int blocks_ = 0;             // blocks written
    std::optional<MovedFile> moved_;
    std::vector<int> damaged_; // rows written damaged
    bool abandoned_ = false;
};

} // namespace bitreel
