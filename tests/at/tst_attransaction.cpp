#include "at/client.h"
#include "at/firmware.h"
#include "at/transaction.h"
#include "common/ptypeer.h"
#include "recorder.h"

#include <QPointer>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>

#include <sys/mman.h>

namespace {

QByteArray pattern(int size) {
    QByteArray out(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        out[i] = char((i * 7 + 3) & 0xFF);
    return out;
}

// The module's side: hands out the client's requests one line at a time.
struct Module {
    test::PtyPeer peer;
    QByteArray pending;

    QByteArray next(int timeoutMs = 3000) {
        (void)QTest::qWaitFor(
            [&] {
                pending += peer.takeReceived();
                return pending.contains("\r\n");
            },
            timeoutMs);
        const qsizetype end = pending.indexOf("\r\n");
        if (end < 0)
            return {};
        const QByteArray line = pending.left(end + 2);
        pending.remove(0, end + 2);
        return line;
    }

    // True when the client writes nothing more for a while.
    bool quiet(int ms = 100) {
        QTest::qWait(ms);
        pending += peer.takeReceived();
        return pending.isEmpty();
    }
};

QByteArray blockRequest(const QByteArray& image, int offset) {
    return "AT+FWWRITE=0," + QByteArray::number(offset) + "," +
           image.mid(offset, 256).toHex().toUpper() + "\r\n";
}

void attach(at::Client& client, Module& module, bool held) {
    client.serialPort()->setPortName(module.peer.slavePath());
    if (held)
        QVERIFY(client.serialPortOpen(true));
}

// Signals apart from the received lines.
QStringList outcome(const Recorder& rec) {
    return rec.events.filter(QRegularExpression("^(?!received)"));
}

} // namespace

class TestAtTransaction : public QObject {
    Q_OBJECT

private slots:
    // Events after the request; a port opened for the query is closed after it.
    void versionQuery_data() {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("events");
        const QString ok = "testCompleated:0", timeout = "testCompleated:-2";
        QTest::newRow("ok, port opened for it")
            << false << QByteArray("OK\r\n") << QStringList{"received:OK\\r\\n", ok};
        QTest::newRow("intermediate then ok")
            << true << QByteArray("+VERSION:1.2\r\nOK\n")
            << QStringList{"received:+VERSION:1.2\\r\\n", "received:OK\\n", ok};
        QTest::newRow("fail") << false << QByteArray("FAIL\r\n")
                              << QStringList{"received:FAIL\\r\\n", "errorOccured:1",
                                             "testCompleated:1"};
        QTest::newRow("silence") << false << QByteArray()
                                 << QStringList{"errorOccured:-2", timeout};
        QTest::newRow("error is no answer")
            << false << QByteArray("ERROR\r\nok\r\nOK \r\n")
            << QStringList{"received:ERROR\\r\\n", "received:ok\\r\\n", "received:OK \\r\\n",
                           "errorOccured:-2", timeout};
        QTest::newRow("block holding OK is no answer")
            << true << QByteArray("+READB:4\r\nOK\r\n")
            << QStringList{"received:+READB:4\\r\\n", "receivedBinary:OK\\r\\n", "errorOccured:-2",
                           timeout};
    }
    void versionQuery() {
        QFETCH(bool, held);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, events);
        events.prepend("sended:AT+VERSION\\r\\n");
        if (!held)
            events = QStringList{"opened"} + events + QStringList{"closed"};
        Module module;
        at::Client client;
        attach(client, module, held);
        Recorder rec(&client);
        QVERIFY(client.test());
        QPointer<QObject> running = client.transaction();
        QCOMPARE(module.next(), QByteArray("AT+VERSION\r\n"));
        if (!answer.isEmpty())
            QVERIFY(module.peer.write(answer));
        QTRY_COMPARE_WITH_TIMEOUT(rec.events, events, 2000);
        QCOMPARE(client.transaction(), nullptr);
        QCOMPARE(client.serialPort()->isOpen(), held);
        QTRY_VERIFY(running.isNull());
        // A late answer finds no transaction and changes nothing.
        module.peer.write("OK\r\n");
        QTRY_COMPARE(rec.events.size(), events.size() + (held ? 1 : 0));
        QTest::qWait(20);
        QCOMPARE(rec.events.mid(0, events.size()), events);
    }

