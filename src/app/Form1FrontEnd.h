#pragma once

#include "transfer/LineWaits.h"
#include "transfer/RecordingFrontEnd.h"
#include "transfer/TapeStopFrontEnd.h"
#include "transfer/TransferFrontEnd.h"

#include <chrono>
#include <filesystem>
#include <optional>

namespace bitreel {

class Form1;

// Form1 as a transfer's front end: each report becomes the window's own
// control steps, in their order. One object serves one run.
class Form1FrontEnd : public TransferFrontEnd, public RecordingFrontEnd, public TapeStopFrontEnd {
public:
    explicit Form1FrontEnd(Form1& form) : form_(form) {}

    void RunStarts(Transfer transfer) override;
    void RunEnds(Transfer transfer, const TransferResult& result) override;
    void Status(Activity activity) override;
    void Progress(const BlockProgress& progress, ProgressShown shown) override;
    void ClearProgress() override;
    void BlockGoingOut(int row) override;
    [[nodiscard]] bool RecordingFolder(const std::filesystem::path& folder) override;
    void ReceivingStarts() override;
    void BlockRecorded(std::string_view row) override;
    void TapeStopped(int row) override;
    [[nodiscard]] TapeRestart RestartAsked() override;
    void ChoiceTaken(int row) override;
    void Idle(std::chrono::milliseconds most) override;
    void Yield() override;
    [[nodiscard]] bool StopRequested() const override;

private:
    void LockForPlay();
    void LockForRecord();
    void UnlockAfterPlay(const TransferResult& result);
    void UnlockAfterRecord(const TransferResult& result);
    // Chooses the file in File1 as a click would, when File1 shows its folder
    // and lists it.
    void ChooseFile(const std::filesystem::path& file);
    // How long this yield may wait for the line or the user.
    [[nodiscard]] std::chrono::milliseconds NextWait();

    Form1& form_;
    Transfer transfer_ = Transfer::Play;
    LineWaits waits_;
    std::optional<BlockProgress> lastProgress_;            // none while the line is empty
    bool resetWasEnabled_ = false;                         // Record: cmdReset when it began
    std::optional<std::filesystem::path> chosenBefore_;    // Record: File1's file when it began
    std::optional<std::filesystem::path> recordingFolder_; // Record: shown once chosen
};

} // namespace bitreel
