#pragma once

#include "core/listfile.h"

#include <QString>

// Creating a new account folder with its thirteen files, apart from any window.
namespace kesterly::account {

// Why a name cannot become an account folder ("" when it can): an empty name, "." or
// "..", or a separator or control character would create the folder somewhere else or
// a broken one.
QString nameRefusal(const QString& name);

// root + name + separator: the folder of a new account.
QString newAccountFolder(const QString& root, const QString& name);
// folder + "Reminders" + separator.
QString newRemindersFolder(const QString& accountFolder);

// Creates an account as one unit, so that a crash, a full disk or a refused write never
// leaves half an account under its name. The account is made in a hidden creation folder
// in the root (".Household.<token>.kesterly-new", holding a marker file and the account
// folder "Household" with its files), every file and folder flushed to the disk, and then
// moved to its name in one step that never replaces anything there. What an interrupted
// creation left behind is removed by the next one in the same root: only hidden
// creation folders that hold the marker, that no running copy is still filling, and that
// hold nothing but the account's own files, or that are empty (what a creation cut off
// just after making its folder, or just before removing it, leaves).
class AccountCreation {
public:
    // root ends with a separator; the name has passed nameRefusal().
    AccountCreation(QString root, QString name);
    // Removes the creation folder unless the account was put in place.
    ~AccountCreation();
    AccountCreation(const AccountCreation&) = delete;
    AccountCreation& operator=(const AccountCreation&) = delete;

    // build() and then putInPlace().
    listfile::Outcome create(const QString& openingBalance);

    // Removes what interrupted creations left in the root, checks that the name is free,
    // and writes the account's thirteen files, each one line, into the creation folder;
    // with an opening balance holding a point or a comma, also the hidden file that
    // remembers the form of its numbers (numberform.h).
    listfile::Outcome build(const QString& openingBalance);
    // Gives the built account its name in one step. A name taken meanwhile is left as it
    // is, and the creation folder goes.
    listfile::Outcome putInPlace();

    // The failure was that an account, or some other file, already has the name.
    bool nameTaken() const { return nameTaken_; }

private:
    listfile::Outcome fail(const QString& message);
    listfile::Outcome makeCreationFolder();
    void removeCreationFolder();

    QString root_;
    QString name_;
    QString creationFolder_; // set while this creation has one
    int lock_ = -1;          // the creation folder, held open and locked while it is filled
    bool nameTaken_ = false;
};

} // namespace kesterly::account
