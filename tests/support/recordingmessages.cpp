#include "support/recordingmessages.h"

namespace kesterly::test {

void RecordingMessages::show(const Message& message) {
    shown.append(message);
    if (whileOpen)
        whileOpen(message);
}

Choice RecordingMessages::ask(const Message& message, const QList<Choice>& choices) {
    show(message);
    if (!answers.isEmpty())
        return answers.takeFirst();
    return choices.isEmpty() ? Choice::Ok : choices.first();
}

} // namespace kesterly::test

namespace kesterly {

char* toString(const Message& message) {
    static const char* const icons[] = {"none", "information", "exclamation", "critical"};
    return qstrdup(
        QStringLiteral("{\"%1\", \"%2\", %3}")
            .arg(message.text, message.title, QLatin1String(icons[static_cast<int>(message.icon)]))
            .toUtf8()
            .constData());
}

} // namespace kesterly
