// The simulated module's conversation without a terminal: bytes in, answers out.

#include "tools/modsim/modem.h"

#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTest>

using modsim::Faults;
using modsim::Modem;

namespace {

QByteArray replies(const QList<modsim::Event>& events) {
    QByteArray out;
    for (const modsim::Event& e : events)
        out += e.reply;
    return out;
}

QByteArray fwwriteLine(qint64 offset, const QByteArray& data) {
    return "AT+FWWRITE=0," + QByteArray::number(offset) + ',' + data.toHex().toUpper() + "\r\n";
}

} // namespace

class TestModem : public QObject {
    Q_OBJECT
private slots:
    void commands_data();
    void commands();
    void writebPayload_data();
    void writebPayload();
    void fwwrite_data();
    void fwwrite();
    void fwupdate_data();
    void fwupdate();
    void jamcrc_data();
    void jamcrc();
    void faults_data();
    void faults();
    void overlongLine_data();
    void overlongLine();
    void garbageFuzz();
    void wholeImage();
};

void TestModem::commands_data() {
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QString>("pattern"); // whole reply, as a regular expression

    const QString ok = QStringLiteral("OK\\r\\n");
    const QString error = QStringLiteral("^ERROR\\r\\n$");
    QTest::newRow("AT") << QByteArray("AT\r\n") << "^" + ok + "$";
    QTest::newRow("lower case at") << QByteArray("at\r\n") << "^" + ok + "$";
    QTest::newRow("bare LF") << QByteArray("AT\n") << "^" + ok + "$";
    QTest::newRow("blank line") << QByteArray("\r\n") << QStringLiteral("^$");
    QTest::newRow("blank lines then AT") << QByteArray("\n\r\n\nAT\r\n") << "^" + ok + "$";
    QTest::newRow("no LF yet") << QByteArray("AT\r") << QStringLiteral("^$");
    QTest::newRow("VERSION") << QByteArray("AT+VERSION\r\n")
                             << "^\\+VERSION:[^\\r\\n]+\\r\\n" + ok + "$";
    QTest::newRow("UID") << QByteArray("AT+UID\r\n") << "^\\+UID:[0-9A-F]+\\r\\n" + ok + "$";
    QTest::newRow("FWINFO") << QByteArray("AT+FWINFO\r\n")
                            << "^\\+FWINFO:[^\\r\\n]+\\r\\n" + ok + "$";
    QTest::newRow("WFMODE?") << QByteArray("AT+WFMODE?\r\n") << "^\\+WFMODE:\\d\\r\\n" + ok + "$";
    QTest::newRow("WFMODE set and read")
        << QByteArray("AT+WFMODE=2\r\nAT+WFMODE?\r\n") << "^" + ok + "\\+WFMODE:2\\r\\n" + ok + "$";
    QTest::newRow("WFSCANAP") << QByteArray("AT+WFSCANAP\r\n")
                              << "^(\\+WFSCANAP:[^\\r\\n]+\\r\\n){2,}" + ok + "$";
    QTest::newRow("DATAMODE=1 remembered") << QByteArray("AT+DATAMODE=1\r\nAT+DATAMODE?\r\n")
                                           << "^" + ok + "\\+DATAMODE:1\\r\\n" + ok + "$";
    QTest::newRow("DATAMODE=3") << QByteArray("AT+DATAMODE=3\r\n") << error;
    QTest::newRow("DATAMODE=-1") << QByteArray("AT+DATAMODE=-1\r\n") << error;
    QTest::newRow("DATAMODE empty") << QByteArray("AT+DATAMODE=\r\n") << error;
    QTest::newRow("VERSION with parameter") << QByteArray("AT+VERSION=1\r\n") << error;
    QTest::newRow("unknown command") << QByteArray("AT+NOPE\r\n") << error;
    QTest::newRow("ATI") << QByteArray("ATI\r\n") << error;
    QTest::newRow("AT+") << QByteArray("AT+\r\n") << error;
    QTest::newRow("not AT") << QByteArray("hello\r\n") << error;
    QTest::newRow("binary garbage") << QByteArray("\x00\xff\x1b[A\r\r\n", 8) << error;
    QTest::newRow("WRITEB size 4000000000") << QByteArray("AT+WRITEB=0,4000000000\r\n") << error;
    QTest::newRow("WRITEB size 2^64")
        << QByteArray("AT+WRITEB=0,18446744073709551616\r\n") << error;
    QTest::newRow("WRITEB negative size") << QByteArray("AT+WRITEB=0,-5\r\n") << error;
    QTest::newRow("WRITEB three parameters") << QByteArray("AT+WRITEB=0,5,1.2.3.4\r\n") << error;
    QTest::newRow("WRITEB bad port") << QByteArray("AT+WRITEB=0,5,host,70000\r\n") << error;
    QTest::newRow("WRITEB size 0") << QByteArray("AT+WRITEB=0,0\r\nAT\r\n") << "^" + ok + ok + "$";
    QTest::newRow("FWWRITE without parameters") << QByteArray("AT+FWWRITE\r\n") << error;
}

