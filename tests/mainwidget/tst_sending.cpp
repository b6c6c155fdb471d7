// Sending exactly what is meant through the real window on pseudo-terminals: Shift+Return and
// escapes on the wire, a paste of several lines, Send file with its progress, Cancel and a
// vanishing device, files that are refused, and the search for the module's baud rate.

#include "mainwidget/baudfinder.h"
#include "mainwidget/filesender.h"
#include "mainwidget/harness.h"
#include "mainwidget/linesender.h"
#include "mainwidget/progressbox.h"

#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <sys/stat.h>

namespace {

QByteArray randomBytes(qsizetype size) {
    QByteArray data(size, Qt::Uninitialized);
    QRandomGenerator gen(7);
    for (char& c : data)
        c = char(gen.bounded(256));
    return data;
}

// The bytes of the "<< " entries shown as hex rows.
QByteArray sentAsHex(const QString& log) {
    QByteArray bytes;
    for (const QString& line : log.split('\n')) {
        if (line.startsWith("<< ") || line.startsWith("   "))
            bytes += QByteArray::fromHex(line.mid(3, 47).toLatin1());
    }
    return bytes;
}

} // namespace

class TestSending : public QObject {
    Q_OBJECT

    test::Window m_w;
    QTemporaryDir m_dir;
    std::unique_ptr<test::PtyPeer> m_peer; // the module, new for each test

    QString writeFile(const QString& name, const QByteArray& data) {
        return test::writeFile(m_dir.filePath(name), data) ? m_dir.filePath(name) : QString();
    }
    ProgressBox* box(const QString& name) const {
        return m_w.widget()->findChild<ProgressBox*>(name);
    }
    ProgressBox* progress() const { return box(QStringLiteral("send-file-progress")); }
    QMessageBox* confirmation() const {
        return m_w.widget()->findChild<QMessageBox*>(QStringLiteral("paste-confirm"));
    }
    void paste(const QString& text) {
        QApplication::clipboard()->setText(text);
        QTest::keySequence(m_w.input(), QKeySequence::Paste);
    }

private slots:
    void initTestCase() {
        test::setIdentity();
        QVERIFY(m_dir.isValid());
    }
    // For sendFile a device that takes the file only as the test reads it.
    void init() {
        m_peer =
            std::make_unique<test::PtyPeer>(QTest::currentTestFunction() != QString("sendFile"));
        QVERIFY(m_w.create(m_peer->slavePath()));
    }
    void cleanup() {
        m_w.action(QStringLiteral("escapes"))->setChecked(false);
        m_w.destroy();
        m_peer.reset();
    }

