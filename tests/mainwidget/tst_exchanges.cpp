// The exchanges view of the real window on a pseudo-terminal: rows and results, the summary
// per command, the filter, CSV export, the way back to the log; failed answers marked red.

#include "mainwidget/commandsummary.h"
#include "mainwidget/exchangemodel.h"
#include "mainwidget/exchangeview.h"
#include "mainwidget/filesender.h"
#include "mainwidget/harness.h"
#include "mainwidget/stepsdialog.h"

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QPlainTextEdit>
#include <QSettings>
#include <QTableView>
#include <QTextBlock>

#include <sys/stat.h>

class TestExchanges : public QObject {
    Q_OBJECT

    test::PtyPeer m_peer;
    test::Window m_w;
    QTemporaryDir m_dir;

    ExchangeView* view() const { return m_w.widget()->findChild<ExchangeView*>("exchanges"); }
    QTableView* table(const char* name) const { return view()->findChild<QTableView*>(name); }
    // The rows shown, "command|result|answer" with "!" behind a failed one.
    QStringList shownRows() const {
        view()->rows()->flush();
        const QAbstractItemModel* m = table("exchange-rows")->model();
        QStringList out;
        for (int r = 0; r < m->rowCount(); ++r) {
            const auto cell = [&](int c, int role = Qt::DisplayRole) {
                return m->index(r, c).data(role).toString();
            };
            out << cell(ExchangeModel::CommandColumn) + '|' + cell(ExchangeModel::ResultColumn) +
                       '|' + cell(ExchangeModel::AnswerColumn, Qt::ToolTipRole) +
                       (cell(0, ExchangeModel::FailedRole) == "1" ? "!" : "");
        }
        return out;
    }
    QString summaryRow(int row) const {
        const QAbstractItemModel* m = table("exchange-summary")->model();
        QStringList cells;
        for (int c = 0; c <= CommandSummary::HowColumn; ++c)
            cells << m->index(row, c).data().toString();
        return cells.join('|');
    }
    void switchOn() {
        m_w.action("exchanges")->setChecked(true);
        QVERIFY(!view()->isHidden());
        m_w.openClose()->click();
        QVERIFY(m_w.port()->isOpen());
    }
    // "Run steps..." opened from the menu, with text in its editor.
    StepsDialog* stepsDialog(const QString& text) {
        m_w.action("run-steps")->trigger();
        auto* dialog = m_w.widget()->findChild<StepsDialog*>("steps");
        dialog->findChild<QPlainTextEdit*>()->setPlainText(text);
        return dialog;
    }
    // Types command and answers it with the pieces once it arrived.
    void exchange(const QString& command, const QList<QByteArray>& answer) {
        m_w.type(command);
        QVERIFY(m_peer.waitFor(command.toUtf8() + "\r\n"));
        m_peer.clearReceived();
        for (const QByteArray& piece : answer) {
            if (piece == "~") { // the view hidden and shown again
                m_w.action("exchanges")->setChecked(false);
                m_w.action("exchanges")->setChecked(true);
                continue;
            }
            QVERIFY(m_peer.write(piece));
            QTest::qWait(20); // separate reads
        }
    }

private slots:
    void initTestCase() { test::setIdentity(); }
    void init() {
        QSettings().clear();
        QVERIFY(m_w.create(m_peer.slavePath()));
        m_peer.clearReceived();
    }
    void cleanup() { m_w.destroy(); }

