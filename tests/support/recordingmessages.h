#pragma once

#include "framework/messages.h"

#include <QList>
#include <QStringList>
#include <functional>

namespace kesterly::test {

// Notes every message box instead of showing it and answers at once.
class RecordingMessages final : public MessagePresenter {
public:
    void show(const Message& message) override;
    Choice ask(const Message& message, const QList<Choice>& choices) override;
    QString chooseSaveFile(const SaveFileRequest& request) override;
    QStringList chooseOpenFiles(const OpenFileRequest& request) override;

    QList<Message> shown;
    // The file dialogs asked for, in order.
    QList<SaveFileRequest> fileRequests;
    // The paths they answer, used in order; an empty path, or none left, is Cancel.
    QStringList fileAnswers;
    // The open-file dialogs asked for, in order, and the paths they answer, used in order;
    // an empty list, or none left, is Cancel.
    QList<OpenFileRequest> openRequests;
    QList<QStringList> openAnswers;
    // Answers for ask(), used in order; when none is left, the first choice is taken.
    QList<Choice> answers;
    // Runs while a box "is open", to check what the user would see behind it.
    std::function<void(const Message&)> whileOpen;
};

} // namespace kesterly::test

namespace kesterly {
// Lets QCOMPARE show a message box that differs.
char* toString(const Message& message);
char* toString(const SaveFileRequest& request);
char* toString(const OpenFileRequest& request);
} // namespace kesterly
