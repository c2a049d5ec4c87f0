#pragma once

#include "tape/TapeImage.h"

#include <QAbstractListModel>
#include <QStringList>

#include <string>
#include <vector>

namespace bitreel {

// The rows of the contents list: those of a listed tape image, made when the
// view asks for them, followed by rows added one by one (a recording's).
class ContentsModel : public QAbstractListModel {
public:
    explicit ContentsModel(QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;

    [[nodiscard]] QString RowText(int row) const;
    // The row with the longest text, or -1 when there are no rows.
    [[nodiscard]] int WidestRow() const;

    // Shows a listed image's rows in place of all rows.
    void SetContents(TapeImage image);
    void Append(const QString& text);
    void Clear();

private:
    [[nodiscard]] int ListedCount() const;

    TapeImage listed_;
    QStringList added_;
    int widestAdded_ = -1; // in added_
};

} // namespace bitreel
