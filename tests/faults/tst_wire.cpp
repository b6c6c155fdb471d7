// What the wire carries and what the log claims: framing across an open, a line that never
// ends, writes to a closed port, user commands held back during a firmware update.

#include "at/client.h"
#include "common/modsim.h"
#include "common/ptypeer.h"
#include "mainwidget/harness.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QAction>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

class TestWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::setIdentity(); }
    void client_data();
    void client();
    void heldBack();
};

void TestWire::client_data() {
    QTest::addColumn<QByteArray>("before"); // taken by the framing first
    QTest::addColumn<QString>("action");
    QTest::addColumn<QStringList>("events"); // then the module says OK

    // clang-format off
    QTest::newRow("bogus block count, port closed behind the client") << QByteArray("+READB:1000\r\nab") << "drop"
        << QStringList{"r:+READB:1000\\r\\n", "b:ab", "r:OK\\r\\n"};
    QTest::newRow("partial line, version query opens") << QByteArray("+VER") << "test"
        << QStringList{"r:+VER", "s:AT+VERSION\\r\\n", "r:OK\\r\\n", "test:0"};
    QTest::newRow("line without a line feed") << QByteArray(64 * 1024, 'x') << ""
        << QStringList{"r:x*65536", "r:OK\\r\\n"};
    // The port closes while the first block is reported: the next one never leaves.
    QTest::newRow("block after the port closed") << QByteArray() << "firmware"
        << QStringList{"s:AT+FWWRITE=0,0,01010", "r:OK\\r\\n", "progress:256",
                       "failed:The port is not open", "error:-2", "done:-2"};
    // clang-format on
}

void TestWire::client() {
    QFETCH(QByteArray, before);
    QFETCH(QString, action);
    QFETCH(QStringList, events);

    test::PtyPeer peer;
    at::Client client;
    client.serialPort()->setPortName(peer.slavePath());
    QVERIFY(client.serialPortOpen(true));
    QStringList seen;
    const auto esc = [](const QByteArray& d) {
        return d.size() > 64 ? QString("%1*%2").arg(d.at(0)).arg(d.size())
                             : QString::fromLatin1(d).replace('\r', "\\r").replace('\n', "\\n");
    };
    const auto error = [&](const char* tag) {
        return [&seen, tag](at::Error e) { seen << QString("%1:%2").arg(tag).arg(int(e)); };
    };
    using C = at::Client;
    connect(&client, &C::sended, this,
            [&](const QByteArray& d) { seen << "s:" + esc(d.left(20)); });
    connect(&client, &C::received, this, [&](const QByteArray& d) { seen << "r:" + esc(d); });
    connect(&client, &C::receivedBinary, this, [&](const QByteArray& d) { seen << "b:" + esc(d); });
    connect(&client, &C::writeFailed, this, [&](const QString& e) { seen << "failed:" + e; });
    connect(&client, &C::errorOccured, this, error("error"));
    connect(&client, &C::testCompleated, this, error("test"));
    connect(&client, &C::firmwareUpdateCompleated, this, error("done"));
    connect(&client, &C::firmwareUpdateProgress, this, [&](int written) {
        seen << QString("progress:%1").arg(written);
        client.serialPortClose(true);
    });

    client.receiveBytes(before);
    if (action == "drop" || action == "test") {
        client.serialPort()->close();
        QVERIFY(action == "test" ? client.test() : client.serialPortOpen(true));
    } else if (action == "firmware") {
        QVERIFY(client.updateFirmware(QByteArray(600, '\1')));
    }
    if (action == "test" || action == "firmware")
        QVERIFY(peer.waitFor("\r\n"));
    QVERIFY(peer.write("OK\r\n"));
    QVERIFY2(QTest::qWaitFor([&] { return seen.size() >= events.size(); }, 8000),
             qPrintable(seen.join(' ').left(300)));
    QCOMPARE(seen, events);
}

void TestWire::heldBack() {
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace");
    test::Modsim module;
    QVERIFY(module.start({"--delay", "60", "--trace", trace}));
    test::Window w;
    QVERIFY(w.create(module.portPath()));
    const int row = UserCommands::_self.append();
    UserCommand& repeating = UserCommands::_self.command(row);
    repeating.setValue("AT");
    repeating.setPeriod(100);
    // The repetition starts with the first block, so no answer to it is on its way when the
    // update begins; a command is typed while the module holds its answer to the last request.
    connect(w.client(), &at::Client::sended, this, [&](const QByteArray& data) {
        if (data.startsWith("AT+FWWRITE=0,0,"))
            repeating.setAuto(true);
        if (data.startsWith("AT+FWUPDATE="))
            QMetaObject::invokeMethod(
                this, [&] { w.type("AT+UID"); }, Qt::QueuedConnection);
    });
    const QString image = dir.filePath("image.bin");
    QVERIFY(test::writeFile(image, QByteArray(600, '\x5a')));
    test::Modals modals;
    modals.chooseFile(image);
    w.action("update-firmware")->trigger();
    QVERIFY2(QTest::qWaitFor([&] { return w.log().contains("+UID:"); }, 10000),
             qPrintable(w.log().right(600)));
    repeating.setAuto(false);
    UserCommands::_self.remove(row);

    // From the first block to the last answer only the update's requests went out; the typed
    // command is the first to go after it.
    const QString log = w.log();
    const qsizetype from = log.indexOf("<< AT+FWWRITE=");
    const qsizetype answer = log.indexOf(">> ", log.indexOf("<< AT+FWUPDATE=", from));
    QVERIFY(from >= 0 && answer > from);
    QCOMPARE(log.mid(answer, 5), ">> OK");
    const QString during = log.mid(from, answer - from);
    QCOMPARE(during.count("<< "), during.count("<< AT+FW"));
    QCOMPARE(log.indexOf("<< ", answer), log.indexOf("<< AT+UID", answer));
    QVERIFY(modals.boxes.isEmpty());
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wire = file.readAll();
    QCOMPARE(wire.count("AT+FWUPDATE="), 1);
    QCOMPARE(wire.count("AT+UID\r\n"), 1);
}

QTEST_MAIN(TestWire)
#include "tst_wire.moc"
