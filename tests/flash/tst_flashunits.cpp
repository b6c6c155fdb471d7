#include "tools/flash/image.h"
#include "tools/flash/options.h"
#include "tools/flash/portaccess.h"
#include "tools/flash/progress.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace flash;

class TestFlashUnits : public QObject {
    Q_OBJECT
private slots:
    void bytes_data();
    void bytes();
    void duration_data();
    void duration();
    void figures_data();
    void figures();
    void bar_data();
    void bar();
    void step_data();
    void step();
    void arguments_data();
    void arguments();
    void helpListsEveryExitCode();
    void imageLimit_data();
    void imageLimit();
    void permissionHintNamesTheOwningGroup();
};

void TestFlashUnits::bytes_data() {
    QTest::addColumn<qint64>("count");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << qint64(0) << "0 B";
    QTest::newRow("below a KiB") << qint64(1023) << "1023 B";
    QTest::newRow("one KiB") << qint64(1024) << "1.0 KiB";
    QTest::newRow("one and a half KiB") << qint64(1536) << "1.5 KiB";
    QTest::newRow("just below a MiB") << qint64(1024 * 1024 - 1) << "1024.0 KiB";
    QTest::newRow("one MiB") << qint64(1024 * 1024) << "1.0 MiB";
    QTest::newRow("largest image") << qint64(2147483647) << "2.0 GiB";
    QTest::newRow("beyond GiB stays in GiB") << qint64(5) * 1024 * 1024 * 1024 << "5.0 GiB";
}

void TestFlashUnits::bytes() {
    QFETCH(qint64, count);
    QFETCH(QString, text);
    QCOMPARE(progress::bytes(count), text);
}

void TestFlashUnits::duration_data() {
    QTest::addColumn<qint64>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("unknown") << qint64(-1) << "--:--";
    QTest::newRow("zero") << qint64(0) << "0:00";
    QTest::newRow("seconds") << qint64(7) << "0:07";
    QTest::newRow("minutes") << qint64(754) << "12:34";
    QTest::newRow("just below an hour") << qint64(3599) << "59:59";
    QTest::newRow("hours") << qint64(3723) << "1:02:03";
}

void TestFlashUnits::duration() {
    QFETCH(qint64, seconds);
    QFETCH(QString, text);
    QCOMPARE(progress::duration(seconds), text);
}

void TestFlashUnits::figures_data() {
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<int>("percent");
    QTest::addColumn<int>("tenth");
    QTest::addColumn<QString>("rate");
    QTest::addColumn<qint64>("left");
    QTest::newRow("start") << qint64(0) << qint64(1000) << qint64(0) << 0 << 0 << "-- B/s"
                           << qint64(-1);
    QTest::newRow("nothing confirmed yet")
        << qint64(0) << qint64(1000) << qint64(500) << 0 << 0 << "-- B/s" << qint64(-1);
    QTest::newRow("half in a second")
        << qint64(512) << qint64(1024) << qint64(1000) << 50 << 5 << "512 B/s" << qint64(1);
    QTest::newRow("rounds percent down")
        << qint64(999) << qint64(1000) << qint64(999) << 99 << 9 << "1000 B/s" << qint64(1);
    QTest::newRow("finished") << qint64(1000) << qint64(1000) << qint64(2000) << 100 << 10
                              << "500 B/s" << qint64(0);
    QTest::newRow("largest image, one block") << qint64(256) << qint64(2147483647) << qint64(10)
                                              << 0 << 0 << "25.0 KiB/s" << qint64(83887);
    QTest::newRow("largest image, last block")
        << qint64(2147483647) << qint64(2147483647) << qint64(1000) << 100 << 10 << "2.0 GiB/s"
        << qint64(0);
    QTest::newRow("empty total counts as done")
        << qint64(0) << qint64(0) << qint64(0) << 100 << 10 << "-- B/s" << qint64(0);
    QTest::newRow("remaining rounds up")
        << qint64(100) << qint64(1000) << qint64(150) << 10 << 1 << "666 B/s" << qint64(2);
}

void TestFlashUnits::figures() {
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(int, percent);
    QFETCH(int, tenth);
    QFETCH(QString, rate);
    QFETCH(qint64, left);
    QCOMPARE(progress::percent(done, total), percent);
    QCOMPARE(progress::tenth(done, total), tenth);
    QCOMPARE(progress::rate(done, elapsedMs), rate);
    QCOMPARE(progress::secondsLeft(done, total, elapsedMs), left);
}

