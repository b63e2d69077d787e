#include "core/importplan.h"

#include "core/accountfolder.h"
#include "core/clock.h"
#include "core/ledgerhistory.h"
#include "core/ledgermath.h"
#include "core/ledgertable.h"
#include "core/listfile.h"
#include "core/numbertext.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>
#include <algorithm>

namespace kesterly::entryimport {

namespace {

// What makes two entries the same: the list, the date (as a date when it reads as one),
// the description and the amount (as a number when it reads as one).
class Keys {
public:
    Keys(const QLocale& locale, const QDate& today) : locale_(locale), today_(today) {}

    QString key(bool income, const QString& date, const QString& description,
                const QString& amount) {
        return (income ? QStringLiteral("I") : QStringLiteral("E")) + QChar(0x1F) + dateKey(date) +
               QChar(0x1F) + description.trimmed() + QChar(0x1F) + amountKey(amount);
    }
    QString key(bool income, const QDate& date, const QString& description, const QString& amount) {
        return (income ? QStringLiteral("I") : QStringLiteral("E")) + QChar(0x1F) +
               date.toString(Qt::ISODate) + QChar(0x1F) + description.trimmed() + QChar(0x1F) +
               amountKey(amount);
    }

private:
    QString dateKey(const QString& text) {
        auto known = dates_.constFind(text);
        if (known == dates_.cend()) {
            const std::optional<QDate> date = ledger::entryDate(text, locale_, today_);
            known = dates_.insert(text, date ? date->toString(Qt::ISODate)
                                             : QStringLiteral("?") + text.trimmed());
        }
        return *known;
    }
    QString amountKey(const QString& text) {
        const std::optional<double> value = strictNumber(text, locale_);
        return value ? QString::number(*value, 'g', 17) : QStringLiteral("?") + text.trimmed();
    }

    QLocale locale_;
    QDate today_;
    QHash<QString, QString> dates_;
};

bool blankRow(const QList<QStringList>& columns, qsizetype row) {
    for (const QStringList& column : columns) {
        if (!column.value(row).isEmpty())
            return false;
    }
    return true;
}

QString tableProblem(const account::TableRead& table, const QString& list) {
    if (table.whole())
        return {};
    return QStringLiteral("The %1 list cannot be written, because a file of it could not be "
                          "read:\n%2")
        .arg(list, table.problems.join(QLatin1Char('\n')));
}

} // namespace

Account readAccount(const QString& folder, bool finishPending, const QLocale& locale) {
    Account account;
    // The files are read between saves, never in the middle of one.
    const listfile::SaveHold hold;
    account.income =
        account::readTable(folder, account::ledgerTable(account::kIncomeTable), finishPending);
    account.expense =
        account::readTable(folder, account::ledgerTable(account::kExpenseTable), finishPending);
    const QString path = account::filePath(folder, account::kOpeningBalance);
    const listfile::Read<listfile::ListContent> stored = listfile::readListContent(path, 1);
    QStringList problems;
    if (stored.ok()) {
        account.balanceStamp = stored.value->stamp;
        if (!stored.value->texts.isEmpty())
            account.balance = stored.value->texts.first();
        // A balance written under other regional settings counts with the value it was
        // written with; a number becomes its text in the current form.
        account.remembered = numbers::readRemembered(folder);
        const numbers::BalanceReading reading =
            numbers::readAccountBalance(account.balance, folder, account.remembered, locale);
        if (reading.kind == numbers::BalanceReading::TwoReadings)
            problems << QCoreApplication::translate(
                            "EntryImport",
                            "The balance \"%1\" in \"%2\" can be read as two different "
                            "numbers under the regional settings the account was used with. "
                            "Open the Entry Form once and say which one it is; then import again.")
                            .arg(account.balance, path);
        account.balance = numbers::shownBalance(account.balance, reading, locale);
    } else {
        account.balanceStamp = listfile::stampOf(path);
        // A balance file that is there but cannot be read holds a balance nobody can see,
        // as the Entry form refuses to book against it.
        const QFileInfo file(path);
        if (file.exists() || file.isSymLink())
            problems << stored.error;
    }
    for (const QString& problem : {tableProblem(account.income, QStringLiteral("Income")),
                                   tableProblem(account.expense, QStringLiteral("Expense"))}) {
        if (!problem.isEmpty())
            problems << problem;
    }
    account.problem = problems.join(QLatin1Char('\n'));
    return account;
}

Plan makePlan(const QList<Row>& rows, const Account& account, bool includeDuplicates,
              const QLocale& locale, const QDate& today) {
    Plan plan;
    Keys keys(locale, today);
    QHash<QString, int> held;
    for (const auto& [table, income] :
         {std::pair{&account.income, true}, std::pair{&account.expense, false}}) {
        const QList<QStringList>& columns = table->columns;
        const qsizetype count = columns.isEmpty() ? 0 : columns.front().size();
        for (qsizetype row = 0; row < count; ++row) {
            if (blankRow(columns, row))
                continue;
            ++held[keys.key(income, columns.value(ledger::Date).value(row),
                            columns.value(ledger::Description).value(row),
                            columns.value(ledger::Amount).value(row))];
        }
    }

    // Date order, ties in file order (each file's rows come in its own order, the files in
    // the order they were chosen).
    QList<Row> ordered = rows;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const Row& a, const Row& b) { return a.date < b.date; });

    QString balance = account.balance;
    const auto take = [&](const Row& row) {
        Planned planned;
        planned.row = row;
        planned.date = dateText(row.date, locale);
        const QString key = keys.key(row.income, row.date, row.description, row.amountText);
        if (int& count = held[key]; count > 0) {
            --count;
            planned.duplicate = true;
            ++plan.duplicates;
        }
        planned.recorded = !planned.duplicate || includeDuplicates;
        if (planned.recorded && plan.problem.isEmpty()) {
            const ledger::BalanceAfter after =
                ledger::balanceAfter(balance, row.amountText, row.income);
            if (after.text) {
                balance = *after.text;
                planned.balance = balance;
            } else {
                plan.problem = QStringLiteral("The row on line %1 cannot be recorded: %2")
                                   .arg(row.line)
                                   .arg(after.problem);
            }
        }
        if (planned.recorded)
            ++(row.income ? plan.toIncome : plan.toExpense);
        plan.rows << planned;
    };
    for (qsizetype start = 0; start < ordered.size();) {
        qsizetype end = start;
        while (end < ordered.size() && ordered[end].date == ordered[start].date)
            ++end;
        // One day's rows from two files of this program's export go in as they were
        // entered: the row whose stated balance follows from the balance goes first.
        QList<QList<Row>> queues;
        QList<int> sources;
        for (qsizetype i = start; i < end; ++i) {
            const int at = int(sources.indexOf(ordered[i].source));
            if (at < 0) {
                sources << ordered[i].source;
                queues << QList<Row>{ordered[i]};
            } else {
                queues[at] << ordered[i];
            }
        }
        for (;;) {
            int pick = -1;
            for (int q = 0; q < queues.size() && queues.size() > 1; ++q) {
                if (queues[q].isEmpty() || queues[q].front().statedBalance.isEmpty())
                    continue;
                const Row& head = queues[q].front();
                const ledger::BalanceAfter after =
                    ledger::balanceAfter(balance, head.amountText, head.income);
                if (after.text && *after.text == head.statedBalance) {
                    pick = q;
                    break;
                }
            }
            for (int q = 0; q < queues.size() && pick < 0; ++q) {
                if (!queues[q].isEmpty())
                    pick = q;
            }
            if (pick < 0)
                break;
            take(queues[pick].takeFirst());
        }
        start = end;
    }
    plan.finalBalance = balance;

    const auto tooMany = [&](const account::TableRead& table, int adding, const QString& list) {
        const qsizetype rowsNow = table.state.rows;
        if (rowsNow + adding <= account::kMaxRows)
            return QString();
        return QStringLiteral("The %1 list holds %2 entries, and the import would add %3: %4 in "
                              "all, more than the %5 a list can hold.")
            .arg(list)
            .arg(rowsNow)
            .arg(adding)
            .arg(rowsNow + adding)
            .arg(account::kMaxRows);
    };
    QStringList limits;
    for (const QString& limit :
         {tooMany(account.income, plan.toIncome, QStringLiteral("Income")),
          tooMany(account.expense, plan.toExpense, QStringLiteral("Expense"))}) {
        if (!limit.isEmpty())
            limits << limit;
    }
    if (!limits.isEmpty() && plan.problem.isEmpty())
        plan.problem = limits.join(QLatin1Char(' '));
    return plan;
}

