#include "app/dir.h"
#include "usercommands/usercommandmodel.h"
#include "usercommands/usercommands.h"

#include <QAbstractItemModelTester>
#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <limits>
#include <sys/resource.h>
#include <unistd.h>

namespace {

constexpr quint32 maxPeriod = std::numeric_limits<quint32>::max();
UserCommands& list = UserCommands::_self;

QString filePath() {
    return dir::filename(key::filename);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// An mtime in the past, so that any rewrite would show.
QDateTime ageFile(const QString& path) {
    const QDateTime old = QDateTime::currentDateTime().addDays(-3).addMSecs(-123);
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) ||
        !file.setFileTime(old, QFileDevice::FileModificationTime))
        return {};
    file.close();
    return QFileInfo(path).lastModified();
}

// The list is program-wide: every test starts from an empty, unmarked one.
void resetList() {
    QFile::remove(filePath());
    list.restore();
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

// Records the list's notifications, which the model depends on being paired.
struct Recorder {
    QObject context;
    QStringList events;
    Recorder() {
        QObject::connect(&list, &UserCommands::willInsert, &context,
                         [this](int i) { events << QStringLiteral("willInsert %1").arg(i); });
        QObject::connect(&list, &UserCommands::wasInsert, &context, [this](int i, UserCommand&) {
            events << QStringLiteral("wasInsert %1").arg(i);
        });
        QObject::connect(&list, &UserCommands::willRemove, &context, [this](int i, int n) {
            events << QStringLiteral("willRemove %1 %2").arg(i).arg(n);
        });
        QObject::connect(&list, &UserCommands::wasRemove, &context, [this](int i, int n) {
            events << QStringLiteral("wasRemove %1 %2").arg(i).arg(n);
        });
    }
};

} // namespace

class TestUserCommands : public QObject {
    Q_OBJECT

    QTemporaryDir m_tmp;
    QByteArray m_dataHome;

private slots:
    void initTestCase() {
        QVERIFY(m_tmp.isValid());
        QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
        QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
        // Never near the user's real data, even when run by hand.
        m_dataHome = QFile::encodeName(m_tmp.filePath(QStringLiteral("data")));
        qputenv("XDG_DATA_HOME", m_dataHome);
        QVERIFY(filePath().startsWith(m_tmp.path()));
    }
    void init() { resetList(); }
    void cleanupTestCase() {
        // The list outlives the application object: a command still repeating then
        // must go down quietly with it after the test functions have finished.
        list.command(list.append()).setAuto(true);
    }
    void cleanup() {
        qputenv("XDG_DATA_HOME", m_dataHome);
        resetList();
    }

    void appendAndMark() {
        Recorder recorder;
        QVERIFY(!list.isModified());
        QCOMPARE(list.append(), 0);
        QCOMPARE(recorder.events, QStringList({"willInsert 0", "wasInsert 0"}));
        QVERIFY(list.isModified());
        const UserCommand& command = list.command(0);
        QCOMPARE(command.value(), QString());
        QCOMPARE(command.period(), 1000u);
        QVERIFY(!command.isAuto());

        QVERIFY(list.save());
        list.command(0).setValue(QString());
        list.command(0).setAuto(false);
        list.remove(1);
        list.remove(-1);
        QVERIFY(!list.isModified());
        QCOMPARE(recorder.events.size(), 2);
        list.command(0).setValue(QStringLiteral("AT"));
        QVERIFY(list.isModified());
    }

    void setPeriod_data() {
        QTest::addColumn<quint32>("initial");
        QTest::addColumn<quint32>("input");
        QTest::addColumn<quint32>("stored");
        QTest::addColumn<bool>("marked");
        QTest::newRow("0") << 1000u << 0u << 100u << true;
        QTest::newRow("50") << 1000u << 50u << 100u << true;
        QTest::newRow("99") << 1000u << 99u << 100u << true;
        QTest::newRow("100") << 1000u << 100u << 100u << true;
        QTest::newRow("250") << 1000u << 250u << 250u << true;
        QTest::newRow("max") << 1000u << maxPeriod << maxPeriod << true;
        QTest::newRow("50 on 100") << 100u << 50u << 100u << false;
        QTest::newRow("same") << 250u << 250u << 250u << false;
    }
    void setPeriod() {
        QFETCH(quint32, initial);
        QFETCH(quint32, input);
        QFETCH(quint32, stored);
        QFETCH(bool, marked);
        UserCommand& command = list.command(list.append());
        command.setPeriod(initial);
        QVERIFY(list.save());
        command.setPeriod(input);
        QCOMPARE(command.period(), stored);
        QCOMPARE(list.isModified(), marked);
    }

