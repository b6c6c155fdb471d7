#include "common/modsim.h"
#include "crc/crc.h"
#include "flashrun.h"

#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

using flashrun::Result;

class TestFlashCli : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void success_data();
    void success();
    void moduleFailsABlock();
    void portVanishes();
    void cancelStopsTheBlocks();
    void portCannotBeOpened();
    void portWithoutPermission();
    void badImage_data();
    void badImage();
    void oversizedImageIsNotRead();
    void badUsage_data();
    void badUsage();
    void helpAndVersion();

private:
    bool startModsim(const QStringList& args = {});
    QString imagePath(int size);

    QTemporaryDir* m_dir = nullptr;
    test::Modsim* m_modsim = nullptr;
    QString m_trace;
};

void TestFlashCli::init() {
    m_dir = new QTemporaryDir;
    QVERIFY(m_dir->isValid());
    m_trace = m_dir->filePath("trace");
}

void TestFlashCli::cleanup() {
    delete m_modsim;
    m_modsim = nullptr;
    delete m_dir;
    m_dir = nullptr;
}

bool TestFlashCli::startModsim(const QStringList& args) {
    m_modsim = new test::Modsim;
    return m_modsim->start(QStringList{"--trace", m_trace} + args);
}

QString TestFlashCli::imagePath(int size) {
    const QString path = m_dir->filePath(QStringLiteral("image-%1.bin").arg(size));
    return flashrun::writeFile(path, flashrun::image(size)) ? path : QString();
}

void TestFlashCli::success_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("baud");
    QTest::addColumn<QList<int>>("percents");
    QTest::newRow("1 MiB") << 1024 * 1024 << QStringList{} << 115200
                           << QList<int>{10, 20, 30, 40, 50, 60, 70, 80, 90, 100};
    // Three blocks: each confirmation jumps past several tenths at once.
    QTest::newRow("600 bytes at 9600 baud")
        << 600 << QStringList{"--baud", "9600"} << 9600 << QList<int>{42, 85, 100};
    QTest::newRow("one byte") << 1 << QStringList{"-b", "57600"} << 57600 << QList<int>{100};
}

void TestFlashCli::success() {
    QFETCH(int, size);
    QFETCH(QStringList, options);
    QFETCH(int, baud);
    QFETCH(QList<int>, percents);
    QVERIFY(startModsim());
    const QString path = imagePath(size);
    QVERIFY(!path.isEmpty());
    const QString port = m_modsim->portPath();

    const Result r = flashrun::run(options + QStringList{port, path});
    QVERIFY(!r.crashed);
    QVERIFY2(r.code == 0, qPrintable(r.err));
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));

    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.takeFirst(),
             QStringLiteral("Writing %1 bytes to %2 at %3 baud").arg(size).arg(port).arg(baud));
    QCOMPARE(lines.takeLast(), QStringLiteral("Firmware update on %1 complete: %2 bytes written "
                                              "and accepted by the module")
                                   .arg(port)
                                   .arg(size));
    // Not a terminal: one line each time a further tenth was confirmed.
    QCOMPARE(lines.size(), percents.size());
    const QRegularExpression step(QStringLiteral("^ *(\\d+)%  (\\d+) of %1 bytes$").arg(size));
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = step.match(lines.at(i));
        QVERIFY2(m.hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(m.captured(1).toInt(), percents.at(i));
        const qint64 done = m.captured(2).toLongLong();
        QCOMPARE(done * 100 / size, qint64(percents.at(i)));
        QVERIFY(done % 256 == 0 || done == size);
    }

    // What reached the module: every block in order, then size and CRC.
    QTest::qWait(100);
    const QByteArray image = flashrun::image(size);
    const QList<QByteArray> blocks = flashrun::requests(m_trace, "FWWRITE");
    QCOMPARE(blocks.size(), (size + 255) / 256);
    QByteArray received;
    for (const QByteArray& block : blocks) {
        const QList<QByteArray> fields = block.split(',');
        QCOMPARE(fields.size(), 3);
        QCOMPARE(fields.at(0), QByteArray("0"));
        QCOMPARE(fields.at(1).toInt(), int(received.size()));
        received += QByteArray::fromHex(fields.at(2));
    }
    QCOMPARE(received, image);
    const quint32 crc =
        crc::ieee::calc(reinterpret_cast<const unsigned char*>(image.constData()), size);
    QCOMPARE(flashrun::requests(m_trace, "FWUPDATE"),
             QList<QByteArray>{"0," + QByteArray::number(size) + ',' + QByteArray::number(crc)});
}

