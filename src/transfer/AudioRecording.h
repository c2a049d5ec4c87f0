#pragma once

#include "signal/decode/LiveDecoder.h"
#include "tape/BlockDescription.h"
#include "tape/TapeLayout.h"
#include "transfer/AudioInput.h"
#include "transfer/OutputFile.h"
#include "transfer/RecordingFrontEnd.h"
#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace bitreel {

// What a recording from the sound card writes, and where.
struct AudioRecordingRequest {
    MachineKind machine = MachineKind::Spectrum;
    // A TZX file keeps every block with its measured timings, and what was
    // not understood as sound; any other file is written in layout and keeps
    // the blocks alone.
    bool tzx = true;
    TapeLayout layout = TapeLayout::SpectrumTap;
    std::filesystem::path output;
    ExistingFile existing = ExistingFile::Keep;
};

// Records a tape from the sound input (the machine's MIC socket, or a tape
// deck): decodes the sound as it comes, lists each block as it ends and
// writes it to the file, until the user stops; what is held then is decoded
// too. The file takes its name when its first block is written, as a
// recording over the line does.
class AudioRecording {
public:
    AudioRecording(AudioInput& input, TransferFrontEnd& frontEnd,
                   RecordingFrontEnd& recordingFrontEnd)
        : input_(input), frontEnd_(frontEnd), recordingFrontEnd_(recordingFrontEnd) {}

    [[nodiscard]] TransferResult Run(const AudioRecordingRequest& request);

    // Exit while the run is in a yield: the file keeps the blocks written so
    // far and is closed; the run takes no further step.
    void Abandon() noexcept;

    // Stretches of sound not understood: kept in a TZX file as sound, left
    // out of any other.
    [[nodiscard]] int Stretches() const noexcept { return stretches_; }
    // Blocks too long for a file of blocks (a turbo block past 65535
    // bytes), left out of it.
    [[nodiscard]] int TooLong() const noexcept { return tooLong_; }
    // The run failed because the sound input did, not the file.
    [[nodiscard]] bool InputFailed() const noexcept { return inputFailed_; }

private:
    TransferResult Record(const AudioRecordingRequest& request);
    void TakeFound(LiveDecoder& decoder, const AudioRecordingRequest& request, BlockLister& lister);
    // Keeps where the file went when it had to move (OutputFile).
    void NoteMove();
    [[nodiscard]] TransferResult Failure(std::string reason) const;

    AudioInput& input_;
    TransferFrontEnd& frontEnd_;
    RecordingFrontEnd& recordingFrontEnd_;
    std::optional<OutputFile> file_;
    bool headerWritten_ = false;
    int blocks_ = 0; // blocks listed
    int stretches_ = 0;
    int tooLong_ = 0;
    bool inputFailed_ = false;
    std::optional<MovedFile> moved_;
    std::filesystem::path movedTo_;
    std::vector<int> damaged_; // rows listed damaged
    bool abandoned_ = false;
};

} // namespace bitreel
