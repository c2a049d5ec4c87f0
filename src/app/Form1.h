#pragma once

#include "app/browser/OpenFiles.h"
#include "app/browser/Volumes.h"
#include "app/dialogs/SaveFileDialog.h"
#include "app/window/EventWait.h"
#include "serial/SerialPort.h"
#include "signal/render/RenderOptions.h"
#include "tape/TapeLayout.h"
#include "transfer/AudioInput.h"
#include "transfer/AudioOutput.h"
#include "transfer/RecordFileDialog.h"
#include "transfer/TransferResult.h"

#include <QStringList>
#include <QWidget>

#include <array>
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAction;
class QLabel;
class QPushButton;
class QRadioButton;

namespace bitreel {

class ClickComboBox;
class StatusReason;
class ContentsList;
class DirList;
class DriveList;
class FileList;

// The program's one window: every control, the two window-wide flags, and the
// handlers that wire the controls to the tape and serial code. Building it
// runs start-up (Form_Load) once.
class Form1 : public QWidget {
    Q_OBJECT
    friend class Form1FrontEnd;

public:
    // What the window works with besides its own controls. The port and the
    // exit must be given.
    struct Services {
        std::unique_ptr<SerialPort> port;                        // the serial line (MSComm1)
        std::function<void(int status)> exit;                    // ends the program at once
        std::function<QStringList()> drives = RecognisedVolumes; // roots the drive list offers
        // Asks for the file a recording goes to; none gives Qt's file dialog.
        std::unique_ptr<RecordFileDialog> recordDialog;
        // How a transfer with nothing to do waits for the port or the user.
        std::function<void(std::chrono::milliseconds most)> waitForEvents = WaitForEvents;
        // The sound card that "Play through sound card" plays to; none: the
        // command says there is none.
        AudioOutputOpener audioOutput;
        // The sound card that "Record from sound card..." records from; none:
        // the command says there is none.
        AudioInputOpener audioInput;
        // Asks where "Save as audio..." writes; none gives Qt's file dialog.
        std::unique_ptr<SaveFileDialog> saveDialog;
    };

    // The window on the system's serial ports, volumes and program exit.
    explicit Form1(QWidget* parent = nullptr);
    explicit Form1(Services services, QWidget* parent = nullptr);
    ~Form1() override;

    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    // The running transfer is to stop: set by Stop, read by the transfer.
    bool StopRequested = false;

    // The machine whose option button is selected.
    [[nodiscard]] MachineKind Machine() const;
    // The layout tape images are read and recorded in, from the machine and
    // format choice.
    [[nodiscard]] TapeLayout LayoutInForce() const;
    // The Jupiter Ace layout the format list chooses; the one place its
    // text is read.
    [[nodiscard]] TapeLayout AceLayout() const;
    // Opens the file browser in the folder of the tape image at path, with
    // the machine and format its name suggests, and selects and lists it.
    // False when the file list does not show it.
    bool ShowFile(const QString& path);
    // Chooses the file of this name in File1 as a click would, which lists
    // it. False when File1 does not list it.
    bool ChooseListedFile(const QString& name);
    // Files a transfer holds open, closed by Exit.
    [[nodiscard]] OpenFiles& HeldFiles() { return heldFiles_; }

protected:
    // Closing through the window's frame ends the program as Exit does.
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void ConnectHandlers();

    // Start-up.
    void Form_Load();

    // Commands.
    void cmdPlay_Click();
    // After the finishing steps of a failed transfer, its reason stands in
    // lblStatus until the next command, file click or machine change.
    void ShowHowItEnded(const TransferResult& result);
    // Why a command failed, in lblStatus until the next command, file click
    // or machine change.
    void ShowFailureReason(const QString& reason);
    void ClearFailureReason();
    void cmdRecord_Click();
    // Play and Record use the port chosen in the list, opened again if it is
    // not open; false, with the reason shown and the ports listed afresh,
    // when it does not open.
    [[nodiscard]] bool ChosenPortOpen();
    void cmdStop_Click();
    // The contents list's "Play through sound card": plays from the selected
    // row through the sound card, or goes on after a stop block
    // (Form1Sound.cpp).
    void PlayThroughSoundCard();
    // The contents list's "Save as audio...": the tape from the selected row
    // as a WAV, FLAC or CSW file, by the name's extension.
    void SaveAsAudio();
    // Records a tape played into the sound card's input (line-in), each
    // block listed as it ends, into a file the record dialog asks for.
    void RecordFromSoundCard();
    void ShowContentsMenu(const QPoint& at);
    // A file is selected and its rows listed: what the sound entries play
    // and save. A machine change to a folder with no matching file keeps the
    // old rows, with no file to play them from.
    [[nodiscard]] bool ChosenTapeListed() const;
    // The tape stopped at a stop block while the sound card plays: the status
    // line tells how to go on.
    void TapeStoppedAt(int row);
    // True, once, after the user said to go on.
    [[nodiscard]] bool TakeGoOn();
    // The selected row, where Play and the sound card start.
    [[nodiscard]] int StartRow() const;
    void cmdReset_Click();
    void cmdExit_Click();

    // Contents list, machine choice and file browser.
    void File1_Click();
    void optMachine_Click(int Index);
    void cboFormat_Click();
    void Drive1_Change();
    void Dir1_Change();
    // Opens a block inspector on a row of lstContents (Form1Inspector.cpp).
    void OpenInspector(int row);
    // What LoadContents made of a file.
    enum class Listing {
        Failed,        // the file cannot be read (the reason in lblStatus, the list
                       // left empty), or something else took the list over while a
                       // huge file was being listed
        Playable,      // listed, with at least one block Play can send
        NothingToSend, // listed, with no row or none that Play can send
    };
    // Fills lstContents from the tape image at path.
    [[nodiscard]] Listing LoadContents(const QString& path);

    // Serial port.
    void cboComPort_Click();
    // Lists the ports that open; returns why a present device was refused
    // (no rights to it), or nothing.
    [[nodiscard]] QString ScanComPorts();
    // Shows portEntries_ in cboComPort with the entry reading shown selected,
    // or none when no entry reads so; raises no Click.
    void ShowPortEntries(const std::string& shown);

    Services services_;
    OpenFiles heldFiles_;
    std::unique_ptr<StatusReason> reason_; // over lblStatus and lblStatus2
    std::vector<std::string> portEntries_; // what cboComPort lists
    RenderOptions soundOptions_;
    bool soundPlaying_ = false;
    std::optional<int> tapeStoppedAt_; // the sound card waits at this stop block
    bool goOn_ = false;

    // The controls; the window owns them.
    QLabel* Label1 = nullptr;
    DriveList* Drive1 = nullptr;
    DirList* Dir1 = nullptr;
    FileList* File1 = nullptr;
    QLabel* Label2 = nullptr;
    ContentsList* lstContents = nullptr;
    std::array<QRadioButton*, 2> optMachine{};
    ClickComboBox* cboFormat = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdRecord = nullptr;
    QPushButton* cmdReset = nullptr;
    QLabel* lblStatus = nullptr;
    QLabel* lblStatus2 = nullptr;
    ClickComboBox* cboComPort = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdExit = nullptr;
    // The contents list's menu entries, with their keys.
    QAction* actPlaySound = nullptr;
    QAction* actSaveAudio = nullptr;
    QAction* actRecordSound = nullptr;
    QAction* actInvertSound = nullptr; // the wave the other way up, for some loaders and leads
};

} // namespace bitreel
