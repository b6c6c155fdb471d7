// The program's own files under stress: a missing, read-only or full data directory, a
// process killed while saving, and malformed or huge files at start-up. The files are
// always whole (old or new), and the program works regardless.

#include "common/modsim.h"
#include "input/inputhistory.h"
#include "mainwidget/harness.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QApplication>
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
#include <sys/resource.h>
#include <unistd.h>

namespace {

const QString history = "/history.json";
const QString commands = "/user_commands.json";

// Size and time of the last change: any write of the program shows in one of them.
QString fileState(const QString& path) {
    const QFileInfo info(path);
    return info.exists()
               ? QString("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch())
               : "missing";
}

QJsonArray readArray(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &error);
    return error.error == QJsonParseError::NoError ? doc.array() : QJsonArray{{"damaged"}};
}

double peakRssMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

// The child of the kill test: saves both files over and over, alternating two contents.
int runSaver() {
    static int argc = 0;
    QCoreApplication app(argc, nullptr);
    test::setIdentity();
    QFile out;
    out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    for (int round = 0;; ++round) {
        const QString letter = QString(QChar(round % 2 ? 'b' : 'a'));
        InputHistory h;
        for (int i = 0; i < 1000; ++i)
            h.add(letter.repeated(1000));
        h.save(QString());
        UserCommands::_self.restore();
        while (UserCommands::_self.size() < 4000)
            UserCommands::_self.append();
        for (int i = 0; i < UserCommands::_self.size(); ++i)
            UserCommands::_self.command(i).setValue(letter.repeated(200));
        UserCommands::_self.save();
        // Lets the test pace its kills to this machine's speed (sanitized builds are slow).
        out.write("saved\n");
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
    bool run(bool typeAt, bool addCommand);

    QTemporaryDir m_dir;
    test::Modsim m_module;
    QStringList m_mounts;
};

void TestFiles::initTestCase() {
    test::setIdentity();
    QVERIFY(m_dir.isValid());
    QVERIFY(m_module.start());
}

void TestFiles::cleanup() {
    for (const QString& mount : std::as_const(m_mounts))
        QProcess::execute("umount", {mount});
    m_mounts.clear();
}

QString TestFiles::useDataHome(const QString& home) {
    qputenv("XDG_DATA_HOME", home.toLocal8Bit());
    return home + "/Tavrosk/Kelvra";
}

// One run of the program: start-up, optionally AT typed and a command added, normal end.
bool TestFiles::run(bool typeAt, bool addCommand) {
    UserCommands::_self.restore();
    test::Window window;
    if (!window.create(m_module.portPath()))
        return false;
    if (typeAt && !window.atOk())
        return false;
    if (addCommand)
        UserCommands::_self.command(UserCommands::_self.append()).setValue("X");
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
    if (kind == "blocked") {
        QVERIFY(test::writeFile(home + "/file", "x"));
        useDataHome(home + "/file/data");
        QVERIFY(run(true, true));
        QVERIFY(QFileInfo(home + "/file").isFile());
        return;
    }
    const QString dir = useDataHome(home);
    if (kind == "missing") {
        QVERIFY(run(true, true));
        QCOMPARE(readArray(dir + history), QJsonArray{"AT"});
        QCOMPARE(readArray(dir + commands).size(), 1);
        return;
    }
    const QString size = kind == "full" ? "size=64k" : "size=1m";
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", size, "tmpfs", home}))
        QSKIP("mounting a small file system is not permitted here");
    m_mounts << home;
    QDir().mkpath(dir);
    // The files of an earlier run, which must survive this one whole.
    UserCommands::_self.restore();
    UserCommands::_self.command(UserCommands::_self.append()).setValue("old");
    QVERIFY(UserCommands::_self.save());
    QVERIFY(test::writeFile(dir + history, "[\n    \"old\"\n]\n"));
    if (kind == "full") {
        QFile filler(home + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        while (filler.write(QByteArray(512, 'f')) == 512) {
        }
    } else {
        QCOMPARE(QProcess::execute("mount", {"-o", "remount,ro", home}), 0);
    }
    const QString historyBefore = fileState(dir + history);
    const QString commandsBefore = fileState(dir + commands);
    QVERIFY(run(true, true));
    // Old, or (when the space freed by another file sufficed) the whole new list.
    const int listed = int(readArray(dir + commands).size());
    QVERIFY(fileState(dir + commands) == commandsBefore ? listed == 1 : listed == 2);
    QCOMPARE(fileState(dir + history), historyBefore);
}

void TestFiles::killedWhileSaving() {
    const QString dir = useDataHome(m_dir.filePath("killed"));
    QRandomGenerator random(7);
    for (int i = 0; i < 16; ++i) {
        QProcess saver;
        QElapsedTimer round;
        round.start();
        saver.start(QCoreApplication::applicationFilePath(), {"--saver"});
        QVERIFY(saver.waitForStarted());
        // One whole round first, then a kill at any moment of the following ones.
        QVERIFY(saver.waitForReadyRead(60000));
        const qint64 roundMs = qMax<qint64>(round.elapsed(), 10);
        QTest::qWait(int(random.bounded(roundMs * 2)));
        ::kill(pid_t(saver.processId()), SIGKILL);
        QVERIFY(saver.waitForFinished());
        for (const QString& name : {history, commands}) {
            const QJsonArray array = readArray(dir + name);
            QCOMPARE(array.size(), name == history ? 1000 : 4000);
            QCOMPARE(array.last(), array.first());
        }
    }
}

void TestFiles::startup_data() {
    QTest::addColumn<QString>("kind");
    QTest::newRow("malformed JSON") << "malformed";
    QTest::newRow("100 MB sparse") << "sparse";
}

void TestFiles::startup() {
    QFETCH(QString, kind);
    const QString dir = useDataHome(m_dir.filePath("startup-" + kind));
    QDir().mkpath(dir);
    for (const QString& name : {history, commands}) {
        QFile file(dir + name);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == "malformed")
            file.write("[\"AT\", {\"value\": ");
        else
            QVERIFY(file.resize(100 << 20));
    }
    const QString historyBefore = fileState(dir + history);
    const QString commandsBefore = fileState(dir + commands);

    // A run that changes nothing leaves both files as they were, and reads no more of
    // them than the 16 MiB it would take.
    const double rss = peakRssMiB();
    QVERIFY(run(false, false));
    QVERIFY2(peakRssMiB() - rss < 64, qPrintable(QString::number(peakRssMiB() - rss)));
    QCOMPARE(fileState(dir + history), historyBefore);
    QCOMPARE(fileState(dir + commands), commandsBefore);

    // Typing is a change of the history only.
    QVERIFY(run(true, false));
    QCOMPARE(fileState(dir + commands), commandsBefore);
    QVERIFY(readArray(dir + history).contains("AT"));
}

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--saver") == 0)
        return runSaver();
    QApplication app(argc, argv);
    TestFiles test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_files.moc"
