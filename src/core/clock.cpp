#include "core/clock.h"

#include <functional>

namespace kesterly {

QString rewriteFormat(const QString& format,
                      const std::function<QString(QChar letter, qsizetype count)>& field) {
    QString out;
    qsizetype i = 0;
    while (i < format.size()) {
        const QChar c = format[i];
        if (c == QLatin1Char('\'')) {
            const qsizetype close = format.indexOf(QLatin1Char('\''), i + 1);
            const qsizetype stop = close < 0 ? format.size() : close + 1;
            out += format.sliced(i, stop - i);
            i = stop;
        } else if (c.isLetter()) {
            qsizetype run = 1;
            while (i + run < format.size() && format[i + run] == c)
                ++run;
            out += field(c, run);
            i += run;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

QString dateText(const QDate& date, const QLocale& locale) {
    const QString format =
        rewriteFormat(locale.dateFormat(QLocale::ShortFormat), [](QChar letter, qsizetype count) {
            return letter == QLatin1Char('y') ? QStringLiteral("yyyy") : QString(count, letter);
        });
    return locale.toString(date, format);
}

QString clockText(const QTime& time, const QLocale& locale) {
    QString format =
        rewriteFormat(locale.timeFormat(QLocale::LongFormat), [](QChar letter, qsizetype count) {
            return letter == QLatin1Char('t') ? QStringLiteral("\x01") : QString(count, letter);
        });
    // Drop the time-zone field together with the blank that separated it.
    format.replace(QStringLiteral(" \x01"), QString());
    format.replace(QStringLiteral("\x01 "), QString());
    format.remove(QChar(0x01));
    return locale.toString(time, format.trimmed());
}

} // namespace kesterly
