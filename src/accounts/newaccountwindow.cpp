#include "accounts/newaccountwindow.h"

#include "core/accountcreation.h"
#include "framework/controls.h"
#include "framework/fonts.h"
#include "framework/windows.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace kesterly {

namespace {
const QString kTitle = QStringLiteral("New Account");
} // namespace

NewAccountWindow::NewAccountWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(47, QLatin1Char(' ')) + kTitle, 5460, 4572,
                  Frame::FixedTool) {
    place<QLabel>("Label1", 240, 1920, 1452, 252)->setText(QStringLiteral("Opening Balance :"));
    balanceBox_ = place<QLineEdit>("Text1", 960, 2520, 3012, 492);
    balanceBox_->setAlignment(Qt::AlignCenter);
    balanceBox_->setFont(fonts::arial(18));
    enterButton_ = place<QPushButton>("Command1", 1800, 3600, 1572, 492);
    enterButton_->setText(QStringLiteral("Enter"));
    place<QLabel>("Label2", 240, 600, 972, 252)->setText(QStringLiteral("Your Name :"));
    nameBox_ = place<QLineEdit>("Text2", 1200, 570, 2652, 288);
    folderLabel_ = place<PathLabel>("Label3", 1200, 960, 2652, 252);
    remindersLabel_ = place<PathLabel>("Label4", 1200, 1200, 2652, 252);
    folderLabel_->setAccessibleDescription(QStringLiteral("Account folder"));
    remindersLabel_->setAccessibleDescription(QStringLiteral("Reminders folder"));

    setTabOrder(balanceBox_, enterButton_);
    setTabOrder(enterButton_, nameBox_);
    setFocusProxy(balanceBox_);

    connect(enterButton_, &QPushButton::clicked, this, &NewAccountWindow::createAccount);
}

void NewAccountWindow::createAccount() {
    const QString name = nameBox_->text();
    if (const QString refusal = account::nameRefusal(name); !refusal.isEmpty()) {
        windows().inform(refusal, kTitle, MessageIcon::Exclamation);
        return;
    }
    // The folder appears under its name only once all its files are on the disk.
    account::AccountCreation creation(windows().accountsRoot(), name);
    if (auto created = creation.create(balanceBox_->text()); !created) {
        windows().inform(created.message(), kTitle,
                         creation.nameTaken() ? MessageIcon::Exclamation : MessageIcon::Critical);
        return;
    }
    const QString folder = account::newAccountFolder(windows().accountsRoot(), name);
    folderLabel_->showPath(folder);
    remindersLabel_->showPath(account::newRemindersFolder(folder));
    windows().inform(QStringLiteral("New Account was Successfully Created"), kTitle,
                     MessageIcon::Exclamation);
    windows().inform(QStringLiteral("Are you want open your new project (click : open Account)"),
                     QString(), MessageIcon::None);
    closeWindow();
}

} // namespace kesterly
