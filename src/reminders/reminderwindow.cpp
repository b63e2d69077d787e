#include "reminders/reminderwindow.h"

#include "core/clock.h"
#include "core/numbertext.h"
#include "core/remindermatch.h"
#include "framework/controls.h"
#include "framework/fonts.h"
#include "framework/windows.h"
#include "reminders/reminderswitch.h"
#include "reminders/todaysreminderwindow.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScopedValueRollback>

namespace kesterly {

namespace {

const QString kTitle = QStringLiteral("Reminder");

} // namespace

ReminderWindow::ReminderWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(102, QLatin1Char(' ')) + QStringLiteral("Reminder"),
                  10596, 5508, Frame::FixedTool),
      table_(windows, account::reminderTable(), QStringLiteral("the reminders"), kTitle) {
    dateBox_ = place<QLineEdit>("Text1", 120, 360, 852, 288);
    dateBox_->setText(QStringLiteral("Date"));
    dateBox_->setAccessibleName(QStringLiteral("Date"));
    timeBox_ = place<QLineEdit>("Text2", 1200, 360, 972, 288);
    timeBox_->setText(QStringLiteral("Time"));
    timeBox_->setAccessibleName(QStringLiteral("Time"));
    descriptionBox_ = place<QLineEdit>("Text3", 2400, 360, 3252, 288);
    descriptionBox_->setText(QStringLiteral("Description"));
    descriptionBox_->setAccessibleName(QStringLiteral("Description"));
    addButton_ = place<QPushButton>("Command1", 5760, 300, 1092, 372);
    addButton_->setText(QStringLiteral("Add"));

    lists_[DateColumn] = place<QListWidget>("Date1", 120, 840, 972, 3312);
    lists_[TimeColumn] = place<QListWidget>("Time1", 1200, 840, 972, 3312);
    lists_[DescriptionColumn] = place<QListWidget>("Des1", 2400, 840, 4452, 3312);
    lists_[DateColumn]->setAccessibleName(QStringLiteral("Reminder dates"));
    lists_[TimeColumn]->setAccessibleName(QStringLiteral("Reminder times"));
    lists_[DescriptionColumn]->setAccessibleName(QStringLiteral("Reminder descriptions"));
    // Dates and times fill these narrow boxes and lists to the edge.
    const QList<QWidget*> narrow{dateBox_, timeBox_, lists_[DateColumn], lists_[TimeColumn]};
    for (QWidget* control : narrow)
        control->setFont(fonts::narrowControls());
    for (int column = 0; column < ColumnCount; ++column) {
        lists_[column]->setSelectionMode(QAbstractItemView::SingleSelection);
        lists_[column]->setUniformItemSizes(true);
        shortenLongRows(lists_[column]);
        selectRowsByKeys(lists_[column]);
        // The lists follow one another by their selection, not by the current row the
        // view sets on its own when it takes the focus.
        connect(lists_[column], &QListWidget::itemSelectionChanged, this,
                [this, column] { followSelection(Column(column)); });
    }

    copyBox_ = place<QPlainTextEdit>("Text5", 7080, 1200, 3252, 2292);
    copyBox_->setReadOnly(true);
    copyBox_->setAccessibleName(QStringLiteral("Announced reminder"));
    removeButton_ = place<QPushButton>("Command2", 4320, 4320, 2532, 372);
    removeButton_->setText(QStringLiteral("Remove Selected"));
    smallWindowButton_ = place<QPushButton>("Command3", 4320, 4800, 2532, 372);
    smallWindowButton_->setText(QStringLiteral("Show in Small Window"));
    place<QLabel>("Label1", 360, 4480, 972, 252)->setText(QStringLiteral("Reminder is :"));
    onOption_ = place<QRadioButton>("Option1", 1440, 4370, 732, 372);
    onOption_->setText(QStringLiteral("On"));
    offOption_ = place<QRadioButton>("Option2", 2280, 4370, 732, 372);
    offOption_->setText(QStringLiteral("Off"));

    setTabOrder(lists_[DateColumn], lists_[DescriptionColumn]);
    setTabOrder(lists_[DescriptionColumn], lists_[TimeColumn]);
    setTabOrder(lists_[TimeColumn], dateBox_);
    setTabOrder(dateBox_, timeBox_);
    setTabOrder(timeBox_, descriptionBox_);
    setTabOrder(descriptionBox_, addButton_);
    setTabOrder(addButton_, removeButton_);
    setTabOrder(removeButton_, onOption_);
    setTabOrder(onOption_, offOption_);
    setTabOrder(offOption_, smallWindowButton_);
    setTabOrder(smallWindowButton_, copyBox_);

    connect(addButton_, &QPushButton::clicked, this, &ReminderWindow::addRow);
    connect(removeButton_, &QPushButton::clicked, this, &ReminderWindow::removeSelected);
    connect(smallWindowButton_, &QPushButton::clicked, this, &ReminderWindow::showInSmallWindow);
    // Only a change of option runs its steps: clicking the option already selected
    // does nothing.
    connect(onOption_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            switchOn();
    });
    connect(offOption_, &QRadioButton::toggled, this, [this](bool checked) {
        if (checked)
            switchOff();
    });
}

