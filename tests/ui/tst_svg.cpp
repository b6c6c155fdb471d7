#include "svg/svg.h"

#include <QGuiApplication>
#include <QImage>
#include <QTest>

class TestSvg : public QObject {
    Q_OBJECT
private slots:
    // A built-in icon drawn inside its margins; files stack with the first at the bottom;
    // anything unreadable gives nothing.
    void render() {
        const QImage image =
            svg::render(QStringLiteral(":/plus.svg"), QSize(64, 64), QMargins(1, 2, 3, 4))
                .toImage();
        QCOMPARE(image.size(), QSize(68, 70));
        for (const QPoint& p : {QPoint(33, 34), QPoint(33, 3), QPoint(63, 34)})
            QCOMPARE(image.pixelColor(p), QColor(0x00, 0x8b, 0x8b));
        for (const QPoint& p : {QPoint(11, 12), QPoint(0, 34), QPoint(33, 1), QPoint(66, 34)})
            QCOMPARE(image.pixelColor(p).alpha(), 0);
        QCOMPARE(svg::render(QStringList{":/plus.svg"}, 16, 8).size(), QSize(16, 8));
        QVERIFY(svg::render(QStringList{":/plus.svg", ":/no.svg"}, 16).isNull());
    }
};

QTEST_MAIN(TestSvg)
#include "tst_svg.moc"
