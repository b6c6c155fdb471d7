// The AT client over a real pseudo-terminal: sending, opening and closing, framing of lines and
// binary blocks, the version query and the firmware transfer.

#include "at/baudsearch.h"
#include "at/client.h"
#include "at/escapes.h"
#include "at/firmware.h"
#include "at/hexdump.h"
#include "at/line.h"
#include "common/ptypeer.h"

#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using Chunks = QList<QByteArray>;

namespace {

// A client on a fresh terminal that writes every signal into one list, in order.
struct Rig {
    test::PtyPeer peer;
    at::Client client;
    QStringList events;

    explicit Rig(bool open) {
        client.serialPort()->setPortName(peer.slavePath());
        if (open)
            client.serialPortOpen(true);
        using C = at::Client;
        const auto add = [this](const char* name, auto signal) {
            QObject::connect(&client, signal, &client,
                             [this, name](auto arg) { events << name + (':' + esc(arg)); });
        };
        QObject::connect(&client, &C::opened, &client, [this] { events << "opened"; });
        QObject::connect(&client, &C::closed, &client, [this] { events << "closed"; });
        add("sended", &C::sended);
        add("sendedBinary", &C::sendedBinary);
        add("received", &C::received);
        add("receivedBinary", &C::receivedBinary);
        add("error", &C::errorOccured);
        add("test", &C::testCompleated);
        add("progress", &C::firmwareUpdateProgress);
        add("firmware", &C::firmwareUpdateCompleated);
        QObject::connect(&client, &C::writeFailed, &client, [this](auto data, auto error) {
            events << "failed:" + esc(data) + ' ' + error;
        });
    }
    static QString esc(int value) { return QString::number(value); }
    static QString esc(const QString& text) { return text; }
    static QString esc(const QByteArray& d) { // a long run as its first byte and its size
        return d.size() > 64 ? QString("%1*%2").arg(d.at(0)).arg(d.size())
                             : QString::fromLatin1(d).replace('\r', "\\r").replace('\n', "\\n");
    }
};

} // namespace

class TestAtClient : public QObject {
    Q_OBJECT

private slots:
    void framing_data() {
        // clang-format off
        QTest::addColumn<Chunks>("chunks"); QTest::addColumn<QStringList>("events");
        QTest::newRow("split cr lf, no lf yet") << Chunks{"OK\r", "\nAT\r"} << QStringList{"received:OK\\r\\n"};
        QTest::newRow("blank line then lines") << Chunks{"\r\nA\r\nB\n"} << QStringList{"received:\\r\\n", "received:A\\r\\n", "received:B\\n"};
        QTest::newRow("block split, tail joins next line") << Chunks{"+READB:5\r\nHEL", "LOab", "c\n"} << QStringList{"received:+READB:5\\r\\n", "receivedBinary:HELLO", "received:abc\\n"};
        QTest::newRow("header split, lower case, more fields") << Chunks{"+rea", "db:2:7\r", "\nxy"} << QStringList{"received:+readb:2:7\\r\\n", "receivedBinary:xy"};
        QTest::newRow("block holds crlf and OK") << Chunks{"+READB:4\r\nOK\r\nZ\n"} << QStringList{"received:+READB:4\\r\\n", "receivedBinary:OK\\r\\n", "received:Z\\n"};
        QTest::newRow("blocks back to back") << Chunks{"+READB:1\r\nZ+READB:2\r\nab"} << QStringList{"received:+READB:1\\r\\n", "receivedBinary:Z", "received:+READB:2\\r\\n", "receivedBinary:ab"};
        // None of these is a block header, so nothing after them is swallowed.
        QByteArray noHeaders;
        QStringList lines;
        for (const char* line : {"+READB:x", "+READB", "+READB:0", "+READB:-4", "+READB:16777217", "ab"}) {
            noHeaders += line + QByteArray("\r\n");
            lines << QString("received:%1\\r\\n").arg(line);
        }
        QTest::newRow("no usable count") << Chunks{noHeaders} << lines;
    }
    void framing() {
        QFETCH(Chunks, chunks); QFETCH(QStringList, events);
        // clang-format on
        Rig rig(true);
        for (const QByteArray& chunk : chunks) {
            QVERIFY(rig.peer.write(chunk));
            QTest::qWait(20); // the pieces arrive apart
        }
        QTRY_COMPARE(rig.events, events);
        QTest::qWait(20);
        QCOMPARE(rig.events, events);
    }