void TestFlashUnits::bar_data() {
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<qint64>("elapsedMs");
    QTest::addColumn<int>("width");
    QTest::addColumn<QString>("line");
    QTest::newRow("start") << qint64(0) << qint64(1024) << qint64(0) << 60
                           << "[--------------]     0/1024 B    0%       -- B/s  --:-- left";
    QTest::newRow("half") << qint64(512) << qint64(1024) << qint64(1000) << 60
                          << "[#######-------]   512/1024 B   50%      512 B/s   0:01 left";
    QTest::newRow("done") << qint64(1024) << qint64(1024) << qint64(2000) << 60
                          << "[##############]  1024/1024 B  100%      512 B/s   0:00 left";
    QTest::newRow("wider terminal, longer bar")
        << qint64(256) << qint64(1024) << qint64(1000) << 64
        << "[####--------------]   256/1024 B   25%      256 B/s   0:03 left";
    QTest::newRow("narrow terminal cut to its width")
        << qint64(512) << qint64(1024) << qint64(1000) << 30 << "[#####-----]   512/1024 B   50";
}

void TestFlashUnits::bar() {
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(qint64, elapsedMs);
    QFETCH(int, width);
    QFETCH(QString, line);
    const QString drawn = progress::bar(done, total, elapsedMs, width);
    QCOMPARE(drawn, line);
    QVERIFY(drawn.size() <= width);
}

void TestFlashUnits::step_data() {
    QTest::addColumn<qint64>("done");
    QTest::addColumn<qint64>("total");
    QTest::addColumn<QString>("line");
    QTest::newRow("first tenth") << qint64(104960) << qint64(1048576)
                                 << " 10%  104960 of 1048576 bytes";
    QTest::newRow("all") << qint64(600) << qint64(600) << "100%  600 of 600 bytes";
    QTest::newRow("almost") << qint64(599) << qint64(600) << " 99%  599 of 600 bytes";
}

void TestFlashUnits::step() {
    QFETCH(qint64, done);
    QFETCH(qint64, total);
    QFETCH(QString, line);
    QCOMPARE(progress::step(done, total), line);
}

void TestFlashUnits::arguments_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("request");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("image");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QString>("message");
    const int run = int(Request::Run);
    const int error = int(Request::Error);
    QTest::newRow("port and image")
        << QStringList{"/dev/ttyUSB0", "fw.bin"} << run << "/dev/ttyUSB0"
        << "fw.bin" << 115200 << "";
    QTest::newRow("long baud") << QStringList{"--baud", "9600", "p", "i"} << run << "p"
                               << "i" << 9600 << "";
    QTest::newRow("baud with =") << QStringList{"--baud=921600", "p", "i"} << run << "p"
                                 << "i" << 921600 << "";
    QTest::newRow("short baud after") << QStringList{"p", "i", "-b", "57600"} << run << "p"
                                      << "i" << 57600 << "";
    QTest::newRow("dash-dash ends options")
        << QStringList{"--", "-odd-port", "i"} << run << "-odd-port"
        << "i" << 115200 << "";
    QTest::newRow("help") << QStringList{"--help"} << int(Request::Help) << ""
                          << "" << 115200 << "";
    QTest::newRow("help wins over errors")
        << QStringList{"-h", "--baud", "x"} << int(Request::Help) << ""
        << "" << 115200 << "";
    QTest::newRow("version") << QStringList{"--version"} << int(Request::Version) << ""
                             << "" << 115200 << "";
    QTest::newRow("nothing") << QStringList{} << error << ""
                             << "" << 115200 << "expected a serial port and an image file";
    QTest::newRow("port only") << QStringList{"p"} << error << ""
                               << "" << 115200 << "expected a serial port and an image file";
    QTest::newRow("three") << QStringList{"p", "i", "x"} << error << ""
                           << "" << 115200 << "too many arguments";
    QTest::newRow("empty port") << QStringList{"", "i"} << error << ""
                                << "" << 115200 << "must not be empty";
    QTest::newRow("baud not a number") << QStringList{"--baud", "fast", "p", "i"} << error << ""
                                       << "" << 115200 << "invalid baud rate 'fast'";
    QTest::newRow("baud zero") << QStringList{"--baud", "0", "p", "i"} << error << ""
                               << "" << 115200 << "invalid baud rate '0'";
    QTest::newRow("baud negative") << QStringList{"--baud=-9600", "p", "i"} << error << ""
                                   << "" << 115200 << "invalid baud rate '-9600'";
    QTest::newRow("baud beyond 32 bits")
        << QStringList{"--baud", "4294967296", "p", "i"} << error << ""
        << "" << 115200 << "invalid baud rate";
    QTest::newRow("baud without value") << QStringList{"p", "i", "--baud"} << error << ""
                                        << "" << 115200 << "Missing value after '--baud'";
    QTest::newRow("unknown option") << QStringList{"--erase", "p", "i"} << error << ""
                                    << "" << 115200 << "Unknown option 'erase'";
}

void TestFlashUnits::arguments() {
    QFETCH(QStringList, args);
    QFETCH(int, request);
    QFETCH(QString, port);
    QFETCH(QString, image);
    QFETCH(int, baud);
    QFETCH(QString, message);
    const ParseResult result = parseArguments(QStringList{"kelvra-flash"} + args);
    QCOMPARE(int(result.request), request);
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QCOMPARE(result.message.isEmpty(), message.isEmpty());
    if (result.request == Request::Run) {
        QCOMPARE(result.options.port, port);
        QCOMPARE(result.options.image, image);
        QCOMPARE(result.options.baud, baud);
    }
}

