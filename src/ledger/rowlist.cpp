#include "ledger/rowlist.h"

#include "framework/controls.h"

#include <QStringListModel>

namespace kesterly {

// The rows, and what a screen reader is to say for each.
class RowList::Rows : public QStringListModel {
public:
    using QStringListModel::QStringListModel;
    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::AccessibleTextRole && speech && index.isValid())
            return speech(index.row());
        return QStringListModel::data(index, role);
    }
    std::function<QString(int)> speech;
};

RowList::RowList(QWidget* parent) : QListView(parent), model_(new Rows(this)) {
    setModel(model_);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Every row is one line of the same height: the view then lays out a table of
    // thousands of rows without measuring each one.
    setUniformItemSizes(true);
    shortenLongRows(this);
    selectRowsByKeys(this);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &RowList::followSelection);
}

void RowList::setRowSpeech(std::function<QString(int index)> speech) {
    model_->speech = std::move(speech);
}

int RowList::rowCount() const {
    return model_->rowCount();
}

QStringList RowList::rows() const {
    return model_->stringList();
}

QString RowList::row(int index) const {
    return model_->data(model_->index(index), Qt::DisplayRole).toString();
}

void RowList::setRows(const QStringList& rows) {
    quiet_ = true;
    model_->setStringList(rows);
    selectionModel()->clear();
    quiet_ = false;
    selected_ = -1;
}

void RowList::appendRow(const QString& text) {
    const int end = model_->rowCount();
    model_->insertRows(end, 1);
    model_->setData(model_->index(end), text);
}

bool RowList::removeRow(int index) {
    if (index < 0 || index >= model_->rowCount())
        return false;
    // The model moves the selection to a neighbouring row on its own; the list instead
    // has no selected row after its selected row went, and tells nobody.
    quiet_ = true;
    model_->removeRows(index, 1);
    if (index == selected_) {
        selectionModel()->clear();
        selected_ = -1;
    } else if (index < selected_) {
        --selected_;
    }
    quiet_ = false;
    return true;
}

bool RowList::setSelectedIndex(int index) {
    if (index < -1 || index >= model_->rowCount())
        return false;
    if (index == selected_)
        return true;
    if (index < 0) {
        selectionModel()->clear();
        return true;
    }
    const QModelIndex item = model_->index(index);
    selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
    scrollTo(item);
    return true;
}

void RowList::followSelection() {
    if (quiet_)
        return;
    const QModelIndexList chosen = selectionModel()->selectedIndexes();
    const int index = chosen.isEmpty() ? -1 : chosen.first().row();
    if (index == selected_)
        return;
    selected_ = index;
    emit selectedIndexChanged(index);
}

} // namespace kesterly
