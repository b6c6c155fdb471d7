// The simulated module's conversation without a terminal: bytes in, answers out.

#include "tools/modsim/modem.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using modsim::Modem;

namespace {

QByteArray replies(const QList<modsim::Event>& events) {
    QByteArray out;
    for (const modsim::Event& e : events)
        out += e.reply;
    return out;
}

QByteArray fwwrite(qint64 offset, const QByteArray& data) {
    return "AT+FWWRITE=0," + QByteArray::number(offset) + ',' + data.toHex().toUpper() + "\r\n";
}

// The request that applies `image`, with its CRC as the module computes it.
QByteArray fwupdate(const QByteArray& image) {
    return "AT+FWUPDATE=0," + QByteArray::number(image.size()) + ',' +
           QByteArray::number(Modem::jamcrc(image)) + "\r\n";
}

} // namespace

class TestModem : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void writebPayload_data();
    void writebPayload();
    void overlongLine_data();
    void overlongLine();
    void garbageFuzz();
};

void TestModem::commands_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("pattern"); // whole reply, as a regular expression

    const QString ok = "OK\\r\\n", fail = "FAIL\\r\\n", error = "ERROR\\r\\n";
    const QByteArray a(256, 'a'), b(100, 'b'), digits("123456789");
    QTest::newRow("AT") << QByteArray("AT\r\n") << ok;
    QTest::newRow("lower case, bare LF") << QByteArray("at\n") << ok;
    QTest::newRow("blank lines then AT") << QByteArray("\n\r\n\nAT\r\n") << ok;
    QTest::newRow("no LF yet") << QByteArray("AT\r") << QString();
    QTest::newRow("VERSION") << QByteArray("AT+VERSION\r\n") << "\\+VERSION:[^\\r\\n]+\\r\\n" + ok;
    QTest::newRow("WFMODE set and read")
        << QByteArray("AT+WFMODE=2\r\nAT+WFMODE?\r\n") << ok + "\\+WFMODE:2\\r\\n" + ok;
    QTest::newRow("DATAMODE=1 remembered")
        << QByteArray("AT+DATAMODE=1\r\nAT+DATAMODE?\r\n") << ok + "\\+DATAMODE:1\\r\\n" + ok;
    QTest::newRow("DATAMODE=3") << QByteArray("AT+DATAMODE=3\r\n") << error;
    QTest::newRow("VERSION with parameter") << QByteArray("AT+VERSION=1\r\n") << error;
    QTest::newRow("unknown command") << QByteArray("AT+NOPE\r\n") << error;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\x1b[A\r\r\n", 8) << error;
    QTest::newRow("WRITEB size 2^64")
        << QByteArray("AT+WRITEB=0,18446744073709551616\r\n") << error;
    QTest::newRow("WRITEB negative size") << QByteArray("AT+WRITEB=0,-5\r\n") << error;
    QTest::newRow("WRITEB bad port") << QByteArray("AT+WRITEB=0,5,host,70000\r\n") << error;
    QTest::newRow("WRITEB size 0") << QByteArray("AT+WRITEB=0,0\r\nAT\r\n") << ok + ok;
    QTest::newRow("FWWRITE in order")
        << fwwrite(0, a) + fwwrite(256, b) + fwupdate(a + b) << ok + ok + ok;
    QTest::newRow("FWWRITE offset repeats")
        << fwwrite(0, a) + fwwrite(0, b) + fwwrite(0, a) + fwwrite(256, b) + fwupdate(a + b)
        << ok + ok + ok + ok + ok;
    QTest::newRow("FWWRITE offset skips ahead")
        << fwwrite(0, a) + fwwrite(512, b) + fwupdate(a) << ok + fail + ok;
    QTest::newRow("FWWRITE first block not at 0") << fwwrite(5, a) << fail;
    QTest::newRow("FWWRITE not hex") << QByteArray("AT+FWWRITE=0,0,4G\r\n") << fail;
    QTest::newRow("FWWRITE huge offset")
        << QByteArray("AT+FWWRITE=0,99999999999999999999999,41\r\n") << fail;
    QTest::newRow("FWUPDATE empty image") << QByteArray("AT+FWUPDATE=0,0,4294967295\r\n") << ok;
    QTest::newRow("FWUPDATE check digits") << fwwrite(0, digits) + "AT+FWUPDATE=0,9,873187033\r\n"
                                           << ok + ok;
    QTest::newRow("FWUPDATE wrong CRC") << fwwrite(0, digits) + "AT+FWUPDATE=0,9,873187034\r\n"
                                        << ok + fail;
    QTest::newRow("FWUPDATE usual CRC-32 instead")
        << fwwrite(0, digits) + "AT+FWUPDATE=0,9,3421780262\r\n"
        << ok + fail;
    QTest::newRow("FWUPDATE wrong size") << fwwrite(0, digits) + "AT+FWUPDATE=0,8,873187033\r\n"
                                         << ok + fail;
    QTest::newRow("FWUPDATE CRC beyond 32 bits")
        << QByteArray("AT+FWUPDATE=0,0,8589934591\r\n") << fail;
}

