#include "svg/svg.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QColor red(255, 0, 0);
const QColor blue(0, 0, 255);
const QColor darkCyan(0x00, 0x8b, 0x8b);

QByteArray rectSvg(const char* fill, int width) {
    return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 64 64\">"
                      "<rect x=\"0\" y=\"0\" height=\"64\" width=\"") +
           QByteArray::number(width) + "\" fill=\"" + fill + "\"/></svg>";
}

} // namespace

class TestSvg : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nullResults_data();
    void nullResults();
    void sizes_data();
    void sizes();
    void marginsTransparent();
    void stacking();
    void icons_data();
    void icons();

private:
    QString write(const QString& name, const QByteArray& content);
    QTemporaryDir m_dir;
    QString m_red;
    QString m_blueLeft;
};

QString TestSvg::write(const QString& name, const QByteArray& content) {
    const QString path = m_dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return path;
}

void TestSvg::initTestCase() {
    QVERIFY(m_dir.isValid());
    m_red = write(QStringLiteral("red.svg"), rectSvg("#ff0000", 64));
    m_blueLeft = write(QStringLiteral("blue.svg"), rectSvg("#0000ff", 32));
    QVERIFY(!m_red.isEmpty());
    QVERIFY(!m_blueLeft.isEmpty());
    QVERIFY(!write(QStringLiteral("garbage.svg"), QByteArray("\x00\x01not svg", 10)).isEmpty());
}

void TestSvg::nullResults_data() {
    QTest::addColumn<QStringList>("files");
    QTest::newRow("empty list") << QStringList();
    QTest::newRow("missing") << QStringList{m_dir.filePath(QStringLiteral("none.svg"))};
    QTest::newRow("missing second")
        << QStringList{m_red, m_dir.filePath(QStringLiteral("none.svg"))};
    QTest::newRow("garbage second")
        << QStringList{m_red, m_dir.filePath(QStringLiteral("garbage.svg"))};
    QTest::newRow("missing resource") << QStringList{QStringLiteral(":/nothing.svg")};
}

void TestSvg::nullResults() {
    QFETCH(QStringList, files);
    QVERIFY(svg::render(files, 16).isNull());
    QVERIFY(svg::render(files, QSize(16, 16), QMargins()).isNull());
    if (files.size() == 1)
        QVERIFY(svg::render(files.first(), 16).isNull());
}

void TestSvg::sizes_data() {
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("margin");
    QTest::addColumn<QSize>("expected");
    QTest::newRow("16 square") << 16 << -1 << 0 << QSize(16, 16);
    QTest::newRow("16x8") << 16 << 8 << 0 << QSize(16, 8);
    QTest::newRow("margin 2") << 16 << 16 << 2 << QSize(20, 20);
    QTest::newRow("margin 3, square") << 10 << -1 << 3 << QSize(16, 16);
}

void TestSvg::sizes() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, margin);
    QFETCH(QSize, expected);
    const int h = height < 0 ? width : height;
    const QPixmap pixmaps[] = {
        svg::render(m_red, width, height, margin),
        svg::render(QStringList{m_red}, width, height, margin),
        svg::render(m_red, QSize(width, h), margin),
        svg::render(QStringList{m_red}, QSize(width, h), margin),
        svg::render(m_red, QSize(width, h), QMargins(margin, margin, margin, margin)),
    };
    for (const QPixmap& pixmap : pixmaps) {
        QVERIFY(!pixmap.isNull());
        QCOMPARE(pixmap.size(), expected);
        QCOMPARE(pixmap.devicePixelRatio(), 1.0);
    }
}

void TestSvg::marginsTransparent() {
    const QImage image = svg::render(m_red, 16, -1, 2).toImage();
    QCOMPARE(image.size(), QSize(20, 20));
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x) {
            const bool border = x < 2 || y < 2 || x >= 18 || y >= 18;
            const QColor pixel = image.pixelColor(x, y);
            if (border)
                QVERIFY2(pixel.alpha() == 0, qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
            else
                QCOMPARE(pixel, red);
        }
    }

    const QImage uneven = svg::render(m_red, QSize(8, 8), QMargins(1, 2, 3, 4)).toImage();
    QCOMPARE(uneven.size(), QSize(12, 14));
    QCOMPARE(uneven.pixelColor(0, 5).alpha(), 0);
    QCOMPARE(uneven.pixelColor(1, 2), red);
    QCOMPARE(uneven.pixelColor(8, 9), red);
    QCOMPARE(uneven.pixelColor(9, 9).alpha(), 0);
    QCOMPARE(uneven.pixelColor(8, 10).alpha(), 0);
}

void TestSvg::stacking() {
    const QImage over = svg::render(QStringList{m_red, m_blueLeft}, 16).toImage();
    QCOMPARE(over.pixelColor(2, 8), blue);
    QCOMPARE(over.pixelColor(13, 8), red);

    const QImage under = svg::render(QStringList{m_blueLeft, m_red}, 16).toImage();
    QCOMPARE(under.pixelColor(2, 8), red);
    QCOMPARE(under.pixelColor(13, 8), red);

    const QImage alone = svg::render(m_blueLeft, 16).toImage();
    QCOMPARE(alone.pixelColor(2, 8), blue);
    QCOMPARE(alone.pixelColor(13, 8).alpha(), 0);
}

void TestSvg::icons_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<QList<QPoint>>("filled");
    QTest::addColumn<QList<QPoint>>("empty");
    // points in the 64-unit view box, rendered at 64 pixels
    QTest::newRow("play") << QStringLiteral(":/play.svg")
                          << QList<QPoint>{{7, 32}, {7, 10}, {7, 54}, {30, 18}, {50, 32}}
                          << QList<QPoint>{{20, 32}, {35, 32}, {62, 32}, {30, 4}, {1, 32}};
    QTest::newRow("plus") << QStringLiteral(":/plus.svg")
                          << QList<QPoint>{{32, 32}, {32, 1}, {1, 32}, {62, 32}, {32, 62}}
                          << QList<QPoint>{{10, 10}, {50, 50}, {20, 45}, {45, 20}, {26, 26}};
    QTest::newRow("minus") << QStringLiteral(":/minus.svg")
                           << QList<QPoint>{{32, 32}, {1, 32}, {62, 32}, {32, 29}, {32, 34}}
                           << QList<QPoint>{{32, 26}, {32, 38}, {32, 1}, {0, 0}};
    QTest::newRow("more") << QStringLiteral(":/more.svg")
                          << QList<QPoint>{{6, 32}, {32, 32}, {58, 32}, {32, 27}, {2, 32}}
                          << QList<QPoint>{{19, 32}, {45, 32}, {32, 24}, {32, 40}, {58, 20}};
}

void TestSvg::icons() {
    QFETCH(QString, file);
    QFETCH(QList<QPoint>, filled);
    QFETCH(QList<QPoint>, empty);

    QVERIFY(QFile::exists(file));
    QCOMPARE(svg::render(file, 16, -1, 0).size(), QSize(16, 16));

    const QImage image = svg::render(file, 64).toImage();
    for (const QPoint& p : filled)
        QVERIFY2(image.pixelColor(p) == darkCyan,
                 qPrintable(QStringLiteral("%1,%2 not filled").arg(p.x()).arg(p.y())));
    for (const QPoint& p : empty)
        QVERIFY2(image.pixelColor(p).alpha() == 0,
                 qPrintable(QStringLiteral("%1,%2 not empty").arg(p.x()).arg(p.y())));
}

QTEST_MAIN(TestSvg)
#include "tst_svg.moc"
