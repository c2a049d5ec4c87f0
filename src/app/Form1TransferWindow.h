#pragma once

#include "transfer/TransferWindow.h"

class QWidget;

namespace bitreel {

class Form1;

// Form1 as the transfers see it: its status lines, contents list, controls,
// flags and the event loop.
class Form1TransferWindow : public TransferWindow {
public:
    explicit Form1TransferWindow(Form1& form) : form_(form) {}

    bool& StopRequested() override;
    bool& ExpectHeader() override;
    [[nodiscard]] bool JupiterAceChosen() const override;
    [[nodiscard]] std::string FormatText() const override;

    [[nodiscard]] bool StatusReads(std::string_view text) const override;
    void SetStatus(std::string_view text) override;
    [[nodiscard]] std::string Status2() const override;
    void SetStatus2(std::string_view text) override;

    [[nodiscard]] int RowCount() const override;
    [[nodiscard]] int SelectedRow() const override;
    void SelectRow(int row) override;
    void ClearRows() override;
    void AddRow(std::string_view text) override;

    [[nodiscard]] bool IsEnabled(Control control) const override;
    void SetEnabled(Control control, bool enabled) override;

    [[nodiscard]] std::filesystem::path FileFolder() const override;
    [[nodiscard]] std::filesystem::path FileName() const override;
    void ShowFilesOf(const std::filesystem::path& folder) override;
    void ShowFolder(const std::filesystem::path& folder) override;

    void RepaintWindow() override;
    void RepaintStatus2() override;
    void RepaintContents() override;
    void Yield() override;

private:
    [[nodiscard]] QWidget* Widget(Control control) const;

    Form1& form_;
};

} // namespace bitreel
