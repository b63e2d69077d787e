#pragma once

#include "framework/messages.h"

#include <QStringList>
#include <cstdio>

namespace kesterly::bench {

// Message boxes of a benchmark: written to the error output and answered at once
// (Discard where there is a choice); counted, since a message means a step failed.
class SilentMessages final : public MessagePresenter {
public:
    void show(const Message& message) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(message.text));
        ++told;
        texts << message.text;
    }
    Choice ask(const Message& message, const QList<Choice>&) override {
        show(message);
        return Choice::Discard;
    }
    // No benchmark exports: a question for a file is answered with Cancel.
    QString chooseSaveFile(const SaveFileRequest&) override { return {}; }
    // A benchmark that imports answers with its own file; the others Cancel.
    QStringList chooseOpenFiles(const OpenFileRequest&) override { return openAnswer; }
    QStringList openAnswer;
    int told = 0;
    QStringList texts;
};

} // namespace kesterly::bench