void TestFlashUnits::helpListsEveryExitCode() {
    const QString help = helpText();
    QVERIFY(help.startsWith("Usage: kelvra-flash [options] PORT IMAGE\n"));
    QVERIFY(help.contains("--baud <N>"));
    for (int code : {0, 1, 2, 3, 4, 5, 6, 7})
        QVERIFY2(help.contains(QRegularExpression(QStringLiteral("\n  %1  \\S").arg(code))),
                 qPrintable(QString::number(code)));
    QCOMPARE(versionText(), QStringLiteral("kelvra-flash 1.0.0 build 4\n"));
}

void TestFlashUnits::imageLimit_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<qint64>("limit");
    QTest::addColumn<bool>("pipe");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("message");
    QTest::newRow("at the limit") << 100 << qint64(100) << false << 0 << "";
    QTest::newRow("one over") << 101 << qint64(100) << false << 6
                              << "is too large: 101 bytes, at most 100 can be sent";
    QTest::newRow("pipe at the limit") << 100 << qint64(100) << true << 0 << "";
    QTest::newRow("pipe over") << 300000 << qint64(70000) << true << 6
                               << "is too large: more than 70000 bytes";
    QTest::newRow("empty") << 0 << qint64(100) << false << 6 << "is empty";
    QTest::newRow("empty pipe") << 0 << qint64(100) << true << 6 << "is empty";
}

void TestFlashUnits::imageLimit() {
    QFETCH(int, size);
    QFETCH(qint64, limit);
    QFETCH(bool, pipe);
    QFETCH(int, code);
    QFETCH(QString, message);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QByteArray content(size, '\0');
    for (int i = 0; i < size; ++i)
        content[i] = char(i * 7);
    QString path = dir.filePath("image.bin");
    if (pipe) {
        // A FIFO has no size to check first, so the limit applies while reading.
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0600) == 0);
        const pid_t child = ::fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            QFile out(path);
            if (out.open(QIODevice::WriteOnly)) {
                out.write(content);
                out.close();
            }
            ::_exit(0);
        }
        const ImageResult result = loadImage(path, limit);
        ::kill(child, SIGTERM);
        ::waitpid(child, nullptr, 0);
        QVERIFY2(int(result.code) == code, qPrintable(result.message));
        QVERIFY2(result.message.contains(message), qPrintable(result.message));
        if (code == 0)
            QCOMPARE(result.data, content);
        return;
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
    file.close();
    const ImageResult result = loadImage(path, limit);
    QCOMPARE(int(result.code), code);
    QVERIFY2(result.message.contains(message), qPrintable(result.message));
    QVERIFY(result.message.contains(path) || code == 0);
    if (code == 0)
        QCOMPARE(result.data, content);
}

void TestFlashUnits::permissionHintNamesTheOwningGroup() {
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath("ttyFAKE0");
    const QByteArray native = QFile::encodeName(path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();

    QVERIFY(permissionHint(dir.filePath("absent")).isEmpty());

    // root can hand the device to a group it is not in, as udev does.
    const group* dialout = getgrnam("dialout");
    if (::geteuid() == 0 && dialout) {
        QVERIFY(::chown(native.constData(), uid_t(-1), dialout->gr_gid) == 0);
        QVERIFY(::chmod(native.constData(), 0660) == 0);
        QCOMPARE(permissionHint(path),
                 path + " belongs to the group 'dialout'; add yourself to the group 'dialout': "
                        "sudo usermod -aG dialout $USER, then log in again");
    }

    // A group this process is already in: joining it again would not help.
    QVERIFY(::chown(native.constData(), uid_t(-1), ::getegid()) == 0);
    QVERIFY(::chmod(native.constData(), 0660) == 0);
    const group* own = getgrgid(::getegid());
    QVERIFY(own);
    const QString ownName = QString::fromLocal8Bit(own->gr_name);
    QString hint = permissionHint(path);
    QVERIFY2(hint.startsWith(
                 QStringLiteral("you are in the group '%1' that owns %2, but").arg(ownName, path)),
             qPrintable(hint));
    QVERIFY(!hint.contains("usermod"));

    // Neither is the group any use when it may not read and write.
    for (const mode_t mode : {mode_t(0600), mode_t(0640), mode_t(0620)}) {
        QVERIFY(::chmod(native.constData(), mode) == 0);
        hint = permissionHint(path);
        QCOMPARE(hint, QStringLiteral("%1 is open to its owner only (mode 0%2), not to its group "
                                      "'%3'; ask the administrator for access")
                           .arg(path, QString::number(mode, 8), ownName));
    }
}

QTEST_GUILESS_MAIN(TestFlashUnits)
#include "tst_flashunits.moc"
