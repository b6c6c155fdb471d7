#include "crc/crc.h"

#include <QTest>

namespace {

const auto* bytes(const QByteArray& data) {
    return reinterpret_cast<const unsigned char*>(data.constData());
}

// Bit-by-bit reference, independent of the tables.
quint32 reflected(const QByteArray& data, quint32 poly, quint32 init, int width) {
    const quint32 mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
    quint32 value = init & mask;
    for (const char c : data) {
        value ^= static_cast<unsigned char>(c);
        for (int i = 0; i < 8; ++i)
            value = (value & 1) ? (value >> 1) ^ poly : value >> 1;
    }
    return value & mask;
}

quint32 run(const QString& family, const QByteArray& data) {
    if (family == "modbus")
        return crc::modbus::calc(bytes(data), int(data.size()));
    if (family == "ieee")
        return crc::ieee::calc(bytes(data), int(data.size()));
    return crc::dallas::calc(bytes(data), int(data.size()));
}

quint32 run(const QString& family, const QByteArray& data, quint32 value) {
    if (family == "modbus")
        return crc::modbus::calc(bytes(data), int(data.size()), static_cast<unsigned short>(value));
    if (family == "ieee")
        return crc::ieee::calc(bytes(data), int(data.size()), value);
    return crc::dallas::calc(bytes(data), int(data.size()), value);
}

QByteArray noise(int size) {
    QByteArray out(size, Qt::Uninitialized);
    quint32 x = 0x12345678;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        out[i] = char(x >> 24);
    }
    return out;
}

} // namespace

class TestCrc : public QObject {
    Q_OBJECT

private slots:
    void checkValues_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<QByteArray>("data");
        QTest::addColumn<quint32>("expected");
        QTest::newRow("modbus check") << "modbus" << QByteArray("123456789") << 0x4B37u;
        QTest::newRow("ieee check") << "ieee" << QByteArray("123456789") << 0x340BC6D9u;
        QTest::newRow("dallas check") << "dallas" << QByteArray("123456789") << 0xA1u;
        QTest::newRow("modbus frame")
            << "modbus" << QByteArray("\x01\x03\x00\x00\x00\x0A", 6) << 0xCDC5u;
        QTest::newRow("ieee is complement of crc-32")
            << "ieee" << QByteArray("123456789") << quint32(~0xCBF43926u);
        QTest::newRow("modbus empty") << "modbus" << QByteArray() << 0xFFFFu;
        QTest::newRow("ieee empty") << "ieee" << QByteArray() << 0xFFFFFFFFu;
        QTest::newRow("dallas empty") << "dallas" << QByteArray() << 0u;
        QTest::newRow("ieee zero byte") << "ieee" << QByteArray(1, '\0') << 0x2DFD1072u;
    }
    void checkValues() {
        QFETCH(QString, family);
        QFETCH(QByteArray, data);
        QFETCH(quint32, expected);
        QCOMPARE(run(family, data), expected);
    }

    void initValues() {
        QCOMPARE(crc::modbus::initValue(), 0xFFFF);
        QCOMPARE(crc::ieee::initValue(), 0xFFFFFFFFu);
        QCOMPARE(crc::dallas::initValue(), 0);
    }

    void families_data() {
        QTest::addColumn<QString>("family");
        QTest::addColumn<quint32>("poly");
        QTest::addColumn<quint32>("init");
        QTest::addColumn<int>("width");
        QTest::newRow("modbus") << "modbus" << 0xA001u << 0xFFFFu << 16;
        QTest::newRow("ieee") << "ieee" << 0xEDB88320u << 0xFFFFFFFFu << 32;
        QTest::newRow("dallas") << "dallas" << 0x8Cu << 0u << 8;
    }

    // Every table entry is used over all 256 byte values and noise.
    void matchesBitwise_data() { families_data(); }
    void matchesBitwise() {
        QFETCH(QString, family);
        QFETCH(quint32, poly);
        QFETCH(quint32, init);
        QFETCH(int, width);
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(run(family, one), reflected(one, poly, init, width));
        }
        const QByteArray data = noise(1000);
        QCOMPARE(run(family, data), reflected(data, poly, init, width));
    }

    void chaining_data() { families_data(); }
    void chaining() {
        QFETCH(QString, family);
        const QByteArray data = noise(64);
        const quint32 whole = run(family, data);
        for (int split = 0; split <= data.size(); ++split) {
            const quint32 first = run(family, data.left(split));
            QCOMPARE(run(family, data.mid(split), first), whole);
        }
    }

    // Without a final XOR, appending the CRC (low byte first) leaves zero.
    void residue_data() { families_data(); }
    void residue() {
        QFETCH(QString, family);
        QFETCH(int, width);
        QByteArray data = noise(77);
        const quint32 value = run(family, data);
        for (int i = 0; i < width / 8; ++i)
            data.append(char((value >> (8 * i)) & 0xFF));
        QCOMPARE(run(family, data), 0u);
    }

    void nonPositiveLength_data() {
        QTest::addColumn<int>("length");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
    }
    void nonPositiveLength() {
        QFETCH(int, length);
        const unsigned char data[] = {1, 2, 3};
        QCOMPARE(crc::modbus::calc(data, length), 0xFFFF);
        QCOMPARE(crc::modbus::calc(data, length, 0x1234), 0x1234);
        QCOMPARE(crc::ieee::calc(data, length), 0xFFFFFFFFu);
        QCOMPARE(crc::ieee::calc(data, length, 0xDEADBEEFu), 0xDEADBEEFu);
        QCOMPARE(crc::dallas::calc(data, length), 0);
        QCOMPARE(crc::dallas::calc(data, length, 0x5Au), 0x5A);
    }

    void dallasRunningValueAbove255_data() {
        QTest::addColumn<quint32>("running");
        QTest::newRow("0x1A5") << 0x1A5u;
        QTest::newRow("0xFFFFFF00") << 0xFFFFFF00u;
        QTest::newRow("0x100") << 0x100u;
    }
    void dallasRunningValueAbove255() {
        QFETCH(quint32, running);
        const QByteArray data("123456789");
        QCOMPARE(crc::dallas::calc(bytes(data), int(data.size()), running),
                 crc::dallas::calc(bytes(data), int(data.size()), running & 0xFF));
        QCOMPARE(crc::dallas::calc(bytes(data), 0, running), running & 0xFF);
    }
};

QTEST_GUILESS_MAIN(TestCrc)
#include "tst_crc.moc"