    // A listener that runs the event loop (a modal dialog does) while more bytes come in
    // loses, repeats and reorders nothing.
    void reentrantListener() {
        Rig rig(true);
        bool nested = false;
        connect(&rig.client, &at::Client::received, this, [&](const QByteArray& d) {
            if (d == "FIRST\n" && !std::exchange(nested, true)) {
                QVERIFY(rig.peer.write("THIRD\n+READB:2\r\nxy"));
                QTest::qWait(50);
            }
        });
        QVERIFY(rig.peer.write("FIRST\nSECOND\n"));
        const QStringList want{"received:FIRST\\n", "received:SECOND\\n", "received:THIRD\\n",
                               "received:+READB:2\\r\\n", "receivedBinary:xy"};
        QTRY_COMPARE(rig.events, want);
    }

    // Events after the request; a port opened for the query is closed after it.
    void versionQuery_data() {
        // clang-format off
        QTest::addColumn<bool>("held"); QTest::addColumn<QByteArray>("answer"); QTest::addColumn<QStringList>("events");
        QTest::newRow("ok, port opened for it") << false << QByteArray("OK\r\n") << QStringList{"received:OK\\r\\n", "test:0"};
        QTest::newRow("intermediate then ok") << true << QByteArray("+VERSION:1.2\r\nOK\n") << QStringList{"received:+VERSION:1.2\\r\\n", "received:OK\\n", "test:0"};
        QTest::newRow("intermediate then silence") << true << QByteArray("+VERSION:1.2\r\n") << QStringList{"received:+VERSION:1.2\\r\\n", "error:-2", "test:-2"};
        QTest::newRow("fail") << false << QByteArray("FAIL\r\n") << QStringList{"received:FAIL\\r\\n", "error:1", "test:1"};
        QTest::newRow("error and block holding OK are no answer") << true << QByteArray("ERROR\r\n+READB:4\r\nOK\r\n") << QStringList{"received:ERROR\\r\\n", "received:+READB:4\\r\\n", "receivedBinary:OK\\r\\n", "error:-2", "test:-2"};
    }
    void versionQuery() {
        QFETCH(bool, held); QFETCH(QByteArray, answer); QFETCH(QStringList, events);
        // clang-format on
        events.prepend("sended:AT+VERSION\\r\\n");
        if (!held)
            events = QStringList{"opened"} + events + QStringList{"closed"};
        Rig rig(held);
        QVERIFY(rig.client.test() && !rig.client.test());
        QVERIFY(!rig.client.updateFirmware("abc"));
        QPointer<QObject> running = rig.client.transaction();
        QVERIFY(rig.peer.waitFor("AT+VERSION\r\n"));
        QVERIFY(rig.peer.write(answer));
        QTRY_COMPARE_WITH_TIMEOUT(rig.events, events, 2000);
        QCOMPARE(rig.client.serialPort()->isOpen(), held);
        QTRY_VERIFY(running.isNull());
        // A late answer finds no transaction and changes nothing.
        rig.peer.write("OK\r\n");
        QTRY_COMPARE(rig.events.size(), events.size() + (held ? 1 : 0));
        QTest::qWait(20);
        QCOMPARE(rig.events.mid(0, events.size()), events);
    }

    // A line of the running command grants the whole time-out anew. Timers fire only from the
    // event loop, so the sleeps are all lower bounds but the second.
    void intermediateLineExtends() {
        Rig rig(true);
        QVERIFY(rig.client.test());
        QTest::qSleep(150);
        rig.client.receiveBytes("+VERSION:1.2\r\n");
        QTest::qSleep(150); // beyond the query's 250 ms, within 250 ms of the line
        QCoreApplication::processEvents();
        rig.client.receiveBytes("OK\r\n");
        QCOMPARE(rig.events.last(), "test:0");
    }

