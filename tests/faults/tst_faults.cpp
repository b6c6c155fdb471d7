// The module vanishes under an open port (idle, during a firmware update, under a repeating
// command): the user sees the loss once, gets a closed port back, keeps the log, and carries on
// once the device is back, reconnected by itself unless Reconnect is off. The data files under
// stress (a missing, blocked or full directory, a process killed while saving, malformed and huge
// files) stay whole, old or new.

#include "input/inputedit.h"
#include "input/inputhistory.h"
#include "mainwidget/harness.h"
#include "mainwidget/portwatch.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QRandomGenerator>

#include <csignal>
#include <ctime>
#include <unistd.h>

namespace {

const QString history = "/history.json", commands = "/user_commands.json";
UserCommands& list = UserCommands::_self;

// Size and time of the last change: any write of the program shows in one of them.
QString fileState(const QString& path) {
    const QFileInfo info(path);
    return QString("%1 %2").arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
}

QJsonArray readArray(const QString& path) {
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(test::readFile(path), &error);
    return error.error == QJsonParseError::NoError ? doc.array() : QJsonArray{{"damaged"}};
}

QString useDataHome(const QString& home) {
    qputenv("XDG_DATA_HOME", home.toLocal8Bit());
    return home + "/Tavrosk/Kelvra";
}

// The child of the kill test: saves both files over and over, alternating two contents, and
// reports each round, so the test paces its kills to this machine's speed.
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
        list.restore();
        while (list.size() < 4000)
            list.append();
        for (int i = 0; i < list.size(); ++i)
            list.command(i).setValue(letter.repeated(200));
        list.save();
        out.write("saved\n");
    }
}

// A run of the program in a process of its own, as qMain goes: reads both files, types name
// and adds it as a command, says "ready", and at a line on its standard input ends, saving.
int runWindow(const QString& name) {
    static int argc = 0;
    QApplication app(argc, nullptr);
    test::setIdentity();
    list.restore();
    auto edit = std::make_unique<InputEdit>();
    edit->setText(name);
    edit->input();
    list.command(list.append()).setValue(name);
    QFile io;
    io.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered);
    io.write("ready\n");
    QFile in;
    in.open(STDIN_FILENO, QIODevice::ReadOnly);
    in.readLine();
    list.save();
    edit.reset();
    return 0;
}

} // namespace

class TestFaults : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::Modsim m_module;
    // The device is reached through a link that a new device can take over later. A vanished
    // device takes its link along at once: left dangling, the link would lead to the next
    // terminal opened anywhere on the machine, which gets the freed number.
    QString m_link = m_dir.filePath("module");
    test::Window m_w;
    QString m_runLog; // of the last run

    // One run of the program: start-up, optionally AT typed and a command added, normal end
    // (with files limited to limit bytes, as a full disk would).
    bool run(bool typeAt, bool addCommand, rlim_t limit = RLIM_INFINITY) {
        list.restore();
        test::Window window;
        if (!window.create(m_module.portPath()) || (typeAt && !window.atOk()))
            return false;
        if (addCommand)
            list.command(list.append()).setValue("X");
        m_runLog = window.log();
        test::saveUnderSizeLimit(limit, [&] {
            window.destroy(); // writes the history
            return list.save();
        });
        return true;
    }

