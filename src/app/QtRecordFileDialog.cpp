// Asks for the file a recording goes to.
#include "app/QtRecordFileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>

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

QString QtRecordFileDialog::NameFilter(const RecordDialogRequest& request) {
    // With the filter details hidden the list shows "Spectrum Files (*.TAP)";
    // the last bracket holds the patterns the dialog matches with.
    const QString pattern = QString::fromStdString(request.pattern);
    return QString::fromStdString(request.filterName) + QStringLiteral(" (") + pattern +
           QStringLiteral(") (") + AnyCase(pattern) + QLatin1Char(')');
}

std::optional<std::filesystem::path> QtRecordFileDialog::Ask(const RecordDialogRequest& request) {
    QFileDialog dialog(parent_, QString::fromStdString(request.title),
                       QString::fromStdU16String(request.initialFolder.u16string()));
    dialog.setObjectName(QStringLiteral("CommonDialog1"));
    // Qt's own dialog, so that the any-case patterns work on every platform.
    dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QString());
    dialog.setNameFilter(NameFilter(request));
    if (!previous_.isEmpty()) {
        const QFileInfo previous(previous_);
        dialog.setDirectory(previous.absolutePath());
        dialog.selectFile(previous.fileName());
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return std::nullopt;
        }
        const QString chosen = dialog.selectedFiles().constFirst();
        // The folder of a typed name must exist: ask again, as the dialog
        // does for a folder it cannot open.
        if (QFileInfo(chosen).dir().exists()) {
            previous_ = chosen;
            return std::filesystem::path(chosen.toStdU16String());
        }
        dialog.selectFile(QFileInfo(chosen).fileName());
    }
}

} // namespace bitreel
