#include "common/ptypeer.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using wdt::serialport::BaudrateCombo;
using wdt::serialport::PortNameCombo;

namespace {

void setExtraPorts(const QStringList& paths) {
    qputenv("KELVRA_EXTRA_PORTS", paths.join(QLatin1Char(':')).toLocal8Bit());
}

QStringList itemNames(const PortNameCombo& combo) {
    QStringList names;
    for (int i = 0; i < combo.count(); ++i)
        names << combo.itemData(i, Qt::UserRole).toString();
    return names;
}

bool touch(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly);
}

} // namespace

class TestSerialPortCombo : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void selectionKeptOrMoved();
    void timerRefreshes();
    void baudrate();

private:
    QStringList m_platform; // names the platform reports by itself
    QTemporaryDir m_dir;
};

void TestSerialPortCombo::initTestCase() {
    QVERIFY(m_dir.isValid());
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        m_platform << info.portName();
}

void TestSerialPortCombo::selectionKeptOrMoved() {
    test::PtyPeer a;
    test::PtyPeer b;
    const QString plugged = m_dir.filePath(QStringLiteral("aa-port"));
    // empty parts, missing paths and repeats are left out
    setExtraPorts({"", plugged, a.slavePath(), b.slavePath(), a.slavePath()});
    PortNameCombo combo;
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath(), b.slavePath()}));
    QCOMPARE(combo.currentIndex(), 0);
    QCOMPARE(combo.itemText(combo.count() - 1), b.slavePath() + QStringLiteral(" (virtual)"));
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);
    combo.setCurrentIndex(combo.count() - 1); // as the user picks
    combo.setPortName(a.slavePath());
    combo.setPortName(QStringLiteral("/dev/not-listed"));
    QCOMPARE(combo.portName(), a.slavePath());
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toString(), b.slavePath());
    QCOMPARE(spy.at(1).at(0).toString(), a.slavePath());

    // another port vanishes, a new one appears at the end: the choice stays, unannounced
    b.vanish();
    QVERIFY(touch(plugged));
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath(), plugged}));
    QCOMPARE(combo.portName(), a.slavePath());
    QCOMPARE(spy.count(), 2);

    // the chosen port vanishes: the first one takes over and is announced
    a.vanish();
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{plugged}));
    QCOMPARE(combo.currentIndex(), 0);
    QVERIFY(spy.count() > 2);
    QCOMPARE(spy.last().at(0).toString(), itemNames(combo).first());
}

void TestSerialPortCombo::timerRefreshes() {
    const QString path = m_dir.filePath(QStringLiteral("plugged"));
    setExtraPorts({path});
    PortNameCombo combo;
    QVERIFY(!combo.contains(path));
    QVERIFY(touch(path));
    QTRY_VERIFY_WITH_TIMEOUT(combo.contains(path), 5000);
    QVERIFY(QFile::remove(path));
    QTRY_VERIFY_WITH_TIMEOUT(!combo.contains(path), 5000);
}

void TestSerialPortCombo::baudrate() {
    BaudrateCombo combo;
    QSignalSpy spy(&combo, &BaudrateCombo::baudrateChanged);
    QCOMPARE(combo.baudrate(), 115200);
    QCOMPARE(combo.count(), QSerialPortInfo::standardBaudRates().size());
    combo.setBaudrate(12345); // unknown rates are ignored
    combo.setBaudrate(0);
    QCOMPARE(combo.baudrate(), 115200);
    QVERIFY(spy.isEmpty());

    combo.setBaudrate(9600);
    combo.setCurrentIndex(combo.findData(1200)); // as the user picks
    QCOMPARE(combo.baudrate(), 1200);
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 9600);
    QCOMPARE(spy.at(1).at(0).toInt(), 1200);
}

QTEST_MAIN(TestSerialPortCombo)
#include "tst_serialportcombo.moc"
