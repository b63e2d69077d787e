#pragma once

#include "core/clock.h"
#include "framework/windows.h"
#include "support/recordingmessages.h"

#include <QTemporaryDir>
#include <memory>

namespace kesterly::test {

// A running program without a real screen: its own accounts root in a temporary folder,
// recorded message boxes and a clock the test sets.
class AppFixture {
public:
    AppFixture();
    ~AppFixture();

    // The accounts root, ending with a separator.
    QString root() const;
    // A path inside the root.
    QString path(const QString& relative) const;

    RecordingMessages messages;
    ManualClock clock;
    std::unique_ptr<Windows> windows;

private:
    QTemporaryDir dir_;
};

} // namespace kesterly::test