    void removeRuns_data() {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QList<int>>("positions");
        QTest::addColumn<QStringList>("events");
        QTest::addColumn<QStringList>("left");
        QTest::newRow("4,5") << 6 << QList<int>{4, 5}
                             << QStringList{"willRemove 4 2", "wasRemove 4 2"}
                             << QStringList{"c0", "c1", "c2", "c3"};
        QTest::newRow("0,2,4") << 6 << QList<int>{0, 2, 4}
                               << QStringList{"willRemove 4 1", "wasRemove 4 1",  "willRemove 2 1",
                                              "wasRemove 2 1",  "willRemove 0 1", "wasRemove 0 1"}
                               << QStringList{"c1", "c3", "c5"};
        QTest::newRow("7,1,3,2,7")
            << 8 << QList<int>{7, 1, 3, 2, 7}
            << QStringList{"willRemove 7 1", "wasRemove 7 1", "willRemove 1 3", "wasRemove 1 3"}
            << QStringList{"c0", "c4", "c5", "c6"};
        QTest::newRow("all reversed")
            << 3 << QList<int>{2, 1, 0} << QStringList{"willRemove 0 3", "wasRemove 0 3"}
            << QStringList{};
        QTest::newRow("none") << 3 << QList<int>{} << QStringList{}
                              << QStringList{"c0", "c1", "c2"};
        QTest::newRow("outside") << 3 << QList<int>{-1, 3, 9, 2}
                                 << QStringList{"willRemove 2 1", "wasRemove 2 1"}
                                 << QStringList{"c0", "c1"};
    }
    void removeRuns() {
        QFETCH(int, rows);
        QFETCH(QList<int>, positions);
        QFETCH(QStringList, events);
        QFETCH(QStringList, left);
        fill(rows);
        QVERIFY(list.save());
        Recorder recorder;
        list.remove(positions);
        QCOMPARE(recorder.events, events);
        QCOMPARE(values(), left);
        QCOMPARE(list.isModified(), !events.isEmpty());
    }

