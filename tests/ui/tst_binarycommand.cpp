#include "input/binarycommand.h"

#include <QTest>

class TestBinaryCommand : public QObject {
    Q_OBJECT
private slots:
    void parse_data();
    void parse();
};

void TestBinaryCommand::parse_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<bool>("sizeEmpty");
    QTest::addColumn<quint32>("maxSize");

    QTest::newRow("fixed size") << "AT+WRITEB=1,4" << true << false << 4u;
    QTest::newRow("size 0") << "AT+WRITEB=1,0" << true << false << 0u;
    QTest::newRow("empty size") << "AT+WRITEB=1," << true << true << 0u;
    QTest::newRow("udp fields pass through")
        << "AT+WRITEB=3,16,10.0.0.2,8080" << true << false << 16u;
    QTest::newRow("empty size before more fields") << "AT+WRITEB=0,,host,1" << true << true << 0u;
    QTest::newRow("largest accepted size") << "AT+WRITEB=1,16777216" << true << false << 16777216u;

    QTest::newRow("one past the limit") << "AT+WRITEB=1,16777217" << false << false << 0u;
    // Each of these used to open a dialog that padded gigabytes of zeros or went negative.
    QTest::newRow("two thousand million") << "AT+WRITEB=1,2000000000" << false << false << 0u;
    QTest::newRow("above int") << "AT+WRITEB=1,2147483648" << false << false << 0u;
    QTest::newRow("largest 32-bit") << "AT+WRITEB=1,4294967295" << false << false << 0u;
    QTest::newRow("beyond 32 bits") << "AT+WRITEB=1,4294967296" << false << false << 0u;

    QTest::newRow("not a number") << "AT+WRITEB=1,x" << false << false << 0u;
    QTest::newRow("negative") << "AT+WRITEB=1,-4" << false << false << 0u;
    QTest::newRow("hex is no decimal") << "AT+WRITEB=1,0x10" << false << false << 0u;
    QTest::newRow("lower case") << "at+writeb=1,4" << false << false << 0u;
    QTest::newRow("no equals sign") << "AT+WRITEB" << false << false << 0u;
    QTest::newRow("two equals signs") << "AT+WRITEB=1,4=5" << false << false << 0u;
    QTest::newRow("no comma") << "AT+WRITEB=1" << false << false << 0u;
    QTest::newRow("short text") << "AT+WRITE" << false << false << 0u;
    QTest::newRow("other command") << "AT+WRITE=1,4" << false << false << 0u;
    QTest::newRow("empty") << "" << false << false << 0u;
}

void TestBinaryCommand::parse() {
    QFETCH(QString, command);
    QFETCH(bool, valid);
    QFETCH(bool, sizeEmpty);
    QFETCH(quint32, maxSize);

    const BinaryCommand parsed = parseBinaryCommand(command);
    QCOMPARE(parsed.valid, valid);
    QCOMPARE(parsed.sizeEmpty, sizeEmpty);
    QCOMPARE(parsed.maxSize, maxSize);
}

QTEST_APPLESS_MAIN(TestBinaryCommand)
#include "tst_binarycommand.moc"