    void rows_data() {
        // clang-format off
        // answer: "-": the module says nothing
        QTest::addColumn<QString>("command"); QTest::addColumn<QList<QByteArray>>("answer");
        QTest::addColumn<QStringList>("expected");
        using Pieces = QList<QByteArray>;
        QTest::newRow("OK") << "AT+VERSION" << Pieces{"+VERSION:1.2\r\nOK\r\n"} << QStringList{"AT+VERSION|OK|+VERSION:1.2"};
        QTest::newRow("ERROR") << "AT+NOPE" << Pieces{"ERROR\r\n"} << QStringList{"AT+NOPE|ERROR|!"};
        QTest::newRow("CME") << "AT+UID" << Pieces{"+CME ERROR: 10\r\n"} << QStringList{"AT+UID|+CME ERROR: 10|!"};
        QTest::newRow("echo and split") << "AT+UID" << Pieces{"AT+U", "ID\r\n+UI", "D:4B\r", "\nO", "K\r\n"} << QStringList{"AT+UID|OK|+UID:4B"};
        QTest::newRow("event inside") << "AT+WFSCANAP" << Pieces{"+WFSCANAP:a\r\n+WFEVENT:UP\r\n+WFSCANAP:b\r\nOK\r\n"} << QStringList{"AT+WFSCANAP|OK|+WFSCANAP:a\n+WFSCANAP:b", "|unsolicited|+WFEVENT:UP"};
        QTest::newRow("OK twice") << "AT" << Pieces{"OK\r\nOK\r\n"} << QStringList{"AT|OK|", "|unsolicited|OK"};
        QTest::newRow("hidden and shown in flight") << "AT+SLOW" << Pieces{"+SLOW:1\r\n", "~", "OK\r\n"} << QStringList{"AT+SLOW|OK|+SLOW:1"};
        QTest::newRow("time-out, late answer") << "AT+SLOW" << Pieces{"-", "+SLOW:1\r\nOK\r\n"} << QStringList{"AT+SLOW|time-out, late: OK|+SLOW:1!"};
        QTest::newRow("bidi from the device") << "AT" << Pieces{"+X:\xe2\x80\xae" "abc\r\nOK\r\n"} << QStringList{"AT|OK|", "|unsolicited|+X:\\x{202e}abc"};
        // Cut short: a cell of a megabyte stalled the window, 20,000 of them took gigabytes.
        QTest::newRow("a line of a megabyte") << "AT+BIG" << Pieces{"+BIG:" + QByteArray(1 << 20, 'x') + "\r\nOK\r\n"} << QStringList{"AT+BIG|OK|+BIG:" + QString(4091, 'x') + QChar(0x2026)};
    }
    void rows() {
        QFETCH(QString, command); QFETCH(QList<QByteArray>, answer); QFETCH(QStringList, expected);
        // clang-format on
        switchOn();
        QVERIFY(m_peer.write("+WFEVENT:BEFORE\r\n"));
        QTRY_COMPARE(shownRows(), QStringList{"|unsolicited|+WFEVENT:BEFORE"});
        if (answer.first() == "-") {
            view()->setTimeout(300);
            m_w.type(command);
            QTRY_VERIFY(shownRows().value(1).endsWith("time-out|!"));
            answer.removeFirst();
            for (const QByteArray& piece : answer)
                QVERIFY(m_peer.write(piece));
        } else {
            exchange(command, answer);
        }
        expected.prepend("|unsolicited|+WFEVENT:BEFORE");
        QTRY_COMPARE(shownRows(), expected);
        // The round trip is there exactly when the final line is.
        const QAbstractItemModel* m = table("exchange-rows")->model();
        QCOMPARE(m->index(1, ExchangeModel::MsColumn).data().isValid(),
                 !expected.at(1).contains("|unsolicited|"));
        QVERIFY(m->index(1, ExchangeModel::AnswerColumn).data().toString().size() <= 501);
    }

    // A binary write is one row: the command with its payload.
    void binaryWrite() {
        switchOn();
        test::Modals modals;
        modals.payload("48 69");
        m_w.type("AT+WRITEB=0,2");
        QVERIFY(m_peer.waitFor("AT+WRITEB=0,2\r\nHi"));
        QVERIFY(m_peer.write("OK\r\n"));
        QTRY_COMPARE(shownRows(), QStringList{"AT+WRITEB=0,2 hex[2]{4869}|OK|"});
    }

