// The window that looks inside one block of the contents list.
#include "app/inspector/BlockInspector.h"

#include "app/browser/ListedText.h"
#include "app/dialogs/QtSaveFileDialog.h"
#include "app/inspector/ScreenTab.h"
#include "app/inspector/SignalTab.h"
#include "tape/TapeImage.h"
#include "tape/formats/RecordingHook.h"
#include "transfer/FsPath.h"
#include "view/View.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTabWidget>
#include <QVBoxLayout>

#include <system_error>

namespace bitreel {
namespace {

// Writes bytes made before the dialog opens; whether all of them went out.
std::function<bool(QIODevice&)> BytesWriter(std::vector<std::uint8_t> bytes) {
    return [bytes = std::move(bytes)](QIODevice& out) {
        const auto size = static_cast<qint64>(bytes.size());
        return out.write(reinterpret_cast<const char*>(bytes.data()), size) == size;
    };
}

// The row as the title shows it: the runs of spaces that line the labels up
// in the list made one, every other character as the list shows it.
QString TitleText(const std::string& row) {
    QString text = ListedText(row);
    static const QRegularExpression spaces(QStringLiteral(" {2,}"));
    text.replace(spaces, QStringLiteral(" "));
    return text.trimmed();
}

QString TabTitle(view::BlockView view) {
    switch (view) {
    case view::BlockView::Basic:
        return QStringLiteral("BASIC");
    case view::BlockView::NumberArray:
    case view::BlockView::CharArray:
        return QStringLiteral("Array");
    case view::BlockView::Screen:
        return QStringLiteral("Screen");
    case view::BlockView::Words:
        return QStringLiteral("Words");
    }
    return {};
}

} // namespace

BlockInspector::BlockInspector(const Source& source, QWidget* parent)
    : QWidget(parent, Qt::Window), source_(source),
      saveDialog_(std::make_unique<QtSaveFileDialog>(this)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("BlockInspector"));
    const QString fileName = QFileInfo(source.path).fileName();
    const QString rowName = QStringLiteral("row %1").arg(RowNumberOf(source.row));

    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("views"));
    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("status"));
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* exportButton = new QPushButton(QStringLiteral("&Export..."), this);
    exportButton->setObjectName(QStringLiteral("export"));
    auto* copyButton = new QPushButton(QStringLiteral("&Copy"), this);
    copyButton->setObjectName(QStringLiteral("copy"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), this);
    closeButton->setObjectName(QStringLiteral("close"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(status_, 1);
    buttons->addWidget(exportButton);
    buttons->addWidget(copyButton);
    buttons->addWidget(closeButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_, 1);
    layout->addLayout(buttons);

    connect(exportButton, &QPushButton::clicked, this, &BlockInspector::Export);
    connect(copyButton, &QPushButton::clicked, this, &BlockInspector::Copy);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);

    try {
        // The rows up to the one after it are all its views need.
        const auto row = static_cast<std::size_t>(source.row);
        TapeImage image(ToFsPath(source.path), source.machine, source.layout);
        image.Advance(row + 2);
        blocks_ = view::BlocksAround(image, row);
        if (blocks_.at && IsRecordingPath(ToFsPath(source.path))) {
            // A recording's rows are its blocks in order; the same bytes
            // twice are told apart by how many came before.
            std::size_t same = 0;
            for (std::size_t r = 0; r < row; ++r) {
                same += image.Block(r).stored == blocks_.at->stored ? 1 : 0;
            }
            recordedBefore_ = same;
        }
        if (const Snapshot* held = image.SnapshotHeld(); held && row == 0) {
            snapshot_ = *held;
        }
    } catch (const std::system_error& error) {
        status_->setText(QStringLiteral("Cannot read %1: %2")
                             .arg(fileName, QString::fromLocal8Bit(ReadFailureText(error))));
    }
    if (blocks_.at) {
        setWindowTitle(
            QStringLiteral("%1 - %2: %3").arg(fileName, rowName, TitleText(blocks_.at->row)));
        BuildTabs();
    } else {
        setWindowTitle(QStringLiteral("%1 - %2").arg(fileName, rowName));
        if (status_->text().isEmpty()) {
            status_->setText(QStringLiteral("%1 has no block at %2.").arg(fileName, rowName));
        }
        copyButton->setEnabled(false);
    }
    exportButton->setEnabled(blocks_.at && blocks_.at->Sent());
    resize(660, 560);
}

BlockInspector::~BlockInspector() = default;

void BlockInspector::keyPressEvent(QKeyEvent* event) {
    // Escape as a dialog takes it: whatever has the focus passes it on.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void BlockInspector::BuildSnapshotTabs() {
    AddScreenTab(view::SnapshotScreen(*snapshot_));
    AddTextTab(QStringLiteral("Registers"), view::RegistersText(*snapshot_));
    AddTextTab(QStringLiteral("Memory"), view::MemoryText(*snapshot_));
    tabs_->setCurrentIndex(0);
}

void BlockInspector::AddScreenTab(std::span<const std::uint8_t> screen) {
    screen_ = new ScreenTab(*view::RenderScreen(screen), tabs_);
    screen_->setObjectName(QStringLiteral("screen"));
    connect(screen_, &ScreenTab::SaveRequested, this, &BlockInspector::SavePng);
    tabs_->addTab(screen_, TabTitle(view::BlockView::Screen));
}

