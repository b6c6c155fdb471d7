#include "app/dir.h"
#include "input/inputedit.h"
#include "input/inputhistory.h"

#include <QApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>
#include <sys/resource.h>

namespace {

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeAll(const QString& path, const QByteArray& data) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

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
    void init();
    void filename();
    void roundTrip();
    void limitKeepsNewest();
    void untouchedWhenNotModified();
    void missingFile();
    void restoreAppends();
    void malformed_data();
    void malformed();
    void failedWriteKeepsOldFile_data();
    void failedWriteKeepsOldFile();
    void editNavigation();
    void editPersistsAcrossRuns();

private:
    QString path(const QString& name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
};

void TestInputHistory::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
}

void TestInputHistory::init() {
    QFile::remove(InputHistory::filename());
}

void TestInputHistory::filename() {
    QCOMPARE(InputHistory::filename(), dir::filename(QStringLiteral("history.json")));
    const QString existing = path(QStringLiteral("existing.json"));
    QVERIFY(writeAll(existing, "[]"));
    QCOMPARE(InputHistory::filename(existing), existing);
    QCOMPARE(InputHistory::filename(QStringLiteral("other.json")),
             dir::filename(QStringLiteral("other.json")));
}

void TestInputHistory::roundTrip() {
    const QString file = path(QStringLiteral("roundtrip.json"));
    InputHistory history;
    const QStringList lines{QStringLiteral("AT"), QStringLiteral("AT"), QString(),
                            QStringLiteral("AT+TCPCONN=\"host\",80"),
                            QStringLiteral("привет \\ \t end")};
    for (const QString& line : lines)
        history.add(line);
    QVERIFY(history.modified);
    QCOMPARE(history.current, lines.size());
    QVERIFY(history.save(file));
    QVERIFY(!history.modified);

    // indented array of every entry, the empty one included
    const QByteArray text = readAll(file);
    QVERIFY(text.startsWith("[\n    \"AT\",\n"));
    QCOMPARE(QJsonDocument::fromJson(text).array().toVariantList().size(), lines.size());

    InputHistory loaded;
    QVERIFY(loaded.restore(file));
    QStringList expected = lines;
    expected.removeAll(QString());
    QCOMPARE(loaded.entries, expected);
    QCOMPARE(loaded.current, expected.size());
    QVERIFY(!loaded.modified);
}

void TestInputHistory::limitKeepsNewest() {
    const QString file = path(QStringLiteral("limit.json"));
    InputHistory history;
    const QStringList all = numbered(1005);
    for (const QString& line : all)
        history.add(line);
    QVERIFY(history.save(file));
    QCOMPARE(history.entries, all.mid(5));
    QCOMPARE(history.current, 1000);

    InputHistory loaded;
    QVERIFY(loaded.restore(file));
    QCOMPARE(loaded.entries, all.mid(5));

    // loading does not cut; only a write does
    QVERIFY(writeAll(file, jsonArray(numbered(1500))));
    InputHistory big;
    QVERIFY(big.restore(file));
    QCOMPARE(big.entries.size(), 1500);
    QCOMPARE(big.current, 1500);
}

void TestInputHistory::untouchedWhenNotModified() {
    const QString file = path(QStringLiteral("untouched.json"));
    const QByteArray content = jsonArray(numbered(1200));
    QVERIFY(writeAll(file, content));
    const QDateTime before = QFileInfo(file).lastModified();

    InputHistory history;
    QVERIFY(history.restore(file));
    QVERIFY(history.save(file));
    QCOMPARE(readAll(file), content);
    QCOMPARE(QFileInfo(file).lastModified(), before);
    QCOMPARE(history.entries.size(), 1200);
}

void TestInputHistory::missingFile() {
    InputHistory history;
    QVERIFY(!history.restore(path(QStringLiteral("does-not-exist.json"))));
    QCOMPARE(history.current, -1);
    QVERIFY(history.entries.isEmpty());
    QVERIFY(history.get(0).isEmpty());
    QVERIFY(history.get(-1).isEmpty());
    QCOMPARE(history.current, -1);
}

void TestInputHistory::restoreAppends() {
    const QString file = path(QStringLiteral("append.json"));
    QVERIFY(writeAll(file, R"(["B","C"])"));
    InputHistory history;
    history.add(QStringLiteral("A"));
    QVERIFY(history.restore(file));
    QCOMPARE(history.entries, (QStringList{"A", "B", "C"}));
    QCOMPARE(history.current, 3);
    QVERIFY(!history.modified);
}

void TestInputHistory::malformed_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("expected");

    QByteArray binary(4096, '\0');
    for (int i = 0; i < binary.size(); ++i)
        binary[i] = char((i * 151 + 7) & 0xff);
    QByteArray nested(100000, '[');

    QTest::newRow("empty file") << QByteArray() << QStringList();
    QTest::newRow("not json") << QByteArray("AT+VERSION\nAT\n") << QStringList();
    QTest::newRow("object") << QByteArray(R"({"0":"AT"})") << QStringList();
    QTest::newRow("string") << QByteArray(R"("AT")") << QStringList();
    QTest::newRow("truncated") << QByteArray("[\n    \"AT\",\n    \"AT+VER") << QStringList();
    QTest::newRow("binary") << binary << QStringList();
    QTest::newRow("deep nesting") << nested << QStringList();
    QTest::newRow("mixed") << QByteArray(R"([1,"AT",null,""])") << QStringList{"AT"};
    QTest::newRow("nested values")
        << QByteArray(R"([["x"],{"a":"b"},true,"AT+X"])") << QStringList{"AT+X"};
    // far beyond any history: not read at all
    QByteArray huge = jsonArray(numbered(10));
    huge.chop(2);
    huge.append(QByteArray(17 * 1024 * 1024, ' ')).append("]");
    QTest::newRow("huge") << huge << QStringList();
    QTest::newRow("huge garbage") << QByteArray(20 * 1024 * 1024, '\x7f') << QStringList();
}

