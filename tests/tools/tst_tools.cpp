// The real command-line tools against the module simulator on a pseudo-terminal: exit codes,
// what the user reads and what reached the module.

#include "common/datafiles.h"
#include "common/modsim.h"
#include "common/scriptedmodule.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// '*' matches anything, the rest literally.
QRegularExpression glob(const QString& text) {
    QStringList parts = text.split('*');
    for (QString& part : parts)
        part = QRegularExpression::escape(part);
    return QRegularExpression(QRegularExpression::anchoredPattern(parts.join("(.*)")),
                              QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

class TestTools : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::Modsim m_modsim;
    // Another program that holds the port (not this test: what a tool's parent holds, it holds
    // for the tool).
    QProcess m_holder;
    QString m_port; // as the tool is given it
    QString m_stderr;
    QRegularExpressionMatch m_err;
    std::unique_ptr<test::PtyPeer> m_peer;
    std::unique_ptr<test::Module> m_module;

    QString trace() const { return m_dir.filePath("trace"); }

    // sim: the simulator's options. "none", "dir", "file": no simulator, the port is missing, a
    // directory or a plain file; "port=NAME": no simulator, the port is NAME; "held": another
    // program holds the port open too, and the tool names it as the simulator does, through a
    // link ("held link") or by its name under /dev ("held bare").
    // "script": this test plays the module, answering "COMMAND=>ANSWER" (test::Module's script);
    // "=>BYTES" waits in the port before the tool opens it.
    void setUpPort(const QStringList& sim) {
        const QString first = sim.value(0);
        if (first == "script") {
            test::Answers answers;
            for (const QString& pair : sim.mid(1))
                answers.insert(pair.section("=>", 0, 0).toUtf8(), pair.section("=>", 1).toLatin1());
            m_peer = std::make_unique<test::PtyPeer>();
            m_module = std::make_unique<test::Module>(m_peer.get(), answers, false);
            // In the terminal before the tool opens it, not at the module's next tick.
            QVERIFY(m_peer->write(answers.value("")));
            m_port = m_peer->slavePath();
            return;
        }
        if (first.startsWith("port=")) {
            m_port = first.mid(5);
            return;
        }
        if (first == "none" || first == "dir" || first == "file") {
            m_port = m_dir.filePath(first == "dir" ? "." : "ttyNONE0");
            QVERIFY(first != "file" || test::writeFile(m_port, "AT\r\n"));
            return;
        }
        const bool held = first.startsWith("held");
        QVERIFY(m_modsim.start(QStringList{"--trace", trace()} + (held ? QStringList() : sim)));
        m_port = m_modsim.portPath();
        if (held) {
            m_holder.setStandardInputFile(m_port);
            m_holder.start("sleep", {"60"});
            QVERIFY(m_holder.waitForStarted());
        }
        if (first == "held link") {
            m_port = m_dir.filePath("module");
            QVERIFY(QFile::link(m_modsim.portPath(), m_port));
        }
        if (first == "held bare")
            m_port = m_port.mid(QString("/dev/").size());
    }

    // Runs the tool with input on its standard input. how: "int": Ctrl-C once it has printed
    // (and 400 ms later), "int100": once it has printed 100%, "head": its output through
    // head -1, "full": its output to /dev/full, "closed": with standard input closed, "flock":
    // under flock on the port, "shell": from a shell that holds the port open. In err and out %1 is
    // the port, %2 the image, %3 the holder's PID and '*' anything; err is prefixed with the tool's
    // name.
    void run(const QString& tool, const QStringList& args, const QString& how,
             const QByteArray& input, int code, QString err, QString out, const QString& image) {
        QProcess process, head;
        if (how == "head") {
            process.setStandardOutputProcess(&head);
            head.start("head", {"-1"});
        }
        if (how == "full")
            process.setStandardOutputFile("/dev/full");
        if (how == "closed")
            process.start("/bin/sh", QStringList{"-c", "exec \"$0\" \"$@\" <&-", tool} + args);
        else if (how == "flock")
            process.start("flock", QStringList{m_port, tool} + args);
        else if (how == "shell")
            process.start("sh", QStringList{"-c", "exec 3<>\"$0\"; \"$@\"; exit $?", m_port, tool} +
                                    args);
        else
            process.start(tool, args);
        QVERIFY(process.waitForStarted(5000));
        process.write(input);
        process.closeWriteChannel(); // not a terminal: no bar
        if (how.startsWith("int")) {
            QVERIFY(QTest::qWaitFor(
                [&] { return process.peek(4096).contains(how == "int" ? "\n" : "100%"); }, 5000));
            QTest::qWait(how == "int" ? 400 : 0);
            QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        }
        // The event loop runs meanwhile: this test may be playing the module.
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 20000);
        QTRY_VERIFY(head.state() == QProcess::NotRunning);
        QCOMPARE(process.exitStatus(), QProcess::NormalExit); // no signal may kill a tool
        m_stderr = process.readAllStandardError();
        QVERIFY2(process.exitCode() == code, qPrintable(m_stderr));
        const auto fill = [&](QString& text) {
            return text.replace("%1", m_port)
                .replace("%2", image)
                .replace("%3", QString::number(m_holder.processId()));
        };
        const QString name = QFileInfo(tool).fileName() + ": ";
        m_err = glob(err.isEmpty() ? err : name + fill(err)).match(m_stderr);
        QVERIFY2(m_err.hasMatch() && !m_stderr.contains("group"), qPrintable(m_stderr));
        const QString printed = (how == "head" ? head : process).readAllStandardOutput();
        QVERIFY2(glob(fill(out)).match(printed).hasMatch(), qPrintable(printed));
    }

private slots:
    void cleanup() {
        m_holder.kill();
        m_holder.waitForFinished();
        m_modsim.stop();
        m_module.reset();
        m_peer.reset();
        QFile::remove(trace());
    }

    // image: a size, "huge" (one byte beyond the bound), "fifo" or a path.
    void flash_data() {
        // clang-format off
        // out: the progress lines on success
        QTest::addColumn<QStringList>("sim"); QTest::addColumn<QString>("image"); QTest::addColumn<QString>("how");
        QTest::addColumn<int>("code"); QTest::addColumn<QString>("err"); QTest::addColumn<QString>("out");
        const QString final = "the module on '%1' did not answer in time when asked to apply the image (600 bytes written)\n";
        const QString inUse = "the serial port '%1' is in use by another program: PID %3 (*sleep 60)\n";
        const QString irregular = "cannot read the image '%2': not a regular file\n";
        QTest::newRow("600 bytes at 9600 baud") << QStringList{} << "600" << "" << 0 << "" << "Writing 600 bytes to %1 at 9600 baud\n 42%  256 of 600 bytes\n 85%  512 of 600 bytes\n100%  600 of 600 bytes\nFirmware update on %1 complete: 600 bytes written and accepted by the module\n";
        // ERROR ends no block: the time-out does, and the user learns what the module said.
        QTest::newRow("block answered ERROR") << QStringList{"--error-block", "2"} << "600" << "" << 3 << "the module on '%1' answered ERROR to the block at offset 256 (256 of 600 bytes confirmed)\n" << "*";
        QTest::newRow("block answered FAIL") << QStringList{"--fail-block", "3"} << "1048576" << "" << 1 << "the module on '%1' answered FAIL to the block at offset 512 (512 of 1048576 bytes confirmed)\n" << "*";
        QTest::newRow("silent block") << QStringList{"--silent", "FWWRITE"} << "600" << "" << 3 << "the module on '%1' did not answer in time to the block at offset 0 (0 of 600 bytes confirmed)\n" << "*";
        QTest::newRow("Ctrl-C, silent final step") << QStringList{"--silent", "FWUPDATE"} << "600" << "int100" << 3 << "the module on '%1' is applying the image; waiting for its answer\nkelvra-flash: " + final << "*";
        // Slow answers, so that Ctrl-C surely lands among the blocks.
        QTest::newRow("Ctrl-C between blocks") << QStringList{"--delay", "50"} << "1048576" << "int" << 4 << "firmware update on '%1' cancelled after * of 1048576 bytes; the module was not asked to apply the image\n" << "*";
        // A closed output stops the messages, not the transfer.
        QTest::newRow("| head -1") << QStringList{"--delay", "5"} << "65536" << "head" << 0 << "" << "Writing 65536 bytes to %1 at 9600 baud\n";
        QTest::newRow("missing port") << QStringList{"none"} << "600" << "" << 5 << "cannot open the serial port '%1': No such file or directory\n" << "";
        QTest::newRow("missing port, bare name") << QStringList{"port=ttyNONE9"} << "600" << "" << 5 << "cannot open the serial port '%1': /dev/ttyNONE9: No such file or directory\n" << "";
        // Said first: many programs hold /dev/null, none of them for the port's sake.
        QTest::newRow("port is /dev/null") << QStringList{"port=/dev/null"} << "600" << "" << 5 << "cannot open the serial port '%1': /dev/null is not a terminal\n" << "";
        QTest::newRow("port is a directory, bare name") << QStringList{"port=shm"} << "600" << "" << 5 << "cannot open the serial port '%1': /dev/shm is a directory\n" << "";
        QTest::newRow("port is a file") << QStringList{"file"} << "600" << "" << 5 << "cannot open the serial port '%1': %1 is not a terminal\n" << "";
        // The usual ways to keep jobs on one device apart: the port held for this very run.
        QTest::newRow("under flock on the port") << QStringList{} << "600" << "flock" << 0 << "" << "Writing 600 bytes to %1 at 9600 baud\n*complete: 600 bytes written and accepted by the module\n";
        QTest::newRow("from a shell holding the port") << QStringList{} << "600" << "shell" << 0 << "" << "Writing 600 bytes to %1 at 9600 baud\n*complete: 600 bytes written and accepted by the module\n";
        // In use, not forbidden: no advice to join a group. By whichever name (as root, neither
        // the lock file nor exclusive mode would stop a second writer).
        QTest::newRow("port in use") << QStringList{"held"} << "600" << "" << 5 << inUse << "";
        QTest::newRow("port in use, through a link") << QStringList{"held link"} << "600" << "" << 5 << inUse << "";
        QTest::newRow("port in use, by its name") << QStringList{"held bare"} << "600" << "" << 5 << inUse << "";
        // Sparse: the size is checked, the bytes are never read or sent.
        QTest::newRow("image too large") << QStringList{} << "huge" << "" << 6 << "the image '%2' is too large: 16777217 bytes, at most 16777216 (16 MiB) can be sent\n" << "";
        // Neither read for ever nor waited for.
        QTest::newRow("image is a FIFO") << QStringList{} << "fifo" << "" << 6 << irregular << "";
        QTest::newRow("image is /dev/zero") << QStringList{} << "/dev/zero" << "" << 6 << irregular << "";
        // The line's shape as the module's: the transfer goes through, also with XON/XOFF.
        QTest::newRow("XON/XOFF, the module alike") << QStringList{"--flow", "xonxoff"} << "600" << "--flow xonxoff" << 0 << "" << "Writing 600 bytes*100%  600 of 600 bytes\nFirmware update on %1 complete*";
        QTest::newRow("bad --stop-bits") << QStringList{} << "600" << "--stop-bits 3" << 2 << "invalid --stop-bits '3': expected 1, 1.5 or 2\nTry 'kelvra-flash --help'.\n" << "";
        QTest::newRow("port vanishes") << QStringList{"--vanish-after", "3"} << "65536" << "" << 7 << "the serial port '%1' failed during the transfer: * (512 of 65536 bytes confirmed)\n" << "*";
    }
    void flash() {
        QFETCH(QStringList, sim); QFETCH(QString, image); QFETCH(QString, how); QFETCH(int, code); QFETCH(QString, err);
        QFETCH(QString, out);
        // clang-format on
        setUpPort(sim);
        const QString path = image.startsWith('/') ? image : m_dir.filePath(image);
        if (image == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (!image.startsWith('/'))
            QVERIFY(test::writeFile(path, QByteArray(image.toInt(), '\x5a')));
        if (image == "huge")
            QVERIFY(QFile::resize(path, 16 * 1024 * 1024 + 1));
        // how: the tool's own options where it begins with --
        const QStringList options = how.startsWith("--") ? how.split(' ') : QStringList();
        run(KELVRA_FLASH,
            options + QStringList{"--baud", "9600", m_port, path}.mid(
                          out.startsWith("Writing") && options.isEmpty() ? 0 : 2),
            how, {}, code, err, out, path);
        if (QTest::currentTestFailed())
            return;
        // What reached the module: no block after a failure or a cancel's block in flight, and
        // the final step only after every block.
        QTest::qWait(100);
        const QByteArray sent = test::readFile(trace());
        if (code == 1)
            QCOMPARE(sent.count("AT+FWWRITE="), 3);
        if (code == 4)
            QVERIFY(sent.count("AT+FWWRITE=") - m_err.captured(1).toInt() / 256 <= 1);
        QCOMPARE(sent.count("AT+FWUPDATE="), code == 0 || how == "int100" ? 1 : 0);
    }

    // args follow the port; input goes to standard input.
    void at_data() {
        // clang-format off
        QTest::addColumn<QStringList>("sim"); QTest::addColumn<QStringList>("args");
        QTest::addColumn<QByteArray>("input"); QTest::addColumn<QString>("how"); QTest::addColumn<int>("code");
        QTest::addColumn<QString>("err"); QTest::addColumn<QString>("out");
        const QString connect = "AT+WFCONNAP=\"Lab\"";
        const QString ok = "<< AT\n>> OK\n";
        const QString hi = "hex[3]{48690a}\n   str{Hi\\n}\n";
        QTest::newRow("OK") << QStringList{} << QStringList{"AT", "AT+VERSION"} << QByteArray() << "" << 0 << "" << ok + "<< AT+VERSION\n>> +VERSION:2.3.1 build 58\n>> OK\n";
        QTest::newRow("ERROR stops the run") << QStringList{} << QStringList{"AT+NO", "AT"} << QByteArray() << "" << 1 << "step 1 (AT+NO) answered ERROR\n" << "<< AT+NO\n>> ERROR\n";
        QTest::newRow("ERROR, keep going") << QStringList{} << QStringList{"-k", "AT+NO", "AT"} << QByteArray() << "" << 1 << "*" << "<< AT+NO\n>> ERROR\n" + ok;
        QTest::newRow("time-out") << QStringList{"--silent", "UID"} << QStringList{"-t", "300ms", "AT+UID", "AT"} << QByteArray() << "" << 3 << "step 1 (AT+UID): no final answer within 300 ms\n" << "<< AT+UID\n";
        QTest::newRow("echo, JSON") << QStringList{"--echo"} << QStringList{"--json", "AT+UID"} << QByteArray() << "" << 0 << "" << "{\"answer\":[\"+UID:4B5652A0331F07C2\"],\"blocks\":[],\"command\":\"AT+UID\",\"echo\":true,\"ms\":*,\"result\":\"OK\",\"status\":\"ok\",\"step\":1,\"unsolicited\":[]}\n";
        QTest::newRow("unsolicited line in an answer") << QStringList{} << QStringList{connect, "AT+WFSCANAP"} << QByteArray() << "" << 0 << "" << "<< " + connect + "\n>> OK\n<< AT+WFSCANAP\n>> +WFSCANAP:\"Workshop\"*\n>> +WFEVENT:CONNECTED,\"Lab\"  (unsolicited)\n>> +WFSCANAP:\"Guest Net\"*\n>> OK\n";
        QTest::newRow("wait") << QStringList{} << QStringList{"-q", connect, "wait 3s +WFEVENT:CONNECTED*", "AT"} << QByteArray() << "" << 0 << "" << "";
        QTest::newRow("wait in vain") << QStringList{} << QStringList{"-q", "wait 200ms +WFEVENT:*"} << QByteArray() << "" << 3 << "step 1 (wait +WFEVENT:*): no such line within 200 ms\n" << "";
        QTest::newRow("binary write echoed as a block") << QStringList{} << QStringList{"AT+DATAMODE=2", "AT+WRITEB=0, 48 69 0a", "wait +READB*"} << QByteArray() << "" << 0 << "" << "<< AT+DATAMODE=2\n>> OK\n<< AT+WRITEB=0,3\n<< " + hi + ">> OK\n>> +READB:3:0*\n>> " + hi;
        QTest::newRow("standard input") << QStringList{} << QStringList{"-"} << QByteArray("AT\n# a note\n\nAT+UID\r\n") << "" << 0 << "" << ok + "<< AT+UID\n>> +UID:4B5652A0331F07C2\n>> OK\n";
        QTest::newRow("bad line on standard input") << QStringList{} << QStringList{"-"} << QByteArray("AT\nAT+WRITEB=0,2 4G\nAT\n") << "" << 2 << "line 2: the payload '4G' is not hex: two digits 0-9, A-F for each byte\nTry 'kelvra-at --help'.\n" << ok;
        QTest::newRow("Ctrl-C") << QStringList{"--silent", "UID"} << QStringList{"AT+UID"} << QByteArray() << "int" << 4 << "step 1 (AT+UID) stopped by Ctrl-C\n" << "<< AT+UID\n";
        QTest::newRow("| head -1") << QStringList{"--delay", "100"} << QStringList{"AT", "AT+UID", "AT"} << QByteArray() << "head" << 0 << "" << "<< AT\n";
        QTest::newRow("unplugged") << QStringList{"--vanish-after", "2"} << QStringList{"AT", "AT", "AT"} << QByteArray() << "" << 7 << "the serial port '%1' failed: the device was removed or stopped responding\n" << ok + "<< AT\n";
        QTest::newRow("port in use") << QStringList{"held"} << QStringList{"AT"} << QByteArray() << "" << 5 << "the serial port '%1' is in use by another program: PID %3 (*sleep 60)\n" << "";
        QTest::newRow("port is a directory") << QStringList{"dir"} << QStringList{"AT"} << QByteArray() << "" << 5 << "cannot open the serial port '%1': %1 is a directory\n" << "";
        QTest::newRow("port is no terminal") << QStringList{"file"} << QStringList{"AT"} << QByteArray() << "" << 5 << "cannot open the serial port '%1': %1 is not a terminal\n" << "";
        QTest::newRow("baud auto") << QStringList{} << QStringList{"--baud", "auto", "AT"} << QByteArray() << "" << 0 << "" << "baud rate: 115200\n" + ok;
        QTest::newRow("unknown option") << QStringList{} << QStringList{"--fast", "AT"} << QByteArray() << "" << 2 << "Unknown option 'fast'.\nTry 'kelvra-at --help'.\n" << "";
        QTest::newRow("empty command") << QStringList{} << QStringList{"AT", ""} << QByteArray() << "" << 2 << "step 2: an empty command\n*" << "";
        // Each answer belongs to the step whose command it follows.
        QTest::newRow("OK twice") << QStringList{"script", "AT=>OK\r\nOK\r\n", "AT+BOGUS=>ERROR\r\n"} << QStringList{"AT", "AT+BOGUS"} << QByteArray() << "" << 1 << "step 2 (AT+BOGUS) answered ERROR\n" << ok + ">> OK  (unsolicited)\n<< AT+BOGUS\n>> ERROR\n";
        QTest::newRow("OK before the write") << QStringList{"script", "=>OK\r\n", "AT+X=>ERROR\r\n"} << QStringList{"AT+X"} << QByteArray() << "" << 1 << "step 1 (AT+X) answered ERROR\n" << ">> OK  (unsolicited)\n<< AT+X\n>> ERROR\n";
        QTest::newRow("late answer, keep going") << QStringList{"script", "AT+X=>@250 +X:1\r\nOK\r\n", "AT=>OK\r\n"} << QStringList{"-k", "-t", "150ms", "AT+X", "AT"} << QByteArray() << "" << 3 << "step 1 (AT+X): no final answer within 150 ms\n" << "<< AT+X\n>> +X:1  (late)\n>> OK  (late)\n" + ok;
        // The device cannot drive the terminal; JSON gives its bytes back (surrogate escapes).
        QTest::newRow("control bytes, bad UTF-8") << QStringList{"script", QString::fromLatin1(QByteArrayLiteral("AT+X=>+X:\x1b[31m\\\x7f\x00\xc2\x9b\xff\xe2\x80\xae|\r\n+CME ERROR: \x1b]0;t\x07\r\n"))} << QStringList{"AT+X"} << QByteArray() << "" << 1 << "step 1 (AT+X) answered +CME ERROR: \\x1b]0;t\\x07\n" << "<< AT+X\n>> +X:\\x1b[31m\\\\\\x7f\\x00\\u009b\ufffd\\u202e\n>> +CME ERROR: \\x1b]0;t\\x07\n";
        QTest::newRow("NUL and bad UTF-8, JSON") << QStringList{"script", QString::fromLatin1(QByteArrayLiteral("AT+X=>+X:\x00\x1b\xff\xc3\xa9\r\nOK\r\n"))} << QStringList{"-j", "AT+X"} << QByteArray() << "" << 0 << "" << "{\"answer\":[\"+X:\\u0000\\u001b\\udcff\u00e9\"],*";
        QTest::newRow("unknown time in a wait") << QStringList{} << QStringList{"wait 2sec +X"} << QByteArray() << "" << 2 << "step 1: invalid time '2sec': expected e.g. 800ms, 5s, 2min\n*" << "";
        QTest::newRow("standard input closed") << QStringList{} << QStringList{"-"} << QByteArray() << "closed" << 0 << "" << "";
        // The module answers only a line of its own shape; the ending is the tool's choice.
        QTest::newRow("RTS/CTS, the module alike") << QStringList{"--flow", "rtscts"} << QStringList{"--flow", "rtscts", "AT"} << QByteArray() << "" << 0 << "" << ok;
        QTest::newRow("RTS/CTS module, plain tool") << QStringList{"--flow", "rtscts"} << QStringList{"-t", "300ms", "AT"} << QByteArray() << "" << 3 << "step 1 (AT): no final answer within 300 ms\n" << "<< AT\n";
        QTest::newRow("baud auto, 2 stop bits") << QStringList{"--stop-bits", "2"} << QStringList{"--stop-bits", "2", "--baud", "auto", "AT"} << QByteArray() << "" << 0 << "" << "baud rate: 115200\n" + ok;
        QTest::newRow("2 stop bits, the module alike") << QStringList{"--stop-bits", "2"} << QStringList{"--stop-bits", "2", "AT"} << QByteArray() << "" << 0 << "" << ok;
        QTest::newRow("--eol cr") << QStringList{} << QStringList{"--eol", "cr", "AT", "AT+UID\n"} << QByteArray() << "" << 0 << "" << "<< AT\n>> OK\n<< AT+UID\n>> +UID:*";
        QTest::newRow("--eol none") << QStringList{} << QStringList{"--eol", "none", "-t", "300ms", "AT"} << QByteArray() << "" << 3 << "*" << "<< AT*";
        // A pseudo-terminal keeps 8 bits without parity whatever it is told.
        QTest::newRow("parity the port does not take") << QStringList{} << QStringList{"--parity", "even", "AT"} << QByteArray() << "" << 5 << "the serial port '%1' does not take even parity\n" << "";
        QTest::newRow("bad --eol") << QStringList{} << QStringList{"--eol", "crcr", "AT"} << QByteArray() << "" << 2 << "invalid --eol 'crcr': expected crlf, cr, lf or none\n*" << "";
        QTest::newRow("bad --parity") << QStringList{} << QStringList{"--parity", "", "AT"} << QByteArray() << "" << 2 << "invalid --parity '': expected none, even, odd, mark or space\n*" << "";
        QTest::newRow("bad --data-bits") << QStringList{} << QStringList{"--data-bits", "88", "AT"} << QByteArray() << "" << 2 << "invalid --data-bits '88': expected 5, 6, 7 or 8\n*" << "";
        // Success is not told when the report did not reach its file.
        QTest::newRow("output to a full disk") << QStringList{} << QStringList{"AT"} << QByteArray() << "full" << 8 << "the output could not be written: No space left on device\n" << "";
        QTest::newRow("a step line without end on standard input") << QStringList{} << QStringList{"-"} << QByteArray(64 * 1024 * 1024 + 1, 'A') << "" << 2 << "line 1: longer than 67108864 bytes\nTry 'kelvra-at --help'.\n" << "";
        // Every byte as it went and came, line ends too; the answer before the next command.
        const QString atRow = "<< 41 54 0d 0a" + QString(36, ' ') + "  AT..\n";
        const QString answer = atRow + ">> 2b 58 3a 00 ff 0d 0a" + QString(27, ' ') + "  +X:....\n>> 4f 4b 0d 0a" + QString(36, ' ') + "  OK..\n";
        QTest::newRow("--hex") << QStringList{"script", QString::fromLatin1(QByteArrayLiteral("AT=>+X:\x00\xff\r\nOK\r\n"))} << QStringList{"--hex", "AT", "AT"} << QByteArray() << "" << 0 << "" << answer + answer;
        // A pseudo-terminal has no control lines: the step fails, saying which line.
        QTest::newRow("dtr on a pseudo-terminal") << QStringList{} << QStringList{"AT", "dtr on", "AT"} << QByteArray() << "" << 7 << "step 2 (dtr on): DTR not set: * has no control lines\n" << ok;
        QTest::newRow("pulse on a pseudo-terminal, keep going") << QStringList{} << QStringList{"-k", "PULSE rts,dtr 50ms", "AT"} << QByteArray() << "" << 7 << "step 1 (pulse rts,dtr 50ms): RTS not pulsed: * has no control lines\n" << ok;
        QTest::newRow("pulse without time") << QStringList{} << QStringList{"pulse dtr"} << QByteArray() << "" << 2 << "step 1: a pulse is written pulse dtr|rts|dtr,rts|rts,dtr TIME, e.g. pulse dtr 100ms\n*" << "";
        QTest::newRow("dtr neither on nor off") << QStringList{} << QStringList{"AT", "dtr 1"} << QByteArray() << "" << 2 << "step 2: a control line is set with dtr on|off or rts on|off\n*" << "";
        QTest::newRow("size and payload differ") << QStringList{} << QStringList{"AT+WRITEB=0,4 4869"} << QByteArray() << "" << 2 << "step 1: the command announces 4 bytes, the payload has 2\n*" << "";
    }
    void at() {
        QFETCH(QStringList, sim); QFETCH(QStringList, args); QFETCH(QByteArray, input); QFETCH(QString, how);
        QFETCH(int, code); QFETCH(QString, err); QFETCH(QString, out);
        // clang-format on
        setUpPort(sim);
        run(KELVRA_AT, QStringList{m_port} + args, how, input, code, err, out, {});
        // Exactly what went out: the ending behind the line, a line feed given kept as it is.
        const QMap<QByteArray, QByteArray> wire{{"--eol cr", "AT\rAT+UID\n"},
                                                {"--eol none", "AT"},
                                                {"RTS/CTS, the module alike", "AT\r\n"}};
        if (!QTest::currentTestFailed() && wire.contains(QTest::currentDataTag()))
            QCOMPARE(test::readFile(trace()), wire.value(QTest::currentDataTag()));
        // Nothing after a step that stops the run.
        if (code != 0 && how != "full" && !QTest::currentTestFailed() && !args.contains("-k"))
            QCOMPARE(m_module ? m_module->heard.size() : test::readFile(trace()).count("AT"),
                     out.count("<< AT"));
    }

    // The simulator takes the line's options as the tools do: a bad value is a usage error.
    void modsimOptions_data() {
        // clang-format off
        QTest::addColumn<QStringList>("args"); QTest::addColumn<QString>("err");
        QTest::newRow("--flow") << QStringList{"--flow", "cts"} << "invalid --flow 'cts': expected none, rtscts or xonxoff\n*";
        QTest::newRow("--stop-bits") << QStringList{"--stop-bits", "1,5"} << "invalid --stop-bits '1,5': expected 1, 1.5 or 2\n*";
    }
    void modsimOptions() {
        QFETCH(QStringList, args); QFETCH(QString, err);
        // clang-format on
        run(qEnvironmentVariable("KELVRA_MODSIM"), args, "", {}, 2, err, "", {});
    }

    // Endless steps (yes AT) are read as the run takes them, not all at once into memory.
    void atReadsAsItGoes() {
        setUpPort({"--silent", "AT"});
        QProcess process;
        process.start(KELVRA_AT, {"-q", "-t", "20s", m_port, "-"});
        QVERIFY(process.waitForStarted(5000));
        QByteArray steps;
        for (int i = 0; i < 400000; ++i)
            steps += "AT\n";
        process.write(steps);
        QTRY_VERIFY(test::readFile(trace()).contains("AT"));
        QTest::qWait(500); // time to read on, were it to
        QVERIFY2(process.bytesToWrite() > steps.size() / 2,
                 qPrintable(QString::number(process.bytesToWrite())));
        QCOMPARE(::kill(pid_t(process.processId()), SIGINT), 0);
        QTRY_VERIFY_WITH_TIMEOUT(process.state() == QProcess::NotRunning, 20000);
        QCOMPARE(process.exitCode(), 4);
    }
};

QTEST_GUILESS_MAIN(TestTools)
#include "tst_tools.moc"
