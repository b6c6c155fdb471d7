// The device disappears under an open port: idle, during a firmware update and in the
// middle of a binary block. The user must see the loss once, get a closed port back,
// keep the log, and be able to reopen the device once it is back under its name.

#include "common/modsim.h"
#include "common/ptypeer.h"
#include "faults/harness.h"
#include "mainwidget/mainwidget.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

namespace {

enum class Device { Modsim, Peer };

} // namespace

Q_DECLARE_METATYPE(Device)

class TestVanish : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void vanish_data();
    void vanish();

private:
    QString writeImage(int size);

    QTemporaryDir m_dir;
    faults::Window m_window;
};

void TestVanish::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(test::Modsim::program()), qPrintable(test::Modsim::program()));
}

void TestVanish::cleanup() {
    m_window.destroy();
}

QString TestVanish::writeImage(int size) {
    const QString path = m_dir.filePath(QStringLiteral("image.bin"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char(i * 13 + 1);
    file.write(image);
    return path;
}

void TestVanish::vanish_data() {
    QTest::addColumn<Device>("device");
    QTest::addColumn<QStringList>("args"); // simulator options
    QTest::addColumn<QString>("during");   // idle, firmware, block
    QTest::addColumn<bool>("holdOpen");    // the user opened the port first
    QTest::addColumn<bool>("kill");        // SIGKILL instead of the simulator's own exit

    const QStringList none;
    QTest::newRow("idle, module killed") << Device::Modsim << none << "idle" << true << true;
    QTest::newRow("idle, module exits")
        << Device::Modsim << QStringList{QStringLiteral("--vanish-after"), QStringLiteral("2")}
        << "idle" << true << false;
    QTest::newRow("firmware update")
        << Device::Modsim << QStringList{QStringLiteral("--vanish-after"), QStringLiteral("3")}
        << "firmware" << false << false;
    QTest::newRow("firmware update, port held open")
        << Device::Modsim << QStringList{QStringLiteral("--vanish-after"), QStringLiteral("4")}
        << "firmware" << true << false;
    QTest::newRow("inside a +READB block") << Device::Peer << none << "block" << true << false;
}

void TestVanish::vanish() {
    QFETCH(Device, device);
    QFETCH(QStringList, args);
    QFETCH(QString, during);
    QFETCH(bool, holdOpen);
    QFETCH(bool, kill);

    // The device is reached through a link that a new device can take over later.
    const QString link = m_dir.filePath(QStringLiteral("module"));
    QFile::remove(link);
    test::Modsim module;
    test::PtyPeer peer;
    if (device == Device::Modsim) {
        QVERIFY(module.start(args + QStringList{QStringLiteral("--link"), link}));
    } else {
        QVERIFY(peer.isOpen());
        QVERIFY(QFile::link(peer.slavePath(), link));
    }
    QVERIFY(m_window.create(link));
    QPushButton* openClose = m_window.openClose();
    if (holdOpen) {
        openClose->click();
        QCOMPARE(openClose->text(), QStringLiteral("Close"));
    }
    faults::MessageBoxes boxes;
    QPointer<QWidget> dialog;

    if (during == QLatin1String("idle")) {
        QVERIFY(m_window.atOk()); // the first command
        if (kill) {
            module.process().kill();
        } else {
            m_window.type(QStringLiteral("AT+VERSION")); // the module goes after this one
        }
    } else if (during == QLatin1String("firmware")) {
        // Ten blocks; the module vanishes after the second or third of them.
        QVERIFY(m_window.startFirmware(writeImage(2560)));
        dialog = m_window.progressDialog();
        QVERIFY(dialog);
    } else {
        // Data mode 2 makes the module echo a binary write as a +READB block; this echo
        // is cut after 40 of its 100 bytes when the device goes.
        QVERIFY(peer.write("+READB:100:0\r\n" + QByteArray(40, 'x')));
        QVERIFY(QTest::qWaitFor([&] { return m_window.log().contains("+READB:100:0"); }));
        peer.vanish();
    }

    // One red entry for the loss, the port closed, the choosers back.
    QVERIFY2(QTest::qWaitFor([&] { return openClose->text() == QLatin1String("Open"); }, 3000),
             qPrintable(m_window.log().right(400)));
    QVERIFY(!m_window.client()->serialPort()->isOpen());
    QVERIFY(m_window.choosersEnabled());
    if (during == QLatin1String("firmware")) {
        // The update ends with its message box instead of waiting out five seconds.
        QVERIFY(QTest::qWaitFor([&] { return !boxes.seen.isEmpty() && !dialog; }, 3000));
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Timeout")});
        QVERIFY(!m_window.client()->transaction());
        QVERIFY(m_window.log().contains(QStringLiteral("Error(-2):  Timeout")));
    }
    if (during == QLatin1String("block")) {
        // What arrived of the cut block is shown, not kept back to swallow later traffic.
        QVERIFY(m_window.log().contains(
            QStringLiteral("hex[40]{%1}").arg(QStringLiteral("78").repeated(40))));
    }
    const double cpu = faults::idleCpu(2000);
    qInfo("CPU after the loss: %.3f s over 2 s", cpu);
    QVERIFY2(cpu < 0.3, qPrintable(QString::number(cpu)));
    QCOMPARE(m_window.count(QStringLiteral("Serial port error:  ")), 1);
    QVERIFY(boxes.seen.size() <= 1);
    const QString before = m_window.log();

    // The device comes back under the same name: Open and AT work again.
    test::Modsim again;
    QVERIFY(again.start({QStringLiteral("--link"), link}));
    QVERIFY(m_window.choosePort(link));
    openClose->click();
    QCOMPARE(openClose->text(), QStringLiteral("Close"));
    QVERIFY2(m_window.atOk(), qPrintable(m_window.log().right(400)));
    // Nothing of the earlier conversation is lost from the log.
    QVERIFY(m_window.log().startsWith(before));
    QCOMPARE(m_window.count(QStringLiteral("Serial port error:  ")), 1);
}

QTEST_MAIN(TestVanish)
#include "tst_vanish.moc"
