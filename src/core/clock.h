#pragma once

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <functional>

namespace kesterly {

// Where the program learns the time. Production reads the system clock; tests set and
// advance a ManualClock so no test waits for a real second.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class ManualClock final : public Clock {
public:
    explicit ManualClock(QDateTime start) : now_(std::move(start)) {}
    QDateTime now() const override { return now_; }
    void set(const QDateTime& moment) { now_ = moment; }
    void advanceMs(qint64 ms) { now_ = now_.addMSecs(ms); }

private:
    QDateTime now_;
};

// The date text and the clock text the status panel shows and reminder times are
// compared with: the locale's short date with a four-digit year, and its long time
// without the time zone ("12/9/2026" and "11:21:50 PM" in United States English).
// Walks a QLocale date or time format, handing each field (a run of one letter) to the
// callback, which returns the text to keep for it; literals (quoted text, punctuation)
// stay as they are.
QString rewriteFormat(const QString& format,
                      const std::function<QString(QChar letter, qsizetype count)>& field);

QString dateText(const QDate& date, const QLocale& locale);
QString clockText(const QTime& time, const QLocale& locale);

} // namespace kesterly
