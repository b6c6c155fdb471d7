#pragma once

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>
#include <QString>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>
#include <utility>

namespace test {

// The module's end of a pseudo-terminal: the program opens slavePath() like any serial port.
// The peer keeps its own slave descriptor open, so the master sees no hang-up between the
// program's opens and closes.
class PtyPeer : public QObject {
public:
    // Not reading: a device that takes nothing off the line until drained, so that what the
    // program writes stays in the terminal and a send stalls there.
    explicit PtyPeer(bool reading = true) {
        char name[256] = {};
        termios tio{};
        cfmakeraw(&tio);
        if (openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
            m_master = m_slave = -1;
            return;
        }
        m_path = QString::fromLocal8Bit(name);
        // A child process would hold the module's end too, and pass for the device's own side.
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        if (!reading)
            return;
        m_notifier = new QSocketNotifier(m_master, QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &PtyPeer::readAvailable);
    }
    ~PtyPeer() override { vanish(); }

    QString slavePath() const { return m_path; }
    // Writes everything, waiting for the terminal to take it.
    bool write(const QByteArray& data) {
        qsizetype done = 0;
        while (m_master >= 0 && done < data.size()) {
            const ssize_t n =
                ::write(m_master, data.constData() + done, size_t(data.size() - done));
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
    // The terminal's settings, as the program's end set them.
    termios settings() const {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        return tio;
    }
    // Bytes in the terminal that the module's end has not read yet.
    int unread() const {
        int n = 0;
        return ::ioctl(m_master, FIONREAD, &n) == 0 ? n : -1;
    }
    QByteArray drain() {
        readAvailable();
        return takeReceived();
    }
    QByteArray received() const { return m_received; }
    QByteArray takeReceived() { return std::exchange(m_received, {}); }
    void clearReceived() { m_received.clear(); }
    // Runs the event loop until received() contains needle or time runs out.
    bool waitFor(const QByteArray& needle, int timeoutMs = 3000) {
        return QTest::qWaitFor([&] { return m_received.contains(needle); }, timeoutMs);
    }
    // The device vanishes: both ends of the terminal are closed.
    void vanish() {
        delete m_notifier;
        m_notifier = nullptr;
        for (int fd : {m_master, m_slave}) {
            if (fd >= 0)
                ::close(fd);
        }
        m_master = m_slave = -1;
    }

private:
    void readAvailable() {
        char buf[65536];
        for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buf, sizeof buf)) > 0;)
            m_received.append(buf, n);
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    QSocketNotifier* m_notifier = nullptr;
    QByteArray m_received;
};

} // namespace test