void TestModem::commands() {
    QFETCH(QByteArray, input);
    QFETCH(QString, pattern);
    Modem modem;
    const QByteArray reply = replies(modem.feed(input));
    const QRegularExpression re(QRegularExpression::anchoredPattern(pattern));
    QVERIFY2(re.match(QString::fromLatin1(reply)).hasMatch(), reply.constData());
}

void TestModem::writebPayload_data() {
    QTest::addColumn<int>("mode");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("payload");
    QTest::addColumn<int>("chunk");
    QTest::addColumn<QByteArray>("header");

    const QByteArray tricky("A\r\nOK\r\nAT\r\n\n\r\x00+READB:3\r\n", 22);
    QTest::newRow("mode 0, bytewise")
        << 0 << QByteArray("AT+WRITEB=1,22") << tricky << 1 << QByteArray();
    QTest::newRow("mode 2, with address, pieces of 5")
        << 2 << QByteArray("AT+WRITEB=7,22,10.0.0.2,8080") << tricky << 5
        << QByteArray("+READB:22:7\r\n");
    QTest::newRow("mode 2, payload over the line cap")
        << 2 << QByteArray("at+writeb=2,70000") << QByteArray(70000, '\n') << 4096
        << QByteArray("+READB:70000:2\r\n");
}

void TestModem::writebPayload() {
    QFETCH(int, mode);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, payload);
    QFETCH(int, chunk);
    QFETCH(QByteArray, header);

    Modem modem;
    QCOMPARE(replies(modem.feed("AT+DATAMODE=" + QByteArray::number(mode) + "\r\n")),
             QByteArray("OK\r\n"));
    QCOMPARE(replies(modem.feed(command + "\r\n")), QByteArray());
    QByteArray got;
    for (qsizetype pos = 0; pos < payload.size(); pos += chunk) {
        const QByteArray reply = replies(modem.feed(payload.mid(pos, chunk)));
        if (pos + chunk < payload.size())
            QVERIFY2(reply.isEmpty(), "answered before the payload was complete");
        got += reply;
    }
    QCOMPARE(got, "OK\r\n" + (header.isEmpty() ? QByteArray() : header + payload));
    QCOMPARE(modem.pendingPayload(), 0);
    QCOMPARE(replies(modem.feed("AT\r\n")), QByteArray("OK\r\n")); // back to command lines
}

void TestModem::overlongLine_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("chunk");
    QTest::newRow("in small pieces") << 300000 << 1000;
    QTest::newRow("just over the cap") << int(Modem::maxLine) + 1 << int(Modem::maxLine) + 1;
}

void TestModem::overlongLine() {
    QFETCH(int, length);
    QFETCH(int, chunk);
    Modem modem;
    const QByteArray line(length, 'A');
    QByteArray got;
    for (qsizetype pos = 0; pos < line.size(); pos += chunk)
        got += replies(modem.feed(line.mid(pos, chunk)));
    got += replies(modem.feed("\r\nAT\r\n"));
    QCOMPARE(got, QByteArray("ERROR\r\nOK\r\n"));
}

void TestModem::garbageFuzz() {
    // Pieces that steer the parser into its corners, glued at random.
    const QList<QByteArray> pieces{"AT",   "+",        "=",       ",",         "\r",      "\n",
                                   "\r\n", "WRITEB",   "FWWRITE", "0",         "9",       "-",
                                   "?",    "DATAMODE", "2",       "FWUPDATE",  "4F",      "zz",
                                   "\x00", "\xff",     "+READB:", "99999",     "VERSION", "WFMODE",
                                   "OK",   "1,3",      "0,0,41",  "0,1,1.2,3", "ERROR"};
    QRandomGenerator rng(20240601);
    for (int round = 0; round < 20; ++round) {
        Modem modem;
        QByteArray stream;
        while (stream.size() < 50000)
            stream += pieces.at(rng.bounded(int(pieces.size())));
        for (qsizetype pos = 0; pos < stream.size();) {
            const int n = 1 + rng.bounded(300);
            for (const modsim::Event& e : modem.feed(stream.mid(pos, n))) {
                if (e.isCommand && !e.reply.isEmpty())
                    QVERIFY2(e.reply.endsWith("\r\n"), e.reply.constData());
            }
            pos += n;
        }
        // Whatever state it was left in, it comes back to answering.
        const QByteArray rest(qsizetype(modem.pendingPayload()), 'x');
        const QList<modsim::Event> events = modem.feed(rest + "\nAT\r\n");
        QVERIFY(!events.isEmpty());
        QCOMPARE(events.last().reply, QByteArray("OK\r\n"));
    }
}

QTEST_GUILESS_MAIN(TestModem)
#include "tst_modem.moc"
