#pragma once

#include "core/accountlock.h"

#include <QObject>
#include <QString>
#include <memory>

namespace kesterly {

// The account open in this copy of the program: its folder and its name, empty until
// Open Account sets them. Every window that touches account files reads the folder here,
// afresh at each file operation; the status panel shows both.
class CurrentAccount : public QObject {
    Q_OBJECT
public:
    QString folder() const { return folder_; }
    QString name() const { return name_; }
    void setFolder(const QString& folder);
    void setName(const QString& name);

    // Keeps the account marked as open in this copy of the program, so that no other copy
    // opens it, until another account is opened or release() is called.
    void hold(std::unique_ptr<account::AccountLock> lock);
    void release();

signals:
    void changed();

private:
    QString folder_;
    QString name_;
    std::unique_ptr<account::AccountLock> lock_;
};

} // namespace kesterly
