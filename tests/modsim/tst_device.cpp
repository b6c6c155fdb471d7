// The simulator binary as a device: talked to through its terminal path like a serial port.

#include "common/modsim.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

// A serial port opened the plain POSIX way, the way the program's port library does it.
class Port {
public:
    ~Port() { close(); }

    bool open(const QString& path) {
        m_fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK);
        if (m_fd < 0)
            return false;
        termios tio{};
        if (::tcgetattr(m_fd, &tio) != 0)
            return false;
        cfmakeraw(&tio);
        return ::tcsetattr(m_fd, TCSANOW, &tio) == 0;
    }

    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Writes everything while collecting what comes back, so neither side can block the other.
    bool write(const QByteArray& data, int timeoutMs = 5000) {
        qsizetype done = 0;
        while (done < data.size()) {
            pollfd p{m_fd, short(POLLIN | POLLOUT), 0};
            if (::poll(&p, 1, timeoutMs) <= 0)
                return false;
            if (p.revents & POLLIN)
                drain();
            if (p.revents & POLLOUT) {
                const ssize_t n =
                    ::write(m_fd, data.constData() + done, size_t(data.size() - done));
                if (n > 0)
                    done += n;
                else if (n < 0 && errno != EAGAIN && errno != EINTR)
                    return false;
            }
            if (p.revents & (POLLERR | POLLHUP | POLLNVAL))
                return false;
        }
        return true;
    }

    // Collects until the received bytes hold `needle`; false on time-out or hang-up.
    bool waitFor(const QByteArray& needle, int timeoutMs = 5000) {
        QDeadlineTimer deadline(timeoutMs);
        while (!m_received.contains(needle)) {
            pollfd p{m_fd, POLLIN, 0};
            if (::poll(&p, 1, int(deadline.remainingTime())) <= 0)
                return false;
            if (drain() <= 0)
                return false;
        }
        return true;
    }

    // Reads what is there; 0 for end of file, -1 with errno on error (EAGAIN: nothing yet).
    ssize_t drain() {
        char buf[65536];
        ssize_t total = 0;
        for (;;) {
            const ssize_t n = ::read(m_fd, buf, sizeof buf);
            if (n > 0) {
                m_received.append(buf, n);
                total += n;
                continue;
            }
            if (total > 0)
                return total;
            if (n < 0)
                m_errno = errno;
            return n;
        }
    }

    // True when the device reports its end: end of file or an I/O error, not "try again".
    bool hungUp(int timeoutMs = 3000) {
        QDeadlineTimer deadline(timeoutMs);
        for (;;) {
            pollfd p{m_fd, POLLIN, 0};
            ::poll(&p, 1, int(deadline.remainingTime()));
            const ssize_t n = drain();
            if (n == 0 || (n < 0 && m_errno != EAGAIN && m_errno != EINTR))
                return true;
            if (deadline.hasExpired())
                return false;
        }
    }

    QByteArray takeReceived() {
        QByteArray out;
        out.swap(m_received);
        return out;
    }
    const QByteArray& received() const { return m_received; }

private:
    int m_fd = -1;
    int m_errno = 0;
    QByteArray m_received;
};

quint32 tableJamcrc(const QByteArray& data) {
    static quint32 table[256];
    static bool ready = false;
    if (!ready) {
        for (quint32 i = 0; i < 256; ++i) {
            quint32 r = i;
            for (int k = 0; k < 8; ++k)
                r = (r >> 1) ^ (0xEDB88320u & (0u - (r & 1u)));
            table[i] = r;
        }
        ready = true;
    }
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : data)
        crc = table[(crc ^ quint8(c)) & 0xFF] ^ (crc >> 8);
    return crc;
}

QByteArray randomBytes(qsizetype n, quint32 seed) {
    QByteArray out(n, Qt::Uninitialized);
    QRandomGenerator rng(seed);
    for (char& c : out)
        c = char(rng.bounded(256));
    return out;
}

} // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void conversation();
    void survivesReopen();
    void firmwareImage_data();
    void firmwareImage();
    void writebFlood();
    void silent();
    void delay();
    void vanish();
    void link();
    void linkRefusesRealFile();
    void trace();
    void badOptions_data();
    void badOptions();
    void help();
};

void TestDevice::initTestCase() {
    QVERIFY2(QFileInfo(test::Modsim::program()).isExecutable(), "KELVRA_MODSIM is not set");
}

void TestDevice::conversation() {
    test::Modsim sim;
    QVERIFY(sim.start());
    QVERIFY(sim.portPath().startsWith("/dev/"));
    Port port;
    QVERIFY(port.open(sim.portPath()));
    QVERIFY(port.write("AT\r\nAT+VERSION\r\nAT+BOGUS\r\n"));
    QVERIFY(port.waitFor("ERROR\r\n"));
    const QByteArray got = port.takeReceived();
    QVERIFY2(got.startsWith("OK\r\n+VERSION:"), got.constData());
    QVERIFY2(got.endsWith("\r\nOK\r\nERROR\r\n"), got.constData());

    sim.stop();
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
}

