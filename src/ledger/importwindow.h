#pragma once

#include "core/importfile.h"
#include "core/importplan.h"
#include "framework/childwindow.h"

#include <QFutureWatcher>
#include <QList>
#include <QString>

class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;

namespace kesterly {

class ImportRowsModel;

// The preview of Account, Import Entries…: the rows of the chosen files as they will be
// recorded (list, date, description, amount, the balance after each), with every choice
// of how the files are read shown with what was guessed and changeable, the rows
// following at once; rows that cannot be read listed with their lines; rows the account
// holds already marked as duplicates and left out unless the user includes them. Import
// (Return) records the rows as one unit; Cancel (Escape) closes the window and writes
// nothing. Reading, and working the rows out again after a change of a large file, run on
// another thread, the window showing it busy meanwhile.
class ImportWindow : public ChildWindow {
    Q_OBJECT
public:
    static constexpr const char* kName = "FormImport";
    static const QString kTitle;
    // Files of at least this many records (or transactions) are worked out on another
    // thread; smaller ones at once.
    static constexpr int kAsideRecords = 2000;

    explicit ImportWindow(Windows& windows);
    ~ImportWindow() override;

    bool holdsAccountData() const override { return true; }

    // Shows the files read from the account folder's point of view.
    void begin(const QString& folder, const QList<entryimport::Source>& sources,
               const entryimport::Account& account);

    // Click on "Import".
    void importRows();
    // The sentence of counts below the rows, and the unreadable rows as listed.
    QString countsText() const;
    QStringList unreadableTexts() const;
    const entryimport::Plan& plan() const { return plan_; }
    const QList<entryimport::Source>& sources() const { return sources_; }
    // Work on the other thread is under way.
    bool working() const { return working_; }

protected:
    bool closeStep() override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Worked {
        QList<entryimport::Source> sources;
        entryimport::Plan plan;
        QList<entryimport::Unreadable> unreadable;
        // After Import: how the recording went; and the account read again when another
        // program had changed it.
        bool recording = false;
        listfile::Outcome recorded = listfile::Outcome::success();
        std::optional<entryimport::Account> reread;
    };

    // The file whose choices the boxes show.
    entryimport::Source& current() { return sources_[current_]; }
    void showChoices();
    void takeChoices();
    // Works the rows out again under the choices; `delimiter` splits the current file anew.
    void rework(QChar delimiter = QChar());
    void take(const Worked& worked);
    void showRows();
    void recorded(const Worked& worked);
    // Shows the recorded rows in every open window of the account and tells what went in.
    void tellRecorded(const Worked& worked);
    void setWorking(bool working);
    void copyCounts();

    QComboBox* fileBox_;
    QComboBox* listBox_;
    QComboBox* delimiterBox_;
    QComboBox* dateColumnBox_;
    QComboBox* dateOrderBox_;
    QComboBox* decimalBox_;
    QComboBox* amountColumnBox_;
    QComboBox* debitColumnBox_;
    QComboBox* creditColumnBox_;
    QListWidget* descriptionList_;
    QCheckBox* duplicatesCheck_;
    QTableView* rowsView_;
    ImportRowsModel* model_;
    QListWidget* unreadableList_;
    QLabel* countsLabel_;
    QPushButton* importButton_;
    QPushButton* cancelButton_;

    QString folder_;
    QList<entryimport::Source> sources_;
    int current_ = 0;
    entryimport::Account account_;
    entryimport::Plan plan_;
    QList<entryimport::Unreadable> unreadable_;
    bool filling_ = false;
    bool working_ = false;
    bool again_ = false;
    QChar againDelimiter_;
    QFutureWatcher<Worked> aside_;
};

} // namespace kesterly
