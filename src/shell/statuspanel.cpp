#include "shell/statuspanel.h"

#include "core/clock.h"
#include "core/numbertext.h"
#include "framework/fonts.h"
#include "framework/windows.h"
#include "reminders/reminderswitch.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace kesterly {

namespace {
// The clock timer fires this long after a second boundary, so the new second is read
// even when the timer comes a little early.
constexpr int kAfterBoundaryMs = 2;
} // namespace

StatusPanel::StatusPanel(Windows& windows)
    : ChildWindow(windows, kName, QStringLiteral("Status"), 3624, 3216, Frame::None) {
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto displayLabel = [this](const char* name, int top, const char* text) {
        auto* label = place<QLabel>(name, 246, top, 3132, 612);
        label->setFont(fonts::display(19.8));
        label->setAlignment(Qt::AlignCenter);
        label->setText(QLatin1String(text));
        // The clock changes its text every second. Filled with the panel's white, the
        // label is repainted alone, not with the panel under it; of a fixed size, a new
        // text does not ask the panel and its frame to lay themselves out again.
        label->setAutoFillBackground(true);
        label->setFixedSize(label->size());
        return label;
    };
    dateLabel_ = displayLabel("Label1", 180, "12.12.12");
    clockLabel_ = displayLabel("Label2", 780, "00.00.00");
    dateLabel_->setAccessibleDescription(QStringLiteral("Date"));
    clockLabel_->setAccessibleDescription(QStringLiteral("Time"));
    place<QLabel>("Label3", 360, 1560, 972, 252)->setText(QStringLiteral("Reminder is :"));
    switchButton_ = place<QPushButton>("Command1", 1360, 1460, 852, 372);
    place<QLabel>("Label5", 240, 2280, 1212, 252)->setText(QStringLiteral("Account Name :"));
    nameBox_ = place<QLineEdit>("Text2", 1440, 2280, 1932, 288);
    nameBox_->setReadOnly(true);
    place<QLabel>("Label4", 120, 2640, 1332, 252)->setText(QStringLiteral("  Account Folder :"));
    folderBox_ = place<QLineEdit>("Text1", 1440, 2640, 1932, 288);
    folderBox_->setReadOnly(true);
    setTabOrder(switchButton_, folderBox_);
    setTabOrder(folderBox_, nameBox_);

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("Timer1"));
    clockTimer_->setSingleShot(true);
    clockTimer_->setTimerType(Qt::PreciseTimer);
    connect(clockTimer_, &QTimer::timeout, this, &StatusPanel::refreshClock);

    ReminderSwitch& reminders = ReminderSwitch::of(windows);
    showSwitchCaption(reminders.caption());
    connect(&reminders, &ReminderSwitch::captionChanged, this, &StatusPanel::showSwitchCaption);
    connect(&reminders, &ReminderSwitch::panelWanted, this,
            [this] { this->windows().show<StatusPanel>(); });
    connect(switchButton_, &QPushButton::clicked, this, &StatusPanel::flipReminderSwitch);

    showAccount();
    connect(&windows.account(), &CurrentAccount::changed, this, &StatusPanel::showAccount);
}

void StatusPanel::load() {
    // The first tick follows at once, as soon as the event loop runs.
    clockTimer_->start(0);
}

bool StatusPanel::closeStep() {
    clockTimer_->stop();
    setReminderCheckEnabled(false);
    return true;
}

void StatusPanel::showAccount() {
    folderBox_->setText(windows().account().folder());
    nameBox_->setText(windows().account().name());
}

QString StatusPanel::accountFolder() const {
    return folderBox_->text();
}

QString StatusPanel::accountName() const {
    return nameBox_->text();
}

void StatusPanel::setAccountFolder(const QString& folder) {
    windows().account().setFolder(folder);
}

void StatusPanel::setAccountName(const QString& name) {
    windows().account().setName(name);
}

QString StatusPanel::dateText() const {
    return dateLabel_->text();
}

QString StatusPanel::clockText() const {
    return clockLabel_->text();
}

QString StatusPanel::switchCaption() const {
    return switchButton_->text();
}

void StatusPanel::setSwitchCaption(const QString& caption) {
    ReminderSwitch::of(windows()).setCaption(caption);
}

void StatusPanel::showSwitchCaption(const QString& caption) {
    switchButton_->setText(caption);
    // Read with the label beside it, as a sighted user reads the pair: "Reminder is Off".
    switchButton_->setAccessibleName(QStringLiteral("Reminder is ") + caption);
}

void StatusPanel::flipReminderSwitch() {
    ReminderSwitch::of(windows()).flip();
}

void StatusPanel::setReminderCheckEnabled(bool enabled) {
    ReminderSwitch::of(windows()).setPanelCheckEnabled(enabled);
}

bool StatusPanel::reminderCheckEnabled() const {
    return ReminderSwitch::of(windows()).panelCheckEnabled();
}

void StatusPanel::checkReminder() {
    ReminderSwitch::of(windows()).checkPanel();
}

void StatusPanel::refreshClock() {
    const QLocale locale = userLocale();
    const QDateTime dateMoment = windows().clock().now();
    dateLabel_->setText(kesterly::dateText(dateMoment.date(), locale));
    const QDateTime timeMoment = windows().clock().now();
    clockLabel_->setText(kesterly::clockText(timeMoment.time(), locale));
    clockTimer_->start(1000 - timeMoment.time().msec() + kAfterBoundaryMs);
    // The reminder checks compare with the clock text, which only changes here, so they
    // run now rather than on timers of their own. The clock is armed first: an
    // announcement's message box keeps the clock and the checks going while it is open.
    ReminderSwitch::of(windows()).clockShown(timeMoment, clockLabel_->text());
}

int StatusPanel::nextClockDelayMs() const {
    return clockTimer_->interval();
}

} // namespace kesterly
