#include "tools/common/interrupt.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tools {

namespace {

int pipeFds[2] = {-1, -1};
const int handled[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void onSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a pending interrupt, so a lost byte is harmless.
    [[maybe_unused]] const ssize_t written = ::write(pipeFds[1], &byte, 1);
    errno = saved;
}

} // namespace

Interrupt::Interrupt(QObject* parent)
    : QObject(parent) {
    if (pipeFds[0] >= 0)
        return; // one per process
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, pipeFds) != 0) {
        pipeFds[0] = pipeFds[1] = -1;
        return;
    }
    m_notifier = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &Interrupt::drain);

    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : handled)
        ::sigaction(number, &action, nullptr);
}

Interrupt::~Interrupt() {
    if (!m_notifier)
        return;
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : handled)
        ::sigaction(number, &action, nullptr);
    delete m_notifier;
    m_notifier = nullptr;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    pipeFds[0] = pipeFds[1] = -1;
}

void Interrupt::drain() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t got = ::read(pipeFds[0], bytes, sizeof bytes);
        if (got <= 0)
            break;
        for (ssize_t i = 0; i < got; ++i)
            emit interrupted(bytes[i]);
    }
}

} // namespace tools
