#pragma once

#include "pulses/Pulses.h"
#include "signal/render/RenderOptions.h"
#include "signal/render/SampleRenderer.h"
#include "tape/TapeImage.h"
#include "transfer/AudioOutput.h"
#include "transfer/Playback.h"
#include "transfer/TapeStopFrontEnd.h"
#include "transfer/TransferFrontEnd.h"
#include "transfer/TransferResult.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace bitreel {

// A tape's pulses from its first row on, made afresh at each call: one
// stream is played, another runs ahead of it to measure each row.
using PulseTape = std::function<std::unique_ptr<PulseSource>()>;

// What to play through the sound card when it is not an image file.
struct AudioTape {
    PulseTape pulses;
    // Where the stream starts; like PulseStream, the stream passes over a
    // stop block there, where the last load stopped.
    std::size_t fromRow = 0;
    // The rows of the image, so that a stop tells the row to go on from;
    // none when not known.
    std::optional<std::size_t> rowCount;
    // How many rows the front end lists; a row beyond them ends the run (as
    // PlayRequest::rowCount).
    std::optional<int> listedRows;
};

// Plays a tape image through the sound card to the machine's EAR socket,
// as its tape would sound: the rows from the start row to the end or the
// last row asked for, each row selected as its sound starts. The samples are
// rendered ahead of the device, its buffer kept full, so that a busy front end does
// not starve it; a device that runs dry all the same fails the run, since a
// gap in a tape is a loading error. At a block that stops the tape the sound
// pauses until the user goes on; a select block plays its first choice.
class AudioPlayback {
public:
    AudioPlayback(AudioOutput& output, TransferFrontEnd& frontEnd, TapeStopFrontEnd& stops);
    ~AudioPlayback();
    AudioPlayback(const AudioPlayback&) = delete;
    AudioPlayback& operator=(const AudioPlayback&) = delete;

    // Plays the image file of a Play request.
    [[nodiscard]] TransferResult Run(const PlayRequest& request, const RenderOptions& options);
    // Plays any stream of pulses.
    [[nodiscard]] TransferResult Run(const AudioTape& tape, const RenderOptions& options);

    // Exit while the run is in a yield: the run takes no further step.
    void Abandon() noexcept { abandoned_ = true; }

    // The buffer to ask an output for: more sound than a busy window keeps
    // the engine away, little enough that Stop and the row shown stay close
    // to what the machine hears. The engine keeps whatever buffer the
    // device has full: a device that starts only once its buffer is full
    // would never start on less.
    static constexpr std::chrono::milliseconds Ahead{750};
    // The longest a pass waits for the user while the queue is full.
    static constexpr std::chrono::milliseconds MostIdle{20};
    // The pulses of a row measured in one pass: more than a block of 65,535
    // bytes has, so that a row shows its length from its start; a longer
    // row (a direct recording of minutes) is measured over several passes.
    static constexpr std::size_t MeasuredAtOnce = std::size_t{1} << 21;

private:
    // A point in the sound where the tape does something the user is told
    // of once it is heard.
    struct Mark {
        enum class Kind { Row, Stop, Choice, Corrupt, Unlisted, End };
        Kind kind;
        std::uint64_t sample; // where it is heard
        int row = -1;
        std::optional<std::uint64_t> length = std::nullopt; // Row: its samples, once measured
        std::uint64_t serial = 0;                           // Row: its place in the run, from 1
    };

    TransferResult Play(const AudioTape& tape, const RenderOptions& options);
    // Runs a play between the front end's RunStarts and RunEnds: an error
    // reading readFrom (none: no file) fails the run, Exit abandons it.
    TransferResult Guarded(int fromRow, const std::filesystem::path& readFrom,
                           const std::function<TransferResult()>& run);
    void Finish(const TransferResult& result);
    // Tells the user of every mark the sound has reached; a value once the
    // run ends there.
    std::optional<TransferResult> Reached(std::uint64_t played);
    void ShowProgress(std::uint64_t played, ProgressShown shown);
    // Queues sound until the device is full; true when any was queued.
    bool TopUp();
    // Renders into buffer_ what comes next: the tape, or silence while it
    // is held at a stop. The samples made.
    std::size_t Render(std::size_t most);
    void Rendered(const PulseEvent& event);
    // Measures at most `most` pulses more of the row last entered, and gives
    // its mark (or the row heard) its length once found.
    void MeasureRow(std::size_t most);
    void Idle(std::chrono::milliseconds most);
    [[nodiscard]] std::uint64_t Played();
    [[nodiscard]] std::int64_t Milliseconds(std::uint64_t samples) const;
    [[nodiscard]] TransferResult Failure(std::string reason) const;

    // Measures each row's length, ahead of the renderer, on a stream of its own.
    class RowLengths;

    AudioOutput& output_;
    TransferFrontEnd& frontEnd_;
    TapeStopFrontEnd& stops_;
    std::optional<TapeImage> image_;
    std::unique_ptr<PulseSource> source_;
    std::unique_ptr<RowLengths> lengths_;
    std::optional<SampleRenderer> renderer_;
    std::vector<std::int16_t> buffer_;
    std::deque<Mark> marks_;
    const AudioTape* tape_ = nullptr;
    std::uint32_t rate_ = DefaultSampleRate;
    std::uint64_t written_ = 0;    // samples queued so far
    std::uint64_t endSample_ = 0;  // the tape's sound ends here, once rendered whole
    bool rendered_ = false;        // nothing of the tape is left to render
    bool heldAtStop_ = false;      // rendering waits at a stop: silence is queued
    bool anyRow_ = false;          // a row's sound has been heard
    std::optional<int> stoppedAt_; // the tape is stopped at this row, heard
    std::int16_t lastSample_ = 0;
    int row_ = -1;                           // the row being heard
    std::uint64_t rowStart_ = 0;             // where its sound starts
    std::optional<std::uint64_t> rowLength_; // and how long it lasts, once measured
    std::uint64_t rowSerial_ = 0;            // rows entered by the renderer
    std::uint64_t heardSerial_ = 0;          // the one heard
    std::optional<BlockProgress> shown_;
    bool abandoned_ = false;
};

} // namespace bitreel
