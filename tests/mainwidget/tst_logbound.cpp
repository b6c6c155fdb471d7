// The log keeps the newest entries only: it trims the oldest, whole, in chunks.

#include "common/ptypeer.h"
#include "mainwidget/harness.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"

#include <QPushButton>
#include <QScrollBar>
#include <QTest>

class TestLogBound : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void trimsOldestWhole_data();
    void trimsOldestWhole();

private:
    test::PtyPeer m_peer;
    test::Window m_w;
};

void TestLogBound::initTestCase() {
    test::setIdentity();
    QVERIFY(m_peer.isOpen());
}

void TestLogBound::trimsOldestWhole_data() {
    QTest::addColumn<QString>("user");
    QTest::newRow("following the end") << "";
    QTest::newRow("text selected") << "select";
    QTest::newRow("scrolled up") << "scroll";
}

void TestLogBound::trimsOldestWhole() {
    QFETCH(QString, user);
    QVERIFY(m_w.create(m_peer.slavePath()));
    auto* log = m_w.widget()->findChild<LogEdit*>();
    QCOMPARE(log->maxEntries(), LogEdit::default_max_entries);
    constexpr int bound = 10;
    log->setMaxEntries(bound);
    // Small enough that a few entries can be scrolled away from.
    m_w.widget()->resize(500, 300);
    m_w.widget()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.widget()));
    m_w.openClose()->click();

    // Every entry spans two blocks: a carriage return inside a line starts a new one.
    QByteArray lines;
    for (int i = 0; i < 50; ++i)
        lines += QByteArray("first ") + QByteArray::number(i) + "\rsecond " +
                 QByteArray::number(i) + "\r\n";
    QVERIFY(m_peer.write(lines.left(lines.indexOf("first 30"))));
    QVERIFY(QTest::qWaitFor([&] { return m_w.log().contains("second 29"); }));
    QScrollBar* bar = log->verticalScrollBar();
    if (user == "select")
        log->selectAll();
    if (user == "scroll")
        bar->setValue(0);
    QVERIFY(m_peer.write(lines.mid(lines.indexOf("first 30"))));
    // Trimmed in chunks down to the bound, at the latest when the burst is in: never twice
    // as many. The entries after the user's move fill the log more than once.
    QVERIFY2(QTest::qWaitFor(
                 [&] { return m_w.log().contains("second 49") && m_w.count(">> ") < 2 * bound; }),
             qPrintable(m_w.log()));

    const QString text = m_w.log();
    const int oldest = text.section('\n', 0, 0).section(' ', 2).toInt();
    QString expected;
    for (int i = oldest; i < 50; ++i)
        expected += QString(">> first %1\nsecond %1\n").arg(i);
    QCOMPARE(text, expected);
    QVERIFY(50 - oldest >= bound);
    QVERIFY(!log->textCursor().hasSelection());
    QVERIFY(log->textCursor().atEnd());
    QVERIFY(QTest::qWaitFor(
        [&] { return bar->value() > 0 && log->viewport()->rect().contains(log->cursorRect()); }));
    m_w.destroy();
}

QTEST_MAIN(TestLogBound)
#include "tst_logbound.moc"