void TestFlashCli::moduleFailsABlock() {
    QVERIFY(startModsim({"--fail-block", "3"}));
    const QString path = imagePath(1024 * 1024);
    const Result r = flashrun::run({m_modsim->portPath(), path});
    QVERIFY(!r.crashed);
    QCOMPARE(r.code, 1);
    QCOMPARE(r.err, QStringLiteral("kelvra-flash: the module on '%1' answered FAIL to the block at "
                                   "offset 512 (512 of 1048576 bytes confirmed)\n")
                        .arg(m_modsim->portPath()));
    QTest::qWait(100);
    QCOMPARE(flashrun::requests(m_trace, "FWWRITE").size(), 3);
    QVERIFY(flashrun::requests(m_trace, "FWUPDATE").isEmpty());
}

void TestFlashCli::portVanishes() {
    QVERIFY(startModsim({"--vanish-after", "3"}));
    const QString path = imagePath(64 * 1024);
    const Result r = flashrun::run({m_modsim->portPath(), path});
    QVERIFY(!r.crashed);
    QCOMPARE(r.code, 7);
    QVERIFY2(r.err.startsWith(QStringLiteral("kelvra-flash: the serial port '%1' failed during "
                                             "the transfer: ")
                                  .arg(m_modsim->portPath())),
             qPrintable(r.err));
    QVERIFY2(r.err.contains("of 65536 bytes confirmed"), qPrintable(r.err));
}

void TestFlashCli::cancelStopsTheBlocks() {
    // Slow answers, so that Ctrl-C surely lands among the blocks.
    QVERIFY(startModsim({"--delay", "50"}));
    const QString path = imagePath(1024 * 1024);
    QProcess process;
    flashrun::prepare(process, {m_modsim->portPath(), path});
    process.start();
    QVERIFY(process.waitForStarted(5000));
    QVERIFY(process.waitForReadyRead(5000));
    QVERIFY(process.peek(100).startsWith("Writing"));
    QTest::qWait(400);
    QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    const Result r = flashrun::collect(process, 10000);
    QVERIFY2(!r.crashed, "SIGINT must not kill the tool");
    QCOMPARE(r.code, 4);

    const QRegularExpression message(
        QStringLiteral("^kelvra-flash: firmware update on '%1' cancelled after (\\d+) of 1048576 "
                       "bytes; the module was not asked to apply the image\n$")
            .arg(QRegularExpression::escape(m_modsim->portPath())));
    const QRegularExpressionMatch m = message.match(r.err);
    QVERIFY2(m.hasMatch(), qPrintable(r.err));
    const int confirmed = m.captured(1).toInt();
    QVERIFY(confirmed % 256 == 0);
    QVERIFY(confirmed < 1024 * 1024);

    // Nothing after the block in flight, and never the final step.
    QTest::qWait(200);
    const int sent = int(flashrun::requests(m_trace, "FWWRITE").size());
    QVERIFY2(sent >= confirmed / 256 && sent <= confirmed / 256 + 1,
             qPrintable(QString::number(sent)));
    QVERIFY(flashrun::requests(m_trace, "FWUPDATE").isEmpty());
}

void TestFlashCli::portCannotBeOpened() {
    const QString path = imagePath(600);
    const QString port = m_dir->filePath("ttyNONE0");
    const Result r = flashrun::run({port, path});
    QCOMPARE(r.code, 5);
    QCOMPARE(r.err,
             QStringLiteral("kelvra-flash: cannot open the serial port '%1': No such file or "
                            "directory\n")
                 .arg(port));
    QVERIFY(r.out.isEmpty());
}

void TestFlashCli::portWithoutPermission() {
    QVERIFY(startModsim());
    const QString port = m_modsim->portPath();
    const QByteArray native = QFile::encodeName(port);
    const QString image = imagePath(600);
    Result r;
    QString hint;
    if (::geteuid() == 0) {
        // root opens anything: run the tool as an ordinary user on a device
        // that belongs to a group, as udev sets serial adapters up.
        const QString setpriv = QStandardPaths::findExecutable("setpriv");
        const group* dialout = getgrnam("dialout");
        if (setpriv.isEmpty() || !dialout)
            QSKIP("needs setpriv and the group dialout to drop root");
        QVERIFY(::chown(native.constData(), uid_t(-1), dialout->gr_gid) == 0);
        QVERIFY(::chmod(native.constData(), 0660) == 0);
        QVERIFY(QFile::setPermissions(m_dir->path(), QFile::ReadOwner | QFile::WriteOwner |
                                                         QFile::ExeOwner | QFile::ReadOther |
                                                         QFile::ExeOther));
        QVERIFY(QFile::setPermissions(image, QFile::ReadOwner | QFile::ReadOther));
        r = flashrun::runVia(setpriv, {"--reuid=65534", "--regid=65534", "--clear-groups"},
                             {port, image});
        hint = QStringLiteral("%1 belongs to the group 'dialout'; add yourself to the group "
                              "'dialout': sudo usermod -aG dialout $USER, then log in again")
                   .arg(port);
    } else {
        QVERIFY(::chmod(native.constData(), 0) == 0);
        r = flashrun::run({port, image});
        hint =
            QStringLiteral("%1 is open to its owner only (mode 0000), not to its group").arg(port);
    }
    QCOMPARE(r.code, 5);
    QVERIFY2(r.err.startsWith(QStringLiteral("kelvra-flash: cannot open the serial port '%1': "
                                             "Permission denied\nkelvra-flash: %2")
                                  .arg(port, hint)),
             qPrintable(r.err));
    QTest::qWait(100);
    QFile trace(m_trace);
    QVERIFY(!trace.exists() || trace.size() == 0);
}

