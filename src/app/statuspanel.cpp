#include "app/statuspanel.h"

#include "app/fonts.h"
#include "app/windows.h"
#include "common/clock.h"
#include "common/numbertext.h"

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
    : ChildWindow(windows, kName, QStringLiteral("Status"), 3624, 3216, Frame::None)
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto displayLabel = [this](const char* name, int top, const char* text) {
        auto* label = place<QLabel>(name, 246, top, 3132, 612);
        label->setFont(fonts::display(19.8));
        label->setAlignment(Qt::AlignCenter);
        label->setText(QLatin1String(text));
        return label;
    };
    dateLabel_ = displayLabel("Label1", 180, "12.12.12");
    clockLabel_ = displayLabel("Label2", 780, "00.00.00");
    place<QLabel>("Label3", 360, 1560, 972, 252)->setText(QStringLiteral("Reminder is :"));
    switchButton_ = place<QPushButton>("Command1", 1360, 1460, 852, 372);
    switchButton_->setText(QStringLiteral("Off"));
    switchButton_->setAccessibleName(QStringLiteral("Reminder is"));
    place<QLabel>("Label5", 240, 2280, 1212, 252)->setText(QStringLiteral("Account Name :"));
    nameBox_ = place<QLineEdit>("Text2", 1440, 2280, 1932, 288);
    nameBox_->setReadOnly(true);
    nameBox_->setAccessibleName(QStringLiteral("Account Name"));
    place<QLabel>("Label4", 120, 2640, 1332, 252)->setText(QStringLiteral("  Account Folder :"));
    folderBox_ = place<QLineEdit>("Text1", 1440, 2640, 1932, 288);
    folderBox_->setReadOnly(true);
    folderBox_->setAccessibleName(QStringLiteral("Account Folder"));
    setTabOrder(switchButton_, folderBox_);
    setTabOrder(folderBox_, nameBox_);

    clockTimer_ = new QTimer(this);
    clockTimer_->setObjectName(QStringLiteral("Timer1"));
    clockTimer_->setSingleShot(true);
    clockTimer_->setTimerType(Qt::PreciseTimer);
    connect(clockTimer_, &QTimer::timeout, this, &StatusPanel::refreshClock);

    reminderTimer_ = new QTimer(this);
    reminderTimer_->setObjectName(QStringLiteral("Timer2"));
    connect(reminderTimer_, &QTimer::timeout, this, &StatusPanel::checkReminder);

    connect(switchButton_, &QPushButton::clicked, this, &StatusPanel::flipReminderSwitch);
}

void StatusPanel::load()
{
    // The first tick follows at once, as soon as the event loop runs.
    clockTimer_->start(0);
}

bool StatusPanel::closeStep()
{
    clockTimer_->stop();
    reminderTimer_->stop();
    return true;
}

QString StatusPanel::accountFolder() const
{
    return folderBox_->text();
}

QString StatusPanel::accountName() const
{
    return nameBox_->text();
}

void StatusPanel::setAccountFolder(const QString& folder)
{
    folderBox_->setText(folder);
}

void StatusPanel::setAccountName(const QString& name)
{
    nameBox_->setText(name);
}

QString StatusPanel::dateText() const
{
    return dateLabel_->text();
}

QString StatusPanel::clockText() const
{
    return clockLabel_->text();
}

QString StatusPanel::switchCaption() const
{
    return switchButton_->text();
}

void StatusPanel::setSwitchCaption(const QString& caption)
{
    switchButton_->setText(caption);
}

void StatusPanel::flipReminderSwitch()
{
    // Only the exact caption "Off" counts as off.
    if (switchCaption() == QLatin1String("Off"))
        setSwitchCaption(QStringLiteral("On"));
    else
        setSwitchCaption(QStringLiteral("Off"));
}

void StatusPanel::setReminderCheckEnabled(bool enabled)
{
    if (enabled)
        reminderTimer_->start();
    else
        reminderTimer_->stop();
}

bool StatusPanel::reminderCheckEnabled() const
{
    return reminderTimer_->isActive();
}

void StatusPanel::checkReminder() {}

void StatusPanel::refreshClock()
{
    const QLocale locale = userLocale();
    const QDateTime dateMoment = windows().clock().now();
    dateLabel_->setText(kesterly::dateText(dateMoment.date(), locale));
    const QDateTime timeMoment = windows().clock().now();
    clockLabel_->setText(kesterly::clockText(timeMoment.time(), locale));
    clockTimer_->start(1000 - timeMoment.time().msec() + kAfterBoundaryMs);
}

int StatusPanel::nextClockDelayMs() const
{
    return clockTimer_->interval();
}

} // namespace kesterly
