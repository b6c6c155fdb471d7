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

QStringList spied(const QSignalSpy& spy) {
    QStringList names;
    for (const QList<QVariant>& args : spy)
        names << args.at(0).toString();
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
    void init();
    void snapshot();
    void itemsOfVirtualPorts();
    void otherPortVanishesSelectionStays();
    void selectedPortVanishes();
    void newPortsAppendedNotSelected();
    void setPortName();
    void emptyList();
    void timerRefreshes();
    void baudrateDefault();
    void baudrateSelect_data();
    void baudrateSelect();

private:
    QStringList m_platform; // names the platform reports by itself
    QTemporaryDir m_dir;
};

void TestSerialPortCombo::initTestCase() {
    QVERIFY(m_dir.isValid());
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        m_platform << info.portName();
}

void TestSerialPortCombo::init() {
    qunsetenv("KELVRA_EXTRA_PORTS");
}

void TestSerialPortCombo::snapshot() {
    test::PtyPeer a;
    test::PtyPeer b;
    QVERIFY(a.isOpen() && b.isOpen());
    const QString missing = m_dir.filePath(QStringLiteral("missing"));
    // empty parts, missing paths and repeats are left out
    qputenv(
        "KELVRA_EXTRA_PORTS",
        QStringLiteral("::%1:%2:%3:%1:").arg(b.slavePath(), missing, a.slavePath()).toLocal8Bit());
    const QList<PortNameCombo::Port> ports = PortNameCombo::availablePorts();
    QCOMPARE(ports.size(), m_platform.size() + 2);
    for (int i = 0; i < m_platform.size(); ++i)
        QCOMPARE(ports.at(i).first, m_platform.at(i));
    QCOMPARE(ports.at(m_platform.size()),
             PortNameCombo::Port(b.slavePath(), QStringLiteral("virtual")));
    QCOMPARE(ports.at(m_platform.size() + 1),
             PortNameCombo::Port(a.slavePath(), QStringLiteral("virtual")));

    b.vanish();
    const QList<PortNameCombo::Port> after = PortNameCombo::availablePorts();
    QCOMPARE(after.size(), m_platform.size() + 1);
    QCOMPARE(after.last().first, a.slavePath());

    qunsetenv("KELVRA_EXTRA_PORTS");
    QCOMPARE(PortNameCombo::availablePorts().size(), m_platform.size());

    QVERIFY(!PortNameCombo::contains(QList<QSerialPortInfo>(), QStringLiteral("ttyS0")));
    const QList<QSerialPortInfo> infos = QSerialPortInfo::availablePorts();
    if (!infos.isEmpty()) {
        QVERIFY(PortNameCombo::contains(infos, infos.last().portName()));
        QVERIFY(!PortNameCombo::contains(infos, a.slavePath()));
    }
}

void TestSerialPortCombo::itemsOfVirtualPorts() {
    test::PtyPeer a;
    setExtraPorts({a.slavePath()});
    PortNameCombo combo;
    QVERIFY(!combo.isEditable());
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath()}));
    const int last = combo.count() - 1;
    QCOMPARE(combo.itemText(last), a.slavePath() + QStringLiteral(" (virtual)"));
    QVERIFY(combo.itemIcon(last).isNull());
    QVERIFY(combo.contains(a.slavePath()));
    QVERIFY(!combo.contains(a.slavePath() + QStringLiteral("x")));
    // the first port is current from the start
    QCOMPARE(combo.currentIndex(), 0);
    QCOMPARE(combo.portName(), itemNames(combo).first());
}

void TestSerialPortCombo::otherPortVanishesSelectionStays() {
    test::PtyPeer a;
    test::PtyPeer b;
    setExtraPorts({a.slavePath(), b.slavePath()});
    PortNameCombo combo;
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);
    combo.setPortName(b.slavePath());
    QCOMPARE(spied(spy), QStringList{b.slavePath()});

    a.vanish();
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{b.slavePath()}));
    QCOMPARE(combo.portName(), b.slavePath());
    for (const QString& name : spied(spy))
        QCOMPARE(name, b.slavePath());

    // nothing changed: a refresh announces nothing
    spy.clear();
    combo.updateList();
    QCOMPARE(spy.count(), 0);
}

void TestSerialPortCombo::selectedPortVanishes() {
    test::PtyPeer a;
    test::PtyPeer b;
    setExtraPorts({a.slavePath(), b.slavePath()});
    PortNameCombo combo;
    combo.setPortName(b.slavePath());
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);

    b.vanish();
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath()}));
    QCOMPARE(combo.currentIndex(), 0);
    const QString first = itemNames(combo).first();
    QCOMPARE(combo.portName(), first);
    QVERIFY(!spy.isEmpty());
    QCOMPARE(spy.last().at(0).toString(), first);
}