    // What the framing holds when the port closes or a transaction takes the held port is
    // shown as it came, and every open starts clean; a line that never ends is cut in pieces of
    // at most 64 KiB; a block or a held command the port cannot take is no send.
    void closeAndOpen_data() {
        // clang-format off
        // before: taken by the framing first; events: then the module says OK
        QTest::addColumn<QByteArray>("before"); QTest::addColumn<QString>("action");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("bogus block count, port closed behind the client") << QByteArray("+READB:1000\r\nab") << "drop" << QStringList{"received:+READB:1000\\r\\n", "receivedBinary:ab", "opened", "received:OK\\r\\n"};
        QTest::newRow("partial line, version query opens") << QByteArray("+VER") << "test" << QStringList{"received:+VER", "opened", "sended:AT+VERSION\\r\\n", "received:OK\\r\\n", "test:0", "closed"};
        QTest::newRow("bogus block count, query on the held port") << QByteArray("+READB:1000\r\nab") << "query" << QStringList{"received:+READB:1000\\r\\n", "receivedBinary:ab", "sended:AT+VERSION\\r\\n", "received:OK\\r\\n", "test:0"};
        QTest::newRow("lines without a line feed") << QByteArray(2 * 65536 + 5, 'x') + "\r\n" + QByteArray(70000, 'y') << "" << QStringList{"received:x*65536", "received:x*65536", "received:xxxxx\\r\\n", "received:y*65536", "received:y*4468"};
        QTest::newRow("held command, port closed") << QByteArray() << "held" << QStringList{"sended:AT+VERSION\\r\\n", "closed", "error:-2", "test:-2", "failed:AT+UID\\r\\n The port is not open"};
        // The port closes while the first block is reported: the next one never leaves.
        QTest::newRow("block after the port closed") << QByteArray() << "firmware" << QStringList{"sended:A*529", "received:OK\\r\\n", "progress:256", "closed", "failed:A*531 The port is not open", "error:-2", "firmware:-2"};
    }
    void closeAndOpen() {
        QFETCH(QByteArray, before); QFETCH(QString, action); QFETCH(QStringList, events);
        // clang-format on
        Rig rig(true);
        connect(&rig.client, &at::Client::firmwareUpdateProgress, this,
                [&] { rig.client.serialPortClose(true); });
        rig.client.receiveBytes(before);
        if (action == "drop" || action == "test") {
            rig.client.serialPort()->close();
            QVERIFY(action == "test" ? rig.client.test() : rig.client.serialPortOpen(true));
        } else if (action == "firmware") {
            QVERIFY(rig.client.updateFirmware(QByteArray(600, '\1')));
        } else if (action != "") {
            QVERIFY(rig.client.test());
        }
        if (action != "" && action != "drop")
            QVERIFY(rig.peer.waitFor("\r\n"));
        if (action == "held") {
            rig.client.userCommand("AT+UID", {});
            rig.client.serialPortClose(true);
        }
        QVERIFY(rig.peer.write("OK\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(rig.events, events, 2000); // a closed port ends it at once
    }

    // The line's shape as the toolbar writes it reads back the same; anything else is refused.
    void lineShape_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("shape"); // empty: refused
        for (const char* same : {"8N1", "8E1 RTS/CTS", "7O1.5 XON/XOFF", "5S2", "6M1"})
            QTest::newRow(same) << QString(same) << QString(same);
        QTest::newRow("lower case, blanks") << QString(" 8e2  rts/cts ") << QString("8E2 RTS/CTS");
        for (const char* bad : {"", "8N", "9N1", "4N1", "8X1", "8N3", "8N1.0", "8N1 RTS",
                                "8N1 RTS/CTS XON/XOFF", "N81", "8", "8\u00d11"})
            QTest::newRow(qPrintable(QString("refused: '%1'").arg(bad))) << QString(bad) << "";
    }
    void lineShape() {
        QFETCH(QString, text);
        QFETCH(QString, shape);
        at::LineSettings line;
        line.dataBits = QSerialPort::Data6; // untouched by a refusal
        QCOMPARE(at::parseShape(text, &line), !shape.isEmpty());
        QCOMPARE(line.shape(), shape.isEmpty() ? QString("6N1") : shape);
        QCOMPARE(line.isDefault(), shape == "8N1");
    }

    // A refusal names each setting the device did not keep, as it was asked for.
    void lineDifferences_data() {
        // clang-format off
        QTest::addColumn<QString>("wanted"); QTest::addColumn<QString>("had"); QTest::addColumn<QString>("named");
        QTest::newRow("kept") << "8E1 RTS/CTS" << "8E1 RTS/CTS" << "";
        QTest::newRow("all") << "7O2 XON/XOFF" << "8N1" << "7 data bits, odd parity, 2 stop bits, XON/XOFF flow control";
        QTest::newRow("RTS/CTS") << "8N1 RTS/CTS" << "8N1" << "RTS/CTS flow control";
        QTest::newRow("none") << "8N1" << "8E1 XON/XOFF" << "no parity, no flow control";
        QTest::newRow("mark") << "8M1" << "8N1" << "mark parity";
        QTest::newRow("space") << "8S1.5" << "8N1" << "space parity, 1.5 stop bits";
        QTest::newRow("even") << "5E1" << "8N1" << "5 data bits, even parity";
    }
    void lineDifferences() {
        QFETCH(QString, wanted); QFETCH(QString, had); QFETCH(QString, named);
        // clang-format on
        at::LineSettings a, b;
        QVERIFY(at::parseShape(wanted, &a) && at::parseShape(had, &b));
        QCOMPARE(at::lineDifferences(a, b), named);
    }

    // A pulse inverts its lines at once, in order, and puts them back after the time, the
    // last first.
    void pulseSteps_data() {
        // clang-format off
        // steps: line, level and delay of each
        QTest::addColumn<QList<at::ControlLine>>("order"); QTest::addColumn<QList<bool>>("levels");
        QTest::addColumn<QString>("steps");
        const auto dtr = at::ControlLine::Dtr, rts = at::ControlLine::Rts;
        QTest::newRow("DTR") << QList{dtr} << QList{true} << "DTR off 0, DTR on 100";
        QTest::newRow("RTS, low") << QList{rts} << QList{false} << "RTS on 0, RTS off 100";
        QTest::newRow("DTR, then RTS") << QList{dtr, rts} << QList{true, false} << "DTR off 0, RTS on 0, RTS off 100, DTR on 100";
        QTest::newRow("RTS, then DTR") << QList{rts, dtr} << QList{true, true} << "RTS off 0, DTR off 0, DTR on 100, RTS on 100";
    }
    void pulseSteps() {
        QFETCH(QList<at::ControlLine>, order); QFETCH(QList<bool>, levels); QFETCH(QString, steps);
        // clang-format on
        QStringList seen;
        for (const at::PulseStep& step : at::pulseSteps(order, levels, 100))
            seen << QString("%1 %2 %3")
                        .arg(at::controlLineName(step.line), step.on ? "on" : "off")
                        .arg(step.delayMs);
        QCOMPARE(seen.join(", "), steps);
    }

    void unescape_data() {
        // clang-format off
        // bytes: empty: refused
        QTest::addColumn<QString>("text"); QTest::addColumn<QByteArray>("bytes"); QTest::addColumn<int>("errorAt");
        QTest::newRow("plain") << "AT+VERSION" << QByteArray("AT+VERSION") << -1;
        QTest::newRow("all") << R"(a\r\n\t\\\x41\xfF)" << QByteArray("a\r\n\t\\A\xff") << -1;
        QTest::newRow("nul") << R"(\x00+)" << QByteArray("\0+", 2) << -1;
        QTest::newRow("escaped backslash") << R"(\\x41)" << QByteArray("\\x41") << -1;
        QTest::newRow("one digit") << R"(AT\x4)" << QByteArray() << 2;
        QTest::newRow("one digit, more") << R"(\x4g)" << QByteArray() << 0;
        QTest::newRow("not hex") << R"(\xZZ)" << QByteArray() << 0;
        QTest::newRow("trailing") << R"(pass\)" << QByteArray() << 4;
        QTest::newRow("unknown") << R"(p\a)" << QByteArray() << 1;
        QTest::newRow("local text") << QString::fromUtf8("\u00e9\\n") << (QString::fromUtf8("\u00e9").toLocal8Bit() + '\n') << -1;
    }
    void unescape() {
        QFETCH(QString, text); QFETCH(QByteArray, bytes); QFETCH(int, errorAt);
        // clang-format on
        const at::Unescaped out = at::unescape(text);
        QCOMPARE(out.errorAt, errorAt);
        QCOMPARE(out.bytes, bytes);
    }

    void hexRows_data() {
        // clang-format off
        QTest::addColumn<QByteArray>("bytes"); QTest::addColumn<QStringList>("rows");
        const QString pad(36, ' '), sixteen = "30 31 32 33 34 35 36 37 38 39 61 62 63 64 65 66  0123456789abcdef";
        QTest::newRow("empty") << QByteArray() << QStringList();
        QTest::newRow("one byte") << QByteArray("A") << QStringList{"41" + QString(45, ' ') + "  A"};
        QTest::newRow("CR LF") << QByteArray("OK\r\n") << QStringList{"4f 4b 0d 0a" + pad + "  OK.."};
        QTest::newRow("16") << QByteArray("0123456789abcdef") << QStringList{sixteen};
        QTest::newRow("17") << QByteArray("0123456789abcdef~") << QStringList{sixteen, "7e" + QString(45, ' ') + "  ~"};
        QTest::newRow("controls") << QByteArray("\0\x01\x1f \x7f\t", 6) << QStringList{"00 01 1f 20 7f 09" + QString(30, ' ') + "  ... .."};
        QTest::newRow("high") << QByteArray("\x80\xc3\xa9\xff") << QStringList{"80 c3 a9 ff" + pad + "  ...."};
    }
    // Rows line up in a fixed-width face whatever the bytes; the text form is the same rows.
    void hexRows() {
        QFETCH(QByteArray, bytes); QFETCH(QStringList, rows);
        // clang-format on
        QCOMPARE(at::hexRows(bytes), rows);
        const QString text = at::hexText(bytes, u"   ");
        QCOMPARE(text, rows.isEmpty() ? "\n" : rows.join("\n   ") + '\n');
        QCOMPARE(text.size(), at::hexTextLength(bytes.size(), 3));
    }

    void baudSearch_data() {
        // clang-format off
        // answer: the module's answer to each AT; times: answers at most this many ATs
        QTest::addColumn<QByteArray>("answer"); QTest::addColumn<int>("outcome"); QTest::addColumn<qint32>("rate");
        QTest::addColumn<QByteArray>("wire"); QTest::addColumn<int>("times");
        const int found = at::BaudSearch::Found, none = at::BaudSearch::NoAnswer;
        const QByteArray at2 = QByteArray("AT\r\n").repeated(2), at3 = QByteArray("AT\r\n").repeated(3);
        QTest::newRow("first answers") << QByteArray("AT\r\r\nOK\r\n") << found << 115200 << at2 << 9;
        QTest::newRow("noise before OK") << QByteArray("\xf0\x80OK\r\n") << found << 115200 << at2 << 9;
        QTest::newRow("a stray OK is not a rate") << QByteArray("OK\r\n") << none << 0 << QByteArray("AT\r\n").repeated(4) << 1;
        QTest::newRow("ERROR is no OK") << QByteArray("ERROR\r\n") << none << 0 << at3 << 9;
        QTest::newRow("silent") << QByteArray() << none << 0 << at3 << 0;
    }
    void baudSearch() {
        QFETCH(QByteArray, answer); QFETCH(int, outcome); QFETCH(qint32, rate); QFETCH(QByteArray, wire);
        QFETCH(int, times);
        // clang-format on
        Rig rig(true);
        rig.client.serialPort()->setBaudRate(19200);
        at::BaudSearch search(&rig.client, {115200, 9600, 4800}, times == 0 ? 20 : 300);
        QList<qint32> tried;
        connect(&search, &at::BaudSearch::trying, this, [&](int, qint32 r) { tried << r; });
        QSignalSpy done(&search, &at::BaudSearch::finished);
        QTimer answering; // once to each AT
        qsizetype answered = 0;
        connect(&answering, &QTimer::timeout, this, [&] {
            if (answered < times && rig.peer.received().count("AT\r\n") > answered) {
                ++answered;
                rig.peer.write(answer);
            }
        });
        answering.start(1);
        search.start();
        QVERIFY(done.wait(5000));
        QCOMPARE(done.at(0).at(0).toInt(), outcome);
        QCOMPARE(done.at(0).at(1).value<qint32>(), rate);
        // Past the wait for the next rate: nothing more may come once it has ended.
        QTest::qWait(times == 0 ? 100 : 400);
        QCOMPARE(rig.peer.received(), wire);
        QCOMPARE(done.size(), 1);
        // A rate that did not answer is not left on the port.
        QCOMPARE(rig.client.serialPort()->baudRate(), rate ? rate : 19200);
        QVERIFY(!search.isRunning());
    }
};

QTEST_GUILESS_MAIN(TestAtClient)
#include "tst_atclient.moc"