    void typed_data() {
        // clang-format off
        // left: in the input line afterwards
        QTest::addColumn<QString>("text"); QTest::addColumn<bool>("shift"); QTest::addColumn<bool>("escapes");
        QTest::addColumn<QByteArray>("wire"); QTest::addColumn<QString>("left");
        QTest::newRow("enter") << "AT" << false << false << QByteArray("AT\r\n") << "";
        QTest::newRow("shift") << "+++" << true << false << QByteArray("+++") << "";
        QTest::newRow("off: backslash as typed") << R"(p\x41\)" << false << false << QByteArray("p\\x41\\\r\n") << "";
        QTest::newRow("on") << R"(AT\x41\t\\x41)" << false << true << QByteArray("ATA\t\\x41\r\n") << "";
        QTest::newRow("on, own line end") << R"(AT\r\n)" << false << true << QByteArray("AT\r\n") << "";
        QTest::newRow("on, cr alone") << R"(AT\r)" << false << true << QByteArray("AT\r\r\n") << "";
        QTest::newRow("on, shift") << R"(\x00\x1b+)" << true << true << QByteArray("\0\x1b+", 3) << "";
        QTest::newRow("on, half escape") << R"(AT\x4)" << false << true << QByteArray() << R"(AT\x4)";
        QTest::newRow("on, trailing") << R"(pass\)" << true << true << QByteArray() << R"(pass\)";
        QTest::newRow("binary write keeps its path") << "AT+WRITEB=1,2" << true << true << QByteArray("AT+WRITEB=1,2\r\n\1\2") << "";
    }
    void typed() {
        QFETCH(QString, text); QFETCH(bool, shift); QFETCH(bool, escapes); QFETCH(QByteArray, wire);
        QFETCH(QString, left);
        // clang-format on
        const qsizetype history = m_w.input()->history.entries.size();
        test::Modals modals;
        modals.payload("0102");
        m_w.action(QStringLiteral("escapes"))->setChecked(escapes);
        QTest::keyClicks(m_w.input(), text);
        QTest::keyClick(m_w.input(), Qt::Key_Return, shift ? Qt::ShiftModifier : Qt::NoModifier);
        if (!left.isEmpty()) // at the escape to mend
            QCOMPARE(m_w.input()->cursorPosition(), int(left.lastIndexOf('\\')));
        // A marker behind it shows that nothing else went before it.
        m_w.input()->clear();
        m_w.action(QStringLiteral("escapes"))->setChecked(false);
        m_w.type(QStringLiteral("AT+END"));
        QVERIFY(m_peer->waitFor("AT+END\r\n"));
        QCOMPARE(m_peer->received(), wire + "AT+END\r\n");
        QCOMPARE(m_w.input()->text(), QString());
        if (!left.isEmpty()) {
            QCOMPARE(m_w.count("Not sent: " + left), 1);
            QCOMPARE(m_w.input()->history.entries.mid(history).contains(left), false);
        } else {
            QCOMPARE(m_w.input()->history.entries.value(history), text);
        }
    }

    void paste_data() {
        // clang-format off
        // answer: "send", "cancel", "" (no question); entries: added to the history
        QTest::addColumn<QString>("text"); QTest::addColumn<QString>("answer"); QTest::addColumn<QByteArray>("wire");
        QTest::addColumn<int>("entries");
        const QString half(50000, 'A');
        QTest::newRow("three") << "AT\nAT+VERSION\r\n\nAT+UID\n" << "send" << QByteArray("AT\r\nAT+VERSION\r\nAT+UID\r\n") << 3;
        QTest::newRow("cancelled") << "AT\nAT+UID" << "cancel" << QByteArray() << 0;
        QTest::newRow("CR only") << "AT\rAT+UID\r" << "send" << QByteArray("AT\r\nAT+UID\r\n") << 2;
        QTest::newRow("return key") << "AT\nAT+UID" << "return" << QByteArray() << 0;
        QTest::newRow("port closed after the first") << "AT\nAT+UID\nAT" << "close" << QByteArray("AT\r\n") << 1;
        QTest::newRow("100,000 characters") << half + "\n" + half << "send" << (half + "\r\n" + half + "\r\n").toLatin1() << 2;
        QTest::newRow("one line is pasted as it is") << "AT+UID\n" << "" << QByteArray() << 0;
        QTest::newRow("binary write refused") << "AT\nAT+WRITEB=0,4\nAT" << "" << QByteArray() << 0;
    }
    void paste() {
        QFETCH(QString, text); QFETCH(QString, answer); QFETCH(QByteArray, wire); QFETCH(int, entries);
        // clang-format on
        const qsizetype history = m_w.input()->history.entries.size();
        paste(text);
        if (!answer.isEmpty()) {
            QTRY_VERIFY(confirmation());
            QVERIFY(confirmation()->text().contains(QString::number(
                text.split(QRegularExpression("[\r\n]"), Qt::SkipEmptyParts).size())));
            if (answer == "close") // by the user, as the first line goes
                connect(
                    m_w.client(), &at::Client::sended, this,
                    [this] {
                        m_w.port()->flush();
                        QTimer::singleShot(0, m_w.openClose(), &QPushButton::click);
                    },
                    Qt::SingleShotConnection);
            if (answer == "return")
                QTest::keyClick(confirmation(), Qt::Key_Return);
            else
                confirmation()
                    ->button(answer == "cancel" ? QMessageBox::Cancel : QMessageBox::Ok)
                    ->click();
            if (!wire.isEmpty())
                QVERIFY(m_peer->waitFor(wire));
            QCOMPARE(m_w.input()->text(), QString()); // nor pasted into the line
        } else {
            QTest::qWait(20);
            QVERIFY(!confirmation());
        }
        m_w.input()->clear();
        m_w.type(QStringLiteral("AT+END"));
        QVERIFY(m_peer->waitFor("AT+END\r\n"));
        QCOMPARE(m_peer->received(), wire + "AT+END\r\n");
        QCOMPARE(m_w.input()->history.entries.size() - history, entries + 1);
        QCOMPARE(m_w.count("needs a payload"), text.contains("WRITEB") ? 1 : 0);
        QCOMPARE(m_w.count("Paste stopped: 1 of 3 lines sent"), answer == "close" ? 1 : 0);
    }

