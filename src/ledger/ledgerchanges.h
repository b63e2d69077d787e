#pragma once

#include <QObject>

namespace kesterly {

class Windows;

// Tells whoever shows the ledger's figures that an entry was added or removed, or that
// the lists were read again: one object for the whole run, shared through the registry
// (Windows::shared), so a window that opens later than the lists hears it too.
class LedgerChanges : public QObject {
    Q_OBJECT
public:
    explicit LedgerChanges(Windows&) {}

signals:
    void changed();
};

} // namespace kesterly
