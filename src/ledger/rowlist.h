#pragma once

#include <QListView>
#include <QStringList>
#include <functional>

namespace kesterly {

// A list of text rows with at most one selected row, its "selected index" (-1 when no
// row is selected). Setting the index from code tells the listeners only when it really
// changes, as a click or a key that moves the selection does. Appending a row leaves the
// selection alone; removing the selected row leaves no row selected.
class RowList : public QListView {
    Q_OBJECT
public:
    explicit RowList(QWidget* parent = nullptr);

    int rowCount() const;
    QStringList rows() const;
    QString row(int index) const;
    void setRows(const QStringList& rows);
    void appendRow(const QString& text);
    // False, and nothing removed, when the list has no such row.
    bool removeRow(int index);

    // What a screen reader announces for a row: by default its own text; a window whose
    // lists make rows together announces the whole row from each of them.
    void setRowSpeech(std::function<QString(int index)> speech);

    int selectedIndex() const { return selected_; }
    // False when the list has no such row (-1 clears the selection).
    bool setSelectedIndex(int index);

signals:
    void selectedIndexChanged(int index);

private:
    void followSelection();

    class Rows;
    Rows* model_;
    int selected_ = -1;
    bool quiet_ = false;
};

} // namespace kesterly