void ReminderWindow::load() {
    // Only the exact caption "Off" counts as off. The lists are still empty here, so
    // switching on watches no row yet.
    if (ReminderSwitch::of(windows()).caption() == QLatin1String("Off"))
        selectOff();
    else
        selectOn();

    // The boxes show the form in which a reminder's date and time are written.
    const QLocale locale = userLocale();
    dateBox_->setText(dateText(windows().clock().now().date(), locale));
    timeBox_->setText(clockText(windows().clock().now().time(), locale));

    connect(&table_, &TableCopy::busyChanged, this, &ChildWindow::showBusy);
    table_.read(windows().account().folder(), [this] { showReloaded(); });
}

bool ReminderWindow::closeStep() {
    table_.finish();
    return true;
}

void ReminderWindow::addRow() {
    if (table_.busy())
        return;
    // A row past the most a table holds would be one the next reading leaves out.
    if (const qsizetype held = table_.rows().value(DateColumn).size(); held >= account::kMaxRows) {
        windows().inform(QStringLiteral("The reminders already hold %1 rows, the most they can "
                                        "hold. The reminder was not added.")
                             .arg(held),
                         kTitle, MessageIcon::Exclamation);
        return;
    }
    const QStringList row{dateBox_->text(), timeBox_->text(), descriptionBox_->text()};
    const TableCopy::Saved saved = table_.append(row);
    // Rows read again hold the reminder already when it was saved.
    if (saved.reloaded)
        showReloaded();
    if (!saved.ok) {
        windows().inform(saved.message + QStringLiteral("\nThe reminder was not added."), kTitle,
                         MessageIcon::Exclamation);
        return;
    }
    if (!saved.reloaded)
        for (const Column column : {DateColumn, TimeColumn, DescriptionColumn})
            lists_[column]->addItem(row[column]);
    speakRows();
    // Saved, but the disk had something to say while the save was finished.
    if (!saved.message.isEmpty())
        windows().inform(saved.message, kTitle, MessageIcon::Exclamation);
}

void ReminderWindow::removeSelected() {
    if (table_.busy())
        return;
    const int row = selectedRow(DateColumn);
    QList<QStringList> after;
    for (const Column column : {DateColumn, TimeColumn, DescriptionColumn}) {
        if (row < 0 || selectedRow(column) != row)
            return;
        QStringList texts = rowsOf(column);
        texts.removeAt(row);
        after << texts;
    }
    // The files lose the reminder before the lists do, so that the lists show what the
    // files hold.
    table_.replace(after, [this, row](const TableCopy::Saved& saved) {
        if (saved.reloaded)
            showReloaded();
        if (!saved.ok) {
            windows().inform(saved.message + QStringLiteral(" The reminder was not removed."),
                             kTitle, MessageIcon::Exclamation);
            return;
        }
        for (const Column column : {DateColumn, TimeColumn, DescriptionColumn}) {
            // Removing the selected row leaves the list with no row selected; the view's
            // own choice of a new current row must not run the row-selection rule.
            QListWidget* list = lists_[column];
            const QSignalBlocker quiet(list);
            delete list->takeItem(row);
            list->clearSelection();
            list->setCurrentRow(-1);
            knownSelection_[column] = -1;
        }
        speakRows();
        // The first row becomes the watched row.
        selectRow(DateColumn, 0);
        if (!saved.message.isEmpty())
            windows().inform(saved.message, kTitle, MessageIcon::Exclamation);
    });
}

QStringList ReminderWindow::rowsOf(Column column) const {
    const QListWidget* list = lists_[column];
    QStringList texts;
    texts.reserve(list->count());
    for (int row = 0; row < list->count(); ++row)
        texts << list->item(row)->text();
    return texts;
}

void ReminderWindow::showReloaded() {
    // The watched row stays watched when it is still the same reminder.
    const int watched = selectedRow(DateColumn);
    QStringList reminder;
    for (const Column column : {DateColumn, TimeColumn, DescriptionColumn})
        reminder << selectedText(column);
    const QList<QStringList>& columns = table_.rows();
    bool same = watched >= 0;
    for (const Column column : {DateColumn, TimeColumn, DescriptionColumn}) {
        QListWidget* list = lists_[column];
        {
            const QSignalBlocker quiet(list);
            list->clear();
            list->addItems(columns[column]);
            list->setCurrentRow(-1);
        }
        knownSelection_[column] = -1;
        same = same && columns[column].value(watched) == reminder[column] &&
               watched < columns[column].size();
    }
    lastWatched_ = -1;
    speakRows();
    if (same)
        selectRow(DateColumn, watched);
}

