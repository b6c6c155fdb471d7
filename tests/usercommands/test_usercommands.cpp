#include "app/dir.h"
#include "common/datafiles.h"
#include "usercommands/usercommandmodel.h"
#include "usercommands/usercommands.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using test::readFile;
using test::writeFile;

namespace {

constexpr quint32 maxPeriod = std::numeric_limits<quint32>::max();
UserCommands& list = UserCommands::_self;

QString filePath() {
    return dir::filename(key::filename);
}

// An mtime in the past, so that any rewrite would show.
QDateTime ageFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(QDateTime::currentDateTime().addDays(-3),
                          QFileDevice::FileModificationTime))
        return {};
    file.close();
    return QFileInfo(path).lastModified();
}

void fill(int count) {
    for (int i = 0; i < count; ++i)
        list.command(list.append()).setValue(QStringLiteral("c%1").arg(i));
}

QStringList values() {
    QStringList result;
    for (int i = 0; i < list.size(); ++i)
        result << list.command(i).value();
    return result;
}

} // namespace

class TestUserCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;

private slots:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("data"))));
        QVERIFY(filePath().startsWith(m_tmp.path()));
    }
    // The list is program-wide: every test starts from an empty, unmarked one.
    void init() {
        QFile::remove(filePath());
        list.restore();
    }
    void cleanupTestCase() {
        // The list outlives the application object: a command still repeating then
        // must go down quietly with it after the test functions have finished.
        list.command(list.append()).setAuto(true);
    }

    void setPeriod() {
        const struct {
            quint32 initial, input, stored;
            bool marked;
        } rows[] = {{1000, 0, 100, true},
                    {1000, 99, 100, true},
                    {1000, 100, 100, true},
                    {1000, maxPeriod, maxPeriod, true},
                    {100, 50, 100, false}};
        for (const auto& row : rows) {
            UserCommand& command = list.command(list.append());
            command.setPeriod(row.initial);
            QVERIFY(list.save());
            command.setPeriod(row.input);
            QCOMPARE(command.period(), row.stored);
            QCOMPARE(list.isModified(), row.marked);
        }
    }

    void removeRuns_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QString>("runs"); // index:count, in the order announced
        QTest::addColumn<QString>("left");
        QTest::newRow("0,2,4") << 6 << QList<int>{0, 2, 4} << "4:1 2:1 0:1"
                               << "c1 c3 c5";
        QTest::newRow("unsorted, repeated") << 8 << QList<int>{7, 1, 3, 2, 7} << "7:1 1:3"
                                            << "c0 c4 c5 c6";
        QTest::newRow("outside") << 3 << QList<int>{-1, 3, 9, 2} << "2:1"
                                 << "c0 c1";
        QTest::newRow("none") << 3 << QList<int>{} << ""
                              << "c0 c1 c2";
    }
    void removeRuns() {
        QFETCH(int, rows);
        QFETCH(QList<int>, positions);
        QFETCH(QString, runs);
        QFETCH(QString, left);
        fill(rows);
        QVERIFY(list.save());
        // the model depends on every willRemove being followed by its wasRemove
        QObject context;
        QStringList got;
        QString pending;
        bool paired = true;
        connect(&list, &UserCommands::willRemove, &context, [&](int i, int n) {
            paired = paired && pending.isEmpty();
            pending = QStringLiteral("%1:%2").arg(i).arg(n);
        });
        connect(&list, &UserCommands::wasRemove, &context, [&](int i, int n) {
            paired = paired && pending == QStringLiteral("%1:%2").arg(i).arg(n);
            got << pending;
            pending.clear();
        });
        list.remove(positions);
        QVERIFY(paired && pending.isEmpty());
        QCOMPARE(got.join(' '), runs);
        QCOMPARE(values().join(' '), left);
        QCOMPARE(list.isModified(), !runs.isEmpty());
    }

    void modelFollowsList() {
        UserCommandModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(6);
        QCOMPARE(model.rowCount(), 6);
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("AT+X")));
        QCOMPARE(list.command(2).value(), QStringLiteral("AT+X"));
        // a negative or huge period neither wraps nor slips under the floor
        QVERIFY(model.setData(model.index(2, 2), -5));
        QCOMPARE(model.data(model.index(2, 2)), QVariant(100u));
        QVERIFY(model.setData(model.index(3, 2), qlonglong(1) << 40));
        QCOMPARE(list.command(3).period(), maxPeriod);
        QVERIFY(!model.setData(model.index(3, 2), QStringLiteral("abc")));
        QVERIFY(model.setData(model.index(4, 2), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(list.command(4).isAuto());
        QVERIFY(!model.setData(model.index(4, 0), QStringLiteral("x")));

        list.remove(QList<int>{5, 0, 2, 3});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("c4"));
        QVERIFY(list.save());
        list.remove(0);
        list.restore(); // rows of the file replace the rows shown
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("c1"));
    }

    void roundTrip() {
        fill(3);
        list.command(1).setValue(QStringLiteral("Привет \"x\"\t\\"));
        list.command(1).setPeriod(250);
        list.command(2).setPeriod(maxPeriod);
        list.command(2).setAuto(true);
        QVERIFY(list.save());
        QVERIFY(!list.isModified());

        list.restore();
        QCOMPARE(values(), QStringList({"c0", "Привет \"x\"\t\\", "c2"}));
        QCOMPARE(list.command(1).period(), 250u);
        QCOMPARE(list.command(2).period(), maxPeriod);
        QVERIFY(!list.command(2).isAuto()); // repetition never starts from the file
        QVERIFY(!list.isModified());

        // a run that only removes still rewrites the file
        list.remove(QList<int>{0, 1, 2});
        QVERIFY(list.save());
        QCOMPARE(readFile(filePath()), QByteArray("[\n]\n"));
    }

    void loadFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<quint32>>("periods");
        QTest::newRow("not JSON") << QByteArray("AT+VERSION\n") << QStringList{}
                                  << QList<quint32>{};
        QTest::newRow("top-level object")
            << QByteArray(R"({"value": "AT", "period": 200})") << QStringList{} << QList<quint32>{};
        // valid, but too big to be read at all
        QTest::newRow("over 16 MiB") << QByteArray(R"([{"value": "a"})")
                                            .append(QByteArray(17 * 1024 * 1024, ' '))
                                            .append(']')
                                     << QStringList{} << QList<quint32>{};
        QTest::newRow("elements not objects")
            << QByteArray(R"([1, "x", null, [], {"value": "a", "period": 300}, {"value": 5}])")
            << QStringList{"a", ""} << QList<quint32>{300, 1000};
        // a hand-edited period never undercuts the floor nor wraps around
        QTest::newRow("bad periods")
            << QByteArray(R"([{"value": "zero", "period": 0}, {"value": "below", "period": 99.9},
                {"value": "negative", "period": -1e300}, {"value": "text", "period": "500"},
                {"value": "auto", "period": 250.7, "auto": true},
                {"value": "over", "period": 4294967296}, {"value": "huge", "period": 1e300}])")
            << QStringList{"zero", "below", "negative", "text", "auto", "over", "huge"}
            << QList<quint32>{100, 100, 100, 1000, 250, maxPeriod, maxPeriod};
    }
    void loadFile() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, texts);
        QFETCH(QList<quint32>, periods);
        const QString path = filePath();
        QVERIFY(writeFile(path, content));
        const QDateTime mtime = ageFile(path);
        QVERIFY(mtime.isValid());

        fill(1);
        list.restore();
        QCOMPARE(values(), texts);
        for (int i = 0; i < list.size(); ++i) {
            QCOMPARE(list.command(i).period(), periods[i]);
            QVERIFY(!list.command(i).isAuto());
        }
        QVERIFY(!list.isModified());

        // nothing changed: the file stays exactly as it was
        QVERIFY(list.save());
        QCOMPARE(readFile(path), content);
        QCOMPARE(QFileInfo(path).lastModified(), mtime);
    }

    void loadEndlessDevice() {
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), filePath()));
        fill(1);
        list.restore();
        QCOMPARE(list.size(), 0);
        QVERIFY(!list.isModified());
    }

    void failedSave() {
        fill(2);
        QVERIFY(list.save());
        const QString path = filePath();
        const QByteArray old = readFile(path);
        const QDateTime mtime = ageFile(path);
        for (int i = 0; i < 50; ++i)
            list.command(list.append()).setValue(QString(100, QLatin1Char('x')));

        QVERIFY(!test::saveUnderSizeLimit(64, [] { return list.save(); }));
        QVERIFY(list.isModified());
        QCOMPARE(readFile(path), old);
        QCOMPARE(QFileInfo(path).lastModified(), mtime);
        QCOMPARE(QDir(QFileInfo(path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{key::filename});

        // once writing works again the kept mark lets the list reach the file
        QVERIFY(list.save());
        QCOMPARE(QJsonDocument::fromJson(readFile(path)).array().size(), 52);
    }

    void repetition() {
        QSignalSpy sent(&list, &UserCommands::sendCommand);
        UserCommand& command = list.command(list.append());
        command.setValue(QStringLiteral("AT+A"));
        command.setPeriod(100);
        command.setAuto(true);
        QVERIFY(sent.isEmpty()); // the first send waits one period
        QVERIFY(QTest::qWaitFor([&] { return sent.count() >= 2; }));
        QCOMPARE(sent[0][0].toString(), QStringLiteral("AT+A"));

        // changes reach a running repetition
        command.setValue(QStringLiteral("AT+B"));
        command.setPeriod(150);
        sent.clear();
        QVERIFY(QTest::qWaitFor([&] { return sent.count() >= 2; }));
        QCOMPARE(sent.last()[0].toString(), QStringLiteral("AT+B"));

        command.setAuto(false);
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());

        // a removed command sends nothing more
        command.setAuto(true);
        QVERIFY(QTest::qWaitFor([&] { return !sent.isEmpty(); }));
        list.remove(0);
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());
    }
};

QTEST_MAIN(TestUserCommands)
#include "test_usercommands.moc"
