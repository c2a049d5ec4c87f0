// Lets the Play and Record engines work the main window.
#include "app/Form1TransferWindow.h"

#include "app/ClickComboBox.h"
#include "app/ContentsList.h"
#include "app/DirList.h"
#include "app/DriveList.h"
#include "app/FileList.h"
#include "app/Form1.h"

#include <QCoreApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include <stdexcept>

namespace bitreel {
namespace {

QString FromPath(const std::filesystem::path& path) {
    return QString::fromStdU16String(path.generic_u16string());
}

std::filesystem::path ToPath(const QString& text) {
    return std::filesystem::path(text.toStdU16String());
}

// Row texts hold one byte per character, shown as Latin-1.
QString FromBytes(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

bool& Form1TransferWindow::StopRequested() {
    return form_.StopRequested;
}
bool& Form1TransferWindow::ExpectHeader() {
    return form_.ExpectHeader;
}

bool Form1TransferWindow::JupiterAceChosen() const {
    return form_.optMachine[1]->isChecked();
}

std::string Form1TransferWindow::FormatText() const {
    return form_.cboFormat->currentText().toStdString();
}

bool Form1TransferWindow::StatusReads(std::string_view text) const {
    return form_.lblStatus->text() ==
           QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()));
}

void Form1TransferWindow::SetStatus(std::string_view text) {
    form_.lblStatus->setText(FromBytes(text));
}

std::string Form1TransferWindow::Status2() const {
    return form_.lblStatus2->text().toStdString();
}

void Form1TransferWindow::SetStatus2(std::string_view text) {
    form_.lblStatus2->setText(FromBytes(text));
}

int Form1TransferWindow::RowCount() const {
    return form_.lstContents->count();
}

int Form1TransferWindow::SelectedRow() const {
    const int row = form_.lstContents->currentRow();
    return row >= 0 && form_.lstContents->isRowSelected(row) ? row : -1;
}

void Form1TransferWindow::SelectRow(int row) {
    ContentsList* list = form_.lstContents;
    if (row < 0 || row >= list->count()) {
        throw std::out_of_range("no contents row " + std::to_string(row));
    }
    list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    list->scrollToRow(row);
}

void Form1TransferWindow::ClearRows() {
    form_.lstContents->clear();
}

void Form1TransferWindow::AddRow(std::string_view text) {
    form_.lstContents->addItem(FromBytes(text));
}

QWidget* Form1TransferWindow::Widget(Control control) const {
    switch (control) {
    case Control::optMachine0:
        return form_.optMachine[0];
    case Control::optMachine1:
        return form_.optMachine[1];
    case Control::cmdPlay:
        return form_.cmdPlay;
    case Control::cmdReset:
        return form_.cmdReset;
    case Control::cmdRecord:
        return form_.cmdRecord;
    case Control::cmdStop:
        return form_.cmdStop;
    case Control::cboComPort:
        return form_.cboComPort;
    case Control::File1:
        return form_.File1;
    case Control::Dir1:
        return form_.Dir1;
    case Control::Drive1:
        return form_.Drive1;
    case Control::lstContents:
        return form_.lstContents;
    case Control::cboFormat:
        return form_.cboFormat;
    }
    throw std::invalid_argument("unknown control");
}

bool Form1TransferWindow::IsEnabled(Control control) const {
    return Widget(control)->isEnabled();
}

void Form1TransferWindow::SetEnabled(Control control, bool enabled) {
    Widget(control)->setEnabled(enabled);
}

std::filesystem::path Form1TransferWindow::FileFolder() const {
    return ToPath(form_.File1->Path());
}

std::filesystem::path Form1TransferWindow::FileName() const {
    return ToPath(form_.File1->FileName());
}

void Form1TransferWindow::ShowFilesOf(const std::filesystem::path& folder) {
    form_.File1->SetPath(FromPath(folder));
}

void Form1TransferWindow::ShowFolder(const std::filesystem::path& folder) {
    if (!form_.Dir1->SetPath(FromPath(folder))) {
        throw std::runtime_error("cannot open the folder " + folder.string());
    }
}

void Form1TransferWindow::RepaintWindow() {
    form_.repaint();
}
void Form1TransferWindow::RepaintStatus2() {
    form_.lblStatus2->repaint();
}
void Form1TransferWindow::RepaintContents() {
    form_.lstContents->repaint();
}

void Form1TransferWindow::Yield() {
    QCoreApplication::processEvents();
}

} // namespace bitreel
