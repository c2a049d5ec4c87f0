// The main window: its controls, start-up, the commands and the port choice.
#include "app/Form1.h"
#include "transfer/FsPath.h"

#include "app/Form1FrontEnd.h"
#include "app/browser/ClickComboBox.h"
#include "app/browser/ContentsList.h"
#include "app/browser/DirList.h"
#include "app/browser/DriveList.h"
#include "app/browser/FileList.h"
#include "app/browser/RowActivation.h"
#include "app/dialogs/QtRecordFileDialog.h"
#include "app/dialogs/QtSaveFileDialog.h"
#include "app/window/FocusReturn.h"
#include "app/window/StatusReason.h"
#include "app/window/SystemServices.h"
#include "app/window/WindowCaption.h"
#include "app/window/WindowLayout.h"
#include "serial/PortChoice.h"
#include "tape/formats/SnapshotHook.h"
#include "transfer/Playback.h"
#include "transfer/Recording.h"
#include "transfer/TransferSteps.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>

#include <utility>

namespace bitreel {
namespace {

template <typename Control> Control* Named(Control* control, const char* name) {
    control->setObjectName(QString::fromLatin1(name));
    return control;
}

} // namespace

Form1::Form1(QWidget* parent) : Form1(SystemServices(), parent) {}

Form1::Form1(Services services, QWidget* parent) : QWidget(parent), services_(std::move(services)) {
    if (!services_.recordDialog) {
        services_.recordDialog = std::make_unique<QtRecordFileDialog>(this);
    }
    if (!services_.saveDialog) {
        services_.saveDialog = std::make_unique<QtSaveFileDialog>(this);
    }
    BuildControls();
    ApplyWindowLayout(*this);
    ConnectHandlers();
    Form_Load();
}

Form1::~Form1() = default;

void Form1::BuildControls() {
    setWindowTitle(QStringLiteral("Bitreel"));
    // The layout is fixed: the frame offers no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    // The layout is fixed, so the text size it was made for is fixed with it.
    QFont windowFont = font();
    windowFont.setPointSizeF(8.25);
    setFont(windowFont);
    const QString start = QDir::currentPath();

    Label1 = Named(new QLabel(QStringLiteral("File:"), this), "Label1");
    Drive1 = Named(new DriveList(this), "Drive1");
    Drive1->SetDrives(services_.drives());
    Drive1->ShowDriveOf(start);
    Dir1 = Named(new DirList(this), "Dir1");
    // A start folder that cannot be read leaves the lists empty; nothing to report.
    static_cast<void>(Dir1->SetPath(start));
    File1 = Named(new FileList(this), "File1");
    File1->SetPattern(QStringLiteral("*.TAP"));
    File1->SetPath(Dir1->Path());

    Label2 = Named(new QLabel(QStringLiteral("Contents:"), this), "Label2");
    lstContents = Named(new ContentsList(this), "lstContents");

    optMachine[0] =
        Named(new QRadioButton(QStringLiteral("Spectrum TAP Files"), this), "optMachine0");
    optMachine[1] =
        Named(new QRadioButton(QStringLiteral("Jupiter Ace Files"), this), "optMachine1");
    optMachine[0]->setChecked(true);
    cboFormat = Named(new ClickComboBox(this), "cboFormat");
    cboFormat->addItems({QStringLiteral("JUP"), QStringLiteral("TAP")});
    cboFormat->setCurrentIndex(-1);
    cboFormat->setEnabled(false);

    cmdPlay = Named(new QPushButton(QStringLiteral("Pl&ay"), this), "cmdPlay");
    cmdStop = Named(new QPushButton(QStringLiteral("St&op"), this), "cmdStop");
    cmdRecord = Named(new QPushButton(QStringLiteral("Re&cord"), this), "cmdRecord");
    cmdReset = Named(new QPushButton(QStringLiteral("&Reset"), this), "cmdReset");
    cmdPlay->setEnabled(false);
    cmdStop->setEnabled(false);
    cmdReset->setEnabled(false);
    lblStatus = Named(new QLabel(this), "lblStatus");
    lblStatus2 = Named(new QLabel(this), "lblStatus2");
    reason_ = std::make_unique<StatusReason>(*lblStatus, *lblStatus2);
    cboComPort = Named(new ClickComboBox(this), "cboComPort");
    Label3 =
        Named(new QLabel(QStringLiteral("Written by the\nBitreel developers"), this), "Label3");
    cmdExit = Named(new QPushButton(QStringLiteral("E&xit"), this), "cmdExit");

    // Ctrl and a letter, so as not to take an access key (Alt) of the
    // buttons; on the window, so that they work wherever the focus is, and
    // the play key goes on after a stop block while the list is locked.
    actPlaySound = new QAction(QStringLiteral("&Play through sound card"), this);
    actPlaySound->setObjectName(QStringLiteral("actPlaySound"));
    actPlaySound->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    actSaveAudio = new QAction(QStringLiteral("&Save as audio..."), this);
    actSaveAudio->setObjectName(QStringLiteral("actSaveAudio"));
    actSaveAudio->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    actRecordSound = new QAction(QStringLiteral("&Record from sound card..."), this);
    actRecordSound->setObjectName(QStringLiteral("actRecordSound"));
    actRecordSound->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_R));
    for (QAction* action : {actPlaySound, actSaveAudio, actRecordSound}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    }
    actInvertSound = new QAction(QStringLiteral("&Invert the wave"), this);
    actInvertSound->setObjectName(QStringLiteral("actInvertSound"));
    actInvertSound->setCheckable(true);
    lstContents->setContextMenuPolicy(Qt::CustomContextMenu);

    const std::array<QWidget*, 13> tabOrder = {
        Drive1,  Dir1,    File1,     lstContents, optMachine[0], optMachine[1], cboFormat,
        cmdPlay, cmdStop, cmdRecord, cmdReset,    cboComPort,    cmdExit};
    for (std::size_t i = 1; i < tabOrder.size(); ++i) {
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
}

