#include "shell/contentswindow.h"

#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "framework/pictures.h"
#include "framework/windows.h"
#include "help/aboutwindow.h"
#include "help/updatewindow.h"
#include "interest/interestwindow.h"
#include "ledger/balancewindow.h"
#include "ledger/entryform.h"
#include "ledger/expensewindow.h"
#include "ledger/incomewindow.h"
#include "reminders/reminderwindow.h"

#include <QPushButton>
#include <functional>

namespace kesterly {

ContentsWindow::ContentsWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(34, QLatin1Char(' ')) + QStringLiteral("Contents"), 3996,
                  4956, Frame::Fixed) {
    // The buttons' faces are white: the picture, or the caption, on white.
    QPalette white = palette();
    white.setColor(QPalette::Button, Qt::white);

    struct Button {
        const char* name;
        const char* picture; // a resource path; empty for a captioned button
        const char* text;    // tool tip, or caption when there is no picture
        int left, top;
        std::function<void()> open;
    };
    pictures::ensureLoaded();
    Windows& all = this->windows();
    const Button buttons[] = {
        {"Command1", ":/pictures/entry-form.ico", "Entry Form", 120, 1080,
         [&all] { all.show<EntryForm>(); }},
        {"Command2", ":/pictures/income.ico", "Income", 120, 2040,
         [&all] { all.show<IncomeWindow>(); }},
        {"Command3", ":/pictures/expense.ico", "Expense", 2040, 2040,
         [&all] { all.show<ExpenseWindow>(); }},
        {"Command4", ":/pictures/interest.ico", "Interest", 2040, 1080,
         [&all] { all.show<InterestWindow>(); }},
        {"Command5", ":/pictures/reminders.jpg", "Reminders", 120, 3000,
         [&all] { all.show<ReminderWindow>(); }},
        {"Command7", ":/pictures/balance.ico", "Balance", 2040, 3000,
         [&all] { all.show<BalanceWindow>(); }},
        {"Command8", ":/pictures/new-account.jpg", "New Account", 120, 120,
         [&all] { all.show<NewAccountWindow>(); }},
        {"Command9", ":/pictures/open-account.ico", "Open Account", 2040, 120,
         [&all] { all.show<OpenAccountWindow>(); }},
        {"Command10", "", "About", 2040, 3840, [&all] { all.show<AboutWindow>(); }},
        {"com1", "", "Update", 120, 3840, [&all] { all.show<UpdateWindow>(); }},
    };
    QWidget* previous = nullptr;
    for (const Button& entry : buttons) {
        auto* button = place<QPushButton>(entry.name, entry.left, entry.top, 1812, 732);
        button->setFlat(true);
        button->setAutoFillBackground(true);
        button->setPalette(white);
        const QString text = QString::fromLatin1(entry.text);
        if (*entry.picture) {
            const QString path = QString::fromLatin1(entry.picture);
            // An icon file holds every size; a picture has a rendering for each density.
            const bool iconFile = path.endsWith(QLatin1String(".ico"));
            button->setIcon(iconFile ? QIcon(path) : pictures::withEveryRendering(path));
            button->setIconSize(iconFile ? QSize(32, 32)
                                         : pictures::sizeOf(path).boundedTo(QSize(98, 48)));
            button->setToolTip(text);
        } else {
            button->setText(text);
        }
        connect(button, &QPushButton::clicked, this, entry.open);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
}

} // namespace kesterly
