#include "accounts/openaccountwindow.h"

#include "accounts/folderlists.h"
#include "core/accountfolder.h"
#include "core/accountlock.h"
#include "core/accounttable.h"
#include "core/listfile.h"
#include "framework/controls.h"
#include "framework/windows.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>

namespace kesterly {

namespace {

const QString kTitle = QStringLiteral("Open Account");

// Two paths name the same folder also when one goes through a link.
bool sameFolder(const QString& a, const QString& b) {
    if (a == b)
        return true;
    const QString real = QFileInfo(a).canonicalFilePath();
    return !real.isEmpty() && real == QFileInfo(b).canonicalFilePath();
}

} // namespace

OpenAccountWindow::OpenAccountWindow(Windows& windows)
    : ChildWindow(windows, kName, QString(58, QLatin1Char(' ')) + QStringLiteral("Open Account"),
                  6744, 4536, Frame::FixedTool) {
    place<QLabel>("Label1", 360, 240, 2052, 252)
        ->setText(QStringLiteral("Select your account folder :"));
    driveList_ = place<DriveList>("Drive1", 1920, 600, 1812, 288);
    driveList_->setAccessibleName(QStringLiteral("Drive"));
    folderList_ = place<DirectoryList>("Dir1", 1920, 1080, 1812, 1584);
    folderList_->setAccessibleName(QStringLiteral("Select your account folder"));
    place<QLabel>("Label3", 3960, 2400, 2172, 252)->setText(QStringLiteral("(eg : c:\\velquist )"));
    chosenLabel_ = place<PathLabel>("Label2", 1200, 3120, 2052, 252);
    chosenLabel_->setAccessibleDescription(QStringLiteral("Chosen folder"));
    okButton_ = place<QPushButton>("Command1", 1800, 3480, 1932, 492);
    okButton_->setText(QStringLiteral("Ok"));
    setTabOrder(driveList_, folderList_);
    setTabOrder(folderList_, okButton_);
    setFocusProxy(driveList_);

    folderList_->setPath(QDir::currentPath());
    driveList_->selectDriveOf(folderList_->path());

    connect(driveList_, &QComboBox::currentIndexChanged, this, &OpenAccountWindow::driveChanged);
    connect(folderList_, &DirectoryList::pathChanged, this, &OpenAccountWindow::showChosenFolder);
    connect(folderList_, &QListWidget::itemClicked, this, &OpenAccountWindow::showChosenFolder);
    connect(folderList_, &QListWidget::itemPressed, this, &OpenAccountWindow::showChosenFolder);
    connect(okButton_, &QPushButton::clicked, this, &OpenAccountWindow::openAccount);
}

QString OpenAccountWindow::chosenFolder() const {
    return folderList_->path();
}

void OpenAccountWindow::activated() {
    folderList_->refresh();
}

void OpenAccountWindow::showChosenFolder() {
    chosenLabel_->showPath(chosenFolder());
}

void OpenAccountWindow::driveChanged() {
    const QString drive = driveList_->drive();
    if (!folderList_->setPath(drive)) {
        windows().inform(QStringLiteral("The drive %1 cannot be opened.").arg(drive), kTitle,
                         MessageIcon::Exclamation);
        driveList_->selectDriveOf(folderList_->path());
    }
}

void OpenAccountWindow::openAccount() {
    CurrentAccount& current = windows().account();
    const QString chosen = chosenFolder();
    const bool another = !sameFolder(chosen, current.folder());
    // Only a folder with a Name.txt is an account; no mark is left in any other folder.
    const bool isAccount = QFileInfo(account::filePath(chosen, account::kName)).isFile();
    account::AccountLock::Attempt lock;
    if (another) {
        // Open windows write back to the folder they were loaded from; closing them first
        // keeps one account's rows out of another account's folder, and has them saved
        // before anything about the new account can keep the user waiting.
        if (!windows().closeAccountWindows())
            return;
        // A second copy of the program with the same account open would write over what
        // this one records, and the other way round.
        if (isAccount)
            lock = account::AccountLock::take(chosen);
        // A mark the user may overrule is offered for removal; Cancel is the default, and a
        // box ended without a button (the program asked to end meanwhile) counts as Cancel.
        // Only the file the user was asked about is removed: one put there since is asked
        // about in turn.
        bool declined = false;
        while (!declined && !lock.refusal.isEmpty() && !lock.takeOverQuestion.isEmpty()) {
            if (windows().ask(lock.refusal + QStringLiteral("\n\n") + lock.takeOverQuestion, kTitle,
                              MessageIcon::Exclamation, {Choice::Cancel, Choice::Ok}) == Choice::Ok)
                lock = account::AccountLock::takeOver(chosen, lock.found);
            else
                declined = true;
        }
        if (!lock.refusal.isEmpty()) {
            if (!declined)
                windows().inform(lock.refusal, kTitle, MessageIcon::Exclamation);
            return;
        }
    }

    windows().mainWindow().showAccountInCaption(chosen);
    current.setFolder(chosen);
    if (another)
        current.hold(std::move(lock.lock));
    if (!lock.warning.isEmpty())
        windows().inform(lock.warning, kTitle, MessageIcon::Exclamation);
    // A save that was cut short (the program ended in the middle of writing a list) is
    // finished before any window reads the account.
    if (isAccount) {
        // Told whether it failed or was put right around another program's change.
        if (const listfile::Outcome finished = account::finishPendingSaves(chosen);
            !finished.message().isEmpty())
            windows().inform(finished.message(), kTitle, MessageIcon::Exclamation);
    }
    const auto name = listfile::readValue(account::filePath(chosen, account::kName));
    if (name.ok()) {
        current.setName(*name.value);
        closeWindow();
    }
    windows().mainWindow().showContents();
    windows().inform(QStringLiteral("If any account is already opened Please reopen all window "
                                    "in this program to reset the value of Amount"),
                     QStringLiteral("Please"), MessageIcon::Information);
    windows().mainWindow().setViewMenuEnabled(true);
}

} // namespace kesterly
