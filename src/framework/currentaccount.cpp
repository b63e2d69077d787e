#include "framework/currentaccount.h"

namespace kesterly {

void CurrentAccount::setFolder(const QString& folder) {
    folder_ = folder;
    emit changed();
}

void CurrentAccount::setName(const QString& name) {
    name_ = name;
    emit changed();
}

void CurrentAccount::hold(std::unique_ptr<account::AccountLock> lock) {
    lock_ = std::move(lock);
}

void CurrentAccount::release() {
    lock_.reset();
}

} // namespace kesterly
