// The simulator binary as a device: talked to through its terminal path like a serial port.

#include "common/modsim.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

namespace {

// The module as the program sees it: a serial port on the terminal's path.
struct Port : QSerialPort {
    bool open(const QString& path) {
        setPortName(path);
        return QSerialPort::open(QIODevice::ReadWrite);
    }

    bool send(const QByteArray& data) {
        return write(data) == data.size() && waitForBytesWritten(3000);
    }

    // Collects until the received bytes hold `needle`; false on time-out or hang-up.
    bool waitFor(const QByteArray& needle) {
        while (!received.contains(needle)) {
            if (!waitForReadyRead(3000))
                return false;
            received += readAll();
        }
        return true;
    }

    // True when the port reports that the device went away (a pseudo-terminal's
    // end reads as ReadError, a removed adapter as ResourceError).
    bool hungUp() {
        const auto gone = [this] {
            return error() == QSerialPort::ResourceError || error() == QSerialPort::ReadError;
        };
        for (int i = 0; i < 30 && !gone(); ++i) {
            if (waitForReadyRead(100))
                received += readAll();
        }
        return gone();
    }

    QByteArray received;
};

QProcess* finished(QProcess& p, const QStringList& args) {
    p.start(test::Modsim::program(), args);
    return p.waitForFinished(3000) && p.exitStatus() == QProcess::NormalExit ? &p : nullptr;
}

} // namespace

class TestDevice : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        QVERIFY2(QFileInfo(test::Modsim::program()).isExecutable(), "KELVRA_MODSIM is not set");
    }

    void conversationAcrossReopens() {
        test::Modsim sim;
        QVERIFY(sim.start());
        for (int i = 0; i < 3; ++i) {
            Port port;
            QVERIFY(port.open(sim.portPath()));
            QVERIFY(port.send("AT\r\nAT+VERSION\r\nAT+BOGUS\r\n"));
            QVERIFY(port.waitFor("ERROR\r\n"));
            QVERIFY2(port.received.startsWith("OK\r\n+VERSION:"), port.received.constData());
            QVERIFY2(port.received.endsWith("\r\nOK\r\nERROR\r\n"), port.received.constData());
        }
        sim.stop();
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
    }

    // Unplugged: no answer, the port reports its end, the names are gone.
    void vanish() {
        QTemporaryDir dir;
        const QString link = dir.filePath("ttyModule");
        test::Modsim sim;
        QVERIFY(sim.start({"--vanish-after", "2", "--link", link}));
        const QString path = sim.portPath();
        Port port;
        QVERIFY(port.open(link));
        QVERIFY(port.send("AT\r\n"));
        QVERIFY(port.waitFor("OK\r\n"));
        port.received.clear();
        QVERIFY(port.send("AT+VERSION\r\n"));
        QVERIFY(sim.process().waitForFinished(3000));
        QCOMPARE(sim.process().exitStatus(), QProcess::NormalExit);
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(port.hungUp());
        QVERIFY(port.received.isEmpty());
        QVERIFY(!QFileInfo(link).isSymLink());
        QVERIFY(!QFile::exists(path));
    }

    // A link left behind by a run that was killed is replaced, and removed at the end.
    void staleLink() {
        QTemporaryDir dir;
        const QString link = dir.filePath("ttyModule");
        QVERIFY(QFile::link(dir.filePath("gone"), link));
        test::Modsim sim;
        QVERIFY(sim.start({"--link", link}));
        QCOMPARE(QFileInfo(link).symLinkTarget(), sim.portPath());
        sim.stop();
        QCOMPARE(sim.process().exitCode(), 0);
        QVERIFY(!QFileInfo(link).isSymLink());
    }

    void linkRefusesRealFile() {
        QTemporaryDir dir;
        QFile f(dir.filePath("notes.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("keep me") == 7);
        f.close();
        QProcess p;
        QVERIFY(finished(p, {"--link", f.fileName()}));
        QVERIFY(p.exitCode() != 0);
        QVERIFY(!p.readAllStandardError().isEmpty());
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("keep me"));
    }

    // Everything received is appended, binary payload included.
    void trace() {
        QTemporaryDir dir;
        QFile f(dir.filePath("trace.bin"));
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write("before|") == 7);
        f.close();
        const QByteArray sent =
            QByteArray("AT+DATAMODE=1\r\nAT+WRITEB=0,6\r\n\x00\r\n\xff\n\r", 36) + "AT\r\n";
        test::Modsim sim;
        QVERIFY(sim.start({"--trace", f.fileName()}));
        Port port;
        QVERIFY(port.open(sim.portPath()));
        QVERIFY(port.send(sent));
        QVERIFY(port.waitFor("OK\r\nOK\r\nOK\r\n"));
        sim.stop();
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), "before|" + sent);
    }

    void badOptions_data() {
        QTest::addColumn<QStringList>("args");
        QTest::newRow("unknown") << QStringList{"--frobnicate"};
        QTest::newRow("non-numeric delay") << QStringList{"--delay", "soon"};
        QTest::newRow("fail-block huge") << QStringList{"--fail-block", "99999999999999999999"};
        QTest::newRow("vanish-after negative") << QStringList{"--vanish-after=-1"};
    }
    void badOptions() {
        QFETCH(QStringList, args);
        QProcess p;
        QVERIFY(finished(p, args));
        QCOMPARE(p.exitCode(), 2);
        QVERIFY(!p.readAllStandardError().trimmed().isEmpty());
        QVERIFY2(p.readAllStandardOutput().isEmpty(), "printed a terminal path anyway");
    }
};

QTEST_GUILESS_MAIN(TestDevice)
#include "tst_device.moc"