listfile::Outcome record(const QString& folder, const Plan& plan, const Account& account,
                         const QLocale& locale) {
    if (!account.problem.isEmpty())
        return listfile::Outcome::failure(account.problem);
    if (!plan.problem.isEmpty())
        return listfile::Outcome::failure(plan.problem);
    if (plan.recorded() == 0)
        return listfile::Outcome::success();
    QList<listfile::FileLines> files;
    for (const auto& [table, files_, income] :
         {std::tuple{&account.income, &account::kIncomeTable, true},
          std::tuple{&account.expense, &account::kExpenseTable, false}}) {
        if ((income ? plan.toIncome : plan.toExpense) == 0)
            continue;
        QList<QStringList> columns = table->columns;
        columns.resize(ledger::kColumns);
        for (const Planned& planned : plan.rows) {
            if (!planned.recorded || planned.row.income != income)
                continue;
            columns[ledger::Date] << planned.date;
            columns[ledger::Description] << planned.row.description;
            columns[ledger::Amount] << planned.row.amountText;
            columns[ledger::Balance] << planned.balance;
        }
        const QStringList names = files_->inOrder();
        for (int column = 0; column < ledger::kColumns; ++column) {
            listfile::FileLines file{account::filePath(folder, names[column]),
                                     std::move(columns[column])};
            file.expected = table->state.stamps.value(column);
            files << file;
        }
    }
    files << listfile::FileLines{account::filePath(folder, account::kOpeningBalance),
                                 {plan.finalBalance},
                                 account.balanceStamp};
    // The account remembers the form of a balance written with a point or a comma, so
    // that it is read right under other settings.
    if (const auto formUpdate =
            numbers::rememberedUpdate(folder, plan.finalBalance, account.remembered, locale))
        files << *formUpdate;
    return listfile::writeFiles(files);
}

} // namespace kesterly::entryimport
