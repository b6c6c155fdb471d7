// The module simulator: plays the AT module on a pseudo-terminal so the program and its tests can
// talk to a real peer through a real serial device path.

#include "tools/common/console.h"
#include "tools/common/interrupt.h"
#include "tools/modsim/modem.h"
#include "tools/modsim/options.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <deque>
#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long after a connect the module reports the connection.
constexpr int eventDelayMs = 500;

// Owns the terminal and shuttles bytes between it and the modem.
class Device {
public:
    Device(const modsim::Options& options, QObject* context)
        : m_options(options)
        , m_modem(options.faults)
        , m_context(context) {}

    ~Device() { close(); }

    bool open() {
        char name[256] = {};
        termios tio{};
        cfmakeraw(&tio);
        if (::openpty(&m_master, &m_slave, name, &tio, nullptr) != 0) {
            tools::complain(
                QStringLiteral("cannot open a pseudo-terminal: %1").arg(qt_error_string(errno)));
            m_master = m_slave = -1;
            return false;
        }
        m_path = QByteArray(name);
        if (m_options.checkLine && !setLine())
            return false;
        ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        ::fcntl(m_master, F_SETFD, FD_CLOEXEC);
        ::fcntl(m_slave, F_SETFD, FD_CLOEXEC);

        if (!m_options.trace.isEmpty()) {
            m_trace.setFileName(m_options.trace);
            if (!m_trace.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered)) {
                tools::complain(QStringLiteral("cannot open trace file %1: %2")
                                    .arg(m_options.trace, m_trace.errorString()));
                return false;
            }
        }
        if (!m_options.link.isEmpty() && !makeLink())
            return false;

        m_reader = new QSocketNotifier(m_master, QSocketNotifier::Read, m_context);
        QObject::connect(m_reader, &QSocketNotifier::activated, m_context, [this] { readAll(); });
        m_writer = new QSocketNotifier(m_master, QSocketNotifier::Write, m_context);
        m_writer->setEnabled(false);
        QObject::connect(m_writer, &QSocketNotifier::activated, m_context, [this] { flush(); });
        m_delayTimer = new QTimer(m_context);
        m_delayTimer->setSingleShot(true);
        m_delayTimer->setTimerType(Qt::PreciseTimer);
        QObject::connect(m_delayTimer, &QTimer::timeout, m_context, [this] { releaseDue(); });
        m_eventTimer = new QTimer(m_context);
        m_eventTimer->setSingleShot(true);
        QObject::connect(m_eventTimer, &QTimer::timeout, m_context, [this] {
            process({{QByteArray(), m_modem.takeEvent(), false}});
        });
        m_clock.start();
        return true;
    }

    QByteArray path() const { return m_path; }

    // Everything goes: the terminal (both ends, so its path disappears) and our link.
    void close() {
        delete m_reader;
        m_reader = nullptr;
        delete m_writer;
        m_writer = nullptr;
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
        m_master = m_slave = -1;
        removeLink();
    }

