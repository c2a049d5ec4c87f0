#include "app/browser/ContentsList.h"

#include "app/browser/ContentsModel.h"

#include <QFontDatabase>
#include <QStyledItemDelegate>

#include <utility>

namespace bitreel {
namespace {

// Fixed pitch, so that the labels of the block descriptions line up.
QFont ContentsFont() {
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Courier New"))
                     ? QFont(QStringLiteral("Courier New"))
                     : QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPointSizeF(8.25);
    font.setWeight(QFont::Normal);
    font.setItalic(false);
    return font;
}

// The list sizes every row alike, from one row it asks about; that row is
// made the widest, so that the list scrolls across to the end of every row.
class WidestRowDelegate : public QStyledItemDelegate {
public:
    WidestRowDelegate(const ContentsModel& model, QObject* parent)
        : QStyledItemDelegate(parent), model_(model) {}

    [[nodiscard]] QSize sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const override {
        const int widest = model_.WidestRow();
        return QStyledItemDelegate::sizeHint(option, widest >= 0 ? model_.index(widest) : index);
    }

private:
    const ContentsModel& model_;
};

// Rows laid out per pass of the event loop: a million rows keep the window
// answering while the list places them.
constexpr int RowsPerLayoutPass = 100'000;

} // namespace

ContentsList::ContentsList(QWidget* parent) : QListView(parent), model_(new ContentsModel(this)) {
    setFont(ContentsFont());
    setSelectionMode(QAbstractItemView::SingleSelection);
    setUniformItemSizes(true);
    setLayoutMode(QListView::Batched);
    setBatchSize(RowsPerLayoutPass);
    setModel(model_);
    setItemDelegate(new WidestRowDelegate(*model_, this));
}

int ContentsList::count() const {
    return model_->rowCount();
}

QString ContentsList::itemText(int row) const {
    return model_->RowText(row);
}

void ContentsList::clear() {
    ++revision_;
    model_->Clear();
}

void ContentsList::addItem(const QString& text) {
    ++revision_;
    model_->Append(text);
}

int ContentsList::currentRow() const {
    return currentIndex().row();
}

void ContentsList::setCurrentRow(int row) {
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

void ContentsList::setCurrentRow(int row, QItemSelectionModel::SelectionFlags command) {
    selectionModel()->setCurrentIndex(model_->index(row), command);
}

bool ContentsList::isRowSelected(int row) const {
    return selectionModel()->isSelected(model_->index(row));
}

void ContentsList::scrollToRow(int row) {
    scrollTo(model_->index(row));
}

QRect ContentsList::visualRowRect(int row) const {
    return visualRect(model_->index(row));
}

void ContentsList::SetContents(TapeImage image) {
    ++revision_;
    model_->SetContents(std::move(image));
}

QItemSelectionModel::SelectionFlags ContentsList::selectionCommand(const QModelIndex& index,
                                                                   const QEvent*) const {
    return index.isValid() ? QItemSelectionModel::ClearAndSelect : QItemSelectionModel::NoUpdate;
}

} // namespace bitreel
