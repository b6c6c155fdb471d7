#include "svg/svg.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

class TestSvg : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void nullResults();
    void sizeAndMargins();
    void stacking();
    void icon();

private:
    QString write(const QString& name, const QByteArray& content);
    QTemporaryDir m_dir;
    QString m_red;      // the whole view box
    QString m_blueLeft; // its left half
};

QString TestSvg::write(const QString& name, const QByteArray& content) {
    QFile file(m_dir.filePath(name));
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return QString();
    return file.fileName();
}

void TestSvg::initTestCase() {
    const QString rect = R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 64 64">)"
                         R"(<rect x="0" y="0" height="64" width="%1" fill="%2"/></svg>)";
    m_red = write(QStringLiteral("red.svg"), rect.arg(64).arg("#ff0000").toUtf8());
    m_blueLeft = write(QStringLiteral("blue.svg"), rect.arg(32).arg("#0000ff").toUtf8());
    QVERIFY(!m_red.isEmpty() && !m_blueLeft.isEmpty());
}

void TestSvg::nullResults() {
    const QString garbage = write(QStringLiteral("garbage.svg"), QByteArray("\x00\x01not", 5));
    const QStringList lists[] = {{}, {m_dir.filePath("none.svg")}, {m_red, garbage}, {":/no.svg"}};
    for (const QStringList& files : lists) {
        QVERIFY(svg::render(files, 16).isNull());
        QVERIFY(svg::render(files, QSize(16, 16), QMargins()).isNull());
    }
}

void TestSvg::sizeAndMargins() {
    QCOMPARE(svg::render(m_red, 16).size(), QSize(16, 16));
    QCOMPARE(svg::render(QStringList{m_red}, 16, 8).size(), QSize(16, 8));
    QCOMPARE(svg::render(m_red, QSize(10, 10), 3).size(), QSize(16, 16));
    QCOMPARE(svg::render(m_red, 16).devicePixelRatio(), 1.0);

    const QImage image = svg::render(m_red, QSize(8, 8), QMargins(1, 2, 3, 4)).toImage();
    QCOMPARE(image.size(), QSize(12, 14));
    QCOMPARE(image.pixelColor(1, 2), QColor(Qt::red));
    QCOMPARE(image.pixelColor(8, 9), QColor(Qt::red));
    for (const QPoint& p : {QPoint(0, 5), QPoint(5, 1), QPoint(9, 9), QPoint(8, 10)})
        QCOMPARE(image.pixelColor(p).alpha(), 0);
}

void TestSvg::stacking() {
    // the first file at the bottom
    const QImage over = svg::render(QStringList{m_red, m_blueLeft}, 16).toImage();
    QCOMPARE(over.pixelColor(2, 8), QColor(Qt::blue));
    QCOMPARE(over.pixelColor(13, 8), QColor(Qt::red));
    const QImage under = svg::render(QStringList{m_blueLeft, m_red}, 16).toImage();
    QCOMPARE(under.pixelColor(2, 8), QColor(Qt::red));
}

void TestSvg::icon() {
    // the built-in icons are drawn: points of the plus in its 64-unit view box
    const QImage image = svg::render(QStringLiteral(":/plus.svg"), 64).toImage();
    QCOMPARE(image.size(), QSize(64, 64));
    for (const QPoint& p : {QPoint(32, 32), QPoint(32, 1), QPoint(62, 32)})
        QCOMPARE(image.pixelColor(p), QColor(0x00, 0x8b, 0x8b));
    for (const QPoint& p : {QPoint(10, 10), QPoint(50, 50)})
        QCOMPARE(image.pixelColor(p).alpha(), 0);
}

QTEST_MAIN(TestSvg)
#include "tst_svg.moc"