void TestModem::commands() {
    QFETCH(QByteArray, input);
    QFETCH(QString, pattern);
    Modem modem;
    const QByteArray reply = replies(modem.feed(input));
    const QRegularExpression re(pattern);
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
    QTest::newRow("mode 2, bytewise")
        << 2 << QByteArray("AT+WRITEB=1,22") << tricky << 1 << QByteArray("+READB:22:1\r\n");
    QTest::newRow("mode 2, with address, pieces of 5")
        << 2 << QByteArray("AT+WRITEB=7,22,10.0.0.2,8080") << tricky << 5
        << QByteArray("+READB:22:7\r\n");
    QTest::newRow("mode 1, one piece")
        << 1 << QByteArray("AT+WRITEB=0,22") << tricky << 100 << QByteArray();
    QByteArray big(70000, '\n');
    QTest::newRow("mode 2, payload over the line cap")
        << 2 << QByteArray("at+writeb=2,70000") << big << 4096 << QByteArray("+READB:70000:2\r\n");
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
    // back to command lines
    QCOMPARE(replies(modem.feed("AT\r\n")), QByteArray("OK\r\n"));
}

void TestModem::fwwrite_data() {
    QTest::addColumn<QList<QByteArray>>("requests");
    QTest::addColumn<QList<QByteArray>>("answers");
    QTest::addColumn<QByteArray>("image");

    const QByteArray ok("OK\r\n");
    const QByteArray fail("FAIL\r\n");
    const QByteArray a(256, 'a');
    const QByteArray b(100, 'b');
    QTest::newRow("two blocks") << QList<QByteArray>{fwwriteLine(0, a), fwwriteLine(256, b)}
                                << QList<QByteArray>{ok, ok} << a + b;
    QTest::newRow("offset skips ahead") << QList<QByteArray>{fwwriteLine(0, a), fwwriteLine(512, b)}
                                        << QList<QByteArray>{ok, fail} << a;
    QTest::newRow("offset repeats") << QList<QByteArray>{fwwriteLine(0, a), fwwriteLine(0, b),
                                                         fwwriteLine(0, a), fwwriteLine(256, b)}
                                    << QList<QByteArray>{ok, ok, ok, ok} << a + b;
    QTest::newRow("first block not at 0")
        << QList<QByteArray>{fwwriteLine(5, a)} << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("empty block") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0,\r\n")}
                                 << QList<QByteArray>{ok} << QByteArray();
    QTest::newRow("lower-case hex") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0,4f6b\r\n")}
                                    << QList<QByteArray>{ok} << QByteArray("Ok");
    QTest::newRow("odd hex") << QList<QByteArray>{fwwriteLine(0, a),
                                                  QByteArray("AT+FWWRITE=0,256,ABC\r\n")}
                             << QList<QByteArray>{ok, fail} << a;
    QTest::newRow("not hex") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0,4G\r\n")}
                             << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("hex with blank") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0,41 42\r\n")}
                                    << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("first parameter 1") << QList<QByteArray>{QByteArray("AT+FWWRITE=1,0,41\r\n")}
                                       << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("negative offset")
        << QList<QByteArray>{fwwriteLine(0, a), QByteArray("AT+FWWRITE=0,-256,41\r\n")}
        << QList<QByteArray>{ok, fail} << a;
    QTest::newRow("missing hex") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0\r\n")}
                                 << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("extra field") << QList<QByteArray>{QByteArray("AT+FWWRITE=0,0,41,42\r\n")}
                                 << QList<QByteArray>{fail} << QByteArray();
    QTest::newRow("huge offset") << QList<QByteArray>{QByteArray(
                                        "AT+FWWRITE=0,99999999999999999999999,41\r\n")}
                                 << QList<QByteArray>{fail} << QByteArray();
}

