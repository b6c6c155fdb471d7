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
    // A client whose port is the program's end of the peer's terminal.
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
    void toText_data() {
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("timeout") << -2 << "Timeout";
        QTest::newRow("cancel") << -1 << "Cancel";
        QTest::newRow("none") << 0 << "None";
        QTest::newRow("fail") << 1 << "Fail";
        QTest::newRow("above") << 2 << "Unknown";
        QTest::newRow("below") << -3 << "Unknown";
        QTest::newRow("far") << 1000 << "Unknown";
        QTest::newRow("int min") << std::numeric_limits<int>::min() << "Unknown";
    }
    void toText() {
        QFETCH(int, value);
        QFETCH(QString, text);
        QCOMPARE(at::toText(static_cast<at::Error>(value)), text);
    }

    void metaObject() {
        at::Client client;
        QCOMPARE(QMetaType::fromType<at::Error>().name(), "at::Error");
        QVERIFY(QMetaType::fromName("at::Error").isValid());
        QCOMPARE(client.metaObject()->className(), "at::Client");
        // Listeners rely on this order of the signals.
        const char* order[] = {"opened()",
                               "closed()",
                               "sended(QByteArray)",
                               "sendedBinary(QByteArray)",
                               "received(QByteArray)",
                               "receivedBinary(QByteArray)",
                               "errorOccured(at::Error)",
                               "testCompleated(at::Error)",
                               "firmwareUpdateProgress(int)",
                               "firmwareUpdateCompleated(at::Error)"};
        int last = -1;
        for (const char* sig : order) {
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
        QTest::newRow("ends in crlf")
            << "AT\r\n"
            << QByteArray() << QByteArray("AT\r\n") << QStringList{"sended:AT\\r\\n"};
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
        QVERIFY(peer.isOpen());
        at::Client client;
        attach(client, peer);
        QVERIFY(client.serialPortOpen(true));
        Recorder rec(&client);
        client.userCommand(text, binary);
        QCOMPARE(rec.events, events);
        QCOMPARE(wireUpToMarker(client, peer), wire);
    }

    // Steps: "open1"/"open0" = serialPortOpen(true/false),
    // "close1"/"close0" = serialPortClose(true/false), "give" = the end of
    // a transaction handing the port back (via a timed-out test()).
    void openClose_data() {
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<bool>("openAtEnd");
        QTest::newRow("open once") << QStringList{"open1"} << QStringList{"opened"} << true;
        QTest::newRow("open twice")
            << QStringList{"open1", "open1"} << QStringList{"opened"} << true;
        QTest::newRow("soft close keeps user port")
            << QStringList{"open1", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("forced close")
            << QStringList{"open1", "close1"} << QStringList{"opened", "closed"} << false;
        QTest::newRow("second close silent")
            << QStringList{"open1", "close1", "close1"} << QStringList{"opened", "closed"} << false;
        QTest::newRow("close-after")
            << QStringList{"open0", "close0"} << QStringList{"opened", "closed"} << false;
        QTest::newRow("user takes over")
            << QStringList{"open0", "open1", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("open0 on open port")
            << QStringList{"open1", "open0", "close0"} << QStringList{"opened"} << true;
        QTest::newRow("close closed port")
            << QStringList{"close1", "close0"} << QStringList{} << false;
        QTest::newRow("reopen") << QStringList{"open1", "close1", "open1"}
                                << QStringList{"opened", "closed", "opened"} << true;
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
            if (step == "open1")
                QVERIFY(client.serialPortOpen(true));
            else if (step == "open0")
                QVERIFY(client.serialPortOpen(false));
            else if (step == "close1")
                client.serialPortClose(true);
            else
                client.serialPortClose(false);
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

    void openFailure() {
        at::Client client;
        client.serialPort()->setPortName("/dev/pts/kelvra-no-such-port");
        Recorder rec(&client);
        QVERIFY(!client.serialPortOpen(true));
        QVERIFY(!client.serialPortOpen(false));
        QVERIFY(!client.test());
        QVERIFY(!client.updateFirmware("abc"));
        QCOMPARE(client.transaction(), nullptr);
        QCOMPARE(rec.events, QStringList{});
    }

    void portOwnership() {
        test::PtyPeer peer;
        QPointer<QSerialPort> made;
        {
            at::Client client;
            made = client.serialPort();
            QCOMPARE(client.serialPort(), made.data());
            QCOMPARE(made->parent(), nullptr);
            attach(client, peer);
            QVERIFY(client.serialPortOpen(true));
            // Installing the same port again must not connect it twice.
            client.setSerialPort(made);
            QSignalSpy spy(&client, &at::Client::received);
            QVERIFY(peer.write("A\r\n"));
            QTRY_COMPARE(spy.count(), 1);
            QTest::qWait(50);
            QCOMPARE(spy.count(), 1);
            QVERIFY(client.test()); // dies with a transaction running
        }
        QVERIFY(made.isNull());
    }

    void replacePort() {
        test::PtyPeer peer;
        at::Client client;
        QPointer<QSerialPort> first = client.serialPort();
        auto* second = new QSerialPort(&client);
        second->setPortName(peer.slavePath());
        client.setSerialPort(second);
        QCOMPARE(client.serialPort(), second);
        QTRY_VERIFY(first.isNull());
        QVERIFY(client.serialPortOpen(true));
        QSignalSpy spy(&client, &at::Client::received);
        QVERIFY(peer.write("B\n"));
        QTRY_COMPARE(spy.count(), 1);

        // A child port is disposed of when replaced; a foreign one is not.
        QSerialPort foreign;
        QPointer<QSerialPort> child = second;
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
        QTRY_COMPARE(spy.count(), 2);
    }

    void framing_data() {
        QTest::addColumn<Chunks>("chunks");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("crlf") << Chunks{"OK\r\n"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("lf") << Chunks{"OK\n"} << QStringList{"received:OK\\n"};
        QTest::newRow("split") << Chunks{"O", "K\r\n"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("split cr lf") << Chunks{"OK\r", "\n"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("inner cr") << Chunks{"A\rB\r\n"} << QStringList{"received:A\\rB\\r\\n"};
        QTest::newRow("no lf yet") << Chunks{"AT\r"} << QStringList{};
        QTest::newRow("blank line then lines")
            << Chunks{"\r\nA\r\nB\r\n"}
            << QStringList{"received:\\r\\n", "received:A\\r\\n", "received:B\\r\\n"};
        QTest::newRow("bare lf first")
            << Chunks{"\nA\n\n"} << QStringList{"received:\\n", "received:A\\n", "received:\\n"};
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
        QTest::newRow("block holds lf only")
            << Chunks{"+READB:3\r\n\n\n\n"}
            << QStringList{"received:+READB:3\\r\\n", "receivedBinary:\\n\\n\\n"};
        QTest::newRow("lower case header")
            << Chunks{"+readb:3\r\nabcZ\n"}
            << QStringList{"received:+readb:3\\r\\n", "receivedBinary:abc", "received:Z\\n"};
        QTest::newRow("more fields")
            << Chunks{"+READB:3:7\r\nabc"}
            << QStringList{"received:+READB:3:7\\r\\n", "receivedBinary:abc"};
        QTest::newRow("count not a number")
            << Chunks{"+READB:x\r\nab\r\n"}
            << QStringList{"received:+READB:x\\r\\n", "received:ab\\r\\n"};
        QTest::newRow("no count") << Chunks{"+READB\r\nab\r\n"}
                                  << QStringList{"received:+READB\\r\\n", "received:ab\\r\\n"};
        QTest::newRow("zero count") << Chunks{"+READB:0\r\nab\r\n"}
                                    << QStringList{"received:+READB:0\\r\\n", "received:ab\\r\\n"};
        QTest::newRow("count out of range")
            << Chunks{"+READB:99999999999\r\nab\r\n"}
            << QStringList{"received:+READB:99999999999\\r\\n", "received:ab\\r\\n"};
        QTest::newRow("negative count")
            << Chunks{"+READB:-4\r\nab\r\n"}
            << QStringList{"received:+READB:-4\\r\\n", "received:ab\\r\\n"};
        QTest::newRow("blocks back to back")
            << Chunks{"+READB:1\r\nZ+READB:2\r\nab"}
            << QStringList{"received:+READB:1\\r\\n", "receivedBinary:Z", "received:+READB:2\\r\\n",
                           "receivedBinary:ab"};
        QTest::newRow("tail after block joins next line")
            << Chunks{"+READB:2\r\nabcd", "e\n"}
            << QStringList{"received:+READB:2\\r\\n", "receivedBinary:ab", "received:cde\\n"};
        QTest::newRow("block byte by byte")
            << Chunks{"+READB:3\r\n", "1", "\r", "\n", "X\n"}
            << QStringList{"received:+READB:3\\r\\n", "receivedBinary:1\\r\\n", "received:X\\n"};
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

    // Through the entry the ready-read path uses, with exact piece borders.
    void framingDirect_data() { framing_data(); }
    void framingDirect() {
        QFETCH(Chunks, chunks);
        QFETCH(QStringList, events);
        at::Client client;
        Recorder rec(&client);
        for (const QByteArray& chunk : chunks)
            client.receiveBytes(chunk);
        QCOMPARE(rec.events, events);
    }

    void framingSurvivesReopen() {
        test::PtyPeer peer;
        at::Client client;
        attach(client, peer);
        Recorder rec(&client);
        QVERIFY(client.serialPortOpen(true));
        QVERIFY(peer.write("+READB:4\r\nab"));
        QTRY_COMPARE(rec.events.size(), 2); // opened, header
        client.serialPortClose(true);
        QVERIFY(client.serialPortOpen(true));
        QVERIFY(peer.write("cdE\n"));
        QTRY_COMPARE(rec.events.size(), 6);
        QCOMPARE(rec.events.mid(2),
                 (QStringList{"closed", "opened", "receivedBinary:abcd", "received:E\\n"}));
    }

    void manyLines() {
        // Many lines in one pass, including blank ones, each reported once
        // and in order; a partial line stays for the next pass.
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
        QCOMPARE(got.size(), want.size());
        QCOMPARE(got, want);
        client.receiveBytes("IAL\n");
        QCOMPARE(got.size(), want.size() + 1);
        QCOMPARE(got.last(), QString("+PARTIAL\n"));
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
        QCOMPARE(got.size(), 5);
        QCOMPARE(got, (QStringList{"FIRST\n", "SECOND\n", "THIRD\n", "+READB:2\r\n", "bin:xy"}));
        client.receiveBytes("Z\n");
        QCOMPARE(got.last(), QString("Z\n"));
    }
};

QTEST_GUILESS_MAIN(TestAtClient)
#include "tst_atclient.moc"
