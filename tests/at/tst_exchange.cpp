// Which command a line answers, and the steps run on it, over a real pseudo-terminal with the
// test playing the module.

#include "at/client.h"
#include "at/exchange.h"
#include "at/steprunner.h"
#include "common/scriptedmodule.h"

#include <QTest>

using test::Answers;
using test::Module;

namespace {

QString summary(const at::StepRecord& r) {
    static const char* const statuses[] = {"ok", "error", "timeout", "port", "cancelled"};
    const auto list = [](const QList<QByteArray>& lines) {
        return QString::fromUtf8(lines.join(','));
    };
    return QString("%1 %2 %3%4 a[%5] u[%6] l[%7] b[%8]")
        .arg(r.number)
        .arg(statuses[r.status])
        .arg(r.echo ? "echo " : "")
        .arg(QString::fromUtf8(r.result), list(r.answer), list(r.unsolicited), list(r.late),
             list(r.blocks));
}

} // namespace

class TestExchange : public QObject {
    Q_OBJECT

private slots:
    // Steps run with a time-out of 100 ms in rows about time-outs, else 3 s; "pre": what the module
    // says before the run.
    void steps_data() {
        // clang-format off
        // heard: the commands the module got
        QTest::addColumn<QStringList>("steps"); QTest::addColumn<Answers>("answers");
        QTest::addColumn<QByteArray>("pre"); QTest::addColumn<bool>("keepGoing"); QTest::addColumn<bool>("bytewise");
        QTest::addColumn<QStringList>("records"); QTest::addColumn<QStringList>("heard");
        const QStringList two{"AT+X", "AT"};
        const Answers readb{{"AT", "OK\r\n+READB:16777217:0\r\n+READB:0:0\r\n"}, {"AT+SEND", "OK\r\n|@100 +READB:2:0\r\nh|i"}, {"AT+READB=0", "+READB:3:0\r\na\nc\r\nOK\r\n"}};
        QTest::newRow("OK, answer split across reads") << QStringList{"AT+UID"} << Answers{{"AT+UID", "+UI|D:1\r|\nOK|\r\n"}} << QByteArray() << false << false << QStringList{"1 ok OK a[+UID:1] u[] l[] b[]"} << QStringList{"AT+UID"};
        QTest::newRow("one byte a read, echo") << QStringList{"AT+UID"} << Answers{{"AT+UID", "AT+UID\r\n+UID:1\r\nOK\r\n"}} << QByteArray() << false << true << QStringList{"1 ok echo OK a[+UID:1] u[] l[] b[]"} << QStringList{"AT+UID"};
        QTest::newRow("ERROR stops the run") << two << Answers{{"AT+X", "ERROR\r\n"}} << QByteArray() << false << false << QStringList{"1 error ERROR a[] u[] l[] b[]"} << QStringList{"AT+X"};
        QTest::newRow("FAIL, keep going") << two << Answers{{"AT+X", "FAIL\r\n"}, {"AT", "OK\r\n"}} << QByteArray() << true << false << QStringList{"1 error FAIL a[] u[] l[] b[]", "2 ok OK a[] u[] l[] b[]"} << two;
        QTest::newRow("+CME ERROR") << two << Answers{{"AT+X", "+CME ERROR: 10\r\n"}} << QByteArray() << false << false << QStringList{"1 error +CME ERROR: 10 a[] u[] l[] b[]"} << QStringList{"AT+X"};
        QTest::newRow("+CMS ERROR") << two << Answers{{"AT+X", "+CMS ERROR: 5\r\n"}} << QByteArray() << false << false << QStringList{"1 error +CMS ERROR: 5 a[] u[] l[] b[]"} << QStringList{"AT+X"};
        QTest::newRow("time-out stops the run") << two << Answers{} << QByteArray() << false << false << QStringList{"1 timeout  a[] u[] l[] b[]"} << QStringList{"AT+X"};
        // The answer to AT belongs to AT, not to the AT+X written after it.
        QTest::newRow("OK twice") << two << Answers{{"AT+X", "OK\r\nOK\r\n"}, {"AT", "ERROR\r\n"}} << QByteArray() << false << false << QStringList{"1 ok OK a[] u[] l[] b[]", "2 error ERROR a[] u[OK] l[] b[]"} << two;
        QTest::newRow("OK before the write") << QStringList{"AT+X"} << Answers{{"AT+X", "ERROR\r\n"}} << QByteArray("OK\r\n") << false << false << QStringList{"1 error ERROR a[] u[OK] l[] b[]"} << QStringList{"AT+X"};
        QTest::newRow("late answer after a time-out, keep going") << two << Answers{{"AT+X", "@250 +X:1\r\nOK\r\n"}, {"AT", "ERROR\r\n"}} << QByteArray() << true << false << QStringList{"1 timeout  a[] u[] l[+X:1,OK] b[]", "2 error ERROR a[] u[] l[] b[]"} << two;
        // Lines all through the quiet spell: it ends at its limit, not later inside the wait.
        QTest::newRow("time-out, a chatty quiet spell") << QStringList{"AT+X", "wait 3s +EV:DONE"} << Answers{{"AT+X", "@150 x\r\n|@300 x\r\n|@300 x\r\n|@650 x\r\n|@800 +EV:DONE\r\n"}} << QByteArray() << true << false << QStringList{"1 timeout  a[] u[] l[x,x,x] b[]", "2 ok +EV:DONE a[+EV:DONE] u[] l[x] b[]"} << QStringList{"AT+X"};
        QTest::newRow("another command's line inside an answer; unsolicited after the last") << QStringList{"AT+SCAN", "AT", "wait +EV*"} << Answers{{"AT+SCAN", "+SCAN:1\r\n+EV:UP\r\n+SCAN:2\r\nOK\r\n"}, {"AT", "OK\r\n+EV:2\r\n"}} << QByteArray() << false << false << QStringList{"1 ok OK a[+SCAN:1,+SCAN:2] u[+EV:UP] l[] b[]", "2 ok OK a[] u[] l[] b[]", "3 ok +EV:UP a[+EV:UP] u[+EV:2] l[] b[]"} << QStringList{"AT+SCAN", "AT"};
        QTest::newRow("+READB blocks: in an answer, awaited") << QStringList{"AT+READB=0", "AT+SEND", "wait +READB*"} << readb << QByteArray() << false << false << QStringList{"1 ok OK a[+READB:3:0] u[] l[] b[a\nc]", "2 ok OK a[] u[] l[] b[]", "3 ok +READB:2:0 a[+READB:2:0] u[] l[] b[hi]"} << QStringList{"AT+READB=0", "AT+SEND"};
        // A run that reports none of it keeps no unsolicited or late lines, nor blocks.
        QTest::newRow("traffic not kept") << QStringList{"AT+X", "AT+SEND", "wait 3s +READB*"} << Answers{{"AT+X", "+EV:1\r\n|@250 OK\r\n"}, {"AT+SEND", readb.value("AT+SEND")}} << QByteArray("+EV:0\r\n") << true << false << QStringList{"1 timeout  a[] u[] l[] b[]", "2 ok OK a[] u[] l[] b[]", "3 ok +READB:2:0 a[+READB:2:0] u[] l[] b[]"} << QStringList{"AT+X", "AT+SEND"};
        QTest::newRow("+READB beyond 16 MiB or of 0 bytes is a line") << QStringList{"AT", "wait +READB*", "wait +READB*"} << readb << QByteArray() << false << false << QStringList{"1 ok OK a[] u[] l[] b[]", "2 ok +READB:16777217:0 a[+READB:16777217:0] u[+READB:0:0] l[] b[]", "3 ok +READB:0:0 a[+READB:0:0] u[] l[] b[]"} << QStringList{"AT"};
    }
    void steps() {
        QFETCH(QStringList, steps); QFETCH(Answers, answers); QFETCH(QByteArray, pre); QFETCH(bool, keepGoing);
        QFETCH(bool, bytewise); QFETCH(QStringList, records); QFETCH(QStringList, heard);
        // clang-format on
        const bool quick = QByteArray(QTest::currentDataTag()).contains("time-out") ||
                           QByteArray(QTest::currentDataTag()).contains("not kept");
        test::PtyPeer peer;
        at::Client client;
        client.serialPort()->setPortName(peer.slavePath());
        QVERIFY(client.serialPortOpen(true));
        Module module(&peer, answers, bytewise);
        at::ExchangeTracker tracker;
        tracker.attach(&client);
        at::StepRunner runner(&client, &tracker);
        runner.setKeepGoing(keepGoing);
        runner.setQuietMs(1000); // far beyond the late answer's delay
        runner.setKeepTraffic(!QByteArray(QTest::currentDataTag()).contains("not kept"));
        QStringList got;
        bool finished = false;
        connect(&runner, &at::StepRunner::stepEnded, this,
                [&](const at::StepRecord& r) { got << summary(r); });
        connect(&runner, &at::StepRunner::finished, this, [&] { finished = true; });
        int taken = 0;
        connect(&tracker, &at::ExchangeTracker::lineTaken, this, [&] { ++taken; });
        if (!pre.isEmpty()) {
            module.say(pre);
            QTRY_VERIFY(taken > 0);
        }
        for (const QString& text : steps) {
            at::Step step;
            QString error;
            QVERIFY2(at::parseStep(text, quick ? 100 : 3000, &step, &error), qPrintable(error));
            runner.add(step);
        }
        runner.noMoreSteps();
        QTRY_VERIFY_WITH_TIMEOUT(finished, 10000);
        QCOMPARE(got, records);
        QCOMPARE(module.heard, heard);
    }