private:
    // The module's own line on its terminal; what the terminal cannot keep is left unchecked.
    bool setLine() {
        termios tio{};
        ::tcgetattr(m_slave, &tio);
        const at::LineSettings& line = m_options.line;
        tio.c_cflag &= ~tcflag_t(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
        tio.c_cflag |= line.dataBits == QSerialPort::Data5   ? CS5
                       : line.dataBits == QSerialPort::Data6 ? CS6
                       : line.dataBits == QSerialPort::Data7 ? CS7
                                                             : CS8;
        if (line.parity != QSerialPort::NoParity)
            tio.c_cflag |= PARENB;
        if (line.parity == QSerialPort::OddParity || line.parity == QSerialPort::MarkParity)
            tio.c_cflag |= PARODD;
        if (line.parity == QSerialPort::MarkParity || line.parity == QSerialPort::SpaceParity)
            tio.c_cflag |= CMSPAR;
        if (line.stopBits == QSerialPort::TwoStop)
            tio.c_cflag |= CSTOPB;
        if (line.flowControl == QSerialPort::HardwareControl)
            tio.c_cflag |= CRTSCTS;
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        if (line.flowControl == QSerialPort::SoftwareControl)
            tio.c_iflag |= IXON | IXOFF;
        if (::tcsetattr(m_slave, TCSANOW, &tio) != 0 || !at::terminalLine(m_slave, &m_line)) {
            tools::complain(
                QStringLiteral("cannot set the terminal's line: %1").arg(qt_error_string(errno)));
            return false;
        }
        if (m_line != line)
            tools::complain(QStringLiteral("the pseudo-terminal does not keep %1: not checked")
                                .arg(at::lineDifferences(line, m_line)));
        return true;
    }

    // The other end's settings are those of the one terminal both ends share.
    bool lineMatches() const {
        at::LineSettings now;
        return !m_options.checkLine || (at::terminalLine(m_slave, &now) && now == m_line);
    }

    bool makeLink() {
        const QByteArray link = QFile::encodeName(m_options.link);
        struct stat st {};
        if (::lstat(link.constData(), &st) == 0) {
            if (!S_ISLNK(st.st_mode)) {
                tools::complain(QStringLiteral("refusing to replace %1: not a symbolic link")
                                    .arg(m_options.link));
                return false;
            }
            ::unlink(link.constData());
        }
        if (::symlink(m_path.constData(), link.constData()) != 0) {
            tools::complain(QStringLiteral("cannot create link %1: %2")
                                .arg(m_options.link, qt_error_string(errno)));
            return false;
        }
        m_linked = true;
        return true;
    }

    void removeLink() {
        if (!m_linked)
            return;
        m_linked = false;
        // Only our own link: someone may have pointed the name elsewhere meanwhile.
        const QByteArray link = QFile::encodeName(m_options.link);
        char target[512] = {};
        const ssize_t n = ::readlink(link.constData(), target, sizeof target - 1);
        if (n > 0 && QByteArray(target, int(n)) == m_path)
            ::unlink(link.constData());
    }

    void readAll() {
        char buf[65536];
        for (;;) {
            if (m_master < 0)
                return;
            const ssize_t n = ::read(m_master, buf, sizeof buf);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return;
            const QByteArray bytes(buf, int(n));
            if (m_trace.isOpen())
                m_trace.write(bytes);
            if (!lineMatches())
                continue;
            if (!process(m_modem.feed(bytes)))
                return;
        }
    }

    // False when the device is gone.
    bool process(const QList<modsim::Event>& events) {
        for (const modsim::Event& event : events) {
            if (event.isCommand && m_options.vanishAfter > 0 &&
                ++m_commands == m_options.vanishAfter) {
                close();
                QCoreApplication::exit(0);
                return false;
            }
            if (event.reply.isEmpty())
                continue;
            if (m_options.delayMs > 0) {
                m_delayed.push_back({m_clock.elapsed() + m_options.delayMs, event.reply});
                if (!m_delayTimer->isActive())
                    m_delayTimer->start(m_options.delayMs);
            } else {
                m_out.append(event.reply);
            }
        }
        if (m_modem.hasEvent() && !m_eventTimer->isActive())
            m_eventTimer->start(eventDelayMs);
        flush();
        return true;
    }

    void releaseDue() {
        const qint64 now = m_clock.elapsed();
        while (!m_delayed.empty() && m_delayed.front().due <= now) {
            m_out.append(m_delayed.front().bytes);
            m_delayed.pop_front();
        }
        if (!m_delayed.empty())
            m_delayTimer->start(int(m_delayed.front().due - now));
        flush();
    }

    void flush() {
        while (m_master >= 0 && m_outPos < m_out.size()) {
            const ssize_t n =
                ::write(m_master, m_out.constData() + m_outPos, size_t(m_out.size() - m_outPos));
            if (n > 0) {
                m_outPos += n;
                continue;
            }
            if (n < 0 && errno == EINTR)
                continue;
            break; // full: the write notifier tells when there is room again
        }
        if (m_outPos == m_out.size()) {
            m_out.clear();
            m_outPos = 0;
        } else if (m_outPos > 1024 * 1024) {
            m_out.remove(0, m_outPos);
            m_outPos = 0;
        }
        if (m_writer)
            m_writer->setEnabled(!m_out.isEmpty());
    }

    struct Delayed {
        qint64 due;
        QByteArray bytes;
    };

    const modsim::Options& m_options;
    modsim::Modem m_modem;
    QObject* m_context;
    int m_master = -1;
    int m_slave = -1;
    QByteArray m_path;
    bool m_linked = false;
    QFile m_trace;
    QSocketNotifier* m_reader = nullptr;
    QSocketNotifier* m_writer = nullptr;
    QTimer* m_delayTimer = nullptr;
    QTimer* m_eventTimer = nullptr;
    QElapsedTimer m_clock;
    std::deque<Delayed> m_delayed;
    QByteArray m_out;
    qsizetype m_outPos = 0;
    qint64 m_commands = 0;
    at::LineSettings m_line;
};

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    tools::setUpTool("kelvra-modsim");
    modsim::Options options;
    if (const int code = modsim::parseOptions(QCoreApplication::arguments(), &options); code >= 0)
        return code;

    tools::Interrupt interrupt;
    QObject context;
    Device device(options, &context);
    if (!interrupt.isInstalled() || !device.open())
        return 1;
    QObject::connect(&interrupt, &tools::Interrupt::interrupted, &context,
                     [] { QCoreApplication::exit(0); });

    std::printf("%s\n", device.path().constData());
    std::fflush(stdout);

    const int rc = app.exec();
    device.close();
    return rc;
}