void BlockInspector::BuildTabs() {
    if (snapshot_) {
        BuildSnapshotTabs();
        return;
    }
    if (blocks_.at->stored.empty()) {
        // A pause, a text, a stop: nothing to look inside but what its row says.
        AddTextTab(QStringLiteral("Block"), ListedText(blocks_.at->row).toStdString());
        return;
    }
    const view::RowViews shown = view::ViewsOfRow(blocks_, source_.machine);
    if (shown.headerRow) {
        // Line by line: a name that holds a line break keeps its field on one.
        view::TextView fields = view::ListHeaderFields(source_.machine, *shown.header);
        for (std::string& line : fields.lines) {
            line = WithControlPictures(QString::fromStdString(line)).toStdString();
        }
        AddTextTab(QStringLiteral("Header"), fields.Text());
    }
    const int firstView = tabs_->count();
    for (const view::BlockView fitting : shown.views) {
        if (fitting == view::BlockView::Screen) {
            AddScreenTab(shown.data);
        } else {
            AddTextTab(TabTitle(fitting), view::ViewText(fitting, shown.header, shown.data));
        }
    }
    const int signalTab = AddSignalTab();
    AddTextTab(QStringLiteral("Hex"), HexText());
    // What is inside the block first; a header's fields or the bytes when
    // nothing else fits; for a damaged block read from a recording, why.
    if (signalTab >= 0 && blocks_.at->verdict == ChecksumVerdict::Damaged) {
        tabs_->setCurrentIndex(signalTab);
    } else {
        tabs_->setCurrentIndex(shown.views.empty() ? 0 : firstView);
    }
}

int BlockInspector::AddSignalTab() {
    const auto& stored = blocks_.at->stored;
    if (!recordedBefore_ || stored.size() <= 2) {
        return -1;
    }
    std::optional<BlockSignal> signal;
    try {
        signal = SignalOfRecordedBlock(ToFsPath(source_.path), source_.machine,
                                       std::span(stored).subspan(2), *recordedBefore_);
    } catch (const std::exception&) {
        return -1; // the recording went away or changed since it was listed
    }
    if (!signal) {
        return -1;
    }
    auto* tab = new SignalTab(std::move(*signal), tabs_);
    tab->setObjectName(QStringLiteral("signalTab"));
    return tabs_->addTab(tab, QStringLiteral("Signal"));
}

void BlockInspector::AddTextTab(const QString& title, const std::string& text) {
    auto* edit = new QPlainTextEdit(tabs_);
    edit->setObjectName(title.toLower());
    edit->setReadOnly(true);
    edit->setUndoRedoEnabled(false);
    edit->setLineWrapMode(QPlainTextEdit::NoWrap);
    edit->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    edit->setPlainText(QString::fromStdString(text));
    tabs_->addTab(edit, title);
}

std::string BlockInspector::HexText() const {
    return view::HexDump(*blocks_.at, source_.layout);
}

std::filesystem::path BlockInspector::Suggested(const char* extension) const {
    const QFileInfo file(source_.path);
    return ToFsPath(file.dir().filePath(QStringLiteral("%1-%2.%3")
                                            .arg(file.completeBaseName())
                                            .arg(RowNumberOf(source_.row))
                                            .arg(QLatin1String(extension))));
}

void BlockInspector::Export() {
    const auto payload = view::BlockPayload(blocks_.at->stored);
    Save({"Export Block", "Raw Files", "*.bin", Suggested("bin")},
         BytesWriter({payload.begin(), payload.end()}),
         QStringLiteral("%1 bytes").arg(payload.size()));
}

void BlockInspector::SavePng() {
    const view::ScreenImage& picture = screen_->ShownPixels();
    Save({"Save PNG", "PNG Images", "*.png", Suggested("png")},
         BytesWriter(view::EncodePng(picture)),
         QStringLiteral("the %1x%2 picture").arg(picture.width).arg(picture.height));
}

void BlockInspector::Save(const SaveDialogRequest& request,
                          const std::function<bool(QIODevice&)>& write, const QString& what) {
    const auto chosen = saveDialog_->Ask(request);
    if (!chosen) {
        return;
    }
    const QString path = FromFsPath(*chosen);
    // The file is replaced only once the whole of it is written.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || !write(file) || !file.commit()) {
        status_->setText(QStringLiteral("Cannot save %1: %2").arg(path, file.errorString()));
        return;
    }
    status_->setText(QStringLiteral("Saved %1 to %2").arg(what, path));
}

void BlockInspector::Copy() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    QWidget* current = tabs_->currentWidget();
    if (screen_ && current == screen_) {
        clipboard->setImage(screen_->Shown());
        status_->setText(QStringLiteral("Copied the picture"));
    } else if (const auto* text = qobject_cast<QPlainTextEdit*>(current)) {
        clipboard->setText(text->toPlainText());
        status_->setText(
            QStringLiteral("Copied the %1 text").arg(tabs_->tabText(tabs_->currentIndex())));
    }
}

} // namespace bitreel
