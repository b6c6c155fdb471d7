// The user command list, its table model and its file.

#include "app/dir.h"
#include "common/datafiles.h"
#include "usercommands/usercommandmodel.h"
#include "usercommands/usercommands.h"

#include <QAbstractItemModelTester>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

constexpr quint32 maxPeriod = std::numeric_limits<quint32>::max();
UserCommands& list = UserCommands::_self;

void fill(int count) {
    for (int i = 0; i < count; ++i)
        list.command(list.append()).setValue(QStringLiteral("c%1").arg(i));
}

QString values() {
    QStringList result;
    for (int i = 0; i < list.size(); ++i)
        result
            << QStringLiteral("%1/%2").arg(list.command(i).value()).arg(list.command(i).period());
    return result.join(' ');
}

} // namespace

class TestUserCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QString m_path;

private slots:
    void initTestCase() {
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
        qputenv("XDG_DATA_HOME", QFile::encodeName(m_tmp.filePath(QStringLiteral("data"))));
        m_path = dir::filename(key::filename);
        QVERIFY(m_path.startsWith(m_tmp.path()));
    }
    // The list is program-wide: every test starts from an empty, unmarked one.
    void init() {
        QFile::remove(m_path);
        list.restore();
    }

    // Removal is announced in runs from the back; the model follows every change.
    void modelFollowsList() {
        UserCommandModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        fill(8);
        QVERIFY(list.save());
        QStringList runs;
        QObject context;
        connect(&list, &UserCommands::wasRemove, &context,
                [&](int i, int n) { runs << QStringLiteral("%1:%2").arg(i).arg(n); });
        list.remove(QList<int>{7, 1, 3, 2, 7});
        list.remove(QList<int>{-1, 9});
        QCOMPARE(runs, (QStringList{"7:1", "1:3"}));
        QVERIFY(list.isModified());
        QCOMPARE(model.rowCount(), 4);
        QCOMPARE(model.data(model.index(1, 1)), QVariant("c4"));
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("AT+X")));
        QCOMPARE(list.command(2).value(), QStringLiteral("AT+X"));
        // A negative or huge period neither wraps nor slips under the floor.
        QVERIFY(model.setData(model.index(2, 2), -5));
        QCOMPARE(model.data(model.index(2, 2)), QVariant(100u));
        QVERIFY(model.setData(model.index(3, 2), qlonglong(1) << 40));
        QCOMPARE(list.command(3).period(), maxPeriod);
        // Text that is no number counts as 0, so the floor.
        QVERIFY(model.setData(model.index(3, 2), QStringLiteral("abc")));
        QCOMPARE(list.command(3).period(), 100u);
        QVERIFY(model.setData(model.index(3, 2), int(Qt::Checked), Qt::CheckStateRole));
        QVERIFY(list.command(3).isAuto());
        QVERIFY(!model.setData(model.index(3, 0), QStringLiteral("x")));
        QVERIFY(!model.data(model.index(3, 0), Qt::DecorationRole).isNull());
        QVERIFY(model.data(model.index(3, 0), Qt::DisplayRole).isNull());
        list.command(3).setAuto(false);
    }

    // Text, period and order survive the file; repetition never starts from it; a run that
    // only removes still rewrites it.
    void roundTrip() {
        fill(3);
        list.command(1).setValue(QStringLiteral("Привет \"x\"\t\\"));
        list.command(1).setPeriod(250);
        list.command(2).setPeriod(maxPeriod);
        list.command(2).setAuto(true);
        QVERIFY(list.save());
        QVERIFY(!list.isModified());
        list.restore();
        QCOMPARE(values(), QStringLiteral("c0/1000 Привет \"x\"\t\\/250 c2/%1").arg(maxPeriod));
        QVERIFY(!list.command(2).isAuto());
        QVERIFY(!list.isModified());
        list.remove(QList<int>{0, 1, 2});
        QVERIFY(list.save());
        QCOMPARE(test::readFile(m_path), QByteArray("[\n]\n"));
    }

    // Broken or hostile files load what they can and stay exactly as they were.
    void loadFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("loaded");
        // clang-format off
        QTest::newRow("not JSON") << QByteArray("AT+VERSION\n") << "";
        QTest::newRow("top-level object") << QByteArray(R"({"value": "AT", "period": 200})") << "";
        QTest::newRow("over 16 MiB")
            << QByteArray(R"([{"value": "a"})").append(QByteArray(17 << 20, ' ')).append(']') << "";
        QTest::newRow("elements not objects")
            << QByteArray(R"([1, "x", null, [], {"value": "a", "period": 300}, {"value": 5}])")
            << "/1000 /1000 /1000 /1000 a/300 /1000";
        // A hand-edited period never undercuts the floor nor wraps around.
        QTest::newRow("bad periods")
            << QByteArray(
                   R"([{"value": "zero", "period": 0}, {"value": "below", "period": 99.9}, {"value": "negative", "period": -1e300},
                {"value": "text", "period": "500"}, {"value": "auto", "period": 250.7, "auto": true}, {"value": "over", "period": 4294967296}])")
            << "zero/100 below/100 negative/100 text/1000 auto/250 over/4294967295";
        QTest::newRow("endless device") << QByteArray() << "";
        // clang-format on
    }
    void loadFile() {
        QFETCH(QByteArray, content);
        QFETCH(QString, loaded);
        if (content.isEmpty())
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), m_path));
        else
            QVERIFY(test::writeFile(m_path, content));
        QFile(m_path).setFileTime(QDateTime::currentDateTime().addDays(-3),
                                  QFileDevice::FileModificationTime);
        const QDateTime mtime = QFileInfo(m_path).lastModified();
        fill(1);
        list.restore();
        QCOMPARE(values(), loaded);
        QVERIFY(!list.isModified());
        QVERIFY(list.save());
        QCOMPARE(QFileInfo(m_path).lastModified(), mtime);
        if (!content.isEmpty())
            QCOMPARE(test::readFile(m_path), content);
    }

    // A failed write leaves the old file whole and the change marked for a later save.
    void failedSave() {
        fill(2);
        QVERIFY(list.save());
        const QByteArray old = test::readFile(m_path);
        for (int i = 0; i < 50; ++i)
            list.command(list.append()).setValue(QString(100, QLatin1Char('x')));
        QVERIFY(!test::saveUnderSizeLimit(64, [] { return list.save(); }));
        QVERIFY(list.isModified());
        QCOMPARE(test::readFile(m_path), old);
        QCOMPARE(QDir(QFileInfo(m_path).absolutePath()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{key::filename});
        QVERIFY(list.save());
        QCOMPARE(QJsonDocument::fromJson(test::readFile(m_path)).array().size(), 52);
    }

    // The first send waits one period; changes reach a running repetition; switched off or
    // removed, it falls silent.
    void repetition() {
        QSignalSpy sent(&list, &UserCommands::sendCommand);
        UserCommand& command = list.command(list.append());
        command.setValue(QStringLiteral("AT+A"));
        command.setPeriod(100);
        command.setAuto(true);
        QVERIFY(sent.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() >= 2, 5000);
        QCOMPARE(sent[0][0].toString(), QStringLiteral("AT+A"));
        command.setValue(QStringLiteral("AT+B"));
        command.setPeriod(150);
        QCOMPARE(command.period(), 150u);
        sent.clear();
        QTRY_VERIFY_WITH_TIMEOUT(sent.count() >= 2, 5000);
        QCOMPARE(sent.last()[0].toString(), QStringLiteral("AT+B"));
        command.setPeriod(60000); // a new period restarts the running timer
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());
        command.setPeriod(100);
        command.setAuto(false);
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());
        command.setAuto(true);
        QTRY_VERIFY_WITH_TIMEOUT(!sent.isEmpty(), 5000);
        list.remove(0);
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());
        // The list outlives the application object: a command still repeating then must go
        // down quietly with it.
        list.command(list.append()).setAuto(true);
    }
};

QTEST_MAIN(TestUserCommands)
#include "test_usercommands.moc"
