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
    QTest::newRow("udp fields") << "AT+WRITEB=3,16,10.0.0.2,8080" << true << false << 16u;
    QTest::newRow("empty size") << "AT+WRITEB=0,,host,1" << true << true << 0u;
    QTest::newRow("16 MiB") << "AT+WRITEB=1,16777216" << true << false << 16777216u;
    // Larger sizes used to open a dialog padding gigabytes of zeros, or went negative.
    QTest::newRow("16 MiB + 1") << "AT+WRITEB=1,16777217" << false << false << 0u;
    QTest::newRow("above int") << "AT+WRITEB=1,2147483648" << false << false << 0u;
    QTest::newRow("beyond 32 bits") << "AT+WRITEB=1,4294967296" << false << false << 0u;
    QTest::newRow("negative") << "AT+WRITEB=1,-4" << false << false << 0u;
    QTest::newRow("hex") << "AT+WRITEB=1,0x10" << false << false << 0u;
    QTest::newRow("lower case") << "at+writeb=1,4" << false << false << 0u;
    QTest::newRow("two equals signs") << "AT+WRITEB=1,4=5" << false << false << 0u;
    QTest::newRow("no comma") << "AT+WRITEB=1" << false << false << 0u;
    QTest::newRow("other command") << "AT+WRITE=1,4" << false << false << 0u;
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