private slots:
    void initTestCase() {
        test::setIdentity();
        QVERIFY(m_module.start());
    }
    void cleanup() { m_w.destroy(); }

    void vanish_data() {
        // clang-format off
        // other: another device comes back under the same name
        QTest::addColumn<QString>("during"); QTest::addColumn<bool>("reconnect"); QTest::addColumn<bool>("other");
        QTest::newRow("idle, module killed") << "idle" << true << false;
        QTest::newRow("idle, Reconnect off") << "idle" << false << false;
        QTest::newRow("firmware update") << "firmware" << true << false;
        QTest::newRow("repeating command") << "repeat" << true << false;
        QTest::newRow("repeating command, another device back") << "repeat" << true << true;
    }
    void vanish() {
        QFETCH(QString, during); QFETCH(bool, reconnect); QFETCH(bool, other);
        // clang-format on
        QFile::remove(m_link);
        test::Modsim module;
        QVERIFY(module.start(QStringList{"--vanish-after", "3", "--link", m_link}.mid(
            during == "firmware" ? 0 : 2)));
        QVERIFY(m_w.create(m_link));
        m_w.action("reconnect")->setChecked(reconnect);
        // Pseudo-terminals tell no identity: the device back is another one where the row says.
        auto* watch = m_w.widget()->findChild<PortWatch*>();
        const auto identity = std::make_shared<QString>("A");
        watch->setIdentitySource([identity](const QString&) { return "1a86\n7523\n" + *identity; });
        test::Modals modals;
        QPointer<QWidget> dialog;
        UserCommands::_self.removeRange(0, UserCommands::_self.size());
        UserCommand& command = test::userCommand("AT");
        const auto answered = [&] { return m_w.count(">> OK"); };

        if (during == "idle") {
            m_w.openClose()->click();
            QVERIFY(m_w.atOk());
        } else if (during == "repeat") {
            // The first tick opens the closed port; after the user closes it, the next one.
            command.setAuto(true);
            QVERIFY(QTest::qWaitFor([&] { return answered() >= 3; }));
            m_w.openClose()->click();
            const int before = answered();
            QVERIFY(QTest::qWaitFor([&] { return answered() >= before + 3; }));
            QCOMPARE(m_w.openClose()->text(), "Close");
        } else {
            // Ten blocks, the port opened by the client; the module vanishes after the second.
            const QString image = m_dir.filePath("image.bin");
            QVERIFY(test::writeFile(image, QByteArray(2560, '\x5a')));
            modals.chooseFile(image);
            m_w.action("update-firmware")->trigger();
            dialog = m_w.progressDialog();
            QVERIFY(dialog);
            m_w.type("AT+UID"); // held until the update ends, and then lost with the port
        }
        if (during != "firmware") {
            module.process().kill();
            QFile::remove(m_link);
        }
        // One red entry for the loss, the port closed, the choosers back.
        QVERIFY2(QTest::qWaitFor([&] { return m_w.openClose()->text() == "Open"; }),
                 qPrintable(m_w.log().right(400)));
        QVERIFY(!m_w.port()->isOpen() && m_w.choosersEnabled());
        if (during == "firmware") {
            // The update ends with its message box instead of waiting out five seconds.
            QVERIFY(QTest::qWaitFor([&] { return !modals.boxes.isEmpty() && !dialog; }, 3000));
            QCOMPARE(modals.boxes.size(), 1);
            QVERIFY2(modals.boxes.first().startsWith("Error|Timeout\n\nthe module on '" +
                                                     m_w.port()->portName() +
                                                     "' did not answer in time to the block at"),
                     qPrintable(modals.boxes.first()));
            QVERIFY(!m_w.client()->transaction());
            QCOMPARE(m_w.count("Error(-2):  Timeout"), 1);
            QCOMPARE(m_w.count("Not sent: AT+UID (The port is not open)"), 1);
        }
        // Neither a busy loop nor a repetition that opens the chooser's fallback or floods
        // the log while the device is gone.
        QSignalSpy opened(m_w.client(), &at::Client::opened);
        const int sent = m_w.count("<< AT\n");
        const std::clock_t start = std::clock();
        QTest::qWait(1000);
        const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
        QVERIFY2(cpu < 0.3, qPrintable(QString::number(cpu)));
        QCOMPARE(opened.size(), 0);
        QCOMPARE(m_w.count("<< AT\n"), sent);
        // The loss, and for a repetition the device gone: not one entry per tick.
        const int errors = m_w.count("Serial port error:  ");
        QVERIFY2(errors == 1, qPrintable(m_w.log()));
        QCOMPARE(m_w.count("Not sent: the device " + m_link +
                           " is gone; it is opened again when it comes back"),
                 int(during == "repeat"));
        QVERIFY(modals.boxes.size() <= 1);
        const QString before = m_w.log();
        // The device comes back under the same name: the port opens again by itself, said once;
        // a cut update is not resumed, a repetition goes on; with Reconnect off, Open works; the
        // log is kept. Another device is not opened, not even by the repetition, until picked.
        test::Modsim again;
        if (other)
            *identity = "B";
        QVERIFY(again.start({"--link", m_link}));
        if (other) {
            QVERIFY(QTest::qWaitFor(
                [&] { return m_w.count("Not reopened: " + m_link + " is another device now"); }));
            QSignalSpy ticks(&UserCommands::_self, &UserCommands::sendCommand);
            QVERIFY(QTest::qWaitFor([&] { return ticks.size() >= 5; }));
            QCOMPARE(opened.size(), 0);
            QCOMPARE(m_w.count("<< AT\n"), sent);
            auto* combo = m_w.widget()->findChild<wdt::serialport::PortNameCombo*>();
            QCOMPARE(combo->portName(), m_link);
            emit combo->activated(combo->currentIndex());
        } else {
            QVERIFY(QTest::qWaitFor([&] { return !watch->gone(); }));
        }
        if (reconnect)
            QVERIFY(QTest::qWaitFor([&] { return m_w.port()->isOpen(); }));
        else
            m_w.openClose()->click();
        QCOMPARE(m_w.count("Reconnected to " + m_link), int(reconnect && !other));
        if (during == "repeat") {
            QVERIFY(QTest::qWaitFor([&] { return answered() >= sent + 3; }));
            QVERIFY(command.isAuto() && command.period() == 100);
            command.setAuto(false);
        } else {
            QVERIFY2(m_w.atOk(), qPrintable(m_w.log().right(400)));
        }
        QVERIFY(m_w.log().startsWith(before));
        QCOMPARE(m_w.count("AT+FWWRITE"), before.count("AT+FWWRITE"));
        QCOMPARE(m_w.count("Serial port error:  "), errors);
    }

    // A missing directory is made on demand; one that cannot be made, or a disk that fills,
    // costs the run its own files only: the old ones stay whole, the program works.
    void directory_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("missing, made on demand") << "missing";
        QTest::newRow("parent is a regular file") << "blocked";
        QTest::newRow("disk full") << "full";
        QTest::newRow("read-only, files writable") << "readonly";
    }
    void directory() {
        QFETCH(QString, kind);
        const QString home = m_dir.filePath(kind);
        QDir().mkpath(home);
        QVERIFY(test::writeFile(home + "/file", "x"));
        const QString dir = useDataHome(home + (kind == "blocked" ? "/file/data" : ""));
        if (kind == "full" || kind == "readonly") {
            list.restore();
            list.command(list.append()).setValue("old");
            QVERIFY(list.save() && test::writeFile(dir + history, "[\n    \"old\"\n]\n"));
        }
        const QString before = fileState(dir + history) + fileState(dir + commands);
        const QFile::Permissions mode = QFile::permissions(dir);
        if (kind == "readonly") // written in place then, the one way left
            QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner);
        QVERIFY(run(true, true, kind == "full" ? 16 : RLIM_INFINITY));
        QFile::setPermissions(dir, mode);
        QVERIFY(QFileInfo(home + "/file").isFile());
        if (kind == "missing" || kind == "readonly") {
            QCOMPARE(readArray(dir + history),
                     (kind == "missing" ? QJsonArray{"AT"} : QJsonArray{"old", "AT"}));
            QCOMPARE(readArray(dir + commands).size(), kind == "missing" ? 1 : 2);
        } else if (kind == "full") {
            QCOMPARE(fileState(dir + history) + fileState(dir + commands), before);
            QCOMPARE(readArray(dir + commands).size(), 1);
        }
    }

    // Two windows at once, each its own process: whichever closes last keeps what the other
    // typed and added.
    void twoWindows_data() {
        QTest::addColumn<bool>("firstClosesFirst");
        QTest::newRow("first closed first") << true;
        QTest::newRow("second closed first") << false;
    }
    void twoWindows() {
        QFETCH(bool, firstClosesFirst);
        const QString dir = useDataHome(m_dir.filePath(QTest::currentDataTag()));
        QDir().mkpath(dir);
        QVERIFY(test::writeFile(dir + history, "[\"OLD\"]"));
        QProcess windows[2];
        for (int i = 0; i < 2; ++i) {
            windows[i].start(QCoreApplication::applicationFilePath(),
                             {"--window", QString("W%1").arg(i)});
            QVERIFY(windows[i].waitForReadyRead(20000));
        }
        for (int i : firstClosesFirst ? QList<int>{0, 1} : QList<int>{1, 0}) {
            windows[i].write("close\n");
            QVERIFY(windows[i].waitForFinished(20000));
            QCOMPARE(windows[i].exitCode(), 0);
        }
        const QJsonArray both = firstClosesFirst ? QJsonArray{"W0", "W1"} : QJsonArray{"W1", "W0"};
        QCOMPARE(readArray(dir + history), (firstClosesFirst ? QJsonArray{"OLD", "W0", "W1"}
                                                             : QJsonArray{"OLD", "W1", "W0"}));
        const QJsonArray saved = readArray(dir + commands);
        QCOMPARE(saved.size(), 2);
        for (int i = 0; i < 2; ++i)
            QCOMPARE(saved[i]["value"], both[i]);
    }

    // Output into a pipe whose reader is gone fails the write and nothing else.
    void closedPipe() {
        int fds[2];
        QCOMPARE(::pipe(fds), 0);
        ::close(fds[0]);
        QProcess program;
        program.setChildProcessModifier([fd = fds[1]] {
            std::signal(SIGPIPE, SIG_DFL);
            ::dup2(fd, STDOUT_FILENO);
        });
        program.start(KELVRA_APP, {"--help"});
        QVERIFY(program.waitForFinished(20000));
        ::close(fds[1]);
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    void killedWhileSaving() {
        const QString dir = useDataHome(m_dir.filePath("killed"));
        QRandomGenerator random(7);
        for (int i = 0; i < 16; ++i) {
            QProcess saver;
            QElapsedTimer round;
            round.start();
            saver.start(QCoreApplication::applicationFilePath(), {"--saver"});
            // One whole round first, then a kill at any moment of the following ones.
            QVERIFY(saver.waitForReadyRead(60000));
            QTest::qWait(int(random.bounded(qMax<qint64>(round.elapsed(), 10) * 2)));
            saver.kill();
            QVERIFY(saver.waitForFinished());
            for (const QString& name : {history, commands}) {
                const QJsonArray array = readArray(dir + name);
                QCOMPARE(array.size(), name == history ? 1000 : 4000);
                QCOMPARE(array.last(), array.first());
            }
        }
    }

    // Malformed or huge files are read no further than the 16 MiB it would take, said once in
    // the log at start, and never replaced, not even by a run that types and adds a command.
    void startup_data() {
        QTest::addColumn<bool>("huge");
        QTest::addColumn<QString>("why");
        QTest::newRow("malformed JSON") << false << "not a JSON array (";
        QTest::newRow("100 MB sparse") << true << "larger than 16777216 bytes";
    }
    void startup() {
        QFETCH(bool, huge);
        QFETCH(QString, why);
        const QString dir = useDataHome(m_dir.filePath(QTest::currentDataTag()));
        QDir().mkpath(dir);
        for (const QString& name : {history, commands}) {
            QVERIFY(test::writeFile(dir + name, "[\"AT\", {\"value\": "));
            QVERIFY(!huge || QFile::resize(dir + name, 100 << 20));
        }
        const QString before = fileState(dir + history) + fileState(dir + commands);
        rusage ranBefore{}, ranAfter{};
        getrusage(RUSAGE_SELF, &ranBefore);
        QVERIFY(run(true, true));
        getrusage(RUSAGE_SELF, &ranAfter);
        const long grown = ranAfter.ru_maxrss - ranBefore.ru_maxrss;
        QVERIFY2(grown < 64 * 1024, qPrintable(QString::number(grown)));
        QCOMPARE(fileState(dir + history) + fileState(dir + commands), before);
        for (const QString& name : {history, commands})
            QCOMPARE(m_runLog.count(dir + name + " not loaded and left as it is: " + why), 1);
    }
};

int main(int argc, char** argv) {
    if (argc > 1 && qstrcmp(argv[1], "--saver") == 0)
        return runSaver();
    if (argc > 2 && qstrcmp(argv[1], "--window") == 0)
        return runWindow(QString::fromLocal8Bit(argv[2]));
    QApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
