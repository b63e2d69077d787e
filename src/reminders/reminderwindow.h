#pragma once

#include "framework/childwindow.h"
#include "framework/tablecopy.h"

#include <QString>

class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kesterly {

// The reminders of the current account: three parallel lists (dates, times,
// descriptions; row i of the three is one reminder), read from the account's
// "Reminders" folder when the window is created; each reminder added or removed is saved
// there at once. The
// window also carries the reminder switch ("On"/"Off") and the window check; the
// selected row is the watched reminder.
class ReminderWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "Form4";
    explicit ReminderWindow(Windows& windows);

    bool holdsAccountData() const override { return true; }
    void load() override;

    // The account folder the lists were read from and are saved to; empty when
    // no account was open, and then no file is read or written.
    QString loadedFrom() const { return table_.folder(); }

    // Click on "Add" and on "Remove Selected".
    void addRow();
    void removeSelected();
    // Click on "Show in Small Window".
    void showInSmallWindow();

    // Selecting an option from a step runs its steps even when it is already selected
    // (a user's click on the selected option changes nothing).
    void selectOn();
    void selectOff();

    // The watched row: the selected row of the lists, -1 when none is selected.
    int watchedRow() const;
    QString watchedTime() const;
    QString watchedDescription() const;
    // Moves the watch to the next row; false (and nothing moves) on the last row.
    bool watchNextRow();

    // `Timer1`: whether the window check runs (set by the switch).
    bool windowCheckEnabled() const { return windowCheckEnabled_; }
    // The window check: on a match, announces the watched description and copies the
    // then watched description into the box at the right.
    void checkReminder();

protected:
    // A read or save on another thread is waited for: nothing is cut short.
    bool closeStep() override;

private:
    enum Column { DateColumn, TimeColumn, DescriptionColumn, ColumnCount };

    void switchOn();
    void switchOff();
    // The row-selection rule: a list whose selected row changed selects the same row
    // in the other two.
    void followSelection(Column changed);
    bool selectRow(Column column, int row);
    int selectedRow(Column column) const;
    QStringList rowsOf(Column column) const;
    // Shows the rows as the files hold them now, after another program changed them.
    void showReloaded();
    // What a screen reader says for each row: the whole reminder.
    void speakRows();
    QString selectedText(Column column) const;

    QLineEdit* dateBox_;
    QLineEdit* timeBox_;
    QLineEdit* descriptionBox_;
    QPushButton* addButton_;
    QListWidget* lists_[ColumnCount];
    QPlainTextEdit* copyBox_;
    QPushButton* removeButton_;
    QPushButton* smallWindowButton_;
    QRadioButton* onOption_;
    QRadioButton* offOption_;

    bool windowCheckEnabled_ = false;
    int knownSelection_[ColumnCount] = {-1, -1, -1};
    // The watched row as last seen, and whether an announcement is moving the watch on.
    int lastWatched_ = -1;
    bool movingWatch_ = false;
    TableCopy table_;
};

} // namespace kesterly
