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

QString RecordingMessages::chooseSaveFile(const SaveFileRequest& request) {
    fileRequests.append(request);
    return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
}

QStringList RecordingMessages::chooseOpenFiles(const OpenFileRequest& request) {
    openRequests.append(request);
    return openAnswers.isEmpty() ? QStringList() : openAnswers.takeFirst();
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

char* toString(const SaveFileRequest& request) {
    return qstrdup(QStringLiteral("{\"%1\", \"%2\", \"%3\", \"%4\"}")
                       .arg(request.title, request.folder, request.suggestedName, request.filter)
                       .toUtf8()
                       .constData());
}

char* toString(const OpenFileRequest& request) {
    return qstrdup(QStringLiteral("{\"%1\", \"%2\", \"%3\"}")
                       .arg(request.title, request.folder, request.filter)
                       .toUtf8()
                       .constData());
}

} // namespace kesterly
