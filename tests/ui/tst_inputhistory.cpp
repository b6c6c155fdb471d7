#include "common/datafiles.h"
#include "input/inputedit.h"
#include "input/inputhistory.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

using test::readFile;
using test::writeFile;

namespace {

QStringList numbered(int count) {
    QStringList list;
    for (int i = 0; i < count; ++i)
        list << QStringLiteral("AT+N=%1").arg(i);
    return list;
}

QByteArray jsonArray(const QStringList& list) {
    return QJsonDocument(QJsonArray::fromStringList(list)).toJson();
}

} // namespace

class TestInputHistory : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void roundTripKeepsNewest1000();
    void untouchedWhenNotModified();
    void malformed_data();
    void malformed();
    void failedWriteKeepsOldFile();
    void editNavigation();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestInputHistory::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
    QFile::remove(InputHistory::filename());
}

void TestInputHistory::roundTripKeepsNewest1000() {
    const QString file = path(QStringLiteral("roundtrip.json"));
    const QStringList all = QStringList{"OLD1", "OLD2", "привет \\ \t \"end\"", ""} + numbered(998);
    InputHistory history;
    for (const QString& line : all)
        history.add(line);
    QVERIFY(history.save(file));
    QVERIFY(!history.modified);
    QCOMPARE(history.entries, all.mid(2));
    QCOMPARE(history.current, 1000);
    QVERIFY(readFile(file).startsWith("[\n    \"привет"));

    // empty lines are written but not recalled
    InputHistory loaded;
    QVERIFY(loaded.restore(file));
    QStringList expected = all.mid(2);
    expected.removeAll(QString());
    QCOMPARE(loaded.entries, expected);
    QCOMPARE(loaded.current, expected.size());
    QVERIFY(!loaded.restore(path(QStringLiteral("missing.json"))));
}

void TestInputHistory::untouchedWhenNotModified() {
    // loading does not cut to 1000; only a write does
    const QString file = path(QStringLiteral("untouched.json"));
    const QByteArray content = jsonArray(numbered(1200));
    QVERIFY(writeFile(file, content));
    const QDateTime before = QFileInfo(file).lastModified();
    InputHistory history;
    QVERIFY(history.restore(file));
    QVERIFY(history.save(file));
    QCOMPARE(history.entries.size(), 1200);
    QCOMPARE(readFile(file), content);
    QCOMPARE(QFileInfo(file).lastModified(), before);
}

void TestInputHistory::malformed_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("not json") << QByteArray("AT+VERSION\nAT\n") << QStringList();
    QTest::newRow("object") << QByteArray(R"({"0":"AT"})") << QStringList();
    QTest::newRow("truncated") << QByteArray("[\n    \"AT\",\n    \"AT+VER") << QStringList();
    QTest::newRow("mixed") << QByteArray(R"([1,"AT",null,"",["x"],{"a":"b"}])")
                           << QStringList{"AT"};
    // far beyond any history: not read at all
    QByteArray huge = jsonArray(numbered(10));
    huge.insert(huge.size() - 2, QByteArray(17 * 1024 * 1024, ' '));
    QTest::newRow("huge") << huge << QStringList();
}

void TestInputHistory::malformed() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    const QString file = path(QStringLiteral("malformed.json"));
    QVERIFY(writeFile(file, content));
    InputHistory history;
    QVERIFY(history.restore(file));
    QCOMPARE(history.entries, expected);
    QCOMPARE(history.current, expected.size());
    QVERIFY(!history.modified);
    QCOMPARE(readFile(file).size(), content.size());
}

void TestInputHistory::failedWriteKeepsOldFile() {
    const QString file = path(QStringLiteral("kept.json"));
    const QByteArray old = jsonArray({QStringLiteral("OLD")});
    QVERIFY(writeFile(file, old));
    InputHistory history;
    for (const QString& line : numbered(1003))
        history.add(line + QString(40, QLatin1Char('x')));

    QVERIFY(!test::saveUnderSizeLimit(4096, [&] { return history.save(file); }));
    QVERIFY(history.modified);
    QCOMPARE(history.entries.size(), 1000);
    QCOMPARE(readFile(file), old);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept.json*")}, QDir::Files),
             QStringList{QStringLiteral("kept.json")});
    // the additions are still there for a later write
    QVERIFY(history.save(file));
    QCOMPARE(QJsonDocument::fromJson(readFile(file)).array().size(), 1000);
}

void TestInputHistory::editNavigation() {
    {
        InputEdit edit;
        QTest::keyRelease(&edit, Qt::Key_Up); // nothing to recall on a first run
        QVERIFY(edit.text().isEmpty());
        for (const char* line : {"A", "B", ""}) {
            edit.setText(QString::fromLatin1(line));
            QCOMPARE(edit.input(), QString::fromLatin1(line));
            QVERIFY(edit.text().isEmpty());
        }
    } // saved on the way out
    QCOMPARE(QJsonDocument::fromJson(readFile(InputHistory::filename())).array(),
             QJsonArray({"A", "B", ""}));

    InputEdit edit;
    edit.setText(QStringLiteral("C"));
    edit.input();
    QTest::keyPress(&edit, Qt::Key_Up); // on release only
    QVERIFY(edit.text().isEmpty());
    // no wrap at either end; the line is kept past the newest
    const QString keys = QStringLiteral("UUUUDDD"), texts = QStringLiteral("CBAABCC");
    for (int i = 0; i < keys.size(); ++i) {
        QTest::keyRelease(&edit, keys[i] == QLatin1Char('U') ? Qt::Key_Up : Qt::Key_Down);
        QCOMPARE(edit.text(), QString(texts[i]));
    }
}

QTEST_MAIN(TestInputHistory)
#include "tst_inputhistory.moc"