void TestModem::fwwrite() {
    QFETCH(QList<QByteArray>, requests);
    QFETCH(QList<QByteArray>, answers);
    QFETCH(QByteArray, image);
    Modem modem;
    for (qsizetype i = 0; i < requests.size(); ++i)
        QCOMPARE(replies(modem.feed(requests.at(i))), answers.at(i));
    QCOMPARE(modem.image(), image);
}

void TestModem::fwupdate_data() {
    QTest::addColumn<QByteArray>("image");
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");

    const QByteArray digits("123456789");
    QTest::newRow("empty image") << QByteArray() << QByteArray("AT+FWUPDATE=0,0,4294967295")
                                 << QByteArray("OK\r\n");
    QTest::newRow("check digits") << digits << QByteArray("AT+FWUPDATE=0,9,873187033")
                                  << QByteArray("OK\r\n");
    QTest::newRow("wrong CRC") << digits << QByteArray("AT+FWUPDATE=0,9,873187034")
                               << QByteArray("FAIL\r\n");
    QTest::newRow("usual CRC-32 instead")
        << digits << QByteArray("AT+FWUPDATE=0,9,3421780262") << QByteArray("FAIL\r\n");
    QTest::newRow("wrong size") << digits << QByteArray("AT+FWUPDATE=0,8,873187033")
                                << QByteArray("FAIL\r\n");
    QTest::newRow("CRC beyond 32 bits")
        << QByteArray() << QByteArray("AT+FWUPDATE=0,0,8589934591") << QByteArray("FAIL\r\n");
    QTest::newRow("negative size")
        << QByteArray() << QByteArray("AT+FWUPDATE=0,-1,4294967295") << QByteArray("FAIL\r\n");
    QTest::newRow("CRC missing") << digits << QByteArray("AT+FWUPDATE=0,9")
                                 << QByteArray("FAIL\r\n");
}

void TestModem::fwupdate() {
    QFETCH(QByteArray, image);
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    Modem modem;
    QCOMPARE(replies(modem.feed(fwwriteLine(0, image))), QByteArray("OK\r\n"));
    QCOMPARE(replies(modem.feed(request + "\r\n")), answer);
}

void TestModem::jamcrc_data() {
    QTest::addColumn<QByteArray>("data");
    QTest::addColumn<quint32>("crc");
    QTest::newRow("empty") << QByteArray() << 0xFFFFFFFFu;
    QTest::newRow("check") << QByteArray("123456789") << 0x340BC6D9u;
    QTest::newRow("fox") << QByteArray("The quick brown fox jumps over the lazy dog")
                         << 0xBEB05CC6u;
    QTest::newRow("zero byte") << QByteArray(1, '\0') << 0x2DFD1072u;
}

void TestModem::jamcrc() {
    QFETCH(QByteArray, data);
    QFETCH(quint32, crc);
    QCOMPARE(Modem::jamcrc(data), crc);
}

