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
    bool quiet(int ms = 150) {
        QTest::qWait(ms);
        pending += peer.takeReceived();
        return pending.isEmpty();
    }
};

QByteArray blockRequest(const QByteArray& image, int offset) {
    return "AT+FWWRITE=0," + QByteArray::number(offset) + "," +
           image.mid(offset, 256).toHex().toUpper() + "\r\n";
}

} // namespace

class TestAtTransaction : public QObject {
    Q_OBJECT

private:
    static void attach(at::Client& client, Module& module, bool held) {
        client.serialPort()->setPortName(module.peer.slavePath());
        if (held)
            QVERIFY(client.serialPortOpen(true));
    }

private slots:
    void writer_data() {
        QTest::addColumn<QByteArray>("start");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<QByteArray>("result");
        QTest::newRow("three bytes")
            << QByteArray("AT+X=") << QByteArray("\x00\xAB\x7F", 3) << QByteArray("AT+X=00AB7F");
        QTest::newRow("empty") << QByteArray("AT") << QByteArray() << QByteArray("AT");
        QTest::newRow("extremes") << QByteArray() << QByteArray("\xFF\x0F\xF0\x10\x09", 5)
                                  << QByteArray("FF0FF01009");
    }
    void writer() {
        QFETCH(QByteArray, start);
        QFETCH(QByteArray, data);
        QFETCH(QByteArray, result);
        at::Writer writer(&start);
        writer.addData(data);
        QCOMPARE(start, result);
        for (unsigned char v = 0; v < 16; ++v)
            QCOMPARE(at::Writer::toHex(v), "0123456789ABCDEF"[v]);
    }

