#include "core/textrules.h"

namespace kesterly::text {

QString joinLines(const QString& text, int* cursor) {
    QString joined;
    joined.reserve(text.size());
    int movedCursor = cursor ? *cursor : 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == QLatin1Char('\r') && i + 1 < text.size() && text[i + 1] == QLatin1Char('\n')) {
            // Two characters become one blank.
            if (cursor && i + 1 < *cursor)
                --movedCursor;
            continue;
        }
        joined += c == QLatin1Char('\r') || c == QLatin1Char('\n') ? QLatin1Char(' ') : c;
    }
    if (cursor)
        *cursor = movedCursor;
    return joined;
}

} // namespace kesterly::text