    // The line is repeated every 50 ms for longer than the 250 ms time-out,
    // then "OK" follows: only lines of the running command keep it alive.
    void intermediateLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("result");
        QTest::newRow("payload") << QByteArray("+VERSION:1.0") << int(at::None);
        QTest::newRow("lower case") << QByteArray("+version:1") << int(at::Timeout);
        QTest::newRow("other command") << QByteArray("+FWWRITE:1") << int(at::Timeout);
    }
    void intermediateLines() {
        QFETCH(QByteArray, line);
        QFETCH(int, result);
        Module module;
        at::Client client;
        attach(client, module, true);
        QSignalSpy done(&client, &at::Client::testCompleated);
        QVERIFY(client.test());
        QCOMPARE(module.next(), QByteArray("AT+VERSION\r\n"));
        for (int i = 0; i < 10 && done.isEmpty(); ++i) {
            QTest::qWait(50);
            module.peer.write(line + "\r\n");
        }
        module.peer.write("OK\r\n");
        QTRY_COMPARE(done.count(), 1);
        QCOMPARE(int(done.at(0).at(0).value<at::Error>()), result);
    }

    void refusals() {
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client);
        QVERIFY(client.test());
        QVERIFY(!client.test());
        QVERIFY(!client.updateFirmware("abc"));
        QVERIFY(!client.cancelUpdateFirmware());
        QCOMPARE(module.next(), QByteArray("AT+VERSION\r\n"));
        QVERIFY(module.quiet(50));
        QVERIFY(module.peer.write("OK\r\n"));
        QTRY_VERIFY(rec.events.contains("closed"));

        QVERIFY(client.updateFirmware(pattern(10)));
        QVERIFY(!client.test());
        QVERIFY(!client.updateFirmware("abc"));
        QCOMPARE(module.next(), blockRequest(pattern(10), 0));
        QVERIFY(module.quiet(50));
        QCOMPARE(rec.events.count("opened"), 2);
        QVERIFY(client.cancelUpdateFirmware());
        QVERIFY(!client.cancelUpdateFirmware());
    }

    void oversizedImage() {
        // Address space only: pages that are never touched cost no memory.
        const size_t size = size_t(std::numeric_limits<qint32>::max()) + 1;
        void* mem =
            mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (mem == MAP_FAILED)
            QSKIP("cannot reserve address space");
        const QByteArray image =
            QByteArray::fromRawData(static_cast<const char*>(mem), qsizetype(size));
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client);
        QVERIFY(!client.updateFirmware(image));
        QCOMPARE(client.transaction(), nullptr);
        QCOMPARE(rec.events, QStringList{});
        QVERIFY(!client.serialPort()->isOpen());
        QVERIFY(module.quiet(50));
        munmap(mem, size);
    }

    void firmwareExchange_data() {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<bool>("held");
        QTest::addColumn<QByteArray>("final");
        QTest::newRow("600 bytes")
            << pattern(600) << false << QByteArray("AT+FWUPDATE=0,600,1142715734\r\n");
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QTest::newRow("one whole block")
            << all << false << QByteArray("AT+FWUPDATE=0,256,3606737804\r\n");
        QTest::newRow("empty") << QByteArray() << false
                               << QByteArray("AT+FWUPDATE=0,0,4294967295\r\n");
    }
    void firmwareExchange() {
        QFETCH(QByteArray, image);
        QFETCH(bool, held);
        QFETCH(QByteArray, final);
        Module module;
        at::Client client;
        attach(client, module, held);
        Recorder rec(&client, false);
        QSignalSpy sended(&client, &at::Client::sended);
        QVERIFY(client.updateFirmware(image));
        QObject* writer = client.transaction();
        QVERIFY(dynamic_cast<at::FirmwareWriteTransaction*>(writer));

        QStringList events;
        if (!held)
            events << "opened";
        QList<QByteArray> wire;
        int offset = 0;
        do {
            const QByteArray request = module.next();
            QCOMPARE(request, blockRequest(image, offset));
            wire << request;
            QCOMPARE(client.transaction(), writer);
            offset = qMin<int>(offset + 256, int(image.size()));
            QVERIFY(module.peer.write("OK\r\n"));
            events << "received:OK\\r\\n" << QString("progress:%1").arg(offset);
        } while (offset < image.size());
        QCOMPARE(module.next(), final);
        wire << final;
        QVERIFY(dynamic_cast<at::FirmwareUpdateTransaction*>(client.transaction()));
        QVERIFY(module.peer.write("OK\r\n"));
        events << "received:OK\\r\\n"
               << "firmwareCompleated:0";
        if (!held)
            events << "closed";
        QTRY_COMPARE(rec.events, events);
        QCOMPARE(client.serialPort()->isOpen(), held);
        QCOMPARE(sended.count(), wire.size());
        for (int i = 0; i < wire.size(); ++i)
            QCOMPARE(sended.at(i).at(0).toByteArray(), wire.at(i));
        QVERIFY(module.quiet(50));
    }

    // A transfer that does not end well. At `atBytes` confirmed (600: the final
    // step) the module answers "fail", or the client is cancelled: "inflight"
    // while that block waits, "progress" from a progress listener.
    void interrupted_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("atBytes");
        QTest::addColumn<QStringList>("events");
        const QString cancelled = "firmwareCompleated:-1", failed = "firmwareCompleated:1";
        QTest::newRow("FAIL to a block")
            << "fail" << 256 << QStringList{"progress:256", "errorOccured:1", failed};
        QTest::newRow("FAIL to the final step")
            << "fail" << 600
            << QStringList{"progress:256", "progress:512", "progress:600", "errorOccured:1",
                           failed};
        QTest::newRow("cancel, block in flight")
            << "inflight" << 0 << QStringList{"errorOccured:-1", cancelled};
        QTest::newRow("cancel between blocks")
            << "progress" << 256 << QStringList{"progress:256", "errorOccured:-1", cancelled};
        QTest::newRow("cancel refused after last block")
            << "progress" << 600
            << QStringList{"progress:256", "progress:512", "progress:600", "firmwareCompleated:0"};
    }
    void interrupted() {
        QFETCH(QString, when);
        QFETCH(int, atBytes);
        QFETCH(QStringList, events);
        events = QStringList{"opened"} + events + QStringList{"closed"};
        const QByteArray image = pattern(600);
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client, false);
        QList<bool> cancels;
        connect(&client, &at::Client::firmwareUpdateProgress, &client, [&](int w) {
            if (when == "progress" && w == atBytes)
                cancels << client.cancelUpdateFirmware();
        });

        QVERIFY(client.updateFirmware(image));
        int offset = 0;
        for (QByteArray request = module.next(300); !request.isEmpty();
             request = module.next(300)) {
            if (offset < image.size())
                QCOMPARE(request, blockRequest(image, offset));
            if (when == "inflight" && offset == atBytes) {
                cancels << client.cancelUpdateFirmware();
                break;
            }
            QVERIFY(module.peer.write(when == "fail" && offset == atBytes ? "FAIL\r\n" : "OK\r\n"));
            offset = qMin(offset + 256, int(image.size()));
        }
        // Accepted only while blocks are still to go.
        QCOMPARE(cancels, when == "fail" ? QList<bool>{} : QList<bool>{atBytes < image.size()});
        QTRY_COMPARE(outcome(rec), events);
        QVERIFY(module.quiet());
        QCOMPARE(outcome(rec), events);
        QCOMPARE(client.transaction(), nullptr);
        QVERIFY(!client.cancelUpdateFirmware());
    }
};

QTEST_GUILESS_MAIN(TestAtTransaction)
#include "tst_attransaction.moc"
