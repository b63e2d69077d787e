#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QWidget;

namespace kesterly {

enum class MessageIcon { None, Information, Exclamation, Critical };
enum class Choice { Ok, Retry, Discard, Cancel, Yes, No };

struct Message {
    QString text;
    QString title;
    MessageIcon icon = MessageIcon::None;
    bool operator==(const Message&) const = default;
};

// A question for a file to write: the dialog's title, the folder it starts in, the name
// it suggests there and the kinds of file it lists ("CSV files (*.csv)").
struct SaveFileRequest {
    QString title;
    QString folder;
    QString suggestedName;
    QString filter;
    bool operator==(const SaveFileRequest&) const = default;
};

// A question for files to read: the dialog's title, the folder it starts in and the kinds
// of file it lists ("Statements (*.csv *.qif)"); several files may be chosen.
struct OpenFileRequest {
    QString title;
    QString folder;
    QString filter;
    bool operator==(const OpenFileRequest&) const = default;
};

// Every message box and file dialog of the program goes through one presenter.
// Production shows a modal QMessageBox or QFileDialog (timers keep running in its event
// loop); tests record the message or the question and answer at once.
class MessagePresenter {
public:
    virtual ~MessagePresenter() = default;
    // A box with an OK button; returns when the user has closed it.
    virtual void show(const Message& message) = 0;
    // A box offering the given choices, the first being the default. A box ended without
    // one of its buttons (the program asked to end) answers Cancel, offered or not.
    virtual Choice ask(const Message& message, const QList<Choice>& choices) = 0;
    // The standard dialog for saving a file; the path chosen, or an empty text when the
    // user cancelled or the dialog ended otherwise. It does not ask before replacing a
    // file: the caller looks at the file chosen first, and asks about replacing only a
    // file it may write (one it refuses gets its reason, not a question and then a no).
    virtual QString chooseSaveFile(const SaveFileRequest& request) = 0;
    // The standard dialog for opening files; the paths chosen (existing files), or none
    // when the user cancelled or the dialog ended otherwise.
    virtual QStringList chooseOpenFiles(const OpenFileRequest& request) = 0;
};

class DialogPresenter final : public MessagePresenter {
public:
    // Boxes are centred over the given window (the main window, once there is one).
    void setParentWindow(QWidget* parent) { parent_ = parent; }
    void show(const Message& message) override;
    Choice ask(const Message& message, const QList<Choice>& choices) override;
    QString chooseSaveFile(const SaveFileRequest& request) override;
    QStringList chooseOpenFiles(const OpenFileRequest& request) override;

private:
    QWidget* parent_ = nullptr;
};

} // namespace kesterly