    void pasteThousand() {
        QStringList lines;
        QByteArray wire;
        for (int i = 0; i < 1000; ++i) {
            lines << QString("AT+N=%1").arg(i);
            wire += QString("AT+N=%1\r\n").arg(i).toLatin1();
        }
        const qsizetype history = m_w.input()->history.entries.size();
        paste(lines.join('\n'));
        QTRY_VERIFY(confirmation());
        QVERIFY(confirmation()->text().contains("1000"));
        QSignalSpy sent(m_w.client(), &at::Client::sended);
        int sentAtFirstTurn = -1;
        confirmation()->button(QMessageBox::Ok)->click();
        // The window gets its turn between the lines, not only after the last.
        QTimer::singleShot(0, this, [&] {
            sentAtFirstTurn = int(sent.size());
            paste("AT+X\nAT+Y"); // refused while the first goes
        });
        QVERIFY(m_peer->waitFor("AT+N=999\r\n", 20000));
        QCOMPARE(m_peer->received(), wire);
        QVERIFY(sentAtFirstTurn >= 0 && sentAtFirstTurn < 1000);
        QCOMPARE(m_w.input()->history.entries.mid(history), lines);
        // Nothing keeps turning once the lines are out.
        for (QTimer* timer : m_w.widget()->findChild<LineSender*>()->findChildren<QTimer*>())
            QVERIFY(!timer->isActive());
        QCOMPARE(m_w.count("Not sent: the last paste is still being sent"), 1);
        QVERIFY(!confirmation());
    }