void TestInputHistory::malformed() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, expected);
    const QString file = path(QStringLiteral("malformed.json"));
    QVERIFY(writeAll(file, content));

    InputHistory history;
    QVERIFY(history.restore(file));
    QCOMPARE(history.entries, expected);
    QCOMPARE(history.current, expected.size());
    QVERIFY(!history.modified);
    // reading never rewrites the file
    QCOMPARE(readAll(file).size(), content.size());
}

void TestInputHistory::failedWriteKeepsOldFile_data() {
    QTest::addColumn<bool>("fileSizeLimit");
    QTest::newRow("target is a directory") << false;
    QTest::newRow("write fails midway") << true;
}

void TestInputHistory::failedWriteKeepsOldFile() {
    QFETCH(bool, fileSizeLimit);
    QString file = path(QStringLiteral("kept.json"));
    const QByteArray old = jsonArray({QStringLiteral("OLD")});
    if (fileSizeLimit) {
        QVERIFY(writeAll(file, old));
    } else {
        file = path(QStringLiteral("adir"));
        QVERIFY(QDir().mkpath(file));
    }

    InputHistory history;
    for (const QString& line : numbered(1003))
        history.add(line + QString(40, QLatin1Char('x')));

    bool saved = true;
    if (fileSizeLimit) {
        // the file system refuses anything past 4 KiB, as a full disk would
        rlimit saved_limit{};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
        auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_limit;
        small.rlim_cur = 4096;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        saved = history.save(file);
        setrlimit(RLIMIT_FSIZE, &saved_limit);
        std::signal(SIGXFSZ, previousHandler);
    } else {
        saved = history.save(file);
    }

    QVERIFY(!saved);
    QVERIFY(history.modified);
    QCOMPARE(history.entries.size(), 1000); // trimmed in memory all the same
    QCOMPARE(history.current, 1000);
    if (fileSizeLimit) {
        QCOMPARE(readAll(file), old);
        // no stray temporary file is left beside it
        QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("kept.json*")}, QDir::Files),
                 QStringList{QStringLiteral("kept.json")});
        // the additions are still there for a later write
        QVERIFY(history.save(file));
        QCOMPARE(QJsonDocument::fromJson(readAll(file)).array().size(), 1000);
    } else {
        QVERIFY(QFileInfo(file).isDir());
    }
}

void TestInputHistory::editNavigation() {
    InputEdit edit;
    QVERIFY(edit.history.entries.isEmpty());

    // nothing to recall on a first run
    QTest::keyRelease(&edit, Qt::Key_Up);
    QTest::keyRelease(&edit, Qt::Key_Down);
    QVERIFY(edit.text().isEmpty());

    for (const char* line : {"A", "B", "B", ""}) {
        edit.setText(QString::fromLatin1(line));
        QCOMPARE(edit.input(), QString::fromLatin1(line));
        QVERIFY(edit.text().isEmpty());
    }
    QCOMPARE(edit.history.entries, (QStringList{"A", "B", "B", ""}));

    struct Step {
        Qt::Key key;
        const char* text;
        int current;
    };
    const Step steps[] = {
        {Qt::Key_Up, "", 3}, // the empty entry: nothing visible
        {Qt::Key_Up, "B", 2},   {Qt::Key_Up, "B", 1},
        {Qt::Key_Up, "A", 0},   {Qt::Key_Up, "A", 0}, // no wrap at the oldest
        {Qt::Key_Down, "B", 1}, {Qt::Key_Down, "B", 2},
        {Qt::Key_Down, "B", 3}, // the empty entry keeps the line
        {Qt::Key_Down, "B", 3}, // nothing past the newest, the line is not cleared
    };
    for (const Step& step : steps) {
        QTest::keyRelease(&edit, step.key);
        QCOMPARE(edit.text(), QString::fromLatin1(step.text));
        QCOMPARE(edit.history.current, step.current);
    }

    // navigation works on release only
    edit.clear();
    QTest::keyPress(&edit, Qt::Key_Up);
    QVERIFY(edit.text().isEmpty());
}

void TestInputHistory::editPersistsAcrossRuns() {
    const QString file = InputHistory::filename();
    {
        InputEdit edit;
        edit.setText(QStringLiteral("AT+VERSION"));
        edit.input();
        edit.input(); // an empty line
    }
    QCOMPARE(QJsonDocument::fromJson(readAll(file)).array(),
             QJsonArray({QStringLiteral("AT+VERSION"), QString()}));

    const QByteArray before = readAll(file);
    {
        InputEdit edit;
        QCOMPARE(edit.history.entries, QStringList{QStringLiteral("AT+VERSION")});
        QTest::keyRelease(&edit, Qt::Key_Up);
        QCOMPARE(edit.text(), QStringLiteral("AT+VERSION"));
    }
    // nothing entered: the file stays as it was, empty entry and all
    QCOMPARE(readAll(file), before);
}

QTEST_MAIN(TestInputHistory)
#include "tst_inputhistory.moc"