void TestModem::faults_data() {
    QTest::addColumn<QStringList>("silent");
    QTest::addColumn<QList<qint64>>("failBlocks");
    QTest::addColumn<bool>("progress");
    QTest::addColumn<bool>("echo");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<QByteArray>("output");

    const QByteArray blocks = fwwriteLine(0, "AB") + fwwriteLine(2, "CD") + fwwriteLine(2, "CD") +
                              "AT+FWUPDATE=0,4," + QByteArray::number(Modem::jamcrc("ABCD")) +
                              "\r\n";
    QTest::newRow("silent VERSION") << QStringList{"VERSION"} << QList<qint64>{} << false << false
                                    << QByteArray("AT+VERSION\r\nAT\r\n") << QByteArray("OK\r\n");
    QTest::newRow("silent AT") << QStringList{"AT"} << QList<qint64>{} << false << false
                               << QByteArray("AT\r\nAT+DATAMODE=0\r\n") << QByteArray("OK\r\n");
    QTest::newRow("silent WRITEB swallows its payload")
        << QStringList{"WRITEB"} << QList<qint64>{} << false << false
        << QByteArray("AT+DATAMODE=2\r\nAT+WRITEB=0,4\r\nAT\r\nAT\r\n")
        << QByteArray("OK\r\nOK\r\n");
    QTest::newRow("fail block 2, then the same block again")
        << QStringList{} << QList<qint64>{2} << false << false << blocks
        << QByteArray("OK\r\nFAIL\r\nOK\r\nOK\r\n");
    QTest::newRow("fail block 1 keeps nothing")
        << QStringList{} << QList<qint64>{1} << false << false << blocks
        << QByteArray("FAIL\r\nFAIL\r\nFAIL\r\nFAIL\r\n");
    QTest::newRow("progress lines")
        << QStringList{} << QList<qint64>{} << true << false << blocks
        << "+FWWRITE:0\r\nOK\r\n+FWWRITE:2\r\nOK\r\nFAIL\r\n+FWUPDATE:4," +
               QByteArray::number(Modem::jamcrc("ABCD")) + "\r\nOK\r\n";
    QTest::newRow("echo") << QStringList{} << QList<qint64>{} << false << true
                          << QByteArray("AT\r\nAT+NOPE\r\n")
                          << QByteArray("AT\r\nOK\r\nAT+NOPE\r\nERROR\r\n");
    QTest::newRow("echo of a WRITEB comes before its payload")
        << QStringList{} << QList<qint64>{} << false << true
        << QByteArray("AT+DATAMODE=2\r\nAT+WRITEB=0,2\r\nxy")
        << QByteArray("AT+DATAMODE=2\r\nOK\r\nAT+WRITEB=0,2\r\nOK\r\n+READB:2:0\r\nxy");
}

void TestModem::faults() {
    QFETCH(QStringList, silent);
    QFETCH(QList<qint64>, failBlocks);
    QFETCH(bool, progress);
    QFETCH(bool, echo);
    QFETCH(QByteArray, input);
    QFETCH(QByteArray, output);
    Faults faults;
    for (const QString& s : silent)
        faults.silent.insert(s.toLatin1());
    for (const qint64 n : failBlocks)
        faults.failBlocks.insert(n);
    faults.progressLines = progress;
    faults.echo = echo;
    Modem modem(faults);
    QCOMPARE(replies(modem.feed(input)), output);
}

void TestModem::overlongLine_data() {
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("chunk");
    QTest::newRow("in one piece") << 300000 << 300000;
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
        qsizetype pos = 0;
        while (pos < stream.size()) {
            const int n = 1 + rng.bounded(300);
            const QList<modsim::Event> events = modem.feed(stream.mid(pos, n));
            for (const modsim::Event& e : events) {
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

void TestModem::wholeImage() {
    // A 1 MiB image the way the program sends it, and its CRC from an independent table routine.
    QByteArray image(1024 * 1024, Qt::Uninitialized);
    QRandomGenerator rng(7);
    for (char& c : image)
        c = char(rng.bounded(256));
    quint32 table[256];
    for (quint32 i = 0; i < 256; ++i) {
        quint32 r = i;
        for (int k = 0; k < 8; ++k)
            r = (r >> 1) ^ (0xEDB88320u & (0u - (r & 1u)));
        table[i] = r;
    }
    quint32 crc = 0xFFFFFFFFu;
    for (const char c : image)
        crc = table[(crc ^ quint8(c)) & 0xFF] ^ (crc >> 8);

    Modem modem;
    QByteArray stream;
    for (qsizetype off = 0; off < image.size(); off += 256)
        stream += fwwriteLine(off, image.mid(off, 256));
    stream += "AT+FWUPDATE=0," + QByteArray::number(image.size()) + ',' + QByteArray::number(crc) +
              "\r\n";
    QByteArray got;
    for (qsizetype pos = 0; pos < stream.size(); pos += 4096)
        got += replies(modem.feed(stream.mid(pos, 4096)));
    QCOMPARE(got.count("OK\r\n"), 4097);
    QVERIFY(!got.contains("FAIL"));
}

QTEST_GUILESS_MAIN(TestModem)
#include "tst_modem.moc"
