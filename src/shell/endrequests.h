#pragma once

#include <QObject>

class QSocketNotifier;

namespace kesterly {

// The requests to end the program that come as signals: SIGTERM (the desktop at logout
// or shutdown), SIGHUP (the terminal or remote session went away) and SIGINT (Ctrl+C in
// the terminal). Each ends the main event loop, after which main() closes the windows as
// the close box does. The handler itself only writes a byte into a pipe; the program
// reacts on its own thread, between events.
class EndRequests : public QObject {
    Q_OBJECT
public:
    explicit EndRequests(QObject* parent = nullptr);
    ~EndRequests() override;
    EndRequests(const EndRequests&) = delete;
    EndRequests& operator=(const EndRequests&) = delete;

    // The signal that asked the program to end; 0 when none did.
    int received() const { return received_; }

private:
    void readRequest();

    QSocketNotifier* notifier_ = nullptr;
    int received_ = 0;
};

} // namespace kesterly
