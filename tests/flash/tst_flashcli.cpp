#include "common/modsim.h"
#include "flashrun.h"

#include <QDir>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

using flashrun::Result;

namespace {

// `text` with each '*' matching anything (captured), the rest literally.
QRegularExpression glob(const QString& text) {
    QStringList parts = text.split('*');
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(QRegularExpression::anchoredPattern(parts.join("(.*)")),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

class TestFlashCli : public QObject {
    Q_OBJECT
private slots:
    void exitCodes_data();
    void exitCodes();
    void silentModule_data();
    void silentModule();
};

// The tool against the simulator. In `args` PORT and IMAGE stand for the
// paths; `image` is a size or a kind of bad file; in `err` %1 is the port,
// %2 the image and '*' anything.
void TestFlashCli::exitCodes_data() {
    QTest::addColumn<QStringList>("sim");
    QTest::addColumn<QString>("image");
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::addColumn<QList<int>>("percents"); // of the progress lines on success
    const QStringList plain{"PORT", "IMAGE"};
    const QString usage = "\nTry 'kelvra-flash --help'.\n";
    // Three blocks: each confirmation jumps past several tenths at once.
    QTest::newRow("600 bytes at 9600 baud")
        << QStringList{} << "600" << QStringList{"--baud", "9600", "PORT", "IMAGE"} << 0 << ""
        << QList<int>{42, 85, 100};
    QTest::newRow("block answered FAIL")
        << QStringList{"--fail-block", "3"} << "1048576" << plain << 1
        << "the module on '%1' answered FAIL to the block at offset 512 (512 of 1048576 bytes "
           "confirmed)\n"
        << QList<int>{};
    QTest::newRow("port vanishes") << QStringList{"--vanish-after", "3"} << "65536" << plain << 7
                                   << "the serial port '%1' failed during the transfer: *"
                                      " (512 of 65536 bytes confirmed)\n"
                                   << QList<int>{};
    // Slow answers, so that Ctrl-C surely lands among the blocks.
    QTest::newRow("Ctrl-C between blocks")
        << QStringList{"--delay", "50"} << "1048576" << plain << 4
        << "firmware update on '%1' cancelled after * of 1048576 bytes; the module was not asked "
           "to apply the image\n"
        << QList<int>{};
    QTest::newRow("missing port") << QStringList{"none"} << "600" << plain << 5
                                  << "cannot open the serial port '%1': No such file or directory\n"
                                  << QList<int>{};
    // Sparse: the size is checked, the 2 GiB are never read or sent.
    QTest::newRow("oversized image") << QStringList{} << "huge" << plain << 6
                                     << "the image '%2' is too large: 2147483648 bytes, at most "
                                        "2147483647 can be sent\n"
                                     << QList<int>{};
    QTest::newRow("no arguments") << QStringList{} << "600" << QStringList{} << 2
                                  << "expected a serial port and an image file" + usage
                                  << QList<int>{};
}

void TestFlashCli::exitCodes() {
    QFETCH(QStringList, sim);
    QFETCH(QString, image);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, err);
    QFETCH(QList<int>, percents);
    QTemporaryDir dir;
    const QString trace = dir.filePath("trace");
    test::Modsim modsim;
    QString port = dir.filePath("ttyNONE0");
    if (sim != QStringList{"none"}) {
        QVERIFY(modsim.start(QStringList{"--trace", trace} + sim));
        port = modsim.portPath();
    }
    const QString path = dir.filePath("image.bin");
    const int size = image.toInt();
    if (size > 0)
        QVERIFY(flashrun::writeFile(path, flashrun::image(size)));
    else if (image == "huge")
        QVERIFY(flashrun::writeFile(path, {}) && QFile::resize(path, qint64(1) << 31));
    args.replaceInStrings(QRegularExpression("^PORT$"), port);
    args.replaceInStrings(QRegularExpression("^IMAGE$"), path);

    QProcess process;
    flashrun::prepare(process, args);
    process.start();
    QVERIFY(process.waitForStarted(5000));
    if (code == 4) {
        QVERIFY(process.waitForReadyRead(5000));
        QTest::qWait(400);
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    }
    const Result r = flashrun::collect(process, 20000);
    QVERIFY2(!r.crashed, "SIGINT must not kill the tool");
    QVERIFY2(r.code == code, qPrintable(r.err));
    const QRegularExpressionMatch m =
        glob(err.isEmpty() ? err : "kelvra-flash: " + err.replace("%1", port).replace("%2", path))
            .match(r.err);
    QVERIFY2(m.hasMatch(), qPrintable(r.err));
    if (code == 2 || code == 5 || code == 6)
        QVERIFY(r.out.isEmpty());

    // What reached the module.
    QTest::qWait(100);
    const QList<QByteArray> blocks = flashrun::requests(trace, "FWWRITE");
    const QList<QByteArray> final = flashrun::requests(trace, "FWUPDATE");
    if (code == 1)
        QCOMPARE(blocks.size(), 3);
    if (code == 2 || code == 5 || code == 6)
        QVERIFY(blocks.isEmpty());
    if (code == 4) { // nothing after the block in flight
        const int confirmed = m.captured(1).toInt();
        QVERIFY(confirmed % 256 == 0 && confirmed < size);
        QVERIFY2(blocks.size() == confirmed / 256 || blocks.size() == confirmed / 256 + 1,
                 qPrintable(QString::number(blocks.size())));
    }
    if (code != 0) {
        QVERIFY(final.isEmpty());
        return;
    }

    // Not a terminal: one line each time a further tenth was confirmed.
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    const QString baud = args.first() == "--baud" ? args.at(1) : "115200";
    QCOMPARE(lines.takeFirst(),
             QStringLiteral("Writing %1 bytes to %2 at %3 baud").arg(size).arg(port, baud));
    QCOMPARE(lines.takeLast(), QStringLiteral("Firmware update on %1 complete: %2 bytes written "
                                              "and accepted by the module")
                                   .arg(port)
                                   .arg(size));
    QCOMPARE(lines.size(), percents.size());
    const QRegularExpression step(QStringLiteral("^ *(\\d+)%  (\\d+) of %1 bytes$").arg(size));
    for (int i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch line = step.match(lines.at(i));
        QVERIFY2(line.hasMatch(), qPrintable(lines.at(i)));
        QCOMPARE(line.captured(1).toInt(), percents.at(i));
        const qint64 done = line.captured(2).toLongLong();
        QCOMPARE(done * 100 / size, qint64(percents.at(i)));
        QVERIFY(done % 256 == 0 || done == size);
    }
}

// The module that stays silent: each case waits out a real time-out. Ctrl-C once all blocks
// are in is no cancel: the module's answer (here its absence) decides.
void TestFlashCli::silentModule_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("interrupt");
    QTest::addColumn<QString>("message");
    const QString final = "kelvra-flash: the module on '%1' did not answer in time when asked "
                          "to apply the image (600 bytes written)\n";
    QTest::newRow("block") << "FWWRITE" << false
                           << "kelvra-flash: the module on '%1' did not answer in time to the "
                              "block at offset 0 (0 of 600 bytes confirmed)\n";
    QTest::newRow("Ctrl-C during the final step")
        << "FWUPDATE" << true
        << "kelvra-flash: the module on '%1' is applying the image; waiting for its answer\n" +
               final;
}

void TestFlashCli::silentModule() {
    QFETCH(QString, command);
    QFETCH(bool, interrupt);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("image.bin");
    QVERIFY(flashrun::writeFile(path, flashrun::image(600)));
    test::Modsim modsim;
    QVERIFY(modsim.start({"--silent", command}));
    QProcess process;
    flashrun::prepare(process, {modsim.portPath(), path});
    process.start();
    QVERIFY(process.waitForStarted(5000));
    if (interrupt) {
        // All blocks are confirmed once the 100 % line is out.
        QVERIFY(QTest::qWaitFor([&] { return process.peek(4096).contains("100%"); }, 5000));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    }
    const Result r = flashrun::collect(process, 10000);
    QVERIFY(!r.crashed);
    QCOMPARE(r.code, 3);
    QCOMPARE(r.err, message.arg(modsim.portPath()));
}

QTEST_GUILESS_MAIN(TestFlashCli)
#include "tst_flashcli.moc"
