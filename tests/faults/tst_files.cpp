// The program's own files under stress: a missing, read-only or full data directory, a
// process killed while saving, and malformed, huge or binary files at start-up. The
// files are always whole (old or new), and the program works regardless.

#include "common/modsim.h"
#include "faults/harness.h"
#include "input/inputhistory.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <memory>

namespace {

const QString history = QStringLiteral("history.json");
const QString commands = QStringLiteral("user_commands.json");

QByteArray fileState(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "missing";
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(file.read(1 << 20));
    file.seek(qMax<qint64>(0, file.size() - (1 << 20)));
    hash.addData(file.read(1 << 20));
    return QByteArray::number(file.size()) + ' ' +
           QByteArray::number(QFileInfo(path).lastModified().toMSecsSinceEpoch()) + ' ' +
           hash.result().toHex();
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QJsonArray readArray(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    return error.error == QJsonParseError::NoError ? doc.array() : QJsonArray{{"damaged"}};
}

// The child of the kill test: saves both files over and over, alternating two contents.
int runSaver() {
    QCoreApplication app(*new int(0), nullptr);
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    for (int round = 0;; ++round) {
        const QString letter = QString(QChar(round % 2 ? 'b' : 'a'));
        InputHistory h;
        for (int i = 0; i < 1000; ++i)
            h.add(letter.repeated(1000));
        h.save(QString());
        UserCommands::_self.restore();
        if (UserCommands::_self.size() == 0) {
            for (int i = 0; i < 4000; ++i)
                UserCommands::_self.append();
        }
        for (int i = 0; i < UserCommands::_self.size(); ++i)
            UserCommands::_self.command(i).setValue(letter.repeated(200));
        UserCommands::_self.save();
    }
}

} // namespace

class TestFiles : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void directory_data();
    void directory();
    void killedWhileSaving();
    void startup_data();
    void startup();

private:
    QString useDataHome(const QString& home);
    QString dataDir() const { return m_dataHome + QStringLiteral("/Tavrosk/Kelvra"); }
    bool run(bool typeAt, bool addCommand, double* startSeconds = nullptr);

    QTemporaryDir m_dir;
    QString m_dataHome;
    test::Modsim m_module;
    QStringList m_mounts;
};

void TestFiles::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
    QVERIFY(m_module.start());
}

void TestFiles::cleanup() {
    for (const QString& mount : std::as_const(m_mounts))
        QProcess::execute(QStringLiteral("umount"), {mount});
    m_mounts.clear();
}

QString TestFiles::useDataHome(const QString& home) {
    m_dataHome = home;
    qputenv("XDG_DATA_HOME", home.toLocal8Bit());
    return dataDir();
}

// One run of the program: start-up, optionally AT typed and a command added, normal end.
bool TestFiles::run(bool typeAt, bool addCommand, double* startSeconds) {
    QElapsedTimer clock;
    clock.start();
    UserCommands::_self.restore();
    faults::Window window;
    if (!window.create(m_module.portPath()))
        return false;
    if (startSeconds)
        *startSeconds = double(clock.elapsed()) / 1000.0;
    if (typeAt && !window.atOk())
        return false;
    if (!typeAt) {
        // Sent like a repeating command: it changes neither file.
        const qsizetype mark = window.log().size();
        emit UserCommands::_self.sendCommand(QStringLiteral("AT"));
        if (!QTest::qWaitFor([&] { return window.log().mid(mark).contains(">> OK"); }))
            return false;
    }
    if (addCommand)
        UserCommands::_self.command(UserCommands::_self.append()).setValue(QStringLiteral("X"));
    window.destroy(); // writes the history
    UserCommands::_self.save();
    return true;
}

void TestFiles::directory_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("missing, made on demand") << "missing";
    QTest::newRow("parent is a regular file") << "blocked";
    QTest::newRow("read-only mount") << "readonly";
    QTest::newRow("full file system") << "full";
}

