#include "ledger/balancewindow.h"

#include "core/accountfolder.h"
#include "core/listfile.h"
#include "core/numberform.h"
#include "core/numbertext.h"
#include "framework/controls.h"
#include "framework/fonts.h"
#include "framework/windows.h"

#include <QLabel>

namespace kesterly {

BalanceWindow::BalanceWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(32, QLatin1Char(' ')) + QStringLiteral("Balance"), 3624,
                  1332, Frame::Fixed) {
    place<QLabel>("Label2", 366, 240, 1092, 252)->setText(QStringLiteral("Your Balance :"));
    balanceLabel_ = place<QLabel>("Label1", 366, 600, 2892, 492);
    balanceLabel_->setFont(fonts::display(19.8));
    showWhole(balanceLabel_, QStringLiteral("0.00"));
    // Readers announce the figure itself; this says what it is.
    balanceLabel_->setAccessibleDescription(QStringLiteral("Your Balance"));
}

void BalanceWindow::load() {
    // Without an account, or without a readable balance, the window shows "0.00".
    const QString folder = windows().account().folder();
    if (folder.isEmpty())
        return;
    // The balance is the file's first line, read as the Entry form reads it: a number
    // written under other regional settings shows its value in the current form.
    const auto stored =
        listfile::readListContent(account::filePath(folder, account::kOpeningBalance), 1);
    if (!stored.ok() || stored.value->texts.isEmpty())
        return;
    const QString text = stored.value->texts.first();
    const QLocale locale = userLocale();
    showWhole(balanceLabel_, numbers::shownBalance(
                                 text, numbers::readAccountBalance(text, folder, locale), locale));
}

QString BalanceWindow::balanceText() const {
    return balanceLabel_->text();
}

void BalanceWindow::setBalanceText(const QString& text) {
    showWhole(balanceLabel_, text);
}

} // namespace kesterly
