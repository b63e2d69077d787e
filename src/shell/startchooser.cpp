#include "shell/startchooser.h"

#include "accounts/newaccountwindow.h"
#include "accounts/openaccountwindow.h"
#include "framework/windows.h"

#include <QPushButton>

namespace kesterly {

StartChooser::StartChooser(Windows& windows)
    : ChildWindow(windows, kName, QString(36, QLatin1Char(' ')) + QStringLiteral("Kesterly"), 4776,
                  3624, Frame::FixedTool) {
    auto* newAccount = place<QPushButton>("Command1", 720, 360, 3012, 1092);
    newAccount->setText(QStringLiteral("New Account"));
    auto* openAccount = place<QPushButton>("Command2", 720, 1800, 3012, 1092);
    openAccount->setText(QStringLiteral("Open Account"));
    setTabOrder(newAccount, openAccount);
    setFocusProxy(newAccount);

    connect(newAccount, &QPushButton::clicked, this, [this] {
        this->windows().show<NewAccountWindow>();
        closeWindow();
    });
    connect(openAccount, &QPushButton::clicked, this, [this] {
        this->windows().show<OpenAccountWindow>();
        closeWindow();
    });
}

} // namespace kesterly
