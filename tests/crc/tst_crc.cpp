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

// Without a running value, or continuing from one.
quint32 run(const QString& family, const QByteArray& data, qint64 value = -1) {
    const int n = int(data.size());
    if (family == "modbus")
        return value < 0 ? crc::modbus::calc(bytes(data), n)
                         : crc::modbus::calc(bytes(data), n, static_cast<unsigned short>(value));
    if (family == "ieee")
        return value < 0 ? crc::ieee::calc(bytes(data), n)
                         : crc::ieee::calc(bytes(data), n, quint32(value));
    return value < 0 ? crc::dallas::calc(bytes(data), n)
                     : crc::dallas::calc(bytes(data), n, quint32(value));
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
        QTest::newRow("modbus empty") << "modbus" << QByteArray() << 0xFFFFu;
        QTest::newRow("ieee empty") << "ieee" << QByteArray() << 0xFFFFFFFFu;
        QTest::newRow("dallas empty") << "dallas" << QByteArray() << 0u;
    }
    void checkValues() {
        QFETCH(QString, family);
        QFETCH(QByteArray, data);
        QFETCH(quint32, expected);
        QCOMPARE(run(family, data), expected);
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
    // Every table entry against the reference, and a value carried over
    // from any split gives the same result as one pass.
    void families() {
        QFETCH(QString, family);
        QFETCH(quint32, poly);
        QFETCH(quint32, init);
        QFETCH(int, width);
        for (int b = 0; b < 256; ++b) {
            const QByteArray one(1, char(b));
            QCOMPARE(run(family, one), reflected(one, poly, init, width));
        }
        const QByteArray data = noise(1000);
        const quint32 whole = run(family, data);
        QCOMPARE(whole, reflected(data, poly, init, width));
        const QByteArray part = data.left(64);
        for (int split = 0; split <= part.size(); ++split)
            QCOMPARE(run(family, part.mid(split), run(family, part.left(split))),
                     run(family, part));
        // A length of zero or below reads nothing and returns the value.
        QCOMPARE(run(family, data.left(0), 0x5A), 0x5Au);
        QCOMPARE(quint32(family == "modbus" ? crc::modbus::calc(bytes(data), -5)
                         : family == "ieee" ? crc::ieee::calc(bytes(data), -5)
                                            : crc::dallas::calc(bytes(data), -5)),
                 init);
    }

    // The running value is wider than the CRC: only its low byte counts.
    void dallasRunningValueAbove255() {
        const QByteArray data("123456789");
        for (const quint32 running : {0x100u, 0x1A5u, 0xFFFFFF00u}) {
            QCOMPARE(crc::dallas::calc(bytes(data), int(data.size()), running),
                     crc::dallas::calc(bytes(data), int(data.size()), running & 0xFF));
            QCOMPARE(crc::dallas::calc(bytes(data), 0, running), running & 0xFF);
        }
    }
};

QTEST_GUILESS_MAIN(TestCrc)
#include "tst_crc.moc"