void TestFlashCli::badImage_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing") << "absent.bin"
                             << "cannot read the image '%1': no such file";
    QTest::newRow("directory") << "dir"
                               << "cannot read the image '%1': it is a directory";
    QTest::newRow("empty") << "empty.bin"
                           << "the image '%1' is empty";
    QTest::newRow("no read permission") << "secret.bin"
                                        << "cannot read the image '%1': ";
}

void TestFlashCli::badImage() {
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QString path = m_dir->filePath(name);
    if (name == "dir")
        QVERIFY(QDir(m_dir->path()).mkdir(name));
    if (name == "empty.bin")
        QVERIFY(flashrun::writeFile(path, {}));
    if (name == "secret.bin") {
        if (::geteuid() == 0)
            QSKIP("root reads any file");
        QVERIFY(flashrun::writeFile(path, "x"));
        QVERIFY(QFile::setPermissions(path, {}));
    }
    QVERIFY(startModsim());
    const Result r = flashrun::run({m_modsim->portPath(), path});
    QCOMPARE(r.code, 6);
    QVERIFY2(r.err.startsWith("kelvra-flash: " + message.arg(path)), qPrintable(r.err));
    QVERIFY(r.out.isEmpty());
    // The port was never touched.
    QTest::qWait(100);
    QFile trace(m_trace);
    QVERIFY(!trace.exists() || trace.size() == 0);
}

void TestFlashCli::oversizedImageIsNotRead() {
    // Sparse: the size is checked, the 2 GiB are never read or sent.
    const QString path = m_dir->filePath("huge.bin");
    QFile huge(path);
    QVERIFY(huge.open(QIODevice::WriteOnly));
    QVERIFY(huge.resize(qint64(1) << 31));
    huge.close();
    QVERIFY(startModsim());
    const Result r = flashrun::run({m_modsim->portPath(), path});
    QCOMPARE(r.code, 6);
    QCOMPARE(r.err, QStringLiteral("kelvra-flash: the image '%1' is too large: 2147483648 bytes, "
                                   "at most 2147483647 can be sent\n")
                        .arg(path));
}

void TestFlashCli::badUsage_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("message");
    QTest::newRow("no arguments") << QStringList{} << "expected a serial port and an image file";
    QTest::newRow("image missing")
        << QStringList{"/dev/ttyUSB0"} << "expected a serial port and an image file";
    QTest::newRow("three") << QStringList{"a", "b", "c"}
                           << "too many arguments: expected a serial port and an image file";
    QTest::newRow("bad baud") << QStringList{"--baud", "fast", "a", "b"}
                              << "invalid baud rate 'fast': expected a positive whole number";
    QTest::newRow("unknown option")
        << QStringList{"--force", "a", "b"} << "Unknown option 'force'.";
}

void TestFlashCli::badUsage() {
    QFETCH(QStringList, args);
    QFETCH(QString, message);
    const Result r = flashrun::run(args);
    QCOMPARE(r.code, 2);
    QCOMPARE(r.err, QStringLiteral("kelvra-flash: %1\nTry 'kelvra-flash --help'.\n").arg(message));
    QVERIFY(r.out.isEmpty());
}

void TestFlashCli::helpAndVersion() {
    const Result version = flashrun::run({"--version"});
    QCOMPARE(version.code, 0);
    QCOMPARE(version.out, QStringLiteral("kelvra-flash 1.0.0 build 4\n"));

    const Result help = flashrun::run({"--help"});
    QCOMPARE(help.code, 0);
    QVERIFY(help.out.startsWith("Usage: kelvra-flash [options] PORT IMAGE\n"));
    QVERIFY(help.out.contains("Exit status:\n  0  "));
    QVERIFY(help.out.contains("\n  7  "));
}

QTEST_GUILESS_MAIN(TestFlashCli)
#include "tst_flashcli.moc"