    // The window's use: every line written is a command. "<" writes ("!" behind: and lets it
    // time out), ">" receives a line, "#" a block. Each end: number, status, result, answer
    // and blocks.
    void tracker_data() {
        // clang-format off
        QTest::addColumn<QStringList>("events"); QTest::addColumn<QStringList>("ends");
        QTest::newRow("written before the answer") << QStringList{"<AT+A", "<AT+B", ">+A:1", ">OK"} << QStringList{"1 unanswered  [] {}", "2 ok OK [] {}"};
        QTest::newRow("late answer ends") << QStringList{"<AT+A!", ">+A:1", ">+EV", ">OK", ">OK"} << QStringList{"1 timeout  [] {}", "late 1 timeout OK [+A:1] {}"};
        QTest::newRow("late answer with a block") << QStringList{"<AT+READB=0!", ">+READB:2:0", "#hi", ">OK"} << QStringList{"1 timeout  [] {}", "late 1 timeout OK [+READB:2:0] {hi}"};
        QTest::newRow("late answer cut by a write") << QStringList{"<AT+A!", "<AT", ">+A:1", ">OK"} << QStringList{"1 timeout  [] {}", "2 ok OK [] {}"};
        QTest::newRow("late answer kept up to 1000 lines") << QStringList{"<AT+A!"} + QStringList(1001, ">x") + QStringList{">OK"} << QStringList{"1 timeout  [] {}", "late 1 timeout OK [" + QStringList(1000, "x").join(',') + "] {}"};
    }
    void tracker() {
        QFETCH(QStringList, events); QFETCH(QStringList, ends);
        // clang-format on
        static const char* const statuses[] = {"open", "ok", "error", "timeout", "unanswered"};
        at::ExchangeTracker tracker;
        QStringList got;
        const auto list = [&got](const QString& prefix) {
            return [&got, prefix](const at::Exchange& e) {
                got << prefix + QString("%1 %2 %3 [%4] {%5}")
                                    .arg(e.number)
                                    .arg(statuses[e.status], QString::fromUtf8(e.result),
                                         QString::fromUtf8(e.answer.join(',')),
                                         QString::fromUtf8(e.blocks.join(',')));
            };
        };
        connect(&tracker, &at::ExchangeTracker::exchangeEnded, this, list(""));
        connect(&tracker, &at::ExchangeTracker::lateAnswerEnded, this, list("late "));
        for (QString event : events) {
            const bool timeOut = event.endsWith('!');
            event.remove('!');
            const QByteArray line = event.mid(1).toUtf8() + "\r\n";
            tracker.setTimeout(timeOut ? 1 : 0);
            if (event.startsWith('<'))
                tracker.sent(line);
            else if (event.startsWith('#'))
                tracker.receivedBinary(event.mid(1).toUtf8());
            else
                tracker.received(line);
            if (timeOut)
                QTRY_VERIFY(!tracker.open());
        }
        QCOMPARE(got, ends);
    }
};

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
