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

// Creates one folder that must not exist yet. An existing folder is reported as an
// existing account of that name, and nothing in it is touched.
listfile::Outcome createFolder(const QString& path, const QString& accountName);

// The three reminder files, the balance, the name and the eight ledger files, each one
// line, in that order; stops at the first failure.
listfile::Outcome createAccountFiles(const QString& accountFolder, const QString& remindersFolder,
                                     const QString& name, const QString& openingBalance);

} // namespace kesterly::account
