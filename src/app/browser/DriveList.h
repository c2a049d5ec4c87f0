#pragma once

#include <QComboBox>
#include <QString>
#include <QStringList>

namespace bitreel {

// The drive list: the roots of the volumes offered, one of them shown.
// Change runs when the user picks a drive other than the one shown.
class DriveList : public QComboBox {
    Q_OBJECT
public:
    explicit DriveList(QWidget* parent = nullptr);

    // Offers these roots, in this order; shows none until ShowDriveOf.
    void SetDrives(const QStringList& roots);

    // The root of the drive shown; empty when none is.
    [[nodiscard]] QString Drive() const;

    // Shows the drive that holds path: the longest offered root it lies on,
    // or its own volume, which is then added to the list. Raises no Change.
    void ShowDriveOf(const QString& path);

signals:
    void Change();

private:
    void OnActivated(int index);
    void Show(int index);

    QString shown_;
};

} // namespace bitreel
