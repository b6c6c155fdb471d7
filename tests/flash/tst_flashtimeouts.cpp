#include "common/modsim.h"
#include "flashrun.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>

using flashrun::Result;

// The module that stays silent: each case waits out a real time-out.
class TestFlashTimeouts : public QObject {
    Q_OBJECT
private slots:
    void silentModule_data();
    void silentModule();
    void interruptWaitsForTheFinalStep();
};

void TestFlashTimeouts::silentModule_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("message");
    QTest::newRow("block") << "FWWRITE"
                           << "the module on '%1' did not answer in time to the block at offset 0 "
                              "(0 of 600 bytes confirmed)\n";
    QTest::newRow("final step") << "FWUPDATE"
                                << "the module on '%1' did not answer in time when asked to apply "
                                   "the image (600 bytes written)\n";
}

void TestFlashTimeouts::silentModule() {
    QFETCH(QString, command);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath("image.bin");
    QVERIFY(flashrun::writeFile(path, flashrun::image(600)));
    test::Modsim modsim;
    QVERIFY(modsim.start({"--silent", command}));
    const Result r = flashrun::run({modsim.portPath(), path});
    QVERIFY(!r.crashed);
    QCOMPARE(r.code, 3);
    QCOMPARE(r.err, "kelvra-flash: " + message.arg(modsim.portPath()));
}

void TestFlashTimeouts::interruptWaitsForTheFinalStep() {
    QTemporaryDir dir;
    const QString path = dir.filePath("image.bin");
    QVERIFY(flashrun::writeFile(path, flashrun::image(600)));
    test::Modsim modsim;
    QVERIFY(modsim.start({"--silent", "FWUPDATE"}));
    QProcess process;
    flashrun::prepare(process, {modsim.portPath(), path});
    process.start();
    QVERIFY(process.waitForStarted(5000));
    // All blocks are confirmed once the 100 % line is out.
    QVERIFY(QTest::qWaitFor([&] { return process.peek(4096).contains("100%"); }, 5000));
    QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
    const Result r = flashrun::collect(process, 10000);
    QVERIFY(!r.crashed);
    // Not a cancel: the module's answer (here its absence) decides.
    QCOMPARE(r.code, 3);
    const QString port = modsim.portPath();
    QCOMPARE(r.err, QStringLiteral("kelvra-flash: the module on '%1' is applying the image; "
                                   "waiting for its answer\n"
                                   "kelvra-flash: the module on '%1' did not answer in time when "
                                   "asked to apply the image (600 bytes written)\n")
                        .arg(port));
}

QTEST_GUILESS_MAIN(TestFlashTimeouts)
#include "tst_flashtimeouts.moc"
