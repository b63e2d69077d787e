#include "shell/endrequests.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kesterly {

namespace {

constexpr std::array kEndSignals = {SIGTERM, SIGHUP, SIGINT};
// The pipe from the signal handler to the event loop: [0] written, [1] read.
int pipeEnds[2] = {-1, -1};

void onEndSignal(int signal) {
    const int saved = errno;
    const char byte = static_cast<char>(signal);
    // A full pipe already holds a request; one is enough.
    [[maybe_unused]] const ssize_t written = ::write(pipeEnds[0], &byte, 1);
    errno = saved;
}

} // namespace

EndRequests::EndRequests(QObject* parent) : QObject(parent) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, pipeEnds) != 0)
        return;
    notifier_ = new QSocketNotifier(pipeEnds[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &EndRequests::readRequest);
    struct sigaction action {};
    action.sa_handler = onEndSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
}

EndRequests::~EndRequests() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kEndSignals)
        ::sigaction(signal, &action, nullptr);
    for (int& end : pipeEnds) {
        if (end >= 0)
            ::close(end);
        end = -1;
    }
}

void EndRequests::readRequest() {
    char byte = 0;
    while (::read(pipeEnds[1], &byte, 1) == 1)
        received_ = static_cast<unsigned char>(byte);
    // Every event loop ends, those of open message boxes too: a box left waiting for an
    // answer nobody gives would keep the program from ending.
    QCoreApplication::exit(0);
}

} // namespace kesterly
