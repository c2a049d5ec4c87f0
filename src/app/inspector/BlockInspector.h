#pragma once

#include "app/dialogs/SaveFileDialog.h"
#include "tape/TapeLayout.h"
#include "tape/snapshot/Snapshot.h"
#include "view/RowViews.h"

#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <string>

class QLabel;
class QPlainTextEdit;
class QTabWidget;

namespace bitreel {

class ScreenTab;

// A window that looks inside the block of one contents row: the views that
// fit it (BASIC, Screen, Words, Arrays), a header's fields, and always its
// bytes in hex. The first row of a snapshot, which names it, shows the
// snapshot: its loading screen, its registers and its memory in hex. It can save the screen as a
// PNG, export the block's payload and copy what it shows. It is not modal, closes on Escape and
// deletes itself when closed.
class BlockInspector : public QWidget {
    Q_OBJECT

public:
    // The row of a tape image, read as the contents list reads it.
    struct Source {
        QString path;
        MachineKind machine = MachineKind::Spectrum;
        TapeLayout layout = TapeLayout::SpectrumTap;
        int row = 0;
    };

    // Reads the row's blocks from the file now; a file that cannot be read,
    // or that no longer has the row, is said in the window.
    BlockInspector(const Source& source, QWidget* parent);
    ~BlockInspector() override;

    BlockInspector(const BlockInspector&) = delete;
    BlockInspector& operator=(const BlockInspector&) = delete;

    // Where saving asks for a file; Qt's file dialog unless replaced.
    void SetSaveDialog(std::unique_ptr<SaveFileDialog> dialog) { saveDialog_ = std::move(dialog); }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildTabs();
    void BuildSnapshotTabs();
    void AddScreenTab(std::span<const std::uint8_t> screen);
    void AddTextTab(const QString& title, const std::string& text);
    // The waveform a block of a recording was read from; the tab's index, or
    // -1 for a block of an image.
    int AddSignalTab();
    [[nodiscard]] std::string HexText() const;
    [[nodiscard]] std::filesystem::path Suggested(const char* extension) const;

    void Export();
    void SavePng();
    void Copy();
    // Writes bytes to a file the user picks, and says how it went.
    void Save(const SaveDialogRequest& request, const std::function<bool(QIODevice&)>& write,
              const QString& what);

    Source source_;
    view::RowBlocks blocks_;
    std::unique_ptr<SaveFileDialog> saveDialog_;
    QTabWidget* tabs_ = nullptr;
    ScreenTab* screen_ = nullptr;
    QLabel* status_ = nullptr;
    // A row of a recording: how many rows before it hold the same bytes.
    std::optional<std::size_t> recordedBefore_;
    // The snapshot the first row of its image names.
    std::optional<Snapshot> snapshot_;
};

} // namespace bitreel