void Form1::ConnectHandlers() {
    connect(cmdPlay, &QPushButton::clicked, this, &Form1::cmdPlay_Click);
    connect(cmdRecord, &QPushButton::clicked, this, &Form1::cmdRecord_Click);
    connect(cmdStop, &QPushButton::clicked, this, &Form1::cmdStop_Click);
    connect(cmdReset, &QPushButton::clicked, this, &Form1::cmdReset_Click);
    connect(cmdExit, &QPushButton::clicked, this, &Form1::cmdExit_Click);
    for (int index = 0; index < static_cast<int>(optMachine.size()); ++index) {
        // Only the button that becomes selected runs the handler.
        connect(optMachine[index], &QRadioButton::toggled, this, [this, index](bool selected) {
            if (selected) {
                optMachine_Click(index);
            }
        });
    }
    connect(cboFormat, &ClickComboBox::Click, this, &Form1::cboFormat_Click);
    connect(Drive1, &DriveList::Change, this, &Form1::Drive1_Change);
    connect(Dir1, &DirList::Change, this, &Form1::Dir1_Change);
    connect(File1, &FileList::Click, this, &Form1::File1_Click);
    connect(cboComPort, &ClickComboBox::Click, this, &Form1::cboComPort_Click);
    OpenRowsOf(lstContents, [this](int row) { OpenInspector(row); });
    connect(actPlaySound, &QAction::triggered, this, &Form1::PlayThroughSoundCard);
    connect(actSaveAudio, &QAction::triggered, this, &Form1::SaveAsAudio);
    connect(actRecordSound, &QAction::triggered, this, &Form1::RecordFromSoundCard);
    connect(actInvertSound, &QAction::toggled, this,
            [this](bool inverted) { soundOptions_.invert = inverted; });
    connect(lstContents, &QWidget::customContextMenuRequested, this, &Form1::ShowContentsMenu);
}

void Form1::Form_Load() {
    setWindowTitle(
        QString::fromStdString(WindowCaption(BITREEL_VERSION_MAJOR, BITREEL_VERSION_MINOR)));
    StopRequested = false;
    cboFormat->SelectEntry(0); // runs cboFormat_Click: the Jupiter Ace choice, once
    optMachine_Click(0);
    if (File1->ListIndex() < 0) {
        // No Spectrum file here: the rows the Jupiter Ace choice left would
        // belong to a file the list does not show.
        lstContents->clear();
    }
    services_.port->SetSettings(ParseLineSettings("9600,n,8,1"));
    services_.port->SetHandshaking(Handshake::RtsCts);
    services_.port->SetDtrEnable(false);
    const QString listing = lblStatus->text(); // the first file could not be listed
    const QString refusal = ScanComPorts();
    if (cboComPort->count() > 0) {
        cboComPort->SelectEntry(0); // runs cboComPort_Click, which opens the port
    }
    // Said after the port choice, which clears the status line.
    QStringList reasons;
    for (const QString& reason : {listing, refusal}) {
        if (!reason.isEmpty()) {
            reasons << reason;
        }
    }
    if (!reasons.isEmpty()) {
        ShowFailureReason(reasons.join(QLatin1Char(' ')));
    }
}

void Form1::cmdPlay_Click() {
    ClearFailureReason();
    const FocusReturn focus(*this, *cmdPlay);
    PlayRequest request;
    request.file = ToFsPath(QDir(File1->Path()).filePath(File1->FileName()));
    request.layout = LayoutInForce();
    request.startRow = StartRow();
    request.rowCount = lstContents->count();
    // A snapshot's fast blocks are pulses the EAR socket times, no frames.
    if (IsSnapshotPath(request.file)) {
        ShowFailureReason(
            QStringLiteral("%1 is a snapshot: play it through the sound card (Play through sound "
                           "card); its fast blocks cannot go over the line.")
                .arg(File1->FileName()));
        return;
    }
    if (!request.file.filename().empty() && !ChosenPortOpen()) {
        return;
    }

    Form1FrontEnd frontEnd(*this);
    Playback playback(*services_.port, frontEnd);
    const OpenFiles::Hold held = heldFiles_.Keep([&playback] { playback.Abandon(); });
    ShowHowItEnded(playback.Run(request));
}