    // Sent through, or stopped.
    void sendFile_data() {
        QTest::addColumn<QString>("how");
        QTest::newRow("to the end") << "end";
        QTest::newRow("cancel") << "cancel";
        QTest::newRow("cancel twice") << "cancel twice";
        // The rows of what went, no more, and no entry of the name.
        QTest::newRow("cancel, as hex") << "cancel hex";
        QTest::newRow("device vanishes") << "vanish";
        QTest::newRow("file deleted meanwhile") << "delete";
        QTest::newRow("file shrinks meanwhile") << "shrink";
        QTest::newRow("file grows meanwhile") << "grow";
    }
    void sendFile() {
        QFETCH(QString, how);
        const QByteArray data = randomBytes(1024 * 1024 + 1); // a read of one byte comes last
        const QString path = writeFile(QStringLiteral("big.bin"), data);
        test::Modals modals;
        modals.chooseFile(path);
        int maximum = -1;
        QList<int> values;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (ProgressBox* b = progress()) {
                maximum = b->maximum();
                values << b->value();
            }
        });
        watch.start(1);
        const bool hex = how.endsWith("hex");
        m_w.action("show-hex")->setChecked(hex);
        m_w.action(QStringLiteral("send-file"))->trigger();
        QTRY_VERIFY(progress());
        auto* sender = m_w.widget()->findChild<FileSender*>();
        QByteArray got; // what the device took
        const auto drainUntil = [&](const std::function<bool()>& done) {
            const auto drained = [&] {
                got += m_peer->drain();
                return done() && m_w.port()->bytesToWrite() == 0;
            };
            return QTest::qWaitFor(drained, 20000);
        };
        if (how.startsWith("cancel")) {
            // At once, before the progress has caught up with what the terminal took.
            QTRY_VERIFY(m_peer->unread() > 0);
            progress()->reject();
            if (how == "cancel twice")
                QTest::keyClick(m_w.widget(), Qt::Key_Escape);
            QTRY_VERIFY(!progress());
            m_w.logEdit()->flush(); // rows of hex take several frames to go in
            const qint64 told = sender->handed();
            QCOMPARE(m_w.count(QString("Send file cancelled: %1 of 1048577 bytes sent").arg(told)),
                     1);
            // No more than was told, and nothing after. The flush also drops what a terminal's
            // other end had not read yet.
            QVERIFY(told > 0 && told < data.size());
            got = m_peer->drain();
            QVERIFY(got.size() <= told);
            QCOMPARE(got, data.left(got.size()));
            QTest::qWait(150);
            QVERIFY(m_peer->drain().isEmpty() && !sender->isSending());
            QCOMPARE(m_w.count("<< big.bin: 1048577 bytes"), hex ? 0 : 1);
            if (hex)
                QCOMPARE(sentAsHex(m_w.log()), data.left(told));
            return;
        }
        // The terminal is full: the send waits on the line.
        QTRY_VERIFY(sender->handed() > 0);
        QTest::qWait(50);
        const qint64 handed = sender->handed();
        QVERIFY(handed < data.size());
        QCOMPARE(progress()->value(), int(handed));
        if (how == "shrink") {
            QVERIFY(QFile(path).resize(1000));
            QVERIFY(drainUntil([&] { return !sender->isSending(); }));
            got += m_peer->drain();
            QCOMPARE(got, data.left(got.size()));
            QCOMPARE(m_w.count(QString("cannot be read any more: %1 of").arg(got.size())), 1);
        } else if (how == "vanish") {
            m_peer->vanish();
            QTRY_VERIFY(!progress());
            QCOMPARE(m_w.count("Send file stopped, the device is gone: "), 1);
        } else {
            if (how == "delete") // the open file goes on to its end
                QVERIFY(QFile::remove(path));
            QFile file(path);
            if (how == "grow") // what it had when chosen goes, no more
                QVERIFY(file.open(QIODevice::Append) && file.write("more") == 4 && file.flush());
            emit UserCommands::_self.sendCommand("AT+TICK"); // a repetition's tick is skipped
            QVERIFY(drainUntil([&] { return got.size() >= data.size(); }));
            QTRY_VERIFY(!progress());
            QCOMPARE(got + m_peer->drain(), data);
            QCOMPARE(maximum, data.size());
            QVERIFY(std::is_sorted(values.begin(), values.end()));
            QCOMPARE(m_w.count("<< "), 1);
            QVERIFY(modals.boxes.isEmpty());
        }
        QVERIFY(!sender->isSending());
        QCOMPARE(m_w.count("<< big.bin: 1048577 bytes"), 1);
    }

    void sendFileRefused_data() {
        // clang-format off
        QTest::addColumn<QString>("kind"); QTest::addColumn<QString>("reason");
        const QString irregular = "Not a regular file";
        QTest::newRow("fifo") << "fifo" << irregular;
        QTest::newRow("directory") << "dir" << irregular;
        QTest::newRow("device") << "/dev/zero" << irregular;
        QTest::newRow("link to a device") << "link" << irregular;
        QTest::newRow("16 MiB + 1") << "large" << "File is too large (more than 16777216 bytes)";
        QTest::newRow("empty") << "empty" << "File is empty";
        QTest::newRow("missing") << "missing" << "Failed to open file";
        QTest::newRow("a transaction runs") << "busy" << "Not sent: a file waits until the running exchange has ended";
    }
    void sendFileRefused() {
        QFETCH(QString, kind); QFETCH(QString, reason);
        // clang-format on
        QString path = m_dir.filePath(kind);
        QFile::remove(path);
        if (kind == "fifo")
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
        else if (kind == "dir")
            QVERIFY(QDir().mkpath(path));
        else if (kind == "large")
            QVERIFY(QFile(writeFile(kind, "x")).resize(16 * 1024 * 1024 + 1));
        else if (kind == "empty")
            writeFile(kind, {});
        else if (kind == "link")
            QVERIFY(QFile::link("/dev/zero", path));
        else if (kind.startsWith('/'))
            path = kind;
        if (kind == "busy") {
            path = writeFile(kind, "AT\r\n");
            QVERIFY(m_w.client()->test()); // the version query
            m_peer->clearReceived();
        }
        test::Modals modals;
        // The dialog would walk into a directory rather than return it.
        QVERIFY(!m_w.widget()->findChild<FileSender*>()->start(path));
        if (kind == "busy") {
            QCOMPARE(m_w.count(reason), 1);
            QVERIFY(modals.boxes.isEmpty());
            QVERIFY(m_peer->received().isEmpty());
            m_w.client()->serialPortClose(true);
            return;
        }
        QTRY_COMPARE(modals.boxes, QStringList{"Error|" + reason + ":\n\n" + path});
        QTest::qWait(20);
        QVERIFY(m_peer->received().isEmpty());
        QCOMPARE(m_w.count("<< "), 0);
        QVERIFY(!m_w.port()->isOpen());
    }

    void findBaud_data() {
        QTest::addColumn<bool>("answers");
        QTest::addColumn<int>("before");
        QTest::newRow("first rate answers") << true << 115200;
        QTest::newRow("chosen rate is not it") << true << 9600;
        QTest::newRow("silent") << false << 9600;
        QTest::newRow("device vanishes") << false << 9600;
    }
    void findBaud() {
        QFETCH(bool, answers);
        QFETCH(int, before);
        m_w.baudrate()->setBaudrate(before);
        const bool vanish = QTest::currentDataTag() == QByteArray("device vanishes");
        m_w.widget()->findChild<BaudFinder*>()->setWait(answers || vanish ? 500 : 1);
        QTimer module;
        qsizetype answered = 0;
        connect(&module, &QTimer::timeout, this, [&] {
            if (vanish && m_peer->received().count("AT\r\n") >= 2)
                m_peer->vanish();
            if (answers && m_peer->received().count("AT\r\n") > answered) {
                ++answered;
                m_peer->write("OK\r\n");
            }
        });
        module.start(1);
        int maximum = -1;
        QTimer watch;
        connect(&watch, &QTimer::timeout, this, [&] {
            if (ProgressBox* b = box(QStringLiteral("find-baud-progress")))
                maximum = b->maximum();
        });
        watch.start(1);
        m_w.action(QStringLiteral("find-baud"))->trigger();
        const int rates = int(QSerialPortInfo::standardBaudRates().size());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return m_w.log().contains(answers  ? "answers at"
                                          : vanish ? "stopped: the port failed"
                                                   : "No rate");
            },
            30000));
        const ProgressBox* finding = box(QStringLiteral("find-baud-progress"));
        QVERIFY(!finding || !finding->isVisible());
        QCOMPARE(maximum, rates);
        if (vanish) { // the port opens again at the rate chosen, not at the one on trial
            QCOMPARE(m_w.port()->baudRate(), before);
            return;
        }
        const int rate = answers ? 115200 : before;
        QCOMPARE(m_peer->received(), QByteArray("AT\r\n").repeated(answers ? 2 : rates));
        QCOMPARE(m_w.baudrate()->baudrate(), rate);
        QCOMPARE(m_w.port()->baudRate(), rate);
        QCOMPARE(m_w.count(answers ? QString("The module answers at 115200 baud")
                                   : QString("No rate answered: %1 rates tried").arg(rates)),
                 1);
    }
};

QTEST_MAIN(TestSending)
#include "tst_sending.moc"