    // Hidden, the view takes nothing from the client: no tracker, no rows.
    void hiddenCostsNothing() {
        m_w.openClose()->click();
        QVERIFY(view()->isHidden() && view()->findChildren<at::ExchangeTracker*>().isEmpty());
        exchange("AT", {"OK\r\n"});
        QVERIFY(shownRows().isEmpty());
        m_w.action("exchanges")->setChecked(true);
        QCOMPARE(view()->findChildren<at::ExchangeTracker*>().size(), 1);
        m_w.action("exchanges")->setChecked(false);
        QVERIFY(view()->findChildren<at::ExchangeTracker*>().isEmpty());
        // A command in flight when hidden is followed to its end, and nothing after it.
        m_w.action("exchanges")->setChecked(true);
        m_w.type("AT+SLOW");
        QVERIFY(m_peer.waitFor("AT+SLOW\r\n"));
        m_w.action("exchanges")->setChecked(false);
        QCOMPARE(view()->findChildren<at::ExchangeTracker*>().size(), 1);
        exchange("AT", {"OK\r\n"});
        QTRY_VERIFY(view()->findChildren<at::ExchangeTracker*>().isEmpty());
        QCOMPARE(shownRows().size(), 1);
        QVERIFY(!shownRows().first().startsWith("AT+SLOW||"));
    }

    // The overnight soak in small: every third answer an ERROR, a bound of four rows. The
    // summary counts the whole run; the filter shows the failures; the note tells the drops.
    void summary() {
        switchOn();
        view()->rows()->setMaxRows(4);
        for (int i = 1; i <= 9; ++i)
            exchange("AT+PING", {i % 3 == 0 ? "ERROR\r\n" : "OK\r\n"});
        exchange("AT+UID", {"+UID:1\r\n+CME ERROR: 3\r\n"});
        QTRY_COMPARE(view()->summary()->rowCount(), 2);
        QCOMPARE(summaryRow(0), QString::fromUtf8("AT+PING|9|3|ERROR \u00d73"));
        QCOMPARE(summaryRow(1), QString::fromUtf8("AT+UID|1|1|+CME ERROR: 3 \u00d71"));
        QCOMPARE(shownRows().size(), 4);
        QVERIFY(view()->findChild<QLabel*>("exchanges-note")->text().contains(": 6"));
        view()->findChild<QCheckBox*>("failures-only")->setChecked(true);
        QCOMPARE(shownRows(), QStringList({"AT+PING|ERROR|!", "AT+UID|+CME ERROR: 3|+UID:1!"}));
        QCOMPARE(table("exchange-summary")->model()->rowCount(), 2);
        // A row shown before its answer joins the failures once it fails.
        m_w.type("AT+LAST");
        QVERIFY(m_peer.waitFor("AT+LAST\r\n"));
        QCOMPARE(shownRows().size(), 2);
        QVERIFY(m_peer.write("ERROR\r\n"));
        QTRY_COMPARE(shownRows().value(2), "AT+LAST|ERROR|!");
    }

    // A command's row dropped before its answer came: the answer still counts in the summary
    // and touches no other row.
    void droppedBeforeItsAnswer() {
        switchOn();
        view()->rows()->setMaxRows(1);
        m_w.type("AT+SLOW");
        QVERIFY(m_peer.waitFor("AT+SLOW\r\n"));
        QVERIFY(m_peer.write("+E:1\r\n+E:2\r\n"));
        QTRY_COMPARE(shownRows(), QStringList{"|unsolicited|+E:2"});
        QVERIFY(m_peer.write("OK\r\n"));
        QTRY_COMPARE(view()->summary()->rowCount(), 1);
        QCOMPARE(shownRows(), QStringList{"|unsolicited|+E:2"});
        QCOMPARE(summaryRow(0), "AT+SLOW|1|0|");
    }

    void roundTrips_data() {
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");                 // every millisecond between, once
        QTest::addColumn<QList<qint64>>("expected"); // min, median, 99 %, max
        QTest::addColumn<double>("tolerance");
        QTest::newRow("1 to 100 ms") << 1 << 100 << QList<qint64>{1, 50, 99, 100} << 0.02;
        QTest::newRow("one") << 7 << 7 << QList<qint64>{7, 7, 7, 7} << 0.0;
        QTest::newRow("seconds") << 1000 << 2999 << QList<qint64>{1000, 1999, 2979, 2999} << 0.035;
    }
    void roundTrips() {
        // clang-format off
        QFETCH(int, from); QFETCH(int, to); QFETCH(QList<qint64>, expected); QFETCH(double, tolerance);
        // clang-format on
        RoundTrips trips;
        for (int ms = to; ms >= from; --ms)
            trips.add(ms);
        const QList<qint64> got{trips.min(), trips.percentile(0.5), trips.percentile(0.99),
                                trips.max()};
        for (int i = 0; i < 4; ++i)
            QVERIFY2(qAbs(got[i] - expected[i]) <= tolerance * double(expected[i]),
                     qPrintable(QString("%1: %2").arg(i).arg(got[i])));
    }

