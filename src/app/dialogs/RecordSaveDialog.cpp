// The file dialog a recording's name is chosen in.
#include "app/dialogs/RecordSaveDialog.h"
#include "transfer/FsPath.h"

#include "app/dialogs/FileDialogSize.h"
#include "transfer/RecordTarget.h"

#include <QFileInfo>
#include <QMessageBox>

namespace bitreel {
namespace {

// "*.TAP" becomes "*.[Tt][Aa][Pp]": the dialog's own matching is case
// sensitive where the file system is.
QString AnyCase(const QString& pattern) {
    QString out;
    for (const QChar c : pattern) {
        if (c.isLetter() && c.toLower() != c.toUpper()) {
            out += QLatin1Char('[') + c.toUpper() + c.toLower() + QLatin1Char(']');
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

RecordSaveDialog::RecordSaveDialog(QWidget* parent, const RecordDialogRequest& request)
    : QFileDialog(parent, QString::fromStdString(request.title),
                  FromFsPath(request.initialFolder)) {
    setObjectName(QStringLiteral("CommonDialog1"));
    // Qt's own dialog, so that the any-case patterns work on every platform;
    // the question before replacing a file is asked here, about the file the
    // recording will really write.
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails |
               QFileDialog::DontConfirmOverwrite);
    setAcceptMode(QFileDialog::AcceptSave);
    setFileMode(QFileDialog::AnyFile);
    setLabelText(QFileDialog::Accept, QStringLiteral("Record"));
    setDefaultSuffix(QString::fromStdString(request.defaultExtension));
    setNameFilter(NameFilter(request));
    ShowColumnsWhole(*this);
}

QString RecordSaveDialog::NameFilter(const RecordDialogRequest& request) {
    // With the filter details hidden the list shows "Spectrum Files (*.TAP)";
    // the last bracket holds the patterns the dialog matches with.
    const QString pattern = QString::fromStdString(request.pattern);
    return QString::fromStdString(request.filterName) + QStringLiteral(" (") + pattern +
           QStringLiteral(") (") + AnyCase(pattern) + QLatin1Char(')');
}

QString RecordSaveDialog::ReplaceQuestion(const QString& fileName) {
    return fileName + QStringLiteral(" already exists. Replace it?");
}

void RecordSaveDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.isEmpty()) {
        return;
    }
    const QFileInfo chosen(files.constFirst());
    // A folder is opened by the dialog itself.
    if (!chosen.isDir()) {
        // The folder of a typed name must exist: stay, as for a folder the
        // dialog cannot open.
        if (!chosen.dir().exists()) {
            return;
        }
        if (!MayReplace(RecordOutputPath(ToFsPath(chosen.filePath())))) {
            return;
        }
    }
    QFileDialog::accept();
}

bool RecordSaveDialog::MayReplace(const std::filesystem::path& output) {
    std::error_code unknown;
    if (!std::filesystem::exists(std::filesystem::symlink_status(output, unknown))) {
        return true;
    }
    QMessageBox question(QMessageBox::Warning, windowTitle(),
                         ReplaceQuestion(FromFsPath(output.filename())),
                         QMessageBox::Yes | QMessageBox::No, this);
    question.setDefaultButton(QMessageBox::No);
    return question.exec() == QMessageBox::Yes;
}

} // namespace bitreel