void TestSerialPortCombo::newPortsAppendedNotSelected() {
    test::PtyPeer a;
    const QString zed = m_dir.filePath(QStringLiteral("zz-port"));
    const QString early = m_dir.filePath(QStringLiteral("aa-port"));
    setExtraPorts({early, a.slavePath(), zed});
    QVERIFY(touch(zed));
    PortNameCombo combo;
    combo.setPortName(zed);
    QCOMPARE(combo.portName(), zed);
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);

    // a port sorting first, and first in the variable, still goes at the end
    QVERIFY(touch(early));
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath(), zed, early}));
    QCOMPARE(combo.portName(), zed);

    // unplug and re-plug: back at the end, the selection does not follow it
    QVERIFY(QFile::remove(zed));
    combo.updateList();
    const QString first = itemNames(combo).first();
    QCOMPARE(combo.portName(), first);
    QVERIFY(touch(zed));
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{a.slavePath(), early, zed}));
    QCOMPARE(combo.portName(), first);
    QCOMPARE(spy.last().at(0).toString(), first);

    // the variable is read at each refresh
    setExtraPorts({zed});
    combo.updateList();
    QCOMPARE(itemNames(combo), (m_platform + QStringList{zed}));
}

void TestSerialPortCombo::setPortName() {
    test::PtyPeer a;
    test::PtyPeer b;
    setExtraPorts({a.slavePath(), b.slavePath()});
    PortNameCombo combo;
    combo.setPortName(a.slavePath());
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);

    combo.setPortName(a.slavePath()); // already current
    combo.setPortName(QStringLiteral("/dev/not-listed"));
    combo.setPortName(a.slavePath().toUpper());
    QCOMPARE(spy.count(), 0);
    QCOMPARE(combo.portName(), a.slavePath());
    QVERIFY(!combo.contains(QStringLiteral("/dev/not-listed")));

    // a pick by the user is announced as well
    combo.setCurrentIndex(combo.count() - 1);
    QCOMPARE(spied(spy), QStringList{b.slavePath()});
}

void TestSerialPortCombo::emptyList() {
    if (!m_platform.isEmpty())
        QSKIP("the platform reports serial ports of its own");
    PortNameCombo combo;
    QCOMPARE(combo.count(), 0);
    QVERIFY(combo.portName().isEmpty());
    QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);
    combo.updateList();
    QCOMPARE(spy.count(), 0);

    // ports appear: the first one is chosen and announced
    test::PtyPeer a;
    test::PtyPeer b;
    setExtraPorts({a.slavePath(), b.slavePath()});
    combo.updateList();
    QCOMPARE(combo.portName(), a.slavePath());
    QCOMPARE(spied(spy), QStringList{a.slavePath()});

    // the last one vanishes: an empty name is announced
    a.vanish();
    b.vanish();
    spy.clear();
    combo.updateList();
    QCOMPARE(combo.count(), 0);
    QCOMPARE(combo.currentIndex(), -1);
    QVERIFY(combo.portName().isEmpty());
    QVERIFY(!spy.isEmpty());
    QCOMPARE(spy.last().at(0).toString(), QString());
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

void TestSerialPortCombo::baudrateDefault() {
    BaudrateCombo combo;
    QSignalSpy spy(&combo, &BaudrateCombo::baudrateChanged);
    QVERIFY(!combo.isEditable());
    QCOMPARE(combo.baudrate(), 115200);
    QCOMPARE(combo.currentText(), QStringLiteral("115200"));

    const QList<qint32> rates = QSerialPortInfo::standardBaudRates();
    QCOMPARE(combo.count(), rates.size());
    for (int i = 0; i < rates.size(); ++i) {
        QCOMPARE(combo.itemText(i), QString::number(rates.at(i)));
        QCOMPARE(combo.itemData(i, Qt::UserRole).toInt(), rates.at(i));
    }

    combo.setBaudrate(115200);
    combo.setBaudrate(12345);
    combo.setBaudrate(0);
    QCOMPARE(spy.count(), 0);
    QCOMPARE(combo.baudrate(), 115200);
    QCOMPARE(combo.count(), rates.size());
}

void TestSerialPortCombo::baudrateSelect_data() {
    QTest::addColumn<int>("rate");
    QTest::addColumn<bool>("byIndex");
    QTest::newRow("setBaudrate 9600") << 9600 << false;
    QTest::newRow("setBaudrate 1200") << 1200 << false;
    QTest::newRow("user picks 9600") << 9600 << true;
}

void TestSerialPortCombo::baudrateSelect() {
    QFETCH(int, rate);
    QFETCH(bool, byIndex);
    if (!QSerialPortInfo::standardBaudRates().contains(rate))
        QSKIP("rate not offered on this platform");
    BaudrateCombo combo;
    QSignalSpy spy(&combo, &BaudrateCombo::baudrateChanged);
    if (byIndex)
        combo.setCurrentIndex(combo.findData(rate));
    else
        combo.setBaudrate(rate);
    QCOMPARE(combo.baudrate(), rate);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.first().at(0).toInt(), rate);
}

QTEST_MAIN(TestSerialPortCombo)
#include "tst_serialportcombo.moc"