    void exportCsv_data() {
        QTest::addColumn<QString>("target"); // file, fifo, dir, full
        QTest::addColumn<bool>("written");
        QTest::newRow("file") << "file" << true;
        QTest::newRow("fifo") << "fifo" << false;
        QTest::newRow("directory") << "dir" << false;
        QTest::newRow("/dev/full") << "full" << false;
    }
    // Quotes, commas and line ends quoted; never a FIFO (it would block), a directory or a
    // device; an old file stays whole when the new one cannot be written.
    void exportCsv() {
        QFETCH(QString, target);
        QFETCH(bool, written);
        switchOn();
        exchange("AT+X=\"a,b\"", {"+X:1\r\n+X:2\r\nOK\r\n"});
        QTRY_COMPARE(shownRows().size(), 1);
        QString path = m_dir.filePath(target);
        if (target == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        if (target == "dir")
            QVERIFY(QDir().mkpath(path));
        if (target == "full")
            path = "/dev/full";
        QString error;
        QCOMPARE(view()->exportCsv(path, &error), written);
        if (!written) {
            QVERIFY(!error.isEmpty());
            return;
        }
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QList<QByteArray> lines = file.readAll().split('\n');
        QCOMPARE(lines.value(0), "Time,Command,Result,ms,Answer\r");
        QVERIFY2(lines.value(1).contains(",\"AT+X=\"\"a,b\"\"\",OK,"), lines.value(1));
        QVERIFY(lines.value(1).endsWith(",\"+X:1"));
        QCOMPARE(lines.value(2), "+X:2\"\r");
    }

    void showEntry_data() {
        QTest::addColumn<bool>("cleared"); // else trimmed at the log's bound
        QTest::newRow("trimmed") << false;
        QTest::newRow("cleared") << true;
    }
    // A double-click shows the command's entry in the log, and holds the log still; once the
    // entry is gone the note says so.
    void showEntry() {
        QFETCH(bool, cleared);
        switchOn();
        exchange("AT+FIRST", {"OK\r\n"});
        exchange("AT+SECOND", {"OK\r\n"});
        QTRY_COMPARE(shownRows().size(), 2);
        QTableView* t = table("exchange-rows");
        emit t->doubleClicked(t->model()->index(0, 0));
        QCOMPARE(m_w.logEdit()->textCursor().selectedText(), "<< AT+FIRST");
        QVERIFY(m_w.action("pause")->isChecked());
        m_w.action("pause")->setChecked(false);
        if (cleared) {
            // The command unanswered, then the log cleared: the same text typed again is
            // another entry.
            view()->setTimeout(300);
            m_w.type("AT+SECOND");
            QVERIFY(m_peer.waitFor("AT+SECOND\r\n"));
            QTRY_VERIFY(shownRows().value(2).endsWith("time-out|!"));
            m_w.logEdit()->flush();
            m_w.clearLog();
            QVERIFY(m_w.log().isEmpty());
            m_w.type("AT+SECOND");
            QTRY_COMPARE(m_w.log().count("<< AT+SECOND"), 1);
        } else {
            m_w.logEdit()->setMaxEntries(1);
            for (int i = 0; i < 3; ++i)
                exchange("AT", {"OK\r\n"});
        }
        m_w.logEdit()->flush();
        emit t->doubleClicked(t->model()->index(cleared ? 2 : 1, 0));
        QVERIFY(view()->findChild<QLabel*>("exchanges-note")->text().contains("AT+SECOND"));
        QVERIFY(!m_w.logEdit()->textCursor().hasSelection());
    }

    void steps_data() {
        // clang-format off
        QTest::addColumn<bool>("keepGoing"); QTest::addColumn<QString>("summary"); QTest::addColumn<QByteArray>("eol");
        QTest::newRow("stops") << false << "8 steps: 1 OK, 1 ERROR at step 2: AT+NOPE: ERROR" << QByteArray("\r");
        QTest::newRow("keep going") << true << "8 steps: 5 OK, 3 ERROR at step 2: AT+NOPE: ERROR" << QByteArray("\r\n");
    }
    // Steps on the simulator: each an exchange, one grey entry at the end. The same file in
    // kelvra-at, on a simulator of its own, gives the same steps, results and answers.
    void steps() {
        QFETCH(bool, keepGoing); QFETCH(QString, summary); QFETCH(QByteArray, eol);
        // clang-format on
        const QStringList faults{"--silent", "FWINFO", "--cme-error", "3"};
        test::Modsim sim;
        QVERIFY(sim.start(faults));
        m_w.destroy();
        QVERIFY(m_w.create(sim.portPath()));
        auto* dialog = stepsDialog({});
        // No line end at the end.
        const QString steps = m_dir.filePath("steps");
        QVERIFY(test::writeFile(
            steps, QByteArray("# bring-up\nAT+VERSION\nAT+NOPE\nAT+UID\nAT+FWINFO\n"
                              "AT+WFCONNAP=\"Lab\"\nwait 2s +WFEVENT:CONNECTED,*\nAT+DATAMODE=2\n"
                              "AT+WRITEB=0,2 4869")
                       .replace("\n", eol)));
        QString error;
        QVERIFY(dialog->load(steps, &error));
        dialog->findChild<QCheckBox*>("steps-keep-going")->setChecked(keepGoing);
        dialog->run();
        QVERIFY(dialog->running());
        dialog->stop();
        dialog->stop(); // twice: no harm
        QTRY_VERIFY(!dialog->running());
        QVERIFY(m_w.log().contains("stopped at step 1"));

        test::Modsim atSim;
        QVERIFY(atSim.start(faults));
        QProcess at;
        at.setStandardInputFile(steps);
        at.start(QFileInfo(qEnvironmentVariable("KELVRA_MODSIM")).dir().filePath("../at/kelvra-at"),
                 QStringList{"--json"} + (keepGoing ? QStringList{"-k"} : QStringList{}) +
                     QStringList{atSim.portPath(), "-"});
        static const char* const statuses[] = {"ok", "error", "timeout", "port failed",
                                               "cancelled"};
        // "number|command|status|result|answer lines"
        const auto row = [](int n, const QString& text, const QString& status,
                            const QString& result, const QString& answer) {
            return QString("%1|%2|%3|%4|%5").arg(n).arg(text, status, result, answer);
        };
        QStringList window;
        dialog->run();
        connect(dialog->findChild<at::StepRunner*>(), &at::StepRunner::stepEnded, this,
                [&](const at::StepRecord& r) {
                    if (r.number > 0)
                        window << row(r.number, r.step.text, statuses[r.status], r.result,
                                      r.answer.join('\n'));
                });
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 15000);
        QVERIFY2(m_w.log().contains(summary), qPrintable(m_w.log()));
        QCOMPARE(m_w.log().count("<< AT+FWINFO"), keepGoing ? 1 : 0);
        QCOMPARE(view()->summary()->rowCount(), keepGoing ? 7 : 2);
        QVERIFY(view()->isHidden()); // the view followed the steps all the same
        QVERIFY(view()->findChildren<at::ExchangeTracker*>().isEmpty());

        QTRY_COMPARE_WITH_TIMEOUT(at.state(), QProcess::NotRunning, 15000);
        QCOMPARE(at.exitCode(), 1);
        QStringList tool;
        for (const QByteArray& line : at.readAllStandardOutput().split('\n')) {
            const QJsonObject o = QJsonDocument::fromJson(line).object();
            QStringList answer;
            for (const QJsonValue& v : o["answer"].toArray())
                answer << v.toString();
            if (o.contains("step"))
                tool << row(o["step"].toInt(),
                            o[o.contains("wait") ? "wait" : "command"].toString(),
                            o["status"].toString(), o["result"].toString(), answer.join('\n'));
        }
        QCOMPARE(window, tool);
        QCOMPARE(window.size(), keepGoing ? 8 : 2);
    }

