#include "common/ptypeer.h"

#include <QSocketNotifier>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

namespace test {

PtyPeer::PtyPeer(QObject* parent)
    : QObject(parent)
{
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

PtyPeer::~PtyPeer()
{
    vanish();
}

bool PtyPeer::write(const QByteArray& data)
{
    qsizetype done = 0;
    while (m_master >= 0 && done < data.size()) {
        const ssize_t n = ::write(m_master, data.constData() + done, size_t(data.size() - done));
        if (n > 0) {
            done += n;
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        // The terminal is full: let the program under test drain it.
        readAvailable();
        QTest::qWait(1);
    }
    return done == data.size();
}

QByteArray PtyPeer::takeReceived()
{
    QByteArray out;
    out.swap(m_received);
    return out;
}

bool PtyPeer::waitFor(const QByteArray& needle, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_received.contains(needle); }, timeoutMs);
}

bool PtyPeer::waitForBytes(qsizetype minBytes, int timeoutMs)
{
    return QTest::qWaitFor([&] { return m_received.size() >= minBytes; }, timeoutMs);
}

void PtyPeer::vanish()
{
    delete m_notifier;
    m_notifier = nullptr;
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
    m_master = m_slave = -1;
}

void PtyPeer::readAvailable()
{
    if (m_master < 0)
        return;
    char buf[65536];
    bool got = false;
    for (;;) {
        const ssize_t n = ::read(m_master, buf, sizeof buf);
        if (n <= 0)
            break;
        m_received.append(buf, n);
        got = true;
    }
    if (got)
        emit dataReceived();
}

} // namespace test
