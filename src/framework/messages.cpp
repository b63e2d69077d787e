#include "framework/messages.h"

#include <QClipboard>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>

namespace kesterly {

namespace {

QMessageBox::Icon boxIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Critical:
        return QMessageBox::Critical;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButton boxButton(Choice choice) {
    switch (choice) {
    case Choice::Ok:
        return QMessageBox::Ok;
    case Choice::Retry:
        return QMessageBox::Retry;
    case Choice::Discard:
        return QMessageBox::Discard;
    case Choice::Yes:
        return QMessageBox::Yes;
    case Choice::No:
        return QMessageBox::No;
    case Choice::Cancel:
        break;
    }
    return QMessageBox::Cancel;
}

// Ctrl+C copies the whole box as text: title, message and buttons between rules, so
// the user can paste a message into a note or a mail.
void copyBox(const QMessageBox& box) {
    const QString rule = QStringLiteral("---------------------------\n");
    QStringList buttons;
    for (const QAbstractButton* button : box.buttons())
        buttons << button->text().remove(QLatin1Char('&'));
    QGuiApplication::clipboard()->setText(
        rule + box.windowTitle() + QLatin1Char('\n') + rule + box.text() + QLatin1Char('\n') +
        rule + buttons.join(QStringLiteral("   ")) + QLatin1Char('\n') + rule);
}

} // namespace

void DialogPresenter::show(const Message& message) {
    ask(message, {Choice::Ok});
}

Choice DialogPresenter::ask(const Message& message, const QList<Choice>& choices) {
    QPointer<QMessageBox> box = new QMessageBox(boxIcon(message.icon), message.title, message.text,
                                                QMessageBox::NoButton, parent_);
    // Messages name files, folders and what the user typed: shown as they are, never
    // as markup.
    box->setTextFormat(Qt::PlainText);
    for (const Choice choice : choices)
        box->addButton(boxButton(choice));
    if (!choices.isEmpty())
        box->setDefaultButton(boxButton(choices.first()));
    QMessageBox* const shown = box;
    QObject::connect(new QShortcut(QKeySequence::Copy, box), &QShortcut::activated, box,
                     [shown] { copyBox(*shown); });
    box->exec();
    // A box ended by anything but one of its buttons (the program asked to end, which ends
    // every event loop, or the box closed by other means) has had no answer: Cancel, even
    // where the box did not offer it, so that no caller goes on as if the user had agreed.
    Choice answer = Choice::Cancel;
    if (box) {
        for (const Choice choice : choices) {
            if (box->clickedButton() == box->button(boxButton(choice)))
                answer = choice;
        }
        delete box;
    }
    return answer;
}

QString DialogPresenter::chooseSaveFile(const SaveFileRequest& request) {
    QPointer<QFileDialog> dialog =
        new QFileDialog(parent_, request.title,
                        QDir(request.folder).filePath(request.suggestedName), request.filter);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // A name typed without its ending gets the suggested name's ("Income" becomes
    // "Income.csv").
    dialog->setDefaultSuffix(QFileInfo(request.suggestedName).suffix());
    // Whether a file of that name may be replaced is the caller's question, asked after
    // it has looked at the file: the dialog's own would come first even for a file the
    // caller then refuses.
    dialog->setOption(QFileDialog::DontConfirmOverwrite);
    // Only "Save" accepts the dialog; ended otherwise (the program asked to end) it
    // is Cancel.
    const bool chosen = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return {};
    const QString path = chosen ? dialog->selectedFiles().value(0) : QString();
    delete dialog;
    return path;
}

QStringList DialogPresenter::chooseOpenFiles(const OpenFileRequest& request) {
    QPointer<QFileDialog> dialog = new QFileDialog(parent_, request.title, request.folder,
                                                   request.filter);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setFileMode(QFileDialog::ExistingFiles);
    // Only "Open" accepts the dialog; ended otherwise (the program asked to end) it is
    // Cancel.
    const bool chosen = dialog->exec() == QDialog::Accepted;
    if (!dialog)
        return {};
    const QStringList paths = chosen ? dialog->selectedFiles() : QStringList();
    delete dialog;
    return paths;
}

} // namespace kesterly