void TestFiles::directory() {
    QFETCH(QString, kind);
    const QString home = m_dir.filePath(kind);
    QDir().mkpath(home);
    if (kind == QLatin1String("blocked")) {
        QVERIFY(writeFile(home + QStringLiteral("/file"), "x"));
        useDataHome(home + QStringLiteral("/file/data"));
        QVERIFY(run(true, true));
        QVERIFY(QFileInfo(home + QStringLiteral("/file")).isFile());
        return;
    }
    const QString dir = useDataHome(home);
    if (kind == QLatin1String("missing")) {
        QVERIFY(!QFileInfo::exists(dir));
        QVERIFY(run(true, true));
        QCOMPARE(readArray(dir + '/' + history), QJsonArray{QStringLiteral("AT")});
        QCOMPARE(readArray(dir + '/' + commands).size(), 1);
        return;
    }
    const QString options =
        kind == QLatin1String("full") ? QStringLiteral("size=64k") : QStringLiteral("size=1m");
    if (QProcess::execute(QStringLiteral("mount"), {"-t", "tmpfs", "-o", options, "tmpfs", home}) !=
        0)
        QSKIP("mounting a small file system is not permitted here");
    m_mounts << home;
    QDir().mkpath(dir);
    // The files of an earlier run, which must survive this one whole.
    UserCommands::_self.restore();
    UserCommands::_self.command(UserCommands::_self.append()).setValue(QStringLiteral("old"));
    QVERIFY(UserCommands::_self.save());
    QVERIFY(writeFile(dir + '/' + history, "[\n    \"old\"\n]\n"));
    if (kind == QLatin1String("full")) {
        QFile filler(home + QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(512, 'f');
        while (filler.write(block) == block.size()) {
        }
    } else {
        QCOMPARE(QProcess::execute(QStringLiteral("mount"), {"-o", "remount,ro", home}), 0);
    }
    const QByteArray historyBefore = fileState(dir + '/' + history);
    const QByteArray commandsBefore = fileState(dir + '/' + commands);
    QVERIFY(run(true, true));
    // Old, or (when the space freed by another file sufficed) the whole new list.
    const int listed = int(readArray(dir + '/' + commands).size());
    QVERIFY(fileState(dir + '/' + commands) == commandsBefore ? listed == 1 : listed == 2);
    QCOMPARE(fileState(dir + '/' + history), historyBefore);
    QCOMPARE(readArray(dir + '/' + history), QJsonArray{QStringLiteral("old")});
}

void TestFiles::killedWhileSaving() {
    const QString dir = useDataHome(m_dir.filePath(QStringLiteral("killed")));
    QRandomGenerator random(7);
    int kills = 0;
    for (int i = 0; i < 16; ++i) {
        QProcess saver;
        saver.setProgram(QCoreApplication::applicationFilePath());
        saver.setArguments({QStringLiteral("--saver")});
        saver.start();
        QVERIFY(saver.waitForStarted());
        QTest::qWait(int(random.bounded(40, 400)));
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished());
        ++kills;
        // Whatever moment it died at, each file is one complete content or absent
        // (only before the very first save).
        for (const QString& name : {history, commands}) {
            if (!QFileInfo::exists(dir + '/' + name))
                continue;
            const QJsonArray array = readArray(dir + '/' + name);
            QCOMPARE(array.size(), name == history ? 1000 : 4000);
            const QString first = name == history
                                      ? array.first().toString()
                                      : array.first()[QLatin1String("value")].toString();
            const QString last = name == history ? array.last().toString()
                                                 : array.last()[QLatin1String("value")].toString();
            QCOMPARE(last, first);
        }
    }
    QVERIFY(QFileInfo::exists(dir + '/' + history));
    QVERIFY(QFileInfo::exists(dir + '/' + commands));
    qInfo("%d kills, both files whole after each", kills);
}

void TestFiles::startup_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("malformed JSON") << "malformed";
    QTest::newRow("binary") << "binary";
    QTest::newRow("100 MB sparse") << "sparse";
    QTest::newRow("100 MB JSON array") << "array";
}

void TestFiles::startup() {
    QFETCH(QString, kind);
    const QString dir = useDataHome(m_dir.filePath(QStringLiteral("startup-") + kind));
    QDir().mkpath(dir);
    for (const QString& name : {history, commands}) {
        QFile file(dir + '/' + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("malformed")) {
            file.write("[\"AT\", {\"value\": ");
        } else if (kind == QLatin1String("binary")) {
            QByteArray bytes(65536, Qt::Uninitialized);
            QRandomGenerator(3).fillRange(reinterpret_cast<quint32*>(bytes.data()), 65536 / 4);
            file.write(bytes);
        } else if (kind == QLatin1String("sparse")) {
            QVERIFY(file.resize(100 << 20));
        } else {
            const QByteArray entry = name == history ? QByteArray("    \"AT+VERSION\",\n")
                                                     : QByteArray("{\"auto\":false,\"period\":100,"
                                                                  "\"value\":\"AT\"},\n");
            QByteArray piece = entry.repeated((1 << 20) / entry.size());
            file.write("[\n");
            for (int i = 0; i < 100; ++i)
                file.write(piece);
            file.write(name == history ? "\"AT\"\n]\n" : "{}\n]\n");
        }
    }
    const QByteArray historyBefore = fileState(dir + '/' + history);
    const QByteArray commandsBefore = fileState(dir + '/' + commands);

    // A run that changes nothing leaves both files as they were.
    double seconds = 0;
    QVERIFY(run(false, false, &seconds));
    qInfo("start-up with %s files: %.3f s", qPrintable(kind), seconds);
    QVERIFY(seconds < 10);
    QCOMPARE(fileState(dir + '/' + history), historyBefore);
    QCOMPARE(fileState(dir + '/' + commands), commandsBefore);

    // Typing is a change of the history only.
    QVERIFY(run(true, false));
    QCOMPARE(fileState(dir + '/' + commands), commandsBefore);
    QVERIFY(readArray(dir + '/' + history).contains(QStringLiteral("AT")));
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--saver") == 0)
        return runSaver();
    QApplication app(argc, argv);
    TestFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_files.moc"
