// What the wire carries and what the log claims: framing across a close and an open, a
// line that never ends, writes to a closed port, and user commands held back while a
// firmware update waits for the module's answers.

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

namespace {

// A long run of one byte is written as "x*N", so rows stay readable.
QString esc(const QByteArray& data) {
    qsizetype run = 0;
    while (run < data.size() && data.at(run) == data.at(0))
        ++run;
    QString out = run > 16 ? QStringLiteral("%1*%2").arg(data.at(0)).arg(run) : QString();
    for (const char c : data.mid(out.isEmpty() ? 0 : run)) {
        if (c == '\r' || c == '\n')
            out += c == '\r' ? "\\r" : "\\n";
        else
            out += QChar::fromLatin1(c);
    }
    return out;
}

} // namespace

class TestWire : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { test::setIdentity(); }
    void client_data();
    void client();
    void heldBack_data();
    void heldBack();
};

void TestWire::client_data() {
    QTest::addColumn<QByteArray>("before"); // taken by the framing first
    QTest::addColumn<QString>("action");
    QTest::addColumn<QByteArray>("after"); // what the module says then
    QTest::addColumn<QStringList>("events");

    // clang-format off
    QTest::newRow("partial line, user closes and opens") << QByteArray("+VER") << "close" << QByteArray("OK\r\n")
        << QStringList{"r:+VER", "r:OK\\r\\n"};
    QTest::newRow("bogus block count, port closed behind the client") << QByteArray("+READB:1000\r\nab") << "drop" << QByteArray("OK\r\n")
        << QStringList{"r:+READB:1000\\r\\n", "b:ab", "r:OK\\r\\n"};
    QTest::newRow("partial line, version query opens") << QByteArray("+VER") << "test" << QByteArray("OK\r\n")
        << QStringList{"r:+VER", "s:AT+VERSION\\r\\n", "r:OK\\r\\n", "test:0"};
    QTest::newRow("line without a line feed") << QByteArray(64 * 1024, 'x') << "" << QByteArray("OK\r\n")
        << QStringList{"r:x*65536", "r:OK\\r\\n"};
    QTest::newRow("command on a closed port") << QByteArray() << "closed" << QByteArray()
        << QStringList{"failed:The port is not open"};
    // The port closes while the first block is reported: the next one never leaves.
    QTest::newRow("block after the port closed") << QByteArray() << "firmware" << QByteArray("OK\r\n")
        << QStringList{"s:AT+FWWRITE=0,0,01010", "r:OK\\r\\n", "progress:256",
                       "failed:The port is not open", "error:-2", "done:-2"};
    // clang-format on
}

void TestWire::client() {
    QFETCH(QByteArray, before);
    QFETCH(QString, action);
    QFETCH(QByteArray, after);
    QFETCH(QStringList, events);

    test::PtyPeer peer;
    at::Client client;
    client.serialPort()->setPortName(peer.slavePath());
    QVERIFY(client.serialPortOpen(true));
    QStringList seen;
    using C = at::Client;
    connect(&client, &C::sended, this,
            [&](const QByteArray& d) { seen << "s:" + esc(d.left(20)); });
    connect(&client, &C::received, this, [&](const QByteArray& d) { seen << "r:" + esc(d); });
    connect(&client, &C::receivedBinary, this, [&](const QByteArray& d) { seen << "b:" + esc(d); });
    connect(&client, &C::writeFailed, this, [&](const QString& e) { seen << "failed:" + e; });
    connect(&client, &C::errorOccured, this,
            [&](at::Error e) { seen << QString("error:%1").arg(int(e)); });
    connect(&client, &C::testCompleated, this,
            [&](at::Error e) { seen << QString("test:%1").arg(int(e)); });
    connect(&client, &C::firmwareUpdateCompleated, this,
            [&](at::Error e) { seen << QString("done:%1").arg(int(e)); });
    connect(&client, &C::firmwareUpdateProgress, this, [&](int written) {
        seen << QString("progress:%1").arg(written);
        client.serialPortClose(true);
    });

    client.receiveBytes(before);
    if (action == "close") {
        client.serialPortClose(true);
        QVERIFY(client.serialPortOpen(true));
    } else if (action == "drop" || action == "test") {
        client.serialPort()->close();
        QVERIFY(action == "test" ? client.test() : client.serialPortOpen(true));
    } else if (action == "closed") {
        client.serialPortClose(true);
        client.userCommand("AT", QByteArray());
    } else if (action == "firmware") {
        QVERIFY(client.updateFirmware(QByteArray(600, '\1')));
    }
    if (action == "test" || action == "firmware")
        QVERIFY(peer.waitFor("\r\n"));
    QVERIFY(peer.write(after));
    QVERIFY2(QTest::qWaitFor([&] { return seen.size() >= events.size(); }, 8000),
             qPrintable(seen.join(' ').left(300)));
    QCOMPARE(seen, events);
}

void TestWire::heldBack_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("last");   // the last request the module answers
    QTest::addColumn<QString>("result"); // its answer
    QTest::newRow("final step") << QStringList() << "<< AT+FWUPDATE="
                                << ">> OK";
    QTest::newRow("last block fails") << QStringList{"--fail-block", "3"} << "<< AT+FWWRITE=0,512,"
                                      << ">> FAIL";
}

void TestWire::heldBack() {
    QFETCH(QStringList, args);
    QFETCH(QString, last);
    QFETCH(QString, result);

    QTemporaryDir dir;
    const QString trace = dir.filePath("trace");
    test::Modsim module;
    QVERIFY(module.start(args + QStringList{"--delay", "60", "--trace", trace}));
    test::Window w;
    QVERIFY(w.create(module.portPath()));
    const int row = UserCommands::_self.append();
    UserCommand& repeating = UserCommands::_self.command(row);
    repeating.setValue("AT");
    repeating.setPeriod(100);

    // The repetition starts with the first block, so no answer to it is still on its way
    // when the update begins; a command is typed while the module holds its answer to the
    // last request.
    connect(w.client(), &at::Client::sended, this, [&](const QByteArray& data) {
        if (data.startsWith("AT+FWWRITE=0,0,"))
            repeating.setAuto(true);
        if (("<< " + QString::fromLatin1(data)).startsWith(last))
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

    // From the first block to the module's last answer only the update's requests went out.
    const QString log = w.log();
    const qsizetype from = log.indexOf("<< AT+FWWRITE=");
    const qsizetype lastAt = log.indexOf(last, from);
    const qsizetype answer = log.indexOf(">> ", lastAt);
    QVERIFY(from >= 0 && lastAt > from && answer > lastAt);
    QCOMPARE(log.mid(answer, result.size()), result);
    const QString during = log.mid(from, answer - from);
    QCOMPARE(during.count("<< "), during.count("<< AT+FW"));
    // The typed command was kept and is the first to go after the answer.
    QCOMPARE(log.indexOf("<< ", answer), log.indexOf("<< AT+UID", answer));
    QCOMPARE(modals.boxes, result == ">> OK" ? QStringList() : QStringList{"Error|Fail"});
    QFile file(trace);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray wire = file.readAll();
    QCOMPARE(wire.count("AT+FWUPDATE="), result == ">> OK" ? 1 : 0);
    QCOMPARE(wire.count("AT+UID\r\n"), 1);
}

QTEST_MAIN(TestWire)
#include "tst_wire.moc"