void TestDevice::survivesReopen() {
    test::Modsim sim;
    QVERIFY(sim.start());
    for (int i = 0; i < 3; ++i) {
        Port port;
        QVERIFY(port.open(sim.portPath()));
        QVERIFY(port.write("AT\r\n"));
        QVERIFY2(port.waitFor("OK\r\n"), qPrintable(QString::number(i)));
    }
    QCOMPARE(sim.process().state(), QProcess::Running);
}

void TestDevice::firmwareImage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("goodCrc");
    QTest::addColumn<QByteArray>("expectedEnd");
    QTest::newRow("256 KiB") << QStringList{} << 256 * 1024 << true << QByteArray("OK\r\n");
    QTest::newRow("odd size with progress lines")
        << QStringList{"--progress-lines"} << 1000 << true << QByteArray("OK\r\n");
    QTest::newRow("wrong CRC") << QStringList{} << 600 << false << QByteArray("FAIL\r\n");
}

void TestDevice::firmwareImage() {
    QFETCH(QStringList, args);
    QFETCH(int, size);
    QFETCH(bool, goodCrc);
    QFETCH(QByteArray, expectedEnd);
    const QByteArray image = randomBytes(size, 42);
    const bool progress = args.contains("--progress-lines");

    test::Modsim sim;
    QVERIFY(sim.start(args));
    Port port;
    QVERIFY(port.open(sim.portPath()));
    // One block at a time, waiting for each confirmation, as the program does.
    for (qsizetype off = 0; off < image.size(); off += 256) {
        const QByteArray request = "AT+FWWRITE=0," + QByteArray::number(off) + ',' +
                                   image.mid(off, 256).toHex().toUpper() + "\r\n";
        QVERIFY(port.write(request));
        QVERIFY2(port.waitFor("OK\r\n"), qPrintable(QString::number(off)));
        const QByteArray expected =
            progress ? "+FWWRITE:" + QByteArray::number(off) + "\r\nOK\r\n" : QByteArray("OK\r\n");
        QCOMPARE(port.takeReceived(), expected);
    }
    const quint32 crc = tableJamcrc(image) ^ (goodCrc ? 0u : 1u);
    QVERIFY(port.write("AT+FWUPDATE=0," + QByteArray::number(image.size()) + ',' +
                       QByteArray::number(crc) + "\r\n"));
    QVERIFY(port.waitFor(expectedEnd));
    if (progress)
        QVERIFY(port.received().startsWith("+FWUPDATE:" + QByteArray::number(size) + ','));
}

void TestDevice::writebFlood() {
    // A megabyte payload full of line ends comes back whole in data mode 2.
    QByteArray payload = randomBytes(1024 * 1024, 9);
    for (qsizetype i = 0; i < payload.size(); i += 97)
        payload.replace(i, 2, "\r\n");
    test::Modsim sim;
    QVERIFY(sim.start());
    Port port;
    QVERIFY(port.open(sim.portPath()));
    QVERIFY(port.write("AT+DATAMODE=2\r\n"));
    QVERIFY(port.waitFor("OK\r\n"));
    port.takeReceived();
    const QByteArray header = "+READB:" + QByteArray::number(payload.size()) + ":5\r\n";
    QVERIFY(port.write("AT+WRITEB=5," + QByteArray::number(payload.size()) + "\r\n" + payload +
                       "AT\r\n"));
    const QByteArray expected = "OK\r\n" + header + payload + "OK\r\n";
    QDeadlineTimer deadline(10000);
    while (port.received().size() < expected.size() && !deadline.hasExpired())
        port.waitFor("\xff\xfe-never", 50);
    QCOMPARE(port.received().size(), expected.size());
    QVERIFY(port.received() == expected);
}

void TestDevice::silent() {
    test::Modsim sim;
    QVERIFY(sim.start({"--silent", "VERSION", "--silent", "at+fwupdate"}));
    Port port;
    QVERIFY(port.open(sim.portPath()));
    // The silent ones say nothing at all, so the first bytes back belong to the plain AT.
    QVERIFY(port.write("AT+VERSION\r\nAT+FWUPDATE=0,0,4294967295\r\nAT\r\n"));
    QVERIFY(port.waitFor("OK\r\n"));
    QCOMPARE(port.takeReceived(), QByteArray("OK\r\n"));
}

