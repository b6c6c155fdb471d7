// The real kelvra-flash against the module simulator on a pseudo-terminal: exit codes, what
// the user reads and what reached the module.

#include "common/datafiles.h"
#include "common/modsim.h"

#include <QRegularExpression>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <unistd.h>

class TestFlashCli : public QObject {
    Q_OBJECT
private slots:
    // sim: the simulator's options ("none": no port; "held": this test holds it open too);
    // image: a size or "huge"; in err %1 is the port, %2 the image, %3 this test's PID and '*'
    // anything. "int": Ctrl-C once output has begun ("int100": once all blocks are in, which
    // is no cancel: the module's answer, or its silence, decides).
    void exitCodes_data() {
        QTest::addColumn<QStringList>("sim");
        QTest::addColumn<QString>("image");
        QTest::addColumn<QString>("when");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err");
        QTest::addColumn<QString>("out"); // the progress lines on success
        const QString final = "the module on '%1' did not answer in time when asked to apply the "
                              "image (600 bytes written)\n";
        // clang-format off
        QTest::newRow("600 bytes at 9600 baud") << QStringList{} << "600" << "" << 0 << "" << "Writing 600 bytes to %1 at 9600 baud\n 42%  256 of 600 bytes\n 85%  512 of 600 bytes\n100%  600 of 600 bytes\nFirmware update on %1 complete: 600 bytes written and accepted by the module\n";
        QTest::newRow("block answered FAIL") << QStringList{"--fail-block", "3"} << "1048576" << "" << 1 << "the module on '%1' answered FAIL to the block at offset 512 (512 of 1048576 bytes confirmed)\n" << "*";
        QTest::newRow("silent block") << QStringList{"--silent", "FWWRITE"} << "600" << "" << 3 << "the module on '%1' did not answer in time to the block at offset 0 (0 of 600 bytes confirmed)\n" << "*";
        QTest::newRow("Ctrl-C, silent final step") << QStringList{"--silent", "FWUPDATE"} << "600" << "int100" << 3 << "the module on '%1' is applying the image; waiting for its answer\nkelvra-flash: " + final << "*";
        // Slow answers, so that Ctrl-C surely lands among the blocks.
        QTest::newRow("Ctrl-C between blocks") << QStringList{"--delay", "50"} << "1048576" << "int" << 4 << "firmware update on '%1' cancelled after * of 1048576 bytes; the module was not asked to apply the image\n" << "*";
        QTest::newRow("missing port") << QStringList{"none"} << "600" << "" << 5 << "cannot open the serial port '%1': No such file or directory\n" << "";
        // In use, not forbidden: no advice to join a group.
        QTest::newRow("port in use") << QStringList{"held"} << "600" << "" << 5 << "the serial port '%1' is in use by another program: PID %3 (*tst_flashcli*)\n" << "";
        // Sparse: the size is checked, the 2 GiB are never read or sent.
        QTest::newRow("oversized image") << QStringList{} << "huge" << "" << 6 << "the image '%2' is too large: 2147483648 bytes, at most 2147483647 can be sent\n" << "";
        QTest::newRow("port vanishes") << QStringList{"--vanish-after", "3"} << "65536" << "" << 7 << "the serial port '%1' failed during the transfer: * (512 of 65536 bytes confirmed)\n" << "*";
        // clang-format on
    }
    void exitCodes() {
        QFETCH(QStringList, sim);
        QFETCH(QString, image);
        QFETCH(QString, when);
        QFETCH(int, code);
        QFETCH(QString, err);
        QFETCH(QString, out);
        QTemporaryDir dir;
        const QString trace = dir.filePath("trace");
        test::Modsim modsim;
        QString port = dir.filePath("ttyNONE0");
        if (sim != QStringList{"none"}) {
            QVERIFY(modsim.start(QStringList{"--trace", trace} +
                                 (sim == QStringList{"held"} ? QStringList() : sim)));
            port = modsim.portPath();
        }
        QSerialPort holder(port);
        QVERIFY(sim != QStringList{"held"} || holder.open(QIODevice::ReadWrite));
        const QString path = dir.filePath("image.bin");
        QVERIFY(test::writeFile(path, QByteArray(image.toInt(), '\x5a')));
        if (image == "huge")
            QVERIFY(QFile::resize(path, qint64(1) << 31));
        QProcess process;
        process.setStandardInputFile(QProcess::nullDevice()); // not a terminal: no bar
        process.start(KELVRA_FLASH, QStringList{"--baud", "9600", port, path}.mid(
                                        out.startsWith("Writing") ? 0 : 2));
        QVERIFY(process.waitForStarted(5000));
        if (when.startsWith("int")) {
            QVERIFY(QTest::qWaitFor(
                [&] { return process.peek(4096).contains(when == "int" ? "Writing" : "100%"); },
                5000));
            QTest::qWait(when == "int" ? 400 : 0);
            QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        }
        QVERIFY(process.waitForFinished(20000));
        QCOMPARE(process.exitStatus(), QProcess::NormalExit); // SIGINT must not kill the tool
        const QString stderrText = process.readAllStandardError();
        QVERIFY2(process.exitCode() == code, qPrintable(stderrText));
        // '*' matches anything, the rest literally.
        const auto glob = [](const QString& text) {
            QStringList parts = text.split('*');
            for (QString& part : parts)
                part = QRegularExpression::escape(part);
            return QRegularExpression(QRegularExpression::anchoredPattern(parts.join("(.*)")),
                                      QRegularExpression::DotMatchesEverythingOption);
        };
        const QString prefixed =
            err.isEmpty() ? err
                          : "kelvra-flash: " + err.replace("%1", port)
                                                   .replace("%2", path)
                                                   .replace("%3", QString::number(getpid()));
        const QRegularExpressionMatch m = glob(prefixed).match(stderrText);
        QVERIFY2(m.hasMatch() && !stderrText.contains("group"), qPrintable(stderrText));
        QVERIFY(glob(out.replace("%1", port)).match(process.readAllStandardOutput()).hasMatch());
        // What reached the module: no block after a failure or a cancel's block in flight, and
        // the final step only after every block.
        QTest::qWait(100);
        const QByteArray sent = test::readFile(trace);
        if (code == 1)
            QCOMPARE(sent.count("AT+FWWRITE="), 3);
        if (code == 4)
            QVERIFY(sent.count("AT+FWWRITE=") - m.captured(1).toInt() / 256 <= 1);
        QCOMPARE(sent.count("AT+FWUPDATE="), code == 0 || when == "int100" ? 1 : 0);
    }
};

QTEST_GUILESS_MAIN(TestFlashCli)
#include "tst_flashcli.moc"
