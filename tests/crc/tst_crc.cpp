#include "crc/crc.h"

#include <QTest>

class TestCrc : public QObject {
    Q_OBJECT

private slots:
    // The standard check values, and a value carried over from a split gives the same result
    // as one pass (a running value beyond the CRC's width counts with its low bits only).
    void families() {
        const QByteArray data("123456789");
        const auto* b = reinterpret_cast<const unsigned char*>(data.constData());
        QCOMPARE(int(crc::modbus::calc(b, 9)), 0x4B37);
        QCOMPARE(crc::ieee::calc(b, 9), 0x340BC6D9u);
        QCOMPARE(int(crc::dallas::calc(b, 9)), 0xA1);
        QCOMPARE(crc::ieee::calc(b, 0), 0xFFFFFFFFu);
        for (int split = 0; split <= 9; ++split) {
            QCOMPARE(int(crc::modbus::calc(b + split, 9 - split, crc::modbus::calc(b, split))),
                     0x4B37);
            QCOMPARE(crc::ieee::calc(b + split, 9 - split, crc::ieee::calc(b, split)), 0x340BC6D9u);
            QCOMPARE(
                int(crc::dallas::calc(b + split, 9 - split, crc::dallas::calc(b, split) | 0x300u)),
                0xA1);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrc)
#include "tst_crc.moc"