    void versionQuery_data() {
        QTest::addColumn<bool>("held");
        QTest::addColumn<QByteArray>("answer");
        QTest::addColumn<QStringList>("events");
        const QString req = "sended:AT+VERSION\\r\\n";
        QTest::newRow("ok, port opened for it")
            << false << QByteArray("OK\r\n")
            << QStringList{"opened", req, "received:OK\\r\\n", "testCompleated:0", "closed"};
        QTest::newRow("ok, user port") << true << QByteArray("OK\r\n")
                                       << QStringList{req, "received:OK\\r\\n", "testCompleated:0"};
        QTest::newRow("intermediate then ok") << true << QByteArray("+VERSION:1.2\r\nOK\n")
                                              << QStringList{req, "received:+VERSION:1.2\\r\\n",
                                                             "received:OK\\n", "testCompleated:0"};
        QTest::newRow("fail")
            << false << QByteArray("FAIL\r\n")
            << QStringList{"opened",           req,     "received:FAIL\\r\\n", "errorOccured:1",
                           "testCompleated:1", "closed"};
        QTest::newRow("silence") << false << QByteArray()
                                 << QStringList{"opened", req, "errorOccured:-2",
                                                "testCompleated:-2", "closed"};
        QTest::newRow("silence, user port")
            << true << QByteArray() << QStringList{req, "errorOccured:-2", "testCompleated:-2"};
        QTest::newRow("error is no answer") << false << QByteArray("ERROR\r\nok\r\nOK \r\n")
                                            << QStringList{"opened",
                                                           req,
                                                           "received:ERROR\\r\\n",
                                                           "received:ok\\r\\n",
                                                           "received:OK \\r\\n",
                                                           "errorOccured:-2",
                                                           "testCompleated:-2",
                                                           "closed"};
        QTest::newRow("block holding OK is no answer")
            << true << QByteArray("+READB:4\r\nOK\r\n")
            << QStringList{req, "received:+READB:4\\r\\n", "receivedBinary:OK\\r\\n",
                           "errorOccured:-2", "testCompleated:-2"};
        QTest::newRow("blank line then ok")
            << true << QByteArray("\r\nOK\r\n")
            << QStringList{req, "received:\\r\\n", "received:OK\\r\\n", "testCompleated:0"};
    }
    void versionQuery() {
        QFETCH(bool, held);
        QFETCH(QByteArray, answer);
        QFETCH(QStringList, events);
        Module module;
        at::Client client;
        attach(client, module, held);
        Recorder rec(&client);
        QVERIFY(client.test());
        QPointer<QObject> running = client.transaction();
        QVERIFY(running);
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

    // The line is repeated every 80 ms for longer than the 250 ms time-out,
    // then "OK" follows: only lines of the running command keep it alive.
    void intermediateLines_data() {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<int>("result");
        QTest::newRow("payload") << QByteArray("+VERSION:1.0") << int(at::None);
        QTest::newRow("prefix match") << QByteArray("+VERSIONS:1") << int(at::None);
        QTest::newRow("no payload") << QByteArray("+VERSION") << int(at::None);
        QTest::newRow("lower case") << QByteArray("+version:1") << int(at::Timeout);
        QTest::newRow("too short") << QByteArray("+VERSIO") << int(at::Timeout);
        QTest::newRow("other command") << QByteArray("+FWWRITE:1") << int(at::Timeout);
        QTest::newRow("no plus") << QByteArray("VERSION:1") << int(at::Timeout);
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
        for (int i = 0; i < 7 && done.isEmpty(); ++i) {
            QTest::qWait(80);
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
        QTest::newRow("600 bytes, user port")
            << pattern(600) << true << QByteArray("AT+FWUPDATE=0,600,1142715734\r\n");
        QByteArray all(256, Qt::Uninitialized);
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        QTest::newRow("256 bytes")
            << all << false << QByteArray("AT+FWUPDATE=0,256,3606737804\r\n");
        QTest::newRow("257 bytes")
            << pattern(257) << false << QByteArray("AT+FWUPDATE=0,257,3951643538\r\n");
        QTest::newRow("three bytes") << QByteArray("\x00\xAB\x7F", 3) << true
                                     << QByteArray("AT+FWUPDATE=0,3,2381786978\r\n");
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

    void twoConfirmationsInOneRead() {
        const QByteArray image = pattern(300);
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client, false);
        QVERIFY(client.updateFirmware(image));
        QCOMPARE(module.next(), blockRequest(image, 0));
        QVERIFY(module.peer.write("OK\r\nOK\r\n"));
        QCOMPARE(module.next(), blockRequest(image, 256));
        QCOMPARE(module.next(), QByteArray("AT+FWUPDATE=0,300,569485361\r\n"));
        QVERIFY(module.peer.write("+FWUPDATE:checking\r\nOK\r\n"));
        QTRY_COMPARE(
            rec.events,
            (QStringList{"opened", "received:OK\\r\\n", "progress:256", "received:OK\\r\\n",
                         "progress:300", "received:+FWUPDATE:checking\\r\\n", "received:OK\\r\\n",
                         "firmwareCompleated:0", "closed"}));
    }

    // Where the cancel comes: "inflight" while a block waits for its answer,
    // "progress" from a progress listener after a given confirmed block,
    // "final" while the FWUPDATE request waits.
    void cancel_data() {
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("afterBytes");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("first block in flight")
            << "inflight" << 0 << true
            << QStringList{"opened", "errorOccured:-1", "firmwareCompleated:-1", "closed"};
        QTest::newRow("second block in flight")
            << "inflight" << 256 << true
            << QStringList{"opened", "progress:256", "errorOccured:-1", "firmwareCompleated:-1",
                           "closed"};
        QTest::newRow("from progress listener")
            << "progress" << 256 << true
            << QStringList{"opened", "progress:256", "errorOccured:-1", "firmwareCompleated:-1",
                           "closed"};
        QTest::newRow("after last block")
            << "progress" << 600 << false
            << QStringList{"opened",       "progress:256",         "progress:512",
                           "progress:600", "firmwareCompleated:0", "closed"};
        QTest::newRow("final step")
            << "final" << 600 << false
            << QStringList{"opened",       "progress:256",         "progress:512",
                           "progress:600", "firmwareCompleated:0", "closed"};
    }
    void cancel() {
        QFETCH(QString, when);
        QFETCH(int, afterBytes);
        QFETCH(bool, accepted);
        QFETCH(QStringList, events);
        const QByteArray image = pattern(600);
        Module module;
        at::Client client;
        attach(client, module, false);
        QStringList got;
        connect(&client, &at::Client::opened, &client, [&] { got << "opened"; });
        connect(&client, &at::Client::closed, &client, [&] { got << "closed"; });
        connect(&client, &at::Client::errorOccured, &client,
                [&](at::Error e) { got << QString("errorOccured:%1").arg(int(e)); });
        connect(&client, &at::Client::firmwareUpdateCompleated, &client,
                [&](at::Error e) { got << QString("firmwareCompleated:%1").arg(int(e)); });
        bool result = !accepted;
        bool tried = false;
        connect(&client, &at::Client::firmwareUpdateProgress, &client, [&](int w) {
            got << QString("progress:%1").arg(w);
            if (when == "progress" && w == afterBytes) {
                tried = true;
                result = client.cancelUpdateFirmware();
            }
        });

        QVERIFY(client.updateFirmware(image));
        int offset = 0;
        bool stopped = false;
        while (!stopped) {
            const QByteArray request = module.next(300);
            if (request.isEmpty()) {
                stopped = true;
                break;
            }
            if (request.startsWith("AT+FWUPDATE")) {
                if (when == "final") {
                    tried = true;
                    result = client.cancelUpdateFirmware();
                }
                QVERIFY(module.peer.write("OK\r\n"));
                continue;
            }
            QCOMPARE(request, blockRequest(image, offset));
            if (when == "inflight" && offset == afterBytes) {
                tried = true;
                result = client.cancelUpdateFirmware();
                stopped = true;
                break;
            }
            QVERIFY(module.peer.write("OK\r\n"));
            offset += 256;
        }
        QVERIFY(tried);
        QCOMPARE(result, accepted);
        QTRY_COMPARE(got, events);
        QVERIFY(module.quiet(100));
        QCOMPARE(got, events);
        QCOMPARE(client.transaction(), nullptr);
        QVERIFY(!client.cancelUpdateFirmware());
    }

    void failure_data() {
        QTest::addColumn<int>("failAt"); // request index that gets FAIL
        QTest::addColumn<QStringList>("events");
        QTest::newRow("first block")
            << 0 << QStringList{"opened", "errorOccured:1", "firmwareCompleated:1", "closed"};
        QTest::newRow("mid transfer") << 1
                                      << QStringList{"opened", "progress:256", "errorOccured:1",
                                                     "firmwareCompleated:1", "closed"};
        QTest::newRow("final step")
            << 3
            << QStringList{"opened",         "progress:256",         "progress:512", "progress:600",
                           "errorOccured:1", "firmwareCompleated:1", "closed"};
    }
    void failure() {
        QFETCH(int, failAt);
        QFETCH(QStringList, events);
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client, false);
        QVERIFY(client.updateFirmware(pattern(600)));
        for (int i = 0; i <= failAt; ++i) {
            QVERIFY(!module.next().isEmpty());
            QVERIFY(module.peer.write(i == failAt ? "FAIL\r\n" : "OK\r\n"));
        }
        QTRY_COMPARE(rec.events.filter(QRegularExpression("^(?!received)")), events);
        QVERIFY(module.quiet(100));
        QCOMPARE(client.transaction(), nullptr);
    }

    // Real time: 5 s for a block, 2.5 s for the final step.
    void firmwareTimeout_data() {
        QTest::addColumn<bool>("finalStep");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("block") << false
                               << QStringList{"opened", "errorOccured:-2", "firmwareCompleated:-2",
                                              "closed"};
        QTest::newRow("final step") << true
                                    << QStringList{"opened", "progress:10", "errorOccured:-2",
                                                   "firmwareCompleated:-2", "closed"};
    }
    void firmwareTimeout() {
        QFETCH(bool, finalStep);
        QFETCH(QStringList, events);
        Module module;
        at::Client client;
        attach(client, module, false);
        Recorder rec(&client, false);
        QVERIFY(client.updateFirmware(pattern(10)));
        QCOMPARE(module.next(), blockRequest(pattern(10), 0));
        if (finalStep) {
            QVERIFY(module.peer.write("OK\r\n"));
            QVERIFY(module.next().startsWith("AT+FWUPDATE=0,10,"));
        }
        QTRY_COMPARE_WITH_TIMEOUT(rec.events.filter(QRegularExpression("^(?!received)")), events,
                                  8000);
        QVERIFY(module.quiet(50));
    }
};

QTEST_GUILESS_MAIN(TestAtTransaction)
#include "tst_attransaction.moc"
