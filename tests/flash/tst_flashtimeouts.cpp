#include "common/modsim.h"
#include "flashrun.h"

#include <QTemporaryDir>
#include <QTest>

#include <csignal>

// The module that stays silent: each case waits out a real time-out.
class TestFlashTimeouts : public QObject {
    Q_OBJECT
private slots:
    void silentModule_data() {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("interrupt");
        QTest::addColumn<QString>("message");
        const QString final = "kelvra-flash: the module on '%1' did not answer in time when asked "
                              "to apply the image (600 bytes written)\n";
        QTest::newRow("block") << "FWWRITE" << false
                               << "kelvra-flash: the module on '%1' did not answer in time to the "
                                  "block at offset 0 (0 of 600 bytes confirmed)\n";
        QTest::newRow("final step") << "FWUPDATE" << false << final;
        // Not a cancel once all blocks are in: the module's answer (here its absence) decides.
        QTest::newRow("Ctrl-C during the final step")
            << "FWUPDATE" << true
            << "kelvra-flash: the module on '%1' is applying the image; waiting for its answer\n" +
                   final;
    }
    void silentModule() {
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
        const flashrun::Result r = flashrun::collect(process, 10000);
        QVERIFY(!r.crashed);
        QCOMPARE(r.code, 3);
        QCOMPARE(r.err, message.arg(modsim.portPath()));
    }
};

QTEST_GUILESS_MAIN(TestFlashTimeouts)
#include "tst_flashtimeouts.moc"