void TestDevice::delay() {
    test::Modsim sim;
    QVERIFY(sim.start({"--delay", "1000"}));
    Port port;
    QVERIFY(port.open(sim.portPath()));
    QVERIFY(port.write("AT\r\nAT+NOPE\r\n"));
    QVERIFY(!port.waitFor("OK", 200));
    QVERIFY(port.waitFor("ERROR\r\n"));
    QCOMPARE(port.takeReceived(), QByteArray("OK\r\nERROR\r\n"));
}

void TestDevice::vanish() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("ttyModule");
    test::Modsim sim;
    QVERIFY(sim.start({"--vanish-after", "2", "--link", link}));
    const QString path = sim.portPath();
    Port port;
    QVERIFY(port.open(path));
    QVERIFY(port.write("AT\r\n"));
    QVERIFY(port.waitFor("OK\r\n"));
    port.takeReceived();
    QVERIFY(port.write("AT+VERSION\r\n"));
    QVERIFY(sim.process().waitForFinished(3000));
    QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
    QCOMPARE(sim.process().exitCode(), 0);
    // unplugged: no answer, the port reports its end, the names are gone
    QVERIFY(port.hungUp());
    QVERIFY(port.received().isEmpty());
    QVERIFY(!QFileInfo::exists(link) && !QFileInfo(link).isSymLink());
    QVERIFY(!QFile::exists(path));
}

void TestDevice::link() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath("ttyModule");
    // left behind by a run that was killed
    QVERIFY(QFile::link(dir.filePath("gone"), link));

    test::Modsim sim;
    QVERIFY(sim.start({"--link", link}));
    QCOMPARE(QFileInfo(link).symLinkTarget(), sim.portPath());
    Port port;
    QVERIFY(port.open(link));
    QVERIFY(port.write("AT\r\n"));
    QVERIFY(port.waitFor("OK\r\n"));
    sim.stop();
    QCOMPARE(sim.process().exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

void TestDevice::linkRefusesRealFile() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("notes.txt");
    QFile f(file);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("keep me");
    f.close();

    QProcess p;
    p.start(test::Modsim::program(), {"--link", file});
    QVERIFY(p.waitForFinished(3000));
    QVERIFY(p.exitCode() != 0);
    QVERIFY(!p.readAllStandardError().isEmpty());
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), QByteArray("keep me"));
}

void TestDevice::trace() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString file = dir.filePath("trace.bin");
    QFile old(file);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write("before|");
    old.close();

    const QByteArray sent =
        QByteArray("AT+DATAMODE=1\r\nAT+WRITEB=0,6\r\n\x00\r\n\xff\n\r", 36) + "AT\r\n";
    test::Modsim sim;
    QVERIFY(sim.start({"--trace", file}));
    Port port;
    QVERIFY(port.open(sim.portPath()));
    QVERIFY(port.write(sent));
    QVERIFY(port.waitFor("OK\r\nOK\r\nOK\r\n"));
    sim.stop();
    QFile f(file);
    QVERIFY(f.open(QIODevice::ReadOnly));
    QCOMPARE(f.readAll(), "before|" + sent);
}

void TestDevice::badOptions_data() {
    QTest::addColumn<QStringList>("args");
    QTest::newRow("unknown") << QStringList{"--frobnicate"};
    QTest::newRow("positional") << QStringList{"/dev/ttyS0"};
    QTest::newRow("negative delay") << QStringList{"--delay", "-5"};
    QTest::newRow("non-numeric delay") << QStringList{"--delay", "soon"};
    QTest::newRow("fail-block 0") << QStringList{"--fail-block", "0"};
    QTest::newRow("fail-block huge") << QStringList{"--fail-block", "99999999999999999999"};
    QTest::newRow("vanish-after missing value") << QStringList{"--vanish-after"};
    QTest::newRow("vanish-after negative") << QStringList{"--vanish-after=-1"};
    QTest::newRow("empty silent") << QStringList{"--silent", ""};
    QTest::newRow("value for a flag") << QStringList{"--echo=yes"};
}

void TestDevice::badOptions() {
    QFETCH(QStringList, args);
    QProcess p;
    p.start(test::Modsim::program(), args);
    QVERIFY(p.waitForFinished(3000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 2);
    QVERIFY(!p.readAllStandardError().trimmed().isEmpty());
    QVERIFY2(p.readAllStandardOutput().isEmpty(), "printed a terminal path anyway");
}

void TestDevice::help() {
    QProcess p;
    p.start(test::Modsim::program(), {"--help"});
    QVERIFY(p.waitForFinished(3000));
    QCOMPARE(p.exitCode(), 0);
    const QByteArray text = p.readAllStandardOutput();
    for (const char* option : {"--link", "--silent", "--fail-block", "--progress-lines", "--delay",
                               "--vanish-after", "--trace", "--echo"})
        QVERIFY2(text.contains(option), option);
}

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_device.moc"
