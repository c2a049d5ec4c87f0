#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace bitreel {

// The window's controls that a transfer locks and unlocks.
enum class Control {
    optMachine0,
    optMachine1,
    cmdPlay,
    cmdReset,
    cmdRecord,
    cmdStop,
    cboComPort,
    File1,
    Dir1,
    Drive1,
    lstContents,
    cboFormat,
};

// What a transfer needs from the main window: its status lines, its contents
// list, its controls, its two flags and the event loop. The window implements
// it over its widgets; engine tests implement it with plain values.
class TransferWindow {
public:
    virtual ~TransferWindow() = default;

    [[nodiscard]] virtual bool& StopRequested() = 0;
    [[nodiscard]] virtual bool& ExpectHeader() = 0;

    // The machine and format choice.
    [[nodiscard]] virtual bool JupiterAceChosen() const = 0;
    [[nodiscard]] virtual std::string FormatText() const = 0;

    // lblStatus and lblStatus2.
    // Whether lblStatus reads exactly text; cheap enough for every byte.
    [[nodiscard]] virtual bool StatusReads(std::string_view text) const = 0;
    virtual void SetStatus(std::string_view text) = 0;
    [[nodiscard]] virtual std::string Status2() const = 0;
    virtual void SetStatus2(std::string_view text) = 0;

    // lstContents.
    [[nodiscard]] virtual int RowCount() const = 0;
    // The selected row, or -1 when none is.
    [[nodiscard]] virtual int SelectedRow() const = 0;
    // Selects an existing row (0 <= row < RowCount()).
    virtual void SelectRow(int row) = 0;
    virtual void ClearRows() = 0;
    virtual void AddRow(std::string_view text) = 0;

    [[nodiscard]] virtual bool IsEnabled(Control control) const = 0;
    virtual void SetEnabled(Control control, bool enabled) = 0;

    // The file list's folder and its current file name (empty when none).
    [[nodiscard]] virtual std::filesystem::path FileFolder() const = 0;
    [[nodiscard]] virtual std::filesystem::path FileName() const = 0;
    // Points the file list at a folder and makes it read its listing afresh.
    virtual void ShowFilesOf(const std::filesystem::path& folder) = 0;
    // Points the directory list at a folder; a change runs its change
    // handler, which empties the contents list.
    virtual void ShowFolder(const std::filesystem::path& folder) = 0;

    // Repaints at once: the whole window, lblStatus2, lstContents.
    virtual void RepaintWindow() = 0;
    virtual void RepaintStatus2() = 0;
    virtual void RepaintContents() = 0;

    // Handles every pending window event, then returns.
    virtual void Yield() = 0;
};

} // namespace bitreel
