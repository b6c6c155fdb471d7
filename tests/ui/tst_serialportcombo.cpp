// The port and rate choosers. Extra ports are plain files of the test's own: a pseudo-terminal
// that vanished would hand its number to the next one opened anywhere on the machine.

#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QSerialPortInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using wdt::serialport::BaudrateCombo;
using wdt::serialport::PortNameCombo;

class TestSerialPortCombo : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char* name) const { return m_dir.filePath(QLatin1String(name)); }
    static bool touch(const QString& path) { return QFile(path).open(QIODevice::WriteOnly); }
    static QStringList names(const PortNameCombo& combo) {
        QStringList names;
        for (int i = 0; i < combo.count(); ++i)
            names << combo.itemData(i).toString();
        return names;
    }

private slots:
    // The choice stays while other ports come and go; when it vanishes, the first port takes
    // over and is announced. Empty parts, missing paths and repeats are left out.
    void selectionKeptOrMoved() {
        QStringList platform;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            platform << info.portName();
        QVERIFY(touch(path("a")) && touch(path("b")));
        qputenv("KELVRA_EXTRA_PORTS",
                QStringList{"", path("plugged"), path("a"), path("b"), path("a")}
                    .join(':')
                    .toLocal8Bit());
        PortNameCombo combo;
        QCOMPARE(names(combo), (QStringList{path("a"), path("b")} + platform));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(combo.itemText(1), path("b") + " (virtual)");
        QSignalSpy spy(&combo, &PortNameCombo::portNameChanged);
        combo.setCurrentIndex(1); // as the user picks
        combo.setPortName(path("a"));
        combo.setPortName(QStringLiteral("/dev/not-listed"));
        QCOMPARE(combo.portName(), path("a"));
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toString(), path("b"));

        QVERIFY(QFile::remove(path("b")) && touch(path("plugged")));
        combo.updateList();
        QCOMPARE(names(combo), (QStringList{path("a")} + platform + QStringList{path("plugged")}));
        QCOMPARE(combo.portName(), path("a"));
        QCOMPARE(spy.count(), 2);

        QVERIFY(QFile::remove(path("a")));
        combo.updateList();
        QCOMPARE(names(combo), (platform + QStringList{path("plugged")}));
        QCOMPARE(combo.currentIndex(), 0);
        QCOMPARE(spy.last().at(0).toString(), names(combo).first());

        // The list refreshes by itself.
        QVERIFY(touch(path("late")));
        qputenv("KELVRA_EXTRA_PORTS", path("late").toLocal8Bit());
        QTRY_VERIFY_WITH_TIMEOUT(combo.contains(path("late")) && !combo.contains(path("plugged")),
                                 10000);
    }

    // Unknown rates are ignored; a change, by the program or the user, is announced.
    void baudrate() {
        BaudrateCombo combo;
        QSignalSpy spy(&combo, &BaudrateCombo::baudrateChanged);
        QCOMPARE(combo.baudrate(), 115200);
        QCOMPARE(combo.count(), QSerialPortInfo::standardBaudRates().size());
        combo.setBaudrate(12345);
        QCOMPARE(combo.baudrate(), 115200);
        combo.setBaudrate(9600);
        combo.setCurrentIndex(combo.findData(1200));
        QCOMPARE(combo.baudrate(), 1200);
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(0).at(0).toInt(), 9600);
    }
};

QTEST_MAIN(TestSerialPortCombo)
#include "tst_serialportcombo.moc"