void Form1::cmdRecord_Click() {
    ClearFailureReason();
    const FocusReturn focus(*this, *cmdRecord);
    if (!ChosenPortOpen()) {
        return; // before the dialog: there is nothing to record from
    }
    RecordingRequest request;
    request.machine = Machine();
    request.layout = LayoutInForce();
    // The dialog first opens on the folder the browser shows.
    request.dialogFolder = ToFsPath(Dir1->Path());

    Form1FrontEnd frontEnd(*this);
    Recording recording(*services_.port, frontEnd, frontEnd, *services_.recordDialog);
    const OpenFiles::Hold held = heldFiles_.Keep([&recording] { recording.Abandon(); });
    ShowHowItEnded(recording.Run(request));
}

int Form1::StartRow() const {
    const int current = lstContents->currentRow();
    return current >= 0 && lstContents->isRowSelected(current) ? current : 0;
}

bool Form1::ChosenPortOpen() {
    const std::string chosen =
        cboComPort->currentIndex() >= 0 ? cboComPort->currentText().toStdString() : std::string();
    const PortReopening reopened = ReopenChosenPort(*services_.port, portEntries_, chosen);
    if (!reopened.open) {
        ShowPortEntries(reopened.shown);
        ShowFailureReason(QString::fromStdString(reopened.reason));
    }
    return reopened.open;
}

void Form1::ShowHowItEnded(const TransferResult& result) {
    QStringList said;
    // A recording whose file was removed or replaced meanwhile says where
    // its blocks are, as the file list now shows.
    if (result.moved) {
        said << QString::fromStdString(MovedText(*result.moved, result.file));
    }
    if (result.Failed()) {
        said << QString::fromStdString(result.reason);
    }
    if (!said.isEmpty()) {
        ShowFailureReason(said.join(QLatin1Char(' ')));
    }
}

void Form1::ShowFailureReason(const QString& reason) {
    reason_->Show(reason);
}

void Form1::ClearFailureReason() {
    reason_->Clear();
}

void Form1::cmdStop_Click() {
    lblStatus->setText(QStringLiteral("Stopping..."));
    repaint(); // on screen before the transfer resumes and sees the flag
    StopRequested = true;
}

void Form1::cmdReset_Click() {
    ClearFailureReason();
    if (lstContents->count() > 0) {
        lstContents->setCurrentRow(0, QItemSelectionModel::ClearAndSelect);
    }
}

void Form1::cmdExit_Click() {
    if (services_.port->IsOpen()) {
        try {
            services_.port->Close();
        } catch (const PortError&) {
            // The program ends either way; a port that fails to close must not keep it alive.
        }
    }
    heldFiles_.CloseAll();
    services_.exit(0);
}

void Form1::closeEvent(QCloseEvent* event) {
    cmdExit_Click();
    event->accept();
}

void Form1::cboComPort_Click() {
    ClearFailureReason();
    const std::string shown =
        ChoosePort(*services_.port, portEntries_, cboComPort->currentText().toStdString());
    ShowPortEntries(shown);
}

QString Form1::ScanComPorts() {
    const std::vector<std::string> refused = bitreel::ScanComPorts(*services_.port, portEntries_);
    // The scan leaves the port closed: the list reads "COM0" until a port opens.
    ShowPortEntries(PortEntryText(0));
    // The table lists the plug-in adapters after the built-in ports, so the
    // last refusal is the likeliest to be the user's adapter.
    return refused.empty() ? QString() : QString::fromStdString(refused.back());
}

void Form1::ShowPortEntries(const std::string& shown) {
    const QSignalBlocker quiet(cboComPort);
    cboComPort->clear();
    int selected = -1;
    for (const std::string& entry : portEntries_) {
        const QString device = QString::fromStdString(
            services_.port->DeviceName(PortNumberOfEntry(entry).value_or(0)));
        cboComPort->addItem(QString::fromStdString(entry));
        cboComPort->setItemData(cboComPort->count() - 1, device, Qt::ToolTipRole);
        if (entry == shown) {
            selected = cboComPort->count() - 1;
        }
    }
    cboComPort->setCurrentIndex(selected);
    // A text that is no entry (the fallback's "COM0") shows in place of one.
    cboComPort->setPlaceholderText(selected < 0 ? QString::fromStdString(shown) : QString());
    cboComPort->setToolTip(
        selected >= 0 ? cboComPort->itemData(selected, Qt::ToolTipRole).toString() : QString());
}

} // namespace bitreel
