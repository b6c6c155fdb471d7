#include "at/client.h"
#include "common/ptypeer.h"
#include "recorder.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>

using Chunks = QList<QByteArray>;

class TestAtClient : public QObject {
    Q_OBJECT

private:
    static void attach(at::Client& client, const test::PtyPeer& peer) {
        client.serialPort()->setPortName(peer.slavePath());
    }

    // Sends a marker behind whatever was written so far and returns all bytes
    // that reached the module before it, proving that nothing else follows.
    static QByteArray wireUpToMarker(at::Client& client, test::PtyPeer& peer) {
        client.send("#END#");
        if (!peer.waitFor("#END#"))
            return "<marker missing>";
        QByteArray wire = peer.takeReceived();
        wire.chop(5);
        return wire;
    }

private slots:
    void signalOrderAndTypes() {
        at::Client client;
        // Listeners rely on this order of the signals.
        const QByteArrayList order =
            QByteArray(
                "opened() closed() sended(QByteArray) sendedBinary(QByteArray) "
                "received(QByteArray) "
                "receivedBinary(QByteArray) errorOccured(at::Error) testCompleated(at::Error) "
                "firmwareUpdateProgress(int) firmwareUpdateCompleated(at::Error)")
                .split(' ');
        int last = -1;
        for (const QByteArray& sig : order) {
            const int index = client.metaObject()->indexOfSignal(sig);
            QVERIFY2(index > last, sig);
            last = index;
        }
        // A queued connection needs the type by name.
        QSignalSpy spy(&client, &at::Client::errorOccured);
        QMetaObject::invokeMethod(&client, "errorOccured", Qt::QueuedConnection,
                                  Q_ARG(at::Error, at::Fail));
        QTRY_COMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).value<at::Error>(), at::Fail);
        QCOMPARE(at::toText(at::Error(2)), QString("Unknown"));
        QCOMPARE(at::toText(at::Error(std::numeric_limits<int>::min())), QString("Unknown"));
    }

    void userCommand_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("binary");
        QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("plain") << "AT" << QByteArray() << QByteArray("AT\r\n")
                               << QStringList{"sended:AT\\r\\n"};
        QTest::newRow("ends in lf")
            << "AT+X\n"
            << QByteArray() << QByteArray("AT+X\n") << QStringList{"sended:AT+X\\n"};
        QTest::newRow("ends in cr") << "AT\r" << QByteArray() << QByteArray("AT\r\r\n")
                                    << QStringList{"sended:AT\\r\\r\\n"};
        QTest::newRow("empty text, payload")
            << "" << QByteArray("PAY") << QByteArray() << QStringList{};
        QTest::newRow("with payload")
            << "AT+WRITEB=0,3" << QByteArray("\x00\r\n", 3)
            << QByteArray("AT+WRITEB=0,3\r\n\x00\r\n", 18)
            << QStringList{"sended:AT+WRITEB=0,3\\r\\n", "sendedBinary:\\x00\\r\\n"};
    }
    void userCommand() {
        QFETCH(QString, text);
        QFETCH(QByteArray, binary);
        QFETCH(QByteArray, wire);
        QFETCH(QStringList, events);
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        QVERIFY(client.serialPortOpen(true));
        Recorder rec(&client);
        client.userCommand(text, binary);
        QCOMPARE(rec.events, events);
        QCOMPARE(wireUpToMarker(client, peer), wire);
    }

    // Steps: "open1"/"open0" = serialPortOpen(true/false),
    // "close1"/"close0" = serialPortClose(true/false).
    void openClose_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("openAtEnd");
        QTest::newRow("soft close keeps user port")
            << QStringList{"open1", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("forced close, second one silent")
            << QStringList{"open1", "close1", "close1"} << QStringList{"opened", "closed"} << false;
        QTest::newRow("close-after")
            << QStringList{"open0", "close0"} << QStringList{"opened", "closed"} << false;
        QTest::newRow("user takes over")
            << QStringList{"open0", "open1", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("open0 on open port")
            << QStringList{"open1", "open0", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("close closed port")
            << QStringList{"close1", "close0"} << QStringList{} << false;
    }
    void openClose() {
        QFETCH(QStringList, steps);
        QFETCH(QStringList, events);
        QFETCH(bool, openAtEnd);
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        Recorder rec(&client);
        for (const QString& step : steps) {
            if (step.startsWith("open"))
                QVERIFY(client.serialPortOpen(step == "open1"));
            else
                client.serialPortClose(step == "close1");
        }
        QCOMPARE(rec.events, events);
        QCOMPARE(client.serialPort()->isOpen(), openAtEnd);
    }

    // Every sender makes sure the port is open right before writing; that
    // must not throw away what an earlier sender queued or the module said.
    void backToBackSendsKeepEverything() {
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        QSignalSpy received(&client, &at::Client::received);
        QVERIFY(client.serialPortOpen(true));
        peer.write("+EARLY:1\r\n");
        QTest::qWait(50); // the answer waits unread in the terminal
        for (const char* cmd : {"AT+ONE", "AT+TWO", "AT+THREE"}) {
            QVERIFY(client.serialPortOpen(true));
            client.userCommand(cmd, {});
        }
        QCOMPARE(wireUpToMarker(client, peer), QByteArray("AT+ONE\r\nAT+TWO\r\nAT+THREE\r\n"));
        QTRY_COMPARE(received.count(), 1);
        QCOMPARE(received.at(0).at(0).toByteArray(), QByteArray("+EARLY:1\r\n"));
    }

    void replacePort() {
        test::PtyPeer peer;
        at::Client client;
        QSignalSpy spy(&client, &at::Client::received);
        // A child port is disposed of when replaced; a foreign one is not.
        QPointer<QSerialPort> child = client.serialPort();
        QSerialPort foreign;
        client.setSerialPort(&foreign);
        QTRY_VERIFY(child.isNull());
        client.setSerialPort(nullptr);
        QTest::qWait(10);
        QCOMPARE(foreign.parent(), nullptr);

        // A foreign port that goes first leaves no dangling port behind.
        auto* shortLived = new QSerialPort;
        client.setSerialPort(shortLived);
        delete shortLived;
        client.serialPort()->setPortName(peer.slavePath());
        QVERIFY(client.serialPortOpen(true));
        QVERIFY(peer.write("C\n"));
        QTRY_COMPARE(spy.count(), 1);
    }

    void framing_data() {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("crlf") << Chunks{"OK\r\n"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("split cr lf") << Chunks{"OK\r", "\n"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("inner cr") << Chunks{"A\rB\r\n"} << QStringList{"received:A\\rB\\r\\n"};
        QTest::newRow("no lf yet") << Chunks{"AT\r"} << QStringList{};
        QTest::newRow("blank line then lines")
            << Chunks{"\r\nA\r\nB\r\n"}
            << QStringList{"received:\\r\\n", "received:A\\r\\n", "received:B\\r\\n"};
        QTest::newRow("block whole")
            << Chunks{"+READB:5\r\nHELLO"}
            << QStringList{"received:+READB:5\\r\\n", "receivedBinary:HELLO"};
        QTest::newRow("block split")
            << Chunks{"+READB:5\r\nHEL", "LO\r\nX\r\n"}
            << QStringList{"received:+READB:5\\r\\n", "receivedBinary:HELLO", "received:\\r\\n",
                           "received:X\\r\\n"};
        QTest::newRow("header split")
            << Chunks{"+REA", "DB:2\r", "\nxy"}
            << QStringList{"received:+READB:2\\r\\n", "receivedBinary:xy"};
        QTest::newRow("block holds crlf and OK")
            << Chunks{"+READB:7\r\nOK\r\nA\r\nZ\n"}
            << QStringList{"received:+READB:7\\r\\n", "receivedBinary:OK\\r\\nA\\r\\n",
                           "received:Z\\n"};
        QTest::newRow("lower case header")
            << Chunks{"+readb:3\r\nabcZ\n"}
            << QStringList{"received:+readb:3\\r\\n", "receivedBinary:abc", "received:Z\\n"};
        QTest::newRow("more fields")
            << Chunks{"+READB:3:7\r\nabc"}
            << QStringList{"received:+READB:3:7\\r\\n", "receivedBinary:abc"};
        // None of these is a block header, so nothing after them is swallowed.
        QTest::newRow("no usable count")
            << Chunks{"+READB:x\r\n+READB\r\n+READB:0\r\n+READB:-4\r\nab\r\n"}
            << QStringList{"received:+READB:x\\r\\n", "received:+READB\\r\\n",
                           "received:+READB:0\\r\\n", "received:+READB:-4\\r\\n",
                           "received:ab\\r\\n"};
        QTest::newRow("count out of range")
            << Chunks{"+READB:16777217\r\n+READB:99999999999\r\nab\r\n"}
            << QStringList{"received:+READB:16777217\\r\\n", "received:+READB:99999999999\\r\\n",
                           "received:ab\\r\\n"};
        QTest::newRow("blocks back to back")
            << Chunks{"+READB:1\r\nZ+READB:2\r\nab"}
            << QStringList{"received:+READB:1\\r\\n", "receivedBinary:Z", "received:+READB:2\\r\\n",
                           "receivedBinary:ab"};
        QTest::newRow("tail after block joins next line")
            << Chunks{"+READB:2\r\nabcd", "e\n"}
            << QStringList{"received:+READB:2\\r\\n", "receivedBinary:ab", "received:cde\\n"};
        QTest::newRow("long line in pieces")
            << Chunks{QByteArray(3000, 'a'), QByteArray(3000, 'b'), "\n"}
            << QStringList{"received:" + QString(3000, 'a') + QString(3000, 'b') + "\\n"};
    }
    // Over the terminal, with pauses so the pieces arrive apart.
    void framing() {
        QFETCH(Chunks, chunks);
        QFETCH(QStringList, events);
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        QVERIFY(client.serialPortOpen(true));
        Recorder rec(&client);
        for (const QByteArray& chunk : chunks) {
            QVERIFY(peer.write(chunk));
            QTest::qWait(20);
        }
        QTRY_COMPARE(rec.events, events);
        QTest::qWait(20);
        QCOMPARE(rec.events, events);
    }

    // Straight into the entry the ready-read path uses: many lines in one
    // pass, each reported once and in order; a partial line stays for the next.
    void manyLines() {
        at::Client client;
        QStringList got;
        connect(&client, &at::Client::received, &client,
                [&](const QByteArray& d) { got << QString::fromLatin1(d); });
        QByteArray data;
        QStringList want;
        for (int i = 0; i < 20000; ++i) {
            const QByteArray line =
                i % 7 == 0 ? QByteArray("\r\n") : "+LINE:" + QByteArray::number(i) + "\r\n";
            data += line;
            want << QString::fromLatin1(line);
        }
        client.receiveBytes(data + "+PART");
        QCOMPARE(got, want);
        client.receiveBytes("IAL\n");
        QCOMPARE(got.mid(want.size()), QStringList{"+PARTIAL\n"});
    }

    // A listener that runs the event loop (a modal dialog does) while more
    // bytes come in must not lose, repeat or reorder anything.
    void reentrantListener() {
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        QVERIFY(client.serialPortOpen(true));
        QStringList got;
        bool nested = false;
        connect(&client, &at::Client::received, &client, [&](const QByteArray& d) {
            got << QString::fromLatin1(d);
            if (d == "FIRST\n" && !nested) {
                nested = true;
                QVERIFY(peer.write("THIRD\n+READB:2\r\nxy"));
                QTest::qWait(50);
            }
        });
        connect(&client, &at::Client::receivedBinary, &client,
                [&](const QByteArray& d) { got << "bin:" + QString::fromLatin1(d); });
        QVERIFY(peer.write("FIRST\nSECOND\n"));
        QTRY_COMPARE(got.size(), 5);
        QTest::qWait(20);
        QCOMPARE(got, (QStringList{"FIRST\n", "SECOND\n", "THIRD\n", "+READB:2\r\n", "bin:xy"}));
    }
};

QTEST_GUILESS_MAIN(TestAtClient)
#include "tst_atclient.moc"