    void modelFollowsList() {
        UserCommandModel model;
        QAbstractItemModelTester tester(&model,
                                        QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 3);
        fill(6);
        QCOMPARE(model.rowCount(), 6);
        QVERIFY(model.setData(model.index(2, 1), QStringLiteral("AT+X")));
        QVERIFY(model.setData(model.index(2, 2), 20));
        QCOMPARE(model.data(model.index(2, 2)), QVariant(100u));
        list.remove(QList<int>{5, 0, 2, 3});
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("c4"));
        QVERIFY(list.save());
        list.remove(0);
        list.restore(); // rows of the file replace the rows shown
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("c1"));
    }

    void header() {
        UserCommandModel model;
        const QStringList expected{"", "Value", "Period, ms"};
        for (int section = 0; section < 3; ++section)
            QCOMPARE(model.headerData(section, Qt::Horizontal).toString(), expected[section]);
        QVERIFY(!model.headerData(3, Qt::Horizontal).isValid());
        QVERIFY(!model.headerData(0, Qt::Vertical).isValid());
        QVERIFY(!model.headerData(1, Qt::Horizontal, Qt::ToolTipRole).isValid());
    }

    void data_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("expected");
        const QVariant none;
        QTest::newRow("0 display") << 0 << int(Qt::DisplayRole) << none;
        QTest::newRow("0 edit") << 0 << int(Qt::EditRole) << none;
        QTest::newRow("0 tooltip") << 0 << int(Qt::ToolTipRole) << QVariant(QStringLiteral("Send"));
        QTest::newRow("0 check") << 0 << int(Qt::CheckStateRole) << none;
        QTest::newRow("1 display") << 1 << int(Qt::DisplayRole) << QVariant(QStringLiteral("AT+A"));
        QTest::newRow("1 edit") << 1 << int(Qt::EditRole) << QVariant(QStringLiteral("AT+A"));
        QTest::newRow("1 tooltip") << 1 << int(Qt::ToolTipRole) << QVariant(QStringLiteral("AT+A"));
        QTest::newRow("1 decoration") << 1 << int(Qt::DecorationRole) << none;
        QTest::newRow("1 check") << 1 << int(Qt::CheckStateRole) << none;
        QTest::newRow("2 display") << 2 << int(Qt::DisplayRole) << QVariant(250u);
        QTest::newRow("2 edit") << 2 << int(Qt::EditRole) << QVariant(250u);
        QTest::newRow("2 check") << 2 << int(Qt::CheckStateRole) << QVariant(0);
        QTest::newRow("2 tooltip") << 2 << int(Qt::ToolTipRole) << none;
        QTest::newRow("2 font") << 2 << int(Qt::FontRole) << none;
    }
    void data() {
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QVariant, expected);
        UserCommandModel model;
        UserCommand& command = list.command(list.append());
        command.setValue(QStringLiteral("AT+A"));
        command.setPeriod(250);
        const QVariant got = model.data(model.index(0, column), role);
        QCOMPARE(got.isValid(), expected.isValid());
        if (expected.isValid()) {
            QCOMPARE(got.typeId(), expected.typeId());
            QCOMPARE(got, expected);
        }
        QVERIFY(!model.data(QModelIndex(), role).isValid());
    }

    void decoration() {
        UserCommandModel model;
        fill(2);
        const QVariant first = model.data(model.index(0, 0), Qt::DecorationRole);
        QCOMPARE(first.typeId(), QMetaType::QPixmap);
        const QPixmap pixmap = first.value<QPixmap>();
        if (QFile::exists(QStringLiteral(":/play.svg")))
            QCOMPARE(pixmap.size(), QSize(16, 16));
        const QPixmap second = model.data(model.index(1, 0), Qt::DecorationRole).value<QPixmap>();
        QCOMPARE(second.cacheKey(), pixmap.cacheKey());
    }

    void flags_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<Qt::ItemFlags>("expected");
        const Qt::ItemFlags base =
            Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
        QTest::newRow("send") << 0 << base;
        QTest::newRow("value") << 1 << (base | Qt::ItemIsEditable);
        QTest::newRow("period") << 2 << (base | Qt::ItemIsEditable | Qt::ItemIsUserCheckable);
    }
    void flags() {
        QFETCH(int, column);
        QFETCH(Qt::ItemFlags, expected);
        UserCommandModel model;
        fill(1);
        QCOMPARE(model.flags(model.index(0, column)), expected);
    }

    void setData_data() {
        QTest::addColumn<int>("column");
        QTest::addColumn<int>("role");
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<QString>("text");
        QTest::addColumn<quint32>("period");
        QTest::addColumn<bool>("repeats");
        const int edit = Qt::EditRole;
        const int check = Qt::CheckStateRole;
        QTest::newRow("send column")
            << 0 << edit << QVariant("x") << false << "c0" << 1000u << false;
        QTest::newRow("display role")
            << 1 << int(Qt::DisplayRole) << QVariant("x") << false << "c0" << 1000u << false;
        QTest::newRow("text") << 1 << edit << QVariant("AT+Y") << true << "AT+Y" << 1000u << false;
        QTest::newRow("same text") << 1 << edit << QVariant("c0") << true << "c0" << 1000u << false;
        QTest::newRow("period 20") << 2 << edit << QVariant(20) << true << "c0" << 100u << false;
        QTest::newRow("period 5000")
            << 2 << edit << QVariant(5000u) << true << "c0" << 5000u << false;
        QTest::newRow("period -5") << 2 << edit << QVariant(-5) << true << "c0" << 100u << false;
        QTest::newRow("period huge")
            << 2 << edit << QVariant(qlonglong(1) << 40) << true << "c0" << maxPeriod << false;
        QTest::newRow("period text")
            << 2 << edit << QVariant("abc") << false << "c0" << 1000u << false;
        QTest::newRow("checked") << 2 << check << QVariant(int(Qt::Checked)) << true << "c0"
                                 << 1000u << true;
        QTest::newRow("partial") << 2 << check << QVariant(int(Qt::PartiallyChecked)) << true
                                 << "c0" << 1000u << false;
        QTest::newRow("check on text")
            << 1 << check << QVariant(int(Qt::Checked)) << false << "c0" << 1000u << false;
    }
    void setData() {
        QFETCH(int, column);
        QFETCH(int, role);
        QFETCH(QVariant, value);
        QFETCH(bool, accepted);
        QFETCH(QString, text);
        QFETCH(quint32, period);
        QFETCH(bool, repeats);
        UserCommandModel model;
        fill(1);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        const QModelIndex index = model.index(0, column);
        QCOMPARE(model.setData(index, value, role), accepted);
        QCOMPARE(changed.count(), accepted ? 1 : 0);
        if (accepted) {
            QCOMPARE(changed[0][0].value<QModelIndex>(), index);
            QCOMPARE(changed[0][1].value<QModelIndex>(), index);
            QVERIFY(changed[0][2].value<QList<int>>().isEmpty());
        }
        const UserCommand& command = list.command(0);
        QCOMPARE(command.value(), text);
        QCOMPARE(command.period(), period);
        QCOMPARE(command.isAuto(), repeats);
        QCOMPARE(model.data(model.index(0, 2), Qt::CheckStateRole).toInt(), repeats ? 2 : 0);
    }

    void roundTrip() {
        fill(3);
        list.command(0).setValue(QStringLiteral("AT+VERSION"));
        list.command(1).setValue(QStringLiteral("Привет \"x\"\t\\"));
        list.command(1).setPeriod(250);
        list.command(2).setPeriod(maxPeriod);
        list.command(2).setAuto(true);
        QVERIFY(list.save());
        QVERIFY(!list.isModified());

        const QByteArray bytes = readFile(filePath());
        QVERIFY(bytes.startsWith("[\n    {\n        \"auto\": false,\n        \"period\": 1000,\n"
                                 "        \"value\": \"AT+VERSION\"\n    },\n"));
        const QJsonArray array = QJsonDocument::fromJson(bytes).array();
        QCOMPARE(array.size(), 3);
        QCOMPARE(array[2].toObject().value(key::auto_), QJsonValue(true));
        QCOMPARE(array[2].toObject().value(key::period).toDouble(), double(maxPeriod));

        list.restore();
        QCOMPARE(values(), QStringList({"AT+VERSION", "Привет \"x\"\t\\", "c2"}));
        QCOMPARE(list.command(1).period(), 250u);
        QCOMPARE(list.command(2).period(), maxPeriod);
        QVERIFY(!list.command(2).isAuto());
        QVERIFY(!list.isModified());

        // a run that only removes still rewrites the file
        list.remove(0);
        QVERIFY(list.save());
        list.restore();
        QCOMPARE(values(), QStringList({"Привет \"x\"\t\\", "c2"}));

        list.remove(QList<int>{0, 1});
        QVERIFY(list.save());
        QCOMPARE(readFile(filePath()), QByteArray("[\n]\n"));
    }

    void loadFile_data() {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QStringList>("texts");
        QTest::addColumn<QList<quint32>>("periods");
        QByteArray binary(4096, '\0');
        QRandomGenerator generator(7);
        for (char& byte : binary)
            byte = char(generator.bounded(256));
        QTest::newRow("written by us")
            << QByteArray(R"([{"auto": true, "period": 500, "value": "AT+VERSION"}])")
            << QStringList{"AT+VERSION"} << QList<quint32>{500};
        QTest::newRow("top-level object")
            << QByteArray(R"({"value": "AT", "period": 200})") << QStringList{} << QList<quint32>{};
        QTest::newRow("not JSON") << QByteArray("AT+VERSION\n") << QStringList{}
                                  << QList<quint32>{};
        QTest::newRow("truncated") << QByteArray(R"([{"value": "a", "period": 200},)")
                                   << QStringList{} << QList<quint32>{};
        QTest::newRow("binary") << binary << QStringList{} << QList<quint32>{};
        QTest::newRow("empty") << QByteArray() << QStringList{} << QList<quint32>{};
        QTest::newRow("elements not objects")
            << QByteArray(R"([1, "x", null, [], true, {"value": "a", "period": 300}, {}])")
            << QStringList{"a", ""} << QList<quint32>{300, 1000};
        QTest::newRow("value not text") << QByteArray(R"([{"value": 5, "period": 200}])")
                                        << QStringList{""} << QList<quint32>{200};
        QTest::newRow("bad periods")
            << QByteArray(R"([{"value": "zero", "period": 0}, {"value": "negative", "period": -5},
                {"value": "text", "period": "500"}, {"value": "absent"},
                {"value": "fraction", "period": 250.7}, {"value": "below", "period": 99.9},
                {"value": "bool", "period": true}, {"value": "null", "period": null},
                {"value": "max", "period": 4294967295}, {"value": "over", "period": 4294967296},
                {"value": "huge", "period": 1e300}, {"value": "tiny", "period": -1e300}])")
            << QStringList{"zero", "negative", "text", "absent", "fraction", "below",
                           "bool", "null",     "max",  "over",   "huge",     "tiny"}
            << QList<quint32>{100,  100,  1000,      1000,      250,       100,
                              1000, 1000, maxPeriod, maxPeriod, maxPeriod, 100};
    }
    void loadFile() {
        QFETCH(QByteArray, content);
        QFETCH(QStringList, texts);
        QFETCH(QList<quint32>, periods);
        const QString path = filePath();
        QVERIFY(writeFile(path, content));
        const QDateTime mtime = ageFile(path);
        QVERIFY(mtime.isValid());

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

        // a change writes what the list holds
        list.append();
        QVERIFY(list.save());
        QCOMPARE(QJsonDocument::fromJson(readFile(path)).array().size(), texts.size() + 1);
    }

    void loadSpecialFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("100 MB") << "huge";
        QTest::newRow("directory") << "directory";
        QTest::newRow("endless device") << "device";
    }
    void loadSpecialFile() {
        QFETCH(QString, kind);
        const QString path = filePath();
        if (kind == "huge") {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(file.write("[{\"value\": \"a\", \"period\": 200}, ") > 0);
            QVERIFY(file.resize(100 * 1024 * 1024));
        } else if (kind == "directory") {
            QVERIFY(QDir().mkpath(path));
        } else {
            QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path));
        }
        fill(1);
        list.restore();
        QCOMPARE(list.size(), 0);
        QVERIFY(!list.isModified());
        if (kind == "huge")
            QCOMPARE(QFileInfo(path).size(), 100 * 1024 * 1024);
        if (kind == "directory")
            QVERIFY(QDir(path).removeRecursively());
    }

    void failedSave_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("data dir under a file") << "underFile";
        QTest::newRow("write fails midway") << "writeLimit";
        QTest::newRow("read-only dir") << "readOnly";
    }
    void failedSave() {
        QFETCH(QString, kind);
        fill(2);
        QVERIFY(list.save());
        const QString path = filePath();
        const QByteArray old = readFile(path);
        const QDateTime mtime = ageFile(path);
        for (int i = 0; i < 50; ++i)
            list.command(list.append()).setValue(QString(100, QLatin1Char('x')));
        QVERIFY(list.isModified());

        bool saved = true;
        if (kind == "underFile") {
            const QString blocker = m_tmp.filePath(QStringLiteral("blocker"));
            QVERIFY(writeFile(blocker, "not a directory"));
            qputenv("XDG_DATA_HOME", QFile::encodeName(blocker));
            saved = list.save();
            qputenv("XDG_DATA_HOME", m_dataHome);
            QCOMPARE(readFile(blocker), QByteArray("not a directory"));
        } else if (kind == "writeLimit") {
            // Applies to root as well: the copy cannot grow past 64 bytes.
            rlimit saved_limit{};
            QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved_limit), 0);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved_limit;
            small.rlim_cur = 64;
            QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
            saved = list.save();
            setrlimit(RLIMIT_FSIZE, &saved_limit);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            if (geteuid() == 0)
                QSKIP("permissions do not stop root");
            const QString dirPath = QFileInfo(path).absolutePath();
            QFile::Permissions permissions = QFile::permissions(dirPath);
            QVERIFY(QFile::setPermissions(dirPath, QFile::ReadOwner | QFile::ExeOwner));
            saved = list.save();
            QFile::setPermissions(dirPath, permissions);
        }
        QVERIFY(!saved);
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
        QTest::qWait(250);
        QVERIFY(sent.isEmpty());

        command.setAuto(true);
        QVERIFY(sent.isEmpty()); // the first send waits one period
        QVERIFY(QTest::qWaitFor([&] { return sent.count() >= 3; }));
        QCOMPARE(sent[0][0].toString(), QStringLiteral("AT+A"));

        command.setValue(QStringLiteral("AT+B"));
        sent.clear();
        QVERIFY(QTest::qWaitFor([&] { return !sent.isEmpty(); }));
        QCOMPARE(sent.last()[0].toString(), QStringLiteral("AT+B"));

        command.setPeriod(150);
        sent.clear();
        QVERIFY(QTest::qWaitFor([&] { return sent.count() >= 2; }));

        command.setAuto(false);
        sent.clear();
        QTest::qWait(350);
        QVERIFY(sent.isEmpty());

        // the same timer runs again, and a removed command sends nothing more
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
