#pragma once

#include "framework/windows.h"
#include "ledger/ledgerlistwindow.h"
#include "ledger/rowlist.h"
#include "shell/statuspanel.h"
#include "support/appfixture.h"
#include "support/files.h"

#include <QStringList>

namespace kesterly::test {

// An account folder as New Account leaves it: a name, a balance and eight list files of
// one empty line each, under the fixture's root.
inline QString writeAccount(AppFixture& fixture, const QString& name,
                            const QByteArray& balance = "500\r\n") {
    writeBytes(fixture.path(name + "/Name.txt"), name.toUtf8() + "\r\n");
    writeBytes(fixture.path(name + "/OpeningBalance.txt"), balance);
    for (const char* list :
         {"IncomeDate.txt", "IncomeDes.txt", "IncomeAmn.txt", "Incomebal.txt", "ExpenseDate.txt",
          "ExpenseDes.txt", "ExpenseAmn.txt", "Expensebal.txt"})
        writeBytes(fixture.path(name + "/" + list), "\r\n");
    return fixture.root() + name;
}

// Makes the folder the current account, as Open Account does.
inline void openAccount(AppFixture& fixture, const QString& folder) {
    fixture.windows->get<StatusPanel>().setAccountFolder(folder);
}

// The rows of the four lists of a list window, one "date|description|amount|balance"
// text per entry.
inline QStringList entries(const LedgerListWindow& window) {
    QStringList rows;
    const int count = window.list(ledger::Date)->rowCount();
    for (int i = 0; i < count; ++i) {
        QStringList fields;
        for (int column = 0; column < ledger::kColumns; ++column)
            fields << window.list(ledger::Column(column))->row(i);
        rows << fields.join('|');
    }
    return rows;
}

// Records an entry in the window as the Entry form does, without the balance file; the
// sentence why it was not saved, empty when it was.
inline QString record(LedgerListWindow& window, const QStringList& entry) {
    const TableCopy::Saved saved = window.appendEntry(entry, {});
    return saved.ok ? QString() : saved.message;
}

inline QList<int> selectedIndexes(const LedgerListWindow& window) {
    QList<int> indexes;
    for (int column = 0; column < ledger::kColumns; ++column)
        indexes << window.list(ledger::Column(column))->selectedIndex();
    return indexes;
}

// Bytes of a list file holding the given lines.
inline QByteArray lines(const QStringList& texts) {
    QByteArray bytes;
    for (const QString& text : texts)
        bytes += text.toUtf8() + "\r\n";
    return bytes;
}

} // namespace kesterly::test
