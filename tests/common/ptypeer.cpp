#include "common/ptypeer.h"

#include <QSocketNotifier>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <unistd.h>

namespace test {

PtyPeer::PtyPeer(QObject* parent)
    : QObject(parent) {
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
        m_master = m_slave = -1;
        return;
    }
    m_path = QString::fromLocal8Bit(name);
    ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
    m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &PtyPeer::readAvailable);
}

bool PtyPeer::write(const QByteArray& data) {
    qsizetype done = 0;
    while (m_master >= 0 && done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            readAvailable(); // the terminal is full: let the program drain it
            QTest::qWait(1);
        }
    }
    return done == data.size();
}

bool PtyPeer::waitFor(const QByteArray& needle, int timeoutMs) {
    return QTest::qWaitFor([&] { return m_received.contains(needle); }, timeoutMs);
}

void PtyPeer::vanish() {
    delete m_notifier;
    m_notifier = nullptr;
    for (int fd : {m_master, m_slave}) {
        if (fd >= 0)
            ::close(fd);
    }
    m_master = m_slave = -1;
}

void PtyPeer::readAvailable() {
    char buf[65536];
    for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0;)
        m_received.append(buf, n);
}

} // namespace test
