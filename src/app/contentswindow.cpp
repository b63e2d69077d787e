#include "app/contentswindow.h"

#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "app/windows.h"

#include <QPushButton>
#include <functional>

namespace kesterly {

ContentsWindow::ContentsWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(34, QLatin1Char(' ')) + QStringLiteral("Contents"), 3996,
                  4956, Frame::Fixed)
{
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    struct Button {
        const char* name;
        const char* picture; // empty for a captioned button
        const char* text;    // tool tip, or caption when there is no picture
        int left, top;
        std::function<void()> open; // empty while its window is not part of the program
    };
    Windows& all = this->windows();
    const Button buttons[] = {
        {"Command1", "entry", "Entry Form", 120, 1080, {}},
        {"Command2", "income", "Income", 120, 2040, {}},
        {"Command3", "expense", "Expense", 2040, 2040, {}},
        {"Command4", "interest", "Interest", 2040, 1080, {}},
        {"Command5", "reminders", "Reminders", 120, 3000, {}},
        {"Command7", "balance", "Balance", 2040, 3000, {}},
        {"Command8", "newaccount", "New Account", 120, 120, [&all] { all.show<NewAccountWindow>(); }},
        {"Command9", "openaccount", "Open Account", 2040, 120,
         [&all] { all.show<OpenAccountWindow>(); }},
        {"Command10", "", "About", 2040, 3840, {}},
        {"com1", "", "Update", 120, 3840, {}},
    };
    QWidget* previous = nullptr;
    for (const Button& spec : buttons) {
        auto* button = place<QPushButton>(spec.name, spec.left, spec.top, 1812, 732);
        button->setFlat(true);
        button->setAutoFillBackground(true);
        button->setPalette(white);
        const QString text = QString::fromLatin1(spec.text);
        if (*spec.picture) {
            button->setToolTip(text);
            button->setAccessibleName(text);
        } else {
            button->setText(text);
        }
        button->setEnabled(bool(spec.open));
        if (spec.open)
            connect(button, &QPushButton::clicked, this, spec.open);
        if (previous)
            setTabOrder(previous, button);
        previous = button;
    }
}

} // namespace kesterly