    // The device vanishing mid-run ends the run there, told, and the next run can start.
    void stepsDeviceGone() {
        test::Modsim sim;
        QVERIFY(sim.start({"--vanish-after", "2"}));
        m_w.destroy();
        QVERIFY(m_w.create(sim.portPath()));
        auto* dialog = stepsDialog("AT\nAT+VERSION\nAT\n");
        dialog->run();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog->running(), 10000);
        QVERIFY2(m_w.log().contains("3 steps: 1 OK, 1 "), qPrintable(m_w.log()));
        QCOMPARE(m_w.log().count("<< AT\n"), 1);
    }

    // A repeating user command skips its ticks while steps run: its answer would be taken for
    // the running step's.
    void stepsHoldRepetitions() {
        UserCommand& repeating = test::userCommand("AT+REP");
        m_w.openClose()->click();
        auto* dialog = stepsDialog("AT+A\nAT+B\n");
        int duringRun = 0;
        connect(m_w.client(), &at::Client::sended, this, [&](const QByteArray& data) {
            if (data.startsWith("AT+REP") && dialog->running())
                ++duringRun;
        });
        dialog->run();
        QVERIFY(m_peer.waitFor("AT+A\r\n"));
        repeating.setAuto(true);
        QTest::qWait(350); // slow steps: ticks fall inside them
        QVERIFY(m_peer.write("OK\r\n"));
        QVERIFY(m_peer.waitFor("AT+B\r\n"));
        QTest::qWait(350);
        QVERIFY(m_peer.write("OK\r\n"));
        QTRY_VERIFY(!dialog->running());
        QVERIFY(m_peer.waitFor("AT+REP\r\n")); // and the ticks go on after the run
        repeating.setAuto(false);
        UserCommands::_self.remove(UserCommands::_self.size() - 1);
        QCOMPARE(duringRun, 0);
        QCOMPARE(m_peer.received().left(m_peer.received().indexOf("AT+REP")),
                 QByteArray("AT+A\r\nAT+B\r\n"));
    }

    // Steps and the other users of the line wait for each other: a rate search would change
    // the rate under a step, a file's bytes would mix with its command.
    void stepsExclusive() {
        m_w.openClose()->click();
        auto* dialog = stepsDialog("AT+A\n");
        QVERIFY(m_w.client()->test()); // the version query
        dialog->run();
        QVERIFY(!dialog->running());
        QCOMPARE(dialog->findChild<QLabel*>("steps-status")->text(),
                 "Not run: wait until the running exchange has ended");
        m_w.client()->serialPortClose(true);
        QVERIFY(!m_w.client()->busy());
        m_peer.clearReceived();
        dialog->run();
        QVERIFY(m_peer.waitFor("AT+A\r\n"));
        m_w.action("find-baud")->trigger();
        QVERIFY(test::writeFile(m_dir.filePath("file"), "AT\r\n"));
        QVERIFY(!m_w.widget()->findChild<FileSender*>()->start(m_dir.filePath("file")));
        QVERIFY(m_peer.write("OK\r\n"));
        QTRY_VERIFY(!dialog->running());
        QVERIFY(m_w.log().contains("1 steps: 1 OK"));
        QCOMPARE(m_w.count("Not searched: wait until the running exchange has ended"), 1);
        QCOMPARE(m_w.count("Not sent: a file waits until the running exchange has ended"), 1);
        QCOMPARE(m_peer.received(), "AT+A\r\n");
        // A command typed meanwhile stops the step; the port did not fail.
        dialog->run();
        QVERIFY(m_peer.waitFor("AT+A\r\nAT+A\r\n"));
        m_w.type("AT");
        QTRY_VERIFY(!dialog->running());
        QVERIFY2(m_w.log().contains("1 steps: 0 OK, 1 stopped at step 1: AT+A: stopped"),
                 qPrintable(m_w.log()));
    }

    // A step of 100,000 characters goes out whole; the dialog shows only its start (a label
    // with all of it took a gigabyte and stalled the window).
    void longStep() {
        m_w.openClose()->click();
        const QString step = "AT+" + QString(100000, 'A');
        auto* dialog = stepsDialog(step + "\nAT\n");
        dialog->run();
        QVERIFY(m_peer.waitFor(step.toUtf8() + "\r\n", 10000));
        QVERIFY(m_peer.write("OK\r\n"));
        QVERIFY(m_peer.waitFor("\r\nAT\r\n"));
        QVERIFY(m_peer.write("ERROR\r\n"));
        QTRY_VERIFY(!dialog->running());
        const QString status = dialog->findChild<QLabel*>("steps-status")->text();
        QVERIFY2(status.startsWith("2 steps: 1 OK, 1 ERROR at step 2: AT: ERROR"),
                 qPrintable(status));
        dialog->findChild<QPlainTextEdit*>()->setPlainText("AT\n" + step + "\n");
        dialog->run();
        QVERIFY(m_peer.waitFor("AT\r\n"));
        QVERIFY(m_peer.write("OK\r\n"));
        QVERIFY(m_peer.waitFor(step.toUtf8() + "\r\n", 10000));
        QVERIFY(dialog->running());
        QVERIFY(dialog->findChild<QLabel*>("steps-status")->text().size() < 1000);
        dialog->stop();
        QTRY_VERIFY(!dialog->running());
        QVERIFY(dialog->findChild<QLabel*>("steps-status")->text().size() < 1000);
    }

    // A step file that is a FIFO or over 16 MiB is not read; the text in the editor stays.
    void stepFile_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("fifo") << "fifo";
        QTest::newRow("16 MiB + 1") << "big";
        // Read, and laid out unwrapped: wrapped, it stalled the window for minutes.
        QTest::newRow("a line of a megabyte") << "line";
    }
    void stepFile() {
        QFETCH(QString, kind);
        auto* dialog = stepsDialog("AT");
        const QString path = m_dir.filePath("steps-" + kind);
        QFile file(path);
        if (kind == "fifo") {
            QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        } else {
            QVERIFY(file.open(QIODevice::WriteOnly));
            QVERIFY(kind == "line" ? file.write("AT+" + QByteArray(1 << 20, 'A')) > 0
                                   : file.resize(StepsDialog::max_file_size + 1));
            file.close();
        }
        QString error;
        QCOMPARE(dialog->load(path, &error), kind == "line");
        QCOMPARE(error.isEmpty(), kind == "line");
        QCOMPARE(dialog->findChild<QPlainTextEdit*>()->toPlainText().size(),
                 kind == "line" ? 3 + (1 << 20) : 2);
    }

    void markFailed_data() {
        // clang-format off
        QTest::addColumn<bool>("on"); QTest::addColumn<QByteArray>("line"); QTest::addColumn<bool>("red");
        QTest::newRow("off") << false << QByteArray("ERROR") << false;
        QTest::newRow("ERROR") << true << QByteArray("ERROR") << true;
        QTest::newRow("FAIL") << true << QByteArray("FAIL") << true;
        QTest::newRow("CMS") << true << QByteArray("+CMS ERROR: 5") << true;
        QTest::newRow("OK") << true << QByteArray("OK") << false;
        QTest::newRow("in a line") << true << QByteArray("+X:ERROR") << false;
    }
    void markFailed() {
        QFETCH(bool, on); QFETCH(QByteArray, line); QFETCH(bool, red);
        // clang-format on
        m_w.action("mark-failed")->setChecked(on);
        m_w.openClose()->click();
        QVERIFY(m_peer.write(line + "\r\n"));
        QTRY_VERIFY(m_w.log().contains(">> " + line));
        m_w.logEdit()->flush();
        const QTextBlock last = m_w.logEdit()->document()->lastBlock();
        const QColor color = (--last.end()).fragment().charFormat().foreground().color();
        QCOMPARE(color == QColor(Qt::red), red);
    }
};

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    TestExchanges test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_exchanges.moc"