void ReminderWindow::speakRows() {
    // A reader announces a reminder whole from whichever list has the focus: its date,
    // time and description, as a sighted user reads across.
    const int rows = lists_[DateColumn]->count();
    for (int row = 0; row < rows; ++row) {
        QStringList fields;
        bool blank = true;
        for (const Column column : {DateColumn, TimeColumn, DescriptionColumn}) {
            const QListWidgetItem* item = lists_[column]->item(row);
            fields << (item ? item->text() : QString());
            blank = blank && fields.last().trimmed().isEmpty();
        }
        const QString whole = blank ? tr("empty row") : fields.join(QStringLiteral(", "));
        for (const Column column : {DateColumn, TimeColumn, DescriptionColumn}) {
            if (QListWidgetItem* item = lists_[column]->item(row))
                item->setData(Qt::AccessibleTextRole, whole);
        }
    }
}

void ReminderWindow::showInSmallWindow() {
    windows().hide(this);
    windows().show<TodaysReminderWindow>();
}

void ReminderWindow::selectOn() {
    if (onOption_->isChecked())
        switchOn();
    else
        onOption_->setChecked(true);
}

void ReminderWindow::selectOff() {
    if (offOption_->isChecked())
        switchOff();
    else
        offOption_->setChecked(true);
}

void ReminderWindow::switchOn() {
    ReminderSwitch& reminders = ReminderSwitch::of(windows());
    reminders.setCaption(QStringLiteral("On"));
    windowCheckEnabled_ = true;
    reminders.bringPanelToFront();
    reminders.setPanelCheckEnabled(true);
    // With no rows both checks run but nothing is watched.
    selectRow(TimeColumn, 0);
}

void ReminderWindow::switchOff() {
    ReminderSwitch& reminders = ReminderSwitch::of(windows());
    reminders.setCaption(QStringLiteral("Off"));
    windowCheckEnabled_ = false;
    reminders.setPanelCheckEnabled(false);
}

int ReminderWindow::watchedRow() const {
    return selectedRow(TimeColumn);
}

QString ReminderWindow::watchedTime() const {
    return selectedText(TimeColumn);
}

QString ReminderWindow::watchedDescription() const {
    return selectedText(DescriptionColumn);
}

bool ReminderWindow::watchNextRow() {
    // The announcement moves the watch on; the checks compare the next row over the same
    // seconds themselves.
    const QScopedValueRollback moving(movingWatch_, true);
    return selectRow(TimeColumn, selectedRow(TimeColumn) + 1);
}

void ReminderWindow::checkReminder() {
    if (!reminders::isDue(watchedTime(), ReminderSwitch::of(windows()).dueTexts()))
        return;
    // The announcement may open a message box, and the user may close this window
    // while it is open.
    const QPointer<ReminderWindow> self(this);
    windows().get<TodaysReminderWindow>().setAlertText(watchedDescription());
    if (self)
        copyBox_->setPlainText(watchedDescription());
}

void ReminderWindow::followSelection(Column changed) {
    const int row = selectedRow(changed);
    if (row == knownSelection_[changed])
        return;
    knownSelection_[changed] = row;
    static constexpr Column kFollowers[ColumnCount][2] = {
        {TimeColumn, DescriptionColumn}, // after the dates
        {DateColumn, DescriptionColumn}, // after the times
        {DateColumn, TimeColumn},        // after the descriptions
    };
    for (const Column follower : kFollowers[changed]) {
        if (!selectRow(follower, row))
            break;
    }
    const int watched = selectedRow(TimeColumn);
    if (watched == lastWatched_)
        return;
    lastWatched_ = watched;
    if (watched >= 0 && windowCheckEnabled_ && !movingWatch_)
        ReminderSwitch::of(windows()).watchChanged();
}

bool ReminderWindow::selectRow(Column column, int row) {
    QListWidget* list = lists_[column];
    if (row < 0 || row >= list->count())
        return false;
    // Selecting the row already selected changes nothing, so the rule stops as soon as
    // all three lists show the same row.
    if (selectedRow(column) != row)
        list->setCurrentRow(row);
    return true;
}

int ReminderWindow::selectedRow(Column column) const {
    const QList<QListWidgetItem*> selected = lists_[column]->selectedItems();
    return selected.isEmpty() ? -1 : lists_[column]->row(selected.first());
}

QString ReminderWindow::selectedText(Column column) const {
    const QList<QListWidgetItem*> selected = lists_[column]->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

} // namespace kesterly
