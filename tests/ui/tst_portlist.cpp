#include "at/client.h"
#include "common/ptypeer.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/portnamecombo.h"

#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using wdt::serialport::PortNameCombo;

class TestPortList : public QObject {
    Q_OBJECT
private slots:
    void firstStart();
    void appearsAndVanishes();
};

// The extra ports (./run.sh names the simulator) come before the system's, so a first
// start chooses the first of them, described in the user's language.
void TestPortList::firstStart() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QSettings().clear();
    test::PtyPeer a;
    test::PtyPeer b;
    qputenv("KELVRA_EXTRA_PORTS", (b.slavePath() + QLatin1Char(':') + a.slavePath()).toLocal8Bit());
    QTranslator russian;
    QVERIFY(russian.load(QStringLiteral(":/main_ru.qm")));
    QCoreApplication::installTranslator(&russian);
    MainWidget window;
    QCoreApplication::removeTranslator(&russian);

    auto* combo = window.findChild<PortNameCombo*>();
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemData(i, Qt::UserRole).toString();
    QStringList want{b.slavePath(), a.slavePath()};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        want << info.portName();
    QCOMPARE(names, want);
    QCOMPARE(combo->currentIndex(), 0);
    QCOMPARE(combo->itemText(0), b.slavePath() + QStringLiteral(" (виртуальный)"));
    QCOMPARE(window.findChild<at::Client*>()->serialPort()->portName(),
             QSerialPort(b.slavePath()).portName());
}

// A link to a pseudo-terminal, as ./run.sh makes for the simulator, is listed while it
// leads to the device: the once-a-second refresh notices it coming and going.
void TestPortList::appearsAndVanishes() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString link = dir.filePath(QStringLiteral("module"));
    qputenv("KELVRA_EXTRA_PORTS", link.toLocal8Bit());
    PortNameCombo combo;
    QVERIFY(!combo.contains(link));
    test::PtyPeer pty;
    QVERIFY(QFile::link(pty.slavePath(), link));
    QTRY_VERIFY_WITH_TIMEOUT(combo.contains(link), 5000);
    QVERIFY(QFile::remove(link));
    QTRY_VERIFY_WITH_TIMEOUT(!combo.contains(link), 5000);
}

QTEST_MAIN(TestPortList)
#include "tst_portlist.moc"
