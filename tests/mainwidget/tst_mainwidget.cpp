// The real window on a pseudo-terminal, driven as a user would: the log and its bound, the
// dispatch of typed and clicked commands, failed opens and sends after a lost device, settings,
// the command catalogue, the user commands panel, keys, the first start in the user's language.

#include "app/app.h"
#include "app/commandline.h"
#include "at/hexdump.h"
#include "at/portholders.h"
#include "mainwidget/harness.h"
#include "mainwidget/loglayout.h"
#include "mainwidget/portwatch.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QToolButton>
#include <QTranslator>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using wdt::serialport::PortNameCombo;

namespace {

// The log as runs of one colour, "name:text"; a line end is folded into the run it ends.
QStringList runs(const QTextDocument* doc) {
    const QMap<QRgb, QString> names{{QColor(Qt::black).rgb(), "prefix"},
                                    {QColor(Qt::blue).rgb(), "sent"},
                                    {QColor(Qt::green).darker(200).rgb(), "received"},
                                    {QColor(Qt::blue).lighter(150).rgb(), "sentBinary"},
                                    {QColor(Qt::green).darker(120).rgb(), "receivedBinary"},
                                    {QColor(Qt::red).rgb(), "error"},
                                    {QColor(Qt::darkGray).rgb(), "note"}};
    QStringList out;
    QString last;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QString name =
                names.value(it.fragment().charFormat().foreground().color().rgb(), "?");
            if (name != std::exchange(last, name))
                out << name + ':';
            out.last() += it.fragment().text().replace(QChar::LineSeparator, '\n');
        }
        if (block.next().isValid() && !out.isEmpty())
            out.last() += '\n';
    }
    return out;
}

} // namespace

class TestMainWidget : public QObject {
    Q_OBJECT

    test::PtyPeer m_peer;
    test::Window m_w;
    QTemporaryDir m_dir;

    LogEdit* logEdit() const { return m_w.logEdit(); }
    QStringList logRuns() const { return runs(logEdit()->document()); }
    // Red entries of the log that read text.
    int redEntries(const QString& text) const {
        return int(logRuns().filter(QRegularExpression("^error:")).join(QString()).count(text));
    }
    PortNameCombo* combo() const { return m_w.widget()->findChild<PortNameCombo*>(); }
    QTableView* view() const { return m_w.widget()->findChild<QTableView*>(); }
    QAbstractItemModel* model() const { return view()->model(); }
    // Shown and active, so that shortcuts reach the window; the user commands panel too.
    void show() {
        view()->parentWidget()->show();
        m_w.widget()->show();
        m_w.widget()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_w.widget()));
    }
    int addCommand(const QString& value) {
        const int row = UserCommands::_self.append();
        model()->setData(model()->index(row, 1), value, Qt::EditRole);
        return row;
    }
    // Everything the window wrote so far, complete once a marker sent through the client
    // (so nothing enters the history) came behind it.
    QByteArray wire() {
        if (!m_w.port()->isOpen() && !m_w.client()->serialPortOpen(true))
            return "(port not open) " + m_peer.received();
        m_w.client()->userCommand("AT+MARK", QByteArray());
        return m_peer.waitFor("AT+MARK\r\n") ? m_peer.takeReceived().chopped(9)
                                             : "(marker missing) " + m_peer.received();
    }

    // Asks for a pulse of the menu's "Pulse..." with the dialog's values.
    void pulse() {
        m_w.action("pulse")->trigger();
        for (QDialog* dialog : m_w.widget()->findChildren<QDialog*>("pulse-dialog"))
            dialog->isVisible() ? dialog->accept() : void();
    }

private slots:
    void initTestCase() { test::setIdentity(); }
    void init() {
        QSettings().clear();
        QVERIFY(m_w.create(m_peer.slavePath()));
        m_peer.clearReceived();
    }
    void cleanup() {
        UserCommands::_self.removeRange(0, UserCommands::_self.size()); // program-wide
        m_w.destroy();
    }

    // A port that cannot be opened: a red entry for every press of Open and every Enter that
    // has to open it, the toolbar stays closed.
    void openClose() {
        show();
        m_w.baudrate()->setBaudrate(9600); // a rate chosen while closed reaches the port at once
        QCOMPARE(m_w.port()->baudRate(), 9600);
        QTest::mouseClick(m_w.openClose(), Qt::LeftButton);
        QVERIFY(m_w.port()->isOpen() && !m_w.choosersEnabled());
        // What the user types right after Open goes to the input line.
        QCOMPARE(QApplication::focusWidget(), m_w.input());
        QCOMPARE(m_w.openClose()->text(), "Close");
        m_w.openClose()->click();
        QVERIFY(!m_w.port()->isOpen() && m_w.choosersEnabled());
        m_w.port()->setPortName(m_dir.filePath("no-such-tty"));
        for (int press = 1; press <= 4; ++press) {
            press % 2 ? m_w.openClose()->click() : m_w.type("AT");
            QCOMPARE(redEntries("Serial port error:  "), press);
        }
        QCOMPARE(logRuns().size(), 1);
        QCOMPARE(logRuns().first().count('\n'), 4);
        QVERIFY(!m_w.port()->isOpen() && m_w.choosersEnabled());
        QCOMPARE(m_w.openClose()->text(), "Open");
        // No terminal at all: said once and plainly, not as the list of who holds /dev/null.
        QVERIFY(test::writeFile(m_dir.filePath("plain"), "AT\r\n"));
        for (const QString& name :
             QStringList{"/dev/null", m_dir.path(), m_dir.filePath("plain")}) {
            m_w.port()->setPortName(name);
            m_w.openClose()->click();
            QCOMPARE(redEntries("Serial port error:  " + name + " is"), 1);
        }
        QCOMPARE(redEntries(" is in use by "), 0);
        QCOMPARE(redEntries(" is not a terminal"), 2);
        // A path that cannot be looked up says why, not what the lock file made of it.
        const QString tooLong = m_dir.filePath(QString(5000, 'x'));
        m_w.port()->setPortName(tooLong);
        m_w.openClose()->click();
        QCOMPARE(m_w.count("Serial port error:  " + tooLong + ": File name too long\n"), 1);
        QVERIFY(!m_w.port()->isOpen() && test::readFile(m_dir.filePath("plain")) == "AT\r\n");
    }

    // A port that another program holds is left to it, whatever the rights: the entry names
    // the holder instead of a permission error.
    void heldElsewhere() {
        QProcess holder;
        holder.setStandardInputFile(m_peer.slavePath());
        holder.start("sleep", {"30"});
        QVERIFY(holder.waitForStarted());
        m_w.openClose()->click();
        QCOMPARE(redEntries(QString("Serial port error:  %1 is in use by PID %2 (")
                                .arg(m_w.port()->portName())
                                .arg(holder.processId())),
                 1);
        QVERIFY2(m_w.log().endsWith("sleep 30)\n") && !m_w.port()->isOpen(), qPrintable(m_w.log()));
        holder.kill();
        QVERIFY(holder.waitForFinished());
        m_w.openClose()->click();
        QVERIFY(m_w.port()->isOpen());
    }

    void entries_data() {
        // clang-format off
        // wire: what the module says; empty: AT is typed; shaped: a combining mark needs it, line noise does not
        QTest::addColumn<QByteArray>("wire"); QTest::addColumn<QString>("entry"); QTest::addColumn<bool>("shaped");
        QTest::newRow("typed") << QByteArray() << "sent:AT\n" << false;
        QTest::newRow("line") << QByteArray("OK\r\n") << "received:OK\n" << false;
        QTest::newRow("mark") << QByteArray("e\xcc\x81\r\n") << "received:e\u0301\n" << true;
        QTest::newRow("arabic") << QByteArray("\xd8\xa7\xd9\x84\r\n") << "received:\u0627\u0644\n" << true;
        QTest::newRow("noise") << QByteArray("\x01\xfe\r\n") << "received:\u0001\ufffd\n" << false;
        QTest::newRow("C1 control") << QByteArray("\xc2\x85\r\n") << "received:\u0085\n" << true;
        // One byte that is no UTF-8 does not make a line noise.
        QTest::newRow("one bad byte") << QByteArray("cafe\xcc\x81 \xd8\xb3\xd9\x84\xd8\xa7\xd9\x85 \xff\r\n") << "received:cafe\u0301 \u0633\u0644\u0627\u0645 \ufffd\n" << true;
        // Each line has a direction of its own, though lines share blocks.
        QTest::newRow("arabic lines") << QByteArray("\xd8\xa7\xd9\x84\r\n\xd8\xb3\xd9\x84\r\n12\r\n\xd8\xa7\r\n") << "received:\u0627\n" << true;
        // A placeholder, a line feed and a byte that is no UTF-8, all in one block.
        QTest::newRow("binary") << QByteArray("+READB:4\r\n%1\n\xff") << "receivedBinary:hex[4]{25310aff}\n   str{%1\n\ufffd}\n" << false;
    }
    void entries() {
        QFETCH(QByteArray, wire); QFETCH(QString, entry); QFETCH(bool, shaped);
        // clang-format on
        show(); // laid out
        if (wire.isEmpty()) {
            m_w.type("AT");
            QVERIFY(m_w.input()->text().isEmpty());
        } else {
            m_w.openClose()->click();
            QVERIFY(m_peer.write(wire));
        }
        QTRY_COMPARE(logRuns().value(logRuns().size() - 1), entry);
        QCOMPARE(logRuns().at(logRuns().size() - 2),
                 "prefix:" + QString(wire.isEmpty() ? "<< " : ">> "));
        QTextCharFormat last;
        for (QTextBlock b = logEdit()->document()->begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it)
                last = it.fragment().charFormat();
        }
        QCOMPARE(last.fontStyleStrategy() == QFont::PreferDefault, shaped);
        // Laid out left to right from the prefix, whatever the script of the text.
        logEdit()->flush();
        const QString prefix = wire.isEmpty() ? "<< " : ">> ";
        for (qsizetype at = m_w.log().indexOf(prefix); at >= 0;
             at = m_w.log().indexOf(prefix, at + 1)) {
            QTextCursor start(logEdit()->document());
            start.setPosition(int(at));
            QVERIFY2(logEdit()->cursorRect(start).x() < 10, qPrintable(QString::number(at)));
        }
        // The next entry starts on a line of its own; a new entry drops a selection.
        logEdit()->selectAll();
        m_w.type("AT+MARK");
        QVERIFY(m_peer.waitFor("AT+MARK\r\n"));
        QVERIFY(m_w.log().contains(entry.mid(entry.indexOf(':') + 1) + "<< AT+MARK"));
        QVERIFY(!logEdit()->textCursor().hasSelection());
        QVERIFY(!logEdit()->document()->isUndoRedoEnabled());
        // "Clear" in the context menu empties the log; the next entry starts at the top.
        m_w.clearLog();
        QVERIFY(m_w.log().isEmpty());
        m_w.type("AT");
        QTRY_COMPARE(logRuns(), QStringList({"prefix:<< ", "sent:AT\n"}));
    }

    void logBound_data() {
        // clang-format off
        // entries: the bounds; an entry is 22 characters
        QTest::addColumn<QString>("user"); QTest::addColumn<int>("entries"); QTest::addColumn<int>("characters");
        QTest::newRow("following the end") << "" << 10 << 100000;
        QTest::newRow("text selected") << "select" << 10 << 100000;
        QTest::newRow("scrolled up") << "scroll" << 10 << 100000;
        QTest::newRow("long entries") << "" << 1000 << 100;
    }
    // The log keeps the newest entries, trimming the oldest whole; the view ends at the end.
    void logBound() {
        QFETCH(QString, user); QFETCH(int, entries); QFETCH(int, characters);
        // clang-format on
        QCOMPARE(logEdit()->maxEntries(), LogEdit::default_max_entries);
        logEdit()->setMaxEntries(entries);
        logEdit()->setMaxCharacters(characters);
        m_w.widget()->resize(500, 300);
        show();
        m_w.openClose()->click();
        // A carriage return inside a line makes every entry two lines.
        QByteArray lines;
        for (int i = 0; i < 50; ++i)
            lines += QString("first %1\rsecond %1\r\n").arg(i).toLatin1();
        const qsizetype half = lines.indexOf("first 30");
        QVERIFY(m_peer.write(lines.left(half)));
        QVERIFY(QTest::qWaitFor([&] { return m_w.log().contains("second 29"); }));
        QScrollBar* bar = logEdit()->verticalScrollBar();
        if (user == "select")
            logEdit()->selectAll();
        if (user == "scroll")
            bar->setValue(0);
        QVERIFY(m_peer.write(lines.mid(half)));
        // Trimmed at the latest when the burst is in: never twice the bound.
        QVERIFY2(QTest::qWaitFor([&] {
                     return m_w.log().contains("second 49") && m_w.count(">> ") < 2 * entries &&
                            m_w.log().size() < 2 * characters;
                 }),
                 qPrintable(m_w.log()));
        const QString text = m_w.log();
        // The top of the log tells how many entries went.
        const int oldest = text.section('\n', 1, 1).section(' ', 2).toInt();
        QCOMPARE(logRuns().first(),
                 QString("note:Entries dropped at the log's bound: %1\n").arg(oldest));
        QString expected = text.section('\n', 0, 0) + '\n';
        for (int i = oldest; i < 50; ++i)
            expected += QString(">> first %1\nsecond %1\n").arg(i);
        QCOMPARE(text, expected);
        QVERIFY(50 - oldest >= qMin(entries, characters / 22));
        QVERIFY(!logEdit()->textCursor().hasSelection() && logEdit()->textCursor().atEnd());
        QVERIFY(QTest::qWaitFor([&] {
            return (bar->value() > 0 || bar->maximum() == 0) &&
                   logEdit()->viewport()->rect().contains(logEdit()->cursorRect());
        }));
        // A triple click selects one line, though lines share blocks.
        QTextCursor line(logEdit()->document());
        line.setPosition(int(text.lastIndexOf(">> first")) + 4);
        const QPoint at = logEdit()->cursorRect(line).center();
        QTest::mouseDClick(logEdit()->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseClick(logEdit()->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(logEdit()->textCursor().selection().toPlainText(), ">> first 49\n");
    }

    // "Stay where I scroll": a view scrolled back keeps showing the same text while entries come
    // and the top is trimmed; back at the end it follows again.
    void stayWhereScrolled() {
        logEdit()->setMaxEntries(100);
        m_w.widget()->resize(500, 300);
        show();
        m_w.action("stay-where-scrolled")->trigger();
        m_w.openClose()->click();
        // The lines from to to, in and laid out.
        const auto feed = [this](int from, int to) {
            QByteArray out;
            for (int i = from; i < to; ++i)
                out += "line " + QByteArray::number(i) + "\r\n";
            const bool in = m_peer.write(out) && QTest::qWaitFor([&] {
                                return m_w.log().contains(QString("line %1\n").arg(to - 1));
                            });
            logEdit()->flush();
            return in;
        };
        const auto topLine = [this] {
            const QTextCursor at = logEdit()->cursorForPosition(QPoint(1, 1));
            const QString text = at.block().text().replace(QChar::LineSeparator, '\n');
            const qsizetype begin = text.lastIndexOf('\n', at.positionInBlock() - 1) + 1;
            return text.mid(begin, text.indexOf('\n', begin) - begin);
        };
        QVERIFY(feed(0, 150));
        QScrollBar* bar = logEdit()->verticalScrollBar();
        QTextCursor read(logEdit()->document());
        read.setPosition(int(m_w.log().indexOf(">> line 120")));
        bar->setValue(bar->value() + logEdit()->cursorRect(read).top());
        QCOMPARE(topLine(), ">> line 120");
        // The top is trimmed at 200 entries, down to 100.
        QVERIFY(feed(150, 210));
        QVERIFY(!m_w.log().contains(">> line 0\n"));
        QCOMPARE(topLine(), ">> line 120");
        // The line read is trimmed away: the view shows the top.
        QVERIFY(feed(210, 320));
        QVERIFY(topLine().startsWith("Entries dropped at the log's bound: "));
        bar->setValue(bar->maximum());
        for (int from : {320, 340}) { // following the end leaves it at the end
            QVERIFY(feed(from, from + 20));
            QVERIFY(logEdit()->viewport()->rect().contains(logEdit()->cursorRect()));
        }
        // A selection at the end stays too.
        logEdit()->selectEntry(logEdit()->lastEntry(), "line 359");
        QVERIFY(feed(360, 380));
        QCOMPARE(logEdit()->textCursor().selectedText(), ">> line 359");
    }

    // A burst bigger than a frame's worth is laid out as it comes, not all at the frame's end.
    void burstLaidOut() {
        show();
        const qreal empty = logEdit()->document()->size().height();
        for (int i = 0; i * 42 < LogEdit::frame_characters; ++i)
            logEdit()->appendEntry(">> ", QString(39, u'x') + u'\n', Qt::black);
        QVERIFY(logEdit()->document()->size().height() > empty);
    }

    // The log's own layout shows, scrolls, selects, finds and hit-tests as the toolkit's does,
    // to the pixel: two logs side by side, one of them on the toolkit's layout.
    void layouts_data() {
        // clang-format off
        // mixed: lines in several scripts, tabs, controls, noise
        QTest::addColumn<bool>("mixed"); QTest::addColumn<int>("width"); QTest::addColumn<QString>("action");
        QTest::newRow("end") << false << 400 << "";
        QTest::newRow("end, narrow") << false << 190 << "";
        QTest::newRow("selection") << false << 400 << "select";
        QTest::newRow("find") << false << 190 << "find";
        QTest::newRow("resize") << false << 400 << "resize";
        QTest::newRow("keys") << false << 400 << "keys";
        QTest::newRow("mouse") << false << 190 << "mouse";
        QTest::newRow("hex rows, narrow") << false << 190 << "hex"; // "30 20": a break
        QTest::newRow("mixed") << true << 190 << "";
        QTest::newRow("mixed, wide") << true << 500 << "";
        QTest::newRow("mixed, very narrow") << true << 40 << ""; // a glyph wider than a line
        QTest::newRow("mixed, find") << true << 190 << "find";
        QTest::newRow("mixed, resize") << true << 400 << "resize";
        QTest::newRow("mixed, mouse") << true << 400 << "mouse";
    }
    void layouts() {
        QFETCH(bool, mixed); QFETCH(int, width); QFETCH(QString, action);
        // clang-format on
        std::unique_ptr<LogEdit> logs[2];
        for (int i = 0; i < 2; ++i) {
            if (i == 1)
                qputenv("KELVRA_TOOLKIT_LAYOUT", "1");
            logs[i] = std::make_unique<LogEdit>();
            qunsetenv("KELVRA_TOOLKIT_LAYOUT");
            logs[i]->setReadOnly(true);
            logs[i]->setFrameStyle(0);
            logs[i]->setFont(logEdit()->font());
            logs[i]->resize(width, 300);
            logs[i]->show();
            QVERIFY(QTest::qWaitForWindowExposed(logs[i].get()));
        }
        auto* own = qobject_cast<LogLayout*>(logs[0]->document()->documentLayout());
        QVERIFY(own && !qobject_cast<LogLayout*>(logs[1]->document()->documentLayout()));
        const QStringList scripts{
            QStringLiteral("\u0627\u0644\u0633\u0644\u0627\u0645 \u0639\u0644\u064a 12"),
            QStringLiteral("\u4e2d\u6587\u5b57\u7b26\u6d4b\u8bd5 \u4e2d\u6587\u5b57\u7b26"
                           "\u6d4b\u8bd5\u4e2d\u6587\u5b57\u7b26\u6d4b\u8bd5"),
            QStringLiteral("cafe\u0301 e\u0301\u0302 marks"),
            QStringLiteral("\tone\ttwo\t\tthree"),
            QStringLiteral("emoji \U0001F600\U0001F680 x"),
            QStringLiteral("\u0001\u0002 controls \ufffd\ufffd")};
        for (int i = 0; i < 400; ++i) {
            QString line =
                QString("+DATA:%1,some words and 0123456789abcdef").arg(i, 8, 10, QChar('0'));
            if (mixed)
                line = scripts[i % scripts.size()] + ' ' + QString::number(i);
            if (i == 150)
                line = QString(3000, 'w').insert(1000, ' '); // past a block's length
            if (action == "hex")
                line = at::hexText(line.toUtf8(), u"   ").chopped(1);
            for (auto& log : logs)
                log->appendEntry(">> ", line + "\r\n", i % 3 ? Qt::darkGreen : Qt::blue);
        }
        for (auto& log : logs)
            log->flush();
        // Plain text is measured by its columns, with nothing left to lay out later.
        QCOMPARE(own->settled(), !mixed);
        if (mixed) {
            // The line at the top of the view stays there while the heights above it are made
            // exact.
            QScrollBar* bar = logs[0]->verticalScrollBar();
            bar->setValue(bar->maximum() / 2);
            QTextCursor top = logs[0]->cursorForPosition(QPoint(0, 0));
            const int y = logs[0]->cursorRect(top).y();
            QTRY_VERIFY(own->settled());
            QCOMPARE(logs[0]->cursorForPosition(QPoint(0, 0)).position(), top.position());
            QCOMPARE(logs[0]->cursorRect(top).y(), y);
            logs[0]->ensureCursorVisible();
        }
        // alike: the views are put at the same place (the toolkit moves its view on a resize
        // as its layout of the whole log goes on).
        const auto same = [&](const char* step, bool alike = false) {
            QTRY_VERIFY(own->settled());
            QScrollBar* bars[] = {logs[0]->verticalScrollBar(), logs[1]->verticalScrollBar()};
            // The toolkit lays out the rest of a resized log a part at a time.
            QTRY_COMPARE(bars[0]->maximum(), bars[1]->maximum());
            if (alike)
                bars[0]->setValue(bars[1]->value());
            QCOMPARE(bars[0]->value(), bars[1]->value());
            QCOMPARE(logs[0]->textCursor().anchor(), logs[1]->textCursor().anchor());
            QCOMPARE(logs[0]->textCursor().position(), logs[1]->textCursor().position());
            const QImage images[] = {logs[0]->grab().toImage(), logs[1]->grab().toImage()};
            if (images[0] != images[1]) {
                images[0].save(QDir::temp().filePath("layouts-own.png"));
                images[1].save(QDir::temp().filePath("layouts-toolkit.png"));
            }
            QVERIFY2(images[0] == images[1], step);
            // A screen reader finds a character where it is drawn.
            const int at =
                logs[0]->cursorForPosition(logs[0]->viewport()->rect().center()).position();
            QRect rects[2];
            for (int i = 0; i < 2; ++i)
                rects[i] = QAccessible::queryAccessibleInterface(logs[i].get())
                               ->textInterface()
                               ->characterRect(at);
            QVERIFY(!rects[1].isEmpty() || width < 100);
            QCOMPARE(rects[0], rects[1]);
        };
        same("end");
        const auto both = [&](const std::function<void(LogEdit*)>& step) {
            for (auto& log : logs)
                step(log.get());
        };
        if (action == "select") {
            both([](LogEdit* log) {
                QTextCursor cursor(log->document());
                cursor.setPosition(5000);
                cursor.setPosition(5400, QTextCursor::KeepAnchor);
                log->setTextCursor(cursor);
            });
        } else if (action == "find") {
            const QString term =
                mixed ? QStringLiteral("\u5b57\u7b26\u6d4b\u8bd5 12") : QString("00000123,some");
            both([&](LogEdit* log) { log->setTextCursor(log->document()->find(term)); });
            QVERIFY(logs[0]->textCursor().hasSelection());
        } else if (action == "resize") {
            both([](LogEdit* log) { log->resize(250, 260); });
            same("resized", true);
            both([](LogEdit* log) { log->verticalScrollBar()->setValue(1000); });
        } else if (action == "keys") {
            // clang-format off
            const QList<QKeyCombination> keys{Qt::ControlModifier | Qt::Key_Home, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_Down,
                                              Qt::ShiftModifier | Qt::Key_PageDown, Qt::ControlModifier | Qt::Key_End, Qt::Key_PageUp};
            // clang-format on
            for (const QKeyCombination key : keys) {
                both([&](LogEdit* log) {
                    QTest::keyClick(log, key.key(), key.keyboardModifiers());
                });
                same(qPrintable(QKeySequence(key).toString()));
            }
        } else if (action == "mouse") {
            both([](LogEdit* log) {
                log->verticalScrollBar()->setValue(log->verticalScrollBar()->maximum() / 3);
            });
            same("scrolled");
            // A click, a Shift+click further down, then a triple click.
            both([](LogEdit* log) {
                QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, QPoint(30, 20));
                QTest::mouseClick(log->viewport(), Qt::LeftButton, Qt::ShiftModifier,
                                  QPoint(80, 200));
            });
            QVERIFY(logs[0]->textCursor().hasSelection());
            same("shift+click");
            both([](LogEdit* log) {
                QTest::mouseDClick(log->viewport(), Qt::LeftButton, {}, QPoint(40, 100));
                QTest::mouseClick(log->viewport(), Qt::LeftButton, {}, QPoint(40, 100));
            });
        }
        same(qPrintable(action));
    }

    void lineEnds_data() {
        // clang-format off
        // wire: written with the port open
        // then: "close", "transaction" or "" (nothing)
        // log: what the log and the recording show
        QTest::addColumn<QByteArray>("wire"); QTest::addColumn<QString>("then"); QTest::addColumn<QString>("log");
        const QByteArray x(70000, 'x');
        const QString pieces = ">> " + QString(65536, 'x') + ">> " + QString(4464, 'x');
        QTest::newRow("close and open") << QByteArray("no newline yet") << "close" << ">> no newline yet\n<< AT\n>> OK\n";
        QTest::newRow("transaction") << QByteArray("+PART") << "transaction" << ">> +PART\n<< AT+VERSION\n>> OK\n";
        // The pieces of a line without end go on with each other up to its end.
        QTest::newRow("pieces") << x + "\r\n" << "" << pieces + "\n<< AT\n>> OK\n";
        // A right-to-left end of such a line does not take a character of the piece before.
        QTest::newRow("pieces, right to left") << x + "\xd8\xa7\r\n" << "" << pieces + "\u0627\n<< AT\n>> OK\n";
        QTest::newRow("pieces, then close") << x << "close" << pieces + "\n<< AT\n>> OK\n";
        // A command sent without its ending is a line of its own; the answer is not glued on.
        QTest::newRow("sent without ending") << QByteArray() << "no ending" << "<< +++\n>> OK\n<< AT\n>> OK\n";
        // As hex: the exact bytes, line ends too, sent and received; a line shown as text
        // before is ended, and nothing of it is lost.
        const auto hex = [](const QString& prefix, const QByteArray& bytes) { return prefix + at::hexText(bytes, u"   "); };
        const QString atOk = hex("<< ", "AT\r\n") + hex(">> ", "OK\r\n");
        QTest::newRow("hex") << QByteArray("OK\r\n") << "hex" << hex(">> ", "OK\r\n") + atOk;
        QTest::newRow("hex from inside a line") << x.left(65536) << "hex mid-line" << ">> " + QString(65536, 'x') + '\n' + hex(">> ", x.mid(65536) + "\r\n") + atOk;
    }
    // A partial line shown at a close or a transaction's start is a line of its own, ended,
    // in the log and in the recording alike.
    void lineEnds() {
        QFETCH(QByteArray, wire); QFETCH(QString, then); QFETCH(QString, log);
        // clang-format on
        const QString path = m_dir.filePath("lines.log");
        QFile::remove(path);
        test::Modals modals;
        modals.chooseFile(path);
        m_w.action("record")->trigger();
        QVERIFY(QFileInfo(path).permission(QFile::ReadOwner | QFile::WriteOwner)); // to be read
        m_w.openClose()->click();
        m_w.action("show-hex")->setChecked(then == "hex");
        QVERIFY(m_peer.write(wire));
        if (then == "hex mid-line") {
            QTRY_VERIFY(m_w.log().endsWith("xxx"));
            m_w.action("show-hex")->setChecked(true);
            QVERIFY(m_peer.write(QByteArray(70000 - 65536, 'x') + "\r\n"));
        }
        if (then == "close") {
            QTest::qWait(200); // taken in by the client
            m_w.openClose()->click();
            QVERIFY(!m_w.port()->isOpen());
        } else if (then.isEmpty() || then.startsWith("hex")) {
            QTRY_VERIFY(m_w.log().endsWith(log.section("<< ", 0, 0)));
        } else if (then == "no ending") {
            m_w.client()->setLineEnding(at::LineEnding::None);
            m_w.type("+++");
            QVERIFY(m_peer.waitFor("+++"));
            m_w.client()->setLineEnding(at::LineEnding::CrLf);
            QVERIFY(m_peer.write("OK\r\n"));
            QTRY_VERIFY(m_w.log().endsWith(">> OK\n"));
        } else if (then == "transaction") {
            QTRY_VERIFY(m_w.client()->serialPort()->bytesAvailable() == 0);
            QTest::qWait(200);
            QVERIFY(m_w.client()->test());
            QVERIFY(m_peer.waitFor("AT+VERSION\r\n"));
            QVERIFY(m_peer.write("OK\r\n"));
        }
        if (then != "transaction") {
            m_w.type("AT");
            QVERIFY(m_peer.waitFor("AT\r\n"));
            QVERIFY(m_peer.write("OK\r\n"));
        }
        QTRY_COMPARE(m_w.log(), log);
        m_w.action("record")->trigger();
        QStringList file = QString(test::readFile(path)).split('\n');
        for (QString& line : file)
            line = line.mid(24);
        QCOMPARE(file.join('\n'), log);
    }

    // Text without break points, however long, is laid out in blocks of a bounded length
    // that copies and the plain text do not show; an entry beyond the log's bound shows its
    // beginning and how much is left out, while a recording keeps every byte.
    void longText() {
        show();
        logEdit()->setMaxCharacters(150000);
        const QString path = m_dir.filePath("long.log");
        test::Modals modals;
        modals.chooseFile(path);
        m_w.action("record")->trigger();
        m_w.openClose()->click();
        QByteArray block(300000, Qt::Uninitialized);
        for (int i = 0; i < block.size(); ++i)
            block[i] = char(i * 7 + i / 256);
        const QByteArray line(140000, '\xff');
        QVERIFY(m_peer.write("+READB:300000\r\n" + block + line + "\r\n"));
        QTRY_VERIFY(m_w.log().endsWith("\ufffd\n"));
        logEdit()->flush();
        const qsizetype shown = (150000 - 40) / 3;
        const QString shownText =
            QString("hex[300000]{%1}\n   str{%2}\n")
                .arg(QString(block.first(shown).toHex()), QString::fromUtf8(block.first(shown)))
                .replace("\r\n", "\n")
                .replace('\r', '\n');
        const QString pieces = ">> " + QString(65536, u'\ufffd') + ">> " +
                               QString(65536, u'\ufffd') + ">> " + QString(8928, u'\ufffd') + '\n';
        const QString text = m_w.log();
        QVERIFY(text.endsWith(QString("%1 bytes of this entry not shown\n").arg(300000 - shown) +
                              pieces));
        QVERIFY(text.contains(">> " + shownText));
        for (QTextBlock b = logEdit()->document()->begin(); b.isValid(); b = b.next())
            QVERIFY(b.length() <= LogEdit::block_characters + 1);
        // A copy of the long line gives it as it came.
        QTextCursor select(logEdit()->document());
        select.setPosition(logEdit()->document()->find(pieces.left(20)).selectionStart());
        select.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
        select.movePosition(QTextCursor::PreviousCharacter, QTextCursor::KeepAnchor);
        logEdit()->setTextCursor(select);
        logEdit()->copy();
        QCOMPARE(QApplication::clipboard()->text(), pieces.chopped(1));
        m_w.action("record")->trigger();
        const QString file = QString::fromUtf8(test::readFile(path));
        QVERIFY(file.contains(QString("hex[300000]{%1}\n").arg(QString(block.toHex()))));
        QVERIFY(!file.contains("not shown"));
        QVERIFY(file.endsWith(pieces.right(9000))); // recorded on after the block
        // As hex too: the first rows in the log, every row in the recording, under the first.
        m_w.action("show-hex")->setChecked(true);
        const QString hexPath = m_dir.filePath("long-hex.log");
        modals.chooseFile(hexPath);
        m_w.action("record")->trigger();
        QVERIFY(m_peer.write("+READB:300000\r\n" + block));
        QTRY_VERIFY(m_w.log().endsWith(" bytes of this entry not shown\n"));
        QVERIFY(m_w.log().contains(">> " + at::hexText(block.first(2173 * 16), u"   ")));
        m_w.action("record")->trigger();
        QString recorded;
        for (const QString& line : QString(test::readFile(hexPath)).split('\n'))
            recorded += line.mid(24) + '\n';
        QVERIFY(recorded.contains(">> " + at::hexText(block, u"   ")));
        QVERIFY(!recorded.contains("not shown"));
    }

    // Typed with Enter, clicked in the catalogue, or sent from the user commands table (a
    // double-click on a cell, Return on a row): a binary write asks for its payload, sized by
    // its size field, and goes out exactly, or nothing goes out and the text stays for editing.
    // A catalogue button sends its command or prepares it with the cursor where the user goes
    // on, dropping what was typed. The history records what was typed or sent from the
    // catalogue; the table's text and repetition stay as they were.
    void send_data() {
        // clang-format off
        // how: "typed", "button" (command is its label), a table column ("0", "1") or "Return"
        // maxSize: of the binary dialog; -1: no dialog
        // hex: typed into it; "-": cancelled
        // inputAfter: "|": where the cursor waits
        QTest::addColumn<QString>("how"); QTest::addColumn<QString>("command"); QTest::addColumn<int>("maxSize");
        QTest::addColumn<QString>("hex"); QTest::addColumn<QByteArray>("wire"); QTest::addColumn<QString>("inputAfter");
        QTest::newRow("padded") << "typed" << "AT+WRITEB=1,4" << 4 << "0102" << QByteArray("AT+WRITEB=1,4\r\n\x01\x02\x00\x00", 19) << "";
        QTest::newRow("cut") << "typed" << "AT+WRITEB=1,2" << 2 << "010203" << QByteArray("AT+WRITEB=1,2\r\n\x01\x02") << "";
        QTest::newRow("size appended, odd digit alone") << "typed" << "AT+WRITEB=1," << 0 << "a0b0c" << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c") << "";
        QTest::newRow("size 0 filled in, lower case") << "typed" << "at+writeb=1,0" << 0 << "0a0b0c" << QByteArray("at+writeb=1,3\r\n\x0a\x0b\x0c") << "";
        QTest::newRow("udp fields kept") << "typed" << "AT+WRITEB=1,2,10.0.0.1,80" << 2 << "abcd" << QByteArray("AT+WRITEB=1,2,10.0.0.1,80\r\n\xab\xcd") << "";
        QTest::newRow("empty size before udp fields") << "typed" << "AT+WRITEB=0,,10.0.0.1,80" << 0 << "0a0b0c" << QByteArray("AT+WRITEB=0,3,10.0.0.1,80\r\n\x0a\x0b\x0c") << "";
        QTest::newRow("empty size, nothing typed") << "typed" << "AT+WRITEB=1," << 0 << "" << QByteArray() << "AT+WRITEB=1,";
        QTest::newRow("cancel") << "typed" << "AT+WRITEB=0,16" << 16 << "-" << QByteArray() << "AT+WRITEB=0,16";
        QTest::newRow("empty line") << "typed" << "" << -1 << "" << QByteArray() << "";
        // Not sent, and the log says why.
        QTest::newRow("size above bound") << "typed" << "AT+WRITEB=1,16777217" << -1 << "" << QByteArray() << "AT+WRITEB=1,16777217";
        QTest::newRow("size beyond 32 bits") << "typed" << "AT+WRITEB=0,4294967296,1.2.3.4,80" << -1 << "" << QByteArray() << "AT+WRITEB=0,4294967296,1.2.3.4,80";
        QTest::newRow("send cell") << "0" << "AT+VERSION" << -1 << "" << QByteArray("AT+VERSION\r\n") << "";
        QTest::newRow("text cell") << "1" << "AT+VERSION" << -1 << "" << QByteArray() << "";
        QTest::newRow("Return on the row") << "Return" << "AT+VERSION" << -1 << "" << QByteArray("AT+VERSION\r\n") << "";
        QTest::newRow("binary write from the table") << "0" << "AT+WRITEB=1," << 0 << "0a0b0c" << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c") << "";
        QTest::newRow("binary write from the table, cancelled") << "0" << "AT+WRITEB=1,2" << 2 << "-" << QByteArray() << "AT+WRITEB=1,2";
        // A repeating binary write sends nothing and says so once, not at every tick.
        QTest::newRow("repeating binary write") << "repeat" << "at+writeB=1,4" << -1 << "" << QByteArray() << "";
        QTest::newRow("repeating binary write above bound") << "repeat" << "AT+WRITEB=1,16777217" << -1 << "" << QByteArray() << "";
        // The whole catalogue, as the user meets it: a sent entry goes out as labelled, a
        // prepared one waits in the input line ('|' the cursor).
        const char* const catalogue[][2] = {
            {"AT", ""}, {"AT+VERSION", ""}, {"AT+UID", ""}, {"AT+RESET", ""}, {"AT+SLEEP", ""},
            {"AT+WFMODE?", ""}, {"AT+WFMODE=<mode>", "AT+WFMODE=|"}, {"AT+WFSCANAP", ""},
            {"AT+WFSCANAPOPT?", ""}, {"AT+WFSCANAPOPT=", "AT+WFSCANAPOPT=1023|"}, {"AT+WFSTAIP?", ""},
            {"AT+WFSTAIP=0", ""}, {"AT+WFSTAIP=1,", "AT+WFSTAIP=1,\"|\",\"255.255.255.0\",\"\""},
            {"AT+WFSTAMAC?", ""}, {"AT+WFSTAMAC=<mac>", "AT+WFSTAMAC=\"|\""}, {"AT+WFCONNAP=", "AT+WFCONNAP=\"|\""},
            {"AT+WFDISCONNAP", ""}, {"AT+WFAPIP?", ""}, {"AT+WFAPIP=<ip>,<mac>", "AT+WFAPIP=\"|\",\"\""},
            {"AT+WFAPMAC?", ""}, {"AT+WFAPMAC=<mac>", "AT+WFAPMAC=\"|\""}, {"AT+WFAPCONF=", "AT+WFAPCONF=\"|\""},
            {"AT+PING=", "AT+PING=\"|\""}, {"AT+DNS=", "AT+DNS=\"|\""}, {"AT+DATAMODE=", "AT+DATAMODE=|"},
            {"AT+UDPOPEN=", "AT+UDPOPEN|"}, {"AT+TCPCONN=", "AT+TCPCONN=\"|\","}, {"AT+TCPLISTEN=", "AT+TCPLISTEN=|"},
            {"AT+WRITE=", "AT+WRITE=|,"}, {"AT+WRITEB=", "AT+WRITEB=|,"}, {"AT+CLOSE=<index>", "AT+CLOSE=|"},
            {"AT+SSTAT", ""}, {"AT+FWINFO", ""}, {"AT+FWSEL=", "AT+FWSEL=|"},
        };
        for (const auto& [label, prepared] : catalogue) {
            const QByteArray wire = *prepared ? QByteArray() : QByteArray(label) + "\r\n";
            QTest::addRow("catalogue %s", label) << "button" << label << -1 << "" << wire << QString(prepared);
        }
        // Forms the dispatch cannot read go out as plain text, without a dialog.
        for (const char* p : {"AT+WRITEB=1,x", "AT+WRITEB=1,-4"})
            QTest::newRow(p) << "typed" << QString(p) << -1 << QString() << QByteArray(p) + "\r\n" << QString();
    }
    void send() {
        QFETCH(QString, how); QFETCH(QString, command); QFETCH(int, maxSize); QFETCH(QString, hex);
        QFETCH(QByteArray, wire); QFETCH(QString, inputAfter);
        // clang-format on
        test::Modals modals;
        int seenMax = -1;
        modals.payload(hex, &seenMax);
        const QStringList history = m_w.input()->history.entries;
        int row = -1;
        if (how == "typed") {
            m_w.type(command);
        } else if (how == "button") {
            show();
            m_w.input()->setText("typed but not entered");
            QTest::mouseClick(m_w.button(command), Qt::LeftButton);
            QTRY_VERIFY(m_w.input()->hasFocus());
            QCOMPARE(m_w.port()->isOpen(), !wire.isEmpty());
        } else if (how == "repeat") {
            QVERIFY(test::repeat(UserCommands::_self.command(row = addCommand(command))));
        } else {
            show();
            addCommand("AT+FIRST");
            row = addCommand(command);
            if (how == "Return") {
                view()->setFocus();
                view()->setCurrentIndex(model()->index(row, 1));
                QTest::keyClick(view(), Qt::Key_Return);
            } else {
                const QPoint pos = view()->visualRect(model()->index(row, how.toInt())).center();
                // The double-click alone does not carry the press the view expects first.
                QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
                QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
            }
            QCOMPARE(m_w.port()->isOpen(), how != "1");
            QCOMPARE(bool(qobject_cast<QLineEdit*>(view()->indexWidget(model()->index(row, 1)))),
                     how == "1");
            // The send opened the port: typing goes on in the input line.
            if (how != "1" && maxSize < 0)
                QTRY_VERIFY(m_w.input()->hasFocus());
        }
        QCOMPARE(seenMax, maxSize);
        QCOMPARE(m_w.input()->text(), QString(inputAfter).remove('|'));
        if (inputAfter.contains('|'))
            QCOMPARE(m_w.input()->cursorPosition(), inputAfter.indexOf('|'));
        QCOMPARE(this->wire().toHex(' '), wire.toHex(' ')); // everything that went out
        if (how == "typed" || (how == "button" && !wire.isEmpty()))
            QCOMPARE(m_w.input()->history.entries.last(), command);
        else
            QCOMPARE(m_w.input()->history.entries, history);
        if (row >= 0) {
            QCOMPARE(UserCommands::_self.command(row).value(), command);
            QVERIFY(!UserCommands::_self.command(row).isAuto());
        }
        if (maxSize >= 0 && !wire.isEmpty()) {
            const QByteArray data = wire.mid(wire.indexOf('\n') + 1);
            QVERIFY(logRuns().contains(QString("sentBinary:hex[%1]{%2}\n   str{%3}\n")
                                           .arg(data.size())
                                           .arg(data.toHex(), QString::fromUtf8(data))));
        }
        QCOMPARE(redEntries("Not sent: a binary write carries at most 16777216 bytes"),
                 how == "typed" && maxSize < 0 && !inputAfter.isEmpty() ? 1 : 0);
        QCOMPARE(redEntries(command + " needs a payload"), how == "repeat" ? 1 : 0);
    }

    // After a loss the chooser keeps the lost port chosen, marked as gone: Enter, the table,
    // "Update firmware", Open and a repetition open nothing and say the device is gone (and, with
    // Reconnect on, that it is awaited); a typed command waits in the line. The user's pick of
    // another port lets them go on there; the device back under its path is the chosen port
    // again; another device under that path is refused until the user picks it. Saved at exit:
    // the user's choice.
    void afterLoss_data() {
        // clang-format off
        // how: "Enter", "table", "firmware", "Open" or "repeat"
        // then: "": still gone; "pick": another port picked; "back": the device back; "other":
        // another device under its path; "other, picked": and the user picks it; "unknown":
        // a device under its path the system has not described yet
        QTest::addColumn<QString>("how"); QTest::addColumn<bool>("reconnect"); QTest::addColumn<QString>("then");
        QTest::addColumn<QString>("inputAfter");
        QTest::newRow("Enter") << "Enter" << false << "" << "AT";
        QTest::newRow("Enter, Reconnect on") << "Enter" << true << "" << "AT";
        QTest::newRow("table double-click") << "table" << false << "" << "typed";
        QTest::newRow("firmware") << "firmware" << true << "" << "typed";
        QTest::newRow("Open") << "Open" << false << "" << "typed";
        QTest::newRow("Open, Reconnect on") << "Open" << true << "" << "typed";
        QTest::newRow("repeating command") << "repeat" << false << "" << "typed";
        QTest::newRow("Enter after a pick") << "Enter" << false << "pick" << "";
        QTest::newRow("Enter, the device back") << "Enter" << false << "back" << "";
        QTest::newRow("Open, the device back") << "Open" << false << "back" << "typed";
        QTest::newRow("Enter, another device back") << "Enter" << true << "other" << "AT";
        QTest::newRow("Enter, another device back, Reconnect off") << "Enter" << false << "other" << "AT";
        QTest::newRow("repeating, another device back") << "repeat" << true << "other" << "typed";
        QTest::newRow("Enter, another device picked") << "Enter" << true << "other, picked" << "";
        QTest::newRow("Enter, a device not yet described") << "Enter" << true << "unknown" << "AT";
    }
    void afterLoss() {
        QFETCH(QString, how); QFETCH(bool, reconnect); QFETCH(QString, then); QFETCH(QString, inputAfter);
        // clang-format on
        // Through a link of its own, so that no other terminal taking the number brings it back.
        auto lost = std::make_unique<test::PtyPeer>();
        test::PtyPeer back;
        const QString lostPath = m_dir.filePath("lost");
        QFile::remove(lostPath);
        QVERIFY(QFile::link(lost->slavePath(), lostPath));
        QVERIFY(m_w.create(lostPath + ':' + m_peer.slavePath(), false));
        m_w.action("reconnect")->setChecked(reconnect);
        // Pseudo-terminals tell no identity: the device back is another one where the row says.
        auto* watch = m_w.widget()->findChild<PortWatch*>();
        const QString other = then.startsWith("other") || then == "unknown" ? back.slavePath() : "";
        watch->setIdentitySource([other, then](const QString& location) {
            const bool newcomer = QFileInfo(location).canonicalFilePath() == other;
            return newcomer && then == "unknown" ? QString("\n\n")
                                                 : QString("1a86\n7523\n") + (newcomer ? "B" : "A");
        });
        QVERIFY(m_w.choosePort(lostPath));
        const QString lostName = m_w.port()->portName();
        m_w.openClose()->click();
        lost->vanish();
        QFile::remove(lostPath);
        QVERIFY(QTest::qWaitFor([&] { return !m_w.port()->isOpen() && combo()->isGone(); }));
        QCOMPARE(combo()->portName(), lostPath);
        QCOMPARE(combo()->currentText(), lostPath + " (gone)");
        m_peer.clearReceived();
        test::PtyPeer* device = &m_peer;
        if (then == "pick") {
            combo()->setCurrentIndex(combo()->findData(m_peer.slavePath()));
            emit combo()->activated(combo()->currentIndex());
            QVERIFY(!combo()->contains(lostPath));
        } else if (!then.isEmpty()) {
            QVERIFY(QFile::link(back.slavePath(), lostPath));
            device = &back;
            if (then == "back") {
                QVERIFY(QTest::qWaitFor([&] { return !watch->gone(); }));
            } else if (then == "unknown") {
                QVERIFY(QTest::qWaitFor(
                    [&] { return combo()->currentText() == lostPath + " (virtual)"; }));
                QTest::qWait(1200); // two looks of the watch
                QVERIFY(watch->gone());
            } else {
                QVERIFY(QTest::qWaitFor([&] {
                    return redEntries("Not reopened: " + lostName + " is another device now") == 1;
                }));
                QVERIFY(watch->gone());
                if (then == "other, picked")
                    emit combo()->activated(combo()->currentIndex());
            }
            QCOMPARE(combo()->currentText(), lostPath + " (virtual)");
        }
        QSignalSpy opened(m_w.client(), &at::Client::opened);
        m_w.input()->setText("typed");
        UserCommand& command = UserCommands::_self.command(addCommand("AT"));
        test::Modals modals;
        QVERIFY(test::writeFile(m_dir.filePath("image"), "x"));
        modals.chooseFile(m_dir.filePath("image"));
        if (how == "Enter") {
            m_w.type("AT");
        } else if (how == "table") {
            emit view()->doubleClicked(model()->index(0, 0));
        } else if (how == "Open") {
            m_w.openClose()->click();
        } else if (how == "repeat") {
            QVERIFY(test::repeat(command));
        } else {
            m_w.action("update-firmware")->trigger();
        }
        const bool refused = then.isEmpty() || then == "other" || then == "unknown";
        QCOMPARE(m_w.input()->text(), inputAfter);
        QCOMPARE(redEntries(QString("%1: the device %2 is gone")
                                .arg(how == "Open" ? "Not opened" : "Not sent", lostName)),
                 int(refused));
        QCOMPARE(redEntries("is gone; it is opened again when it comes back"),
                 int(refused && reconnect));
        QCOMPARE(redEntries("Not sent: ") + redEntries("Not opened: "), int(refused));
        QCOMPARE(opened.size(), int(!refused));
        if (!refused) {
            QCOMPARE(QFileInfo(at::portLocation(m_w.port()->portName())).canonicalFilePath(),
                     device->slavePath());
            if (how != "Open")
                QVERIFY(device->waitFor("AT\r\n"));
        }
        m_w.destroy();
        QCOMPARE(QSettings().value("port").toString(),
                 then == "pick" ? m_peer.slavePath() : lostPath);
    }

    // "Record to file..." appends every entry as the log shows it, each line behind the date and
    // the time "Show times" gives the entry, whatever the log's bound drops. A file that cannot
    // be made or is no regular file (a pipe would hold the window in open, or kill it once its
    // reader goes) is refused, a write that fails stops the recording: one red entry each.
    void record() {
        // A long path is elided in the line under the log, which widens nothing.
        const QString path = m_dir.filePath(QString(200, 'r') + ".log"),
                      blocked = m_dir.filePath("file");
        show();
        const int minimumWidth = m_w.widget()->minimumSizeHint().width();
        QVERIFY(test::writeFile(path, "older") && test::writeFile(blocked, "x"));
        const QString pipe = m_dir.filePath("pipe"), fed = m_dir.filePath("read pipe\n");
        for (const QString& fifo : {pipe, fed})
            QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const int reader = ::open(QFile::encodeName(fed).constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        // (A directory the file dialog opens instead of returning it.)
        const QStringList irregular{pipe, fed, "/dev/full", "/dev/zero", m_dir.filePath("to pipe")};
        QVERIFY(QFile::link(pipe, irregular.last()));
        logEdit()->setMaxEntries(5);
        m_w.action("show-times")->setChecked(true);
        auto* line = m_w.widget()->findChild<QLabel*>("session-line");
        test::Modals modals;
        for (const QString& file :
             QStringList{blocked + "/record.log"} + irregular + QStringList{path}) {
            modals.chooseFile(file);
            m_w.action("record")->trigger();
        }
        QCOMPARE(redEntries("Not recording: " + blocked + "/record.log: "), 1);
        for (const QString& file : irregular)
            QCOMPARE(redEntries("Not recording: " + file + ": not a regular file"), 1);
        ::close(reader);
        QVERIFY(!line->isHidden() && line->toolTip() == path);
        QVERIFY2(line->text().contains(u'\u2026') && line->text().endsWith("log"),
                 qPrintable(line->text()));
        QCOMPARE(m_w.widget()->minimumSizeHint().width(), minimumWidth);
        const QDateTime start = QDateTime::currentDateTime();
        QStringList expected{"<< AT"};
        m_w.type("AT");
        QByteArray lines;
        for (int i = 0; i < 20; ++i) {
            expected << ">> line " + QString::number(i);
            lines += expected.last().mid(3).toLatin1() + "\r\n";
        }
        QVERIFY(m_peer.write(lines + "+READB:2\r\nHi"));
        expected += QStringList{">> +READB:2", ">> hex[2]{4869}", "   str{Hi}"};
        QTRY_VERIFY(m_w.log().contains("str{Hi}"));
        m_w.action("record")->trigger();
        QVERIFY(line->isHidden() && m_w.action("record")->text() == "Record to file...");
        const QStringList file = QString(test::readFile(path)).split('\n');
        QCOMPARE(file.first(), "older");
        QCOMPARE(file.last(), "");
        QStringList content, times;
        for (const QString& l : file.mid(1, file.size() - 2))
            content << l.mid(24), times << l.mid(11);
        QCOMPARE(content, expected);
        const QDateTime first =
            QDateTime::fromString(file.at(1).left(23), "yyyy-MM-dd hh:mm:ss.zzz");
        QVERIFY(first >= start && first <= QDateTime::currentDateTime());
        // The times the log shows are the file's; the log keeps only its newest entries.
        logEdit()->flush();
        const QRegularExpression time("^\\d\\d:\\d\\d:\\d\\d\\.\\d{3} ");
        const QStringList timed = m_w.log().split('\n').filter(time);
        for (const QString& shown : timed)
            QVERIFY2(times.contains(shown), qPrintable(shown));
        QVERIFY(timed.size() >= 5 && m_w.count(">> line 0") == 0);
        // A full disk (a file size limit) in the middle of a record, times no longer shown.
        m_w.action("show-times")->setChecked(false);
        modals.chooseFile(path);
        m_w.action("record")->trigger();
        const qint64 size = QFileInfo(path).size();
        QVERIFY(test::saveUnderSizeLimit(size + 100, [&] {
            return m_peer.write(lines) &&
                   QTest::qWaitFor([&] { return redEntries("Recording stopped: " + path) == 1; });
        }));
        QVERIFY(line->isHidden() && m_w.action("record")->text() == "Record to file...");
        QVERIFY(QFileInfo(path).size() <= size + 100);
        logEdit()->flush();
        QVERIFY2(m_w.log().split('\n').filter(time).isEmpty(), qPrintable(m_w.log()));
        m_peer.clearReceived();
        m_w.type("AT+AFTER");
        QCOMPARE(wire(), "AT+AFTER\r\n"); // nothing else is affected
        // A link to a regular file is fine, by a path of 250 characters with a space and a
        // line break in its name.
        const QString link =
            m_dir.filePath(QString(250 - m_dir.path().size() - 9, 'l') + " a\nb.log");
        QVERIFY(link.size() == 250 && QFile::link(path, link));
        modals.chooseFile(link);
        m_w.action("record")->trigger();
        QVERIFY(!line->isHidden());
        m_w.type("AT+LINKED");
        m_w.action("record")->trigger();
        QVERIFY(line->isHidden() && test::readFile(path).endsWith(" << AT+LINKED\n"));
    }

    // Scroll Lock holds the view: the selection stays, new entries wait (the oldest dropped
    // beyond the log's bound) and the log says how many; pressed again, they come in order.
    void pause() {
        show();
        logEdit()->setMaxEntries(10);
        m_w.openClose()->click();
        const auto lines = [](int from, int to, const char* prefix = "", const char* end = "\r\n") {
            QByteArray out;
            for (int i = from; i < to; ++i)
                out += prefix + QByteArray("line ") + QByteArray::number(i) + end;
            return QString(out);
        };
        QVERIFY(m_peer.write(lines(0, 3).toLatin1()));
        QTRY_VERIFY(m_w.log().contains("line 2"));
        QTest::keyClick(m_w.input(), Qt::Key_ScrollLock);
        logEdit()->selectAll();
        QVERIFY(m_peer.write(lines(3, 28).toLatin1()));
        auto* line = m_w.widget()->findChild<QLabel*>("session-line");
        QTRY_COMPARE(line->text(), "Paused, entries waiting: 10, dropped: 15");
        QCOMPARE(m_w.log(), lines(0, 3, ">> ", "\n"));
        QVERIFY(logEdit()->textCursor().hasSelection());
        QTest::keyClick(m_w.input(), Qt::Key_ScrollLock);
        QVERIFY(line->isHidden());
        QTRY_COMPARE(m_w.log(), lines(0, 3, ">> ", "\n") + "Entries dropped while paused: 15\n" +
                                    lines(18, 28, ">> ", "\n"));
        QVERIFY(!logEdit()->textCursor().hasSelection());
    }

    // Ctrl+F opens the find bar and pauses the log; typing shows the first match from the top
    // of the view, Return and F3 step on, with Shift back, wrapping; Escape closes and resumes.
    void find() {
        show();
        m_w.openClose()->click();
        QVERIFY(m_peer.write("alpha 0\r\nbeta 1\r\nalpha 2\r\nBETA 3\r\nbeta 4\r\n"));
        QTRY_VERIFY(m_w.log().contains("beta 4"));
        QTest::keyClick(m_w.input(), Qt::Key_F, Qt::ControlModifier);
        auto* field = m_w.widget()->findChild<QLineEdit*>("find");
        auto* count = m_w.widget()->findChild<QLabel*>("find-count");
        QVERIFY(field->hasFocus());
        QTest::keyClicks(field, "zz");
        QTRY_COMPARE(count->text(), "No matches");
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(field, Qt::Key_Backspace);
        QCOMPARE(count->text(), "");
        QTest::keyClicks(field, "beta");
        // The count, the line of the selected match and the match.
        const auto at = [&] {
            const QString log = m_w.log();
            const QTextCursor match = logEdit()->textCursor();
            const qsizetype from = log.lastIndexOf('\n', match.selectionStart()) + 1;
            return count->text() + ' ' + log.mid(from, log.indexOf('\n', from) - from) + ' ' +
                   match.selectedText();
        };
        QTRY_COMPARE(at(), "1 of 3 >> beta 1 beta");
        QVERIFY(m_peer.write("gamma\r\n"));
        const QStringList steps{"2 of 3 >> BETA 3 BETA", "3 of 3 >> beta 4 beta",
                                "1 of 3 >> beta 1 beta", "3 of 3 >> beta 4 beta",
                                "2 of 3 >> BETA 3 BETA"};
        // clang-format off
        const QList<std::pair<Qt::Key, Qt::KeyboardModifier>> keys{{Qt::Key_Return, Qt::NoModifier}, {Qt::Key_F3, Qt::NoModifier},
            {Qt::Key_F3, Qt::NoModifier}, {Qt::Key_Return, Qt::ShiftModifier}, {Qt::Key_F3, Qt::ShiftModifier}};
        // clang-format on
        for (int i = 0; i < keys.size(); ++i) {
            QTest::keyClick(field, keys[i].first, keys[i].second);
            QCOMPARE(at(), steps[i]);
        }
        QTRY_VERIFY(m_w.widget()->findChild<QLabel*>("session-line")->text().endsWith(": 1"));
        QVERIFY(!m_w.log().contains("gamma"));
        QTest::keyClick(field, Qt::Key_Escape);
        QVERIFY(!field->isVisible() && m_w.log().endsWith("beta 4\n>> gamma\n"));
        // Opened again: the term, selected for typing over, counted afresh.
        QTest::keyClick(m_w.input(), Qt::Key_F, Qt::ControlModifier);
        QCOMPARE(field->selectedText(), "beta");
        QTRY_COMPARE(at(), "1 of 3 >> beta 1 beta");
    }

    // Port, rate, panels, size and splitter come back.
    // Bad command lines are refused (kelvra then exits with 2, before any window).
    void commandLine_data() {
        // clang-format off
        // arguments: behind the program's name; port: "!": refused
        QTest::addColumn<QStringList>("arguments"); QTest::addColumn<QString>("port");
        QTest::addColumn<int>("baudrate");
        QTest::newRow("none") << QStringList{} << "" << 0;
        QTest::newRow("port and rate") << QStringList{"/dev/ttyUSB0", "-b", "921600"} << "/dev/ttyUSB0" << 921600;
        QTest::newRow("--baud=, the toolkit's options") << QStringList{"-platform", "offscreen", "--baud=9600", "-style", "fusion", "pts/3", "-reverse"} << "pts/3" << 9600;
        QTest::newRow("rate 0") << QStringList{"x", "-b", "0"} << "!" << 0;
        QTest::newRow("rate -1") << QStringList{"x", "--baud", "-1"} << "!" << 0;
        QTest::newRow("rate beyond 32 bits") << QStringList{"x", "-b", "99999999999"} << "!" << 0;
        QTest::newRow("rate missing") << QStringList{"x", "-b"} << "!" << 0;
        QTest::newRow("unknown option") << QStringList{"--fast", "x"} << "!" << 0;
        QTest::newRow("two ports") << QStringList{"x", "y"} << "!" << 0;
    }
    void commandLine() {
        QFETCH(QStringList, arguments); QFETCH(QString, port); QFETCH(int, baudrate);
        // clang-format on
        app::CommandLine line;
        QString error;
        const bool parsed = app::parseCommandLine(QStringList{"kelvra"} + arguments, &line, &error);
        QCOMPARE(parsed, port != "!");
        QCOMPARE(error.isEmpty(), parsed);
        if (parsed)
            QVERIFY(line.port == port && line.baudrate == baudrate);
    }

    // A port given at start that the system does not list is listed, chosen with its rate and
    // opened; the next start lists and chooses it again.
    void portAtStart() {
        m_w.destroy();
        QSettings().remove("port");
        const QString elsewhere = m_dir.filePath("elsewhere");
        QVERIFY(m_w.create(elsewhere, false));
        QVERIFY(!combo()->contains(m_peer.slavePath()));
        m_w.widget()->openAtStart(m_peer.slavePath(), 250000);
        QCOMPARE(combo()->portName(), m_peer.slavePath());
        QCOMPARE(combo()->currentText(), m_peer.slavePath() + " (by path)");
        QCOMPARE(m_w.baudrate()->baudrate(), 250000);
        QVERIFY2(m_w.port()->isOpen(), qPrintable(m_w.log()));
        QCOMPARE(m_w.port()->baudRate(), 250000);
        m_w.destroy();
        QVERIFY(m_w.create(elsewhere, false));
        QCOMPARE(combo()->portName(), m_peer.slavePath());
        QVERIFY(!m_w.port()->isOpen());
        // A long path keeps the window narrower than a screen.
        m_w.widget()->openAtStart(m_dir.filePath(QString(250, 'p')), 0);
        QVERIFY(m_w.widget()->minimumSizeHint().width() < 1000);
    }

    void settings() {
        QVERIFY(!m_w.action("user-commands")->isChecked() &&
                m_w.action("command-list")->isChecked());
        m_w.widget()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.widget()));
        m_w.widget()->setGeometry(40, 50, 700, 400);
        m_w.baudrate()->setBaudrate(9600);
        m_w.action("user-commands")->setChecked(true);
        m_w.action("command-list")->setChecked(false);
        QTest::qWait(20);
        m_w.widget()->findChild<QSplitter*>()->setSizes({300, 200});
        const QList<int> sizes = m_w.widget()->findChild<QSplitter*>()->sizes();
        QVERIFY(m_w.pick("stopBits", QSerialPort::TwoStop));
        QVERIFY(m_w.pick("lineEnding", int(at::LineEnding::Lf)));
        m_w.action("dtr")->setChecked(false);
        m_w.action("show-times")->setChecked(true);
        m_w.destroy();
        QVERIFY(m_w.create(m_peer.slavePath(), false));
        QCOMPARE(combo()->portName(), m_peer.slavePath());
        QVERIFY(m_w.action("user-commands")->isChecked() &&
                !m_w.action("command-list")->isChecked());
        QCOMPARE(m_w.port()->baudRate(), 9600);
        QCOMPARE(m_w.port()->stopBits(), QSerialPort::TwoStop);
        QCOMPARE(m_w.client()->lineEnding(), at::LineEnding::Lf);
        QCOMPARE(m_w.lineCombo("stopBits")->currentText(), "2");
        QCOMPARE(m_w.widget()->findChild<QLabel*>("line-shape")->text(), "8N2");
        QVERIFY(!m_w.action("dtr")->isChecked() && m_w.action("rts")->isChecked() &&
                m_w.action("show-times")->isChecked());
        m_w.widget()->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_w.widget()));
        QCOMPARE(m_w.widget()->size(), QSize(700, 400));
        QCOMPARE(m_w.widget()->findChild<QSplitter*>()->sizes(), sizes);
        QVERIFY(!m_w.button("AT+VERSION")->isVisible());
        m_w.action("command-list")->setChecked(true);
        QVERIFY(m_w.button("AT+VERSION")->isVisible());
    }

    // A setting picked in the dialog reaches the open port at once, or the port at its next
    // open. What the terminal does not keep (a pseudo-terminal carries 8 bits without parity;
    // termios knows no 1.5 stop bits) gives one red entry naming it, and the port and the
    // dialog keep what they had. The toolbar shows a shape other than 8N1.
    void line_data() {
        // clang-format off
        // open: picked while the port is open, else before the open
        // shape: in the toolbar; empty: hidden
        // refused: named in the red entry; empty: taken
        QTest::addColumn<bool>("open"); QTest::addColumn<QString>("combo"); QTest::addColumn<int>("value");
        QTest::addColumn<QString>("shape"); QTest::addColumn<QString>("refused");
        QTest::newRow("RTS/CTS on the open port") << true << "flowControl" << int(QSerialPort::HardwareControl) << "8N1 RTS/CTS" << "";
        QTest::newRow("XON/XOFF before the open") << false << "flowControl" << int(QSerialPort::SoftwareControl) << "8N1 XON/XOFF" << "";
        QTest::newRow("2 stop bits on the open port") << true << "stopBits" << int(QSerialPort::TwoStop) << "8N2" << "";
        QTest::newRow("2 stop bits before the open") << false << "stopBits" << int(QSerialPort::TwoStop) << "8N2" << "";
        QTest::newRow("even parity on the open port") << true << "parity" << int(QSerialPort::EvenParity) << "" << "even parity";
        QTest::newRow("mark parity before the open") << false << "parity" << int(QSerialPort::MarkParity) << "" << "mark parity";
        QTest::newRow("7 data bits before the open") << false << "dataBits" << 7 << "" << "7 data bits";
        QTest::newRow("5 data bits on the open port") << true << "dataBits" << 5 << "" << "5 data bits";
        QTest::newRow("1.5 stop bits on the open port") << true << "stopBits" << int(QSerialPort::OneAndHalfStop) << "" << "1.5 stop bits";
    }
    void line() {
        QFETCH(bool, open); QFETCH(QString, combo); QFETCH(int, value); QFETCH(QString, shape);
        QFETCH(QString, refused);
        // clang-format on
        if (open)
            m_w.openClose()->click();
        QVERIFY(m_w.pick(combo, value) && m_w.lineDialog()->isVisible());
        if (!open)
            m_w.openClose()->click();
        QVERIFY(m_w.port()->isOpen());
        const termios tio = m_peer.settings();
        QCOMPARE(bool(tio.c_cflag & CRTSCTS), shape.endsWith("RTS/CTS"));
        QCOMPARE((tio.c_iflag & (IXON | IXOFF)) == (IXON | IXOFF), shape.endsWith("XON/XOFF"));
        QCOMPARE(bool(tio.c_cflag & CSTOPB), shape.startsWith("8N2"));
        auto* label = m_w.widget()->findChild<QLabel*>("line-shape");
        QCOMPARE(label->isVisibleTo(m_w.widget()), !shape.isEmpty());
        QCOMPARE(label->text(), shape);
        const QString entry =
            QString("%1 does not take %2: the line stays 8N1").arg(m_w.port()->portName(), refused);
        QCOMPARE(redEntries(entry), refused.isEmpty() ? 0 : 1);
        QCOMPARE(logRuns().filter(QRegularExpression("^error:")).size(), refused.isEmpty() ? 0 : 1);
        const int kept = combo == "dataBits" ? 8 : combo == "stopBits" ? 1 : 0;
        QCOMPARE(m_w.lineCombo(combo)->currentData().toInt(), refused.isEmpty() ? value : kept);
        QCOMPARE(m_w.port()->dataBits(), QSerialPort::Data8);
        QCOMPARE(m_w.port()->parity(), QSerialPort::NoParity);
        QCOMPARE(m_w.port()->error(), QSerialPort::NoError); // a refusal leaves no error behind
        m_w.type("AT");                                      // and the port goes on working
        QVERIFY(m_peer.waitFor("AT\r\n"));
    }

    // The ending goes behind a typed line as chosen; a binary write's payload stays as typed.
    void lineEnding_data() {
        // clang-format off
        QTest::addColumn<int>("ending"); QTest::addColumn<QString>("command"); QTest::addColumn<QString>("hex");
        QTest::addColumn<QByteArray>("wire");
        const int crlf = int(at::LineEnding::CrLf), cr = int(at::LineEnding::Cr), lf = int(at::LineEnding::Lf), none = int(at::LineEnding::None);
        QTest::newRow("CR LF") << crlf << "+++" << "" << QByteArray("+++\r\n");
        QTest::newRow("CR") << cr << "+++" << "" << QByteArray("+++\r");
        QTest::newRow("LF") << lf << "+++" << "" << QByteArray("+++\n");
        QTest::newRow("none") << none << "+++" << "" << QByteArray("+++");
        QTest::newRow("CR, escapes") << cr << R"(AT\x41)" << "" << QByteArray("ATA\r");
        QTest::newRow("LF, binary write") << lf << "AT+WRITEB=1,2" << "0d0a" << QByteArray("AT+WRITEB=1,2\n\r\n");
        QTest::newRow("none, binary write") << none << "AT+WRITEB=1,2" << "0d0d" << QByteArray("AT+WRITEB=1,2\r\r");
    }
    void lineEnding() {
        QFETCH(int, ending); QFETCH(QString, command); QFETCH(QString, hex); QFETCH(QByteArray, wire);
        // clang-format on
        test::Modals modals;
        modals.payload(hex);
        QVERIFY(m_w.pick("lineEnding", ending));
        m_w.action("escapes")->setChecked(command.contains('\\'));
        m_w.type(command);
        m_w.action("escapes")->setChecked(false);
        QVERIFY(m_peer.waitFor(wire));
        QCOMPARE(m_peer.received().toHex(' '), wire.toHex(' '));
        QCOMPARE(m_w.client()->lineEnding(), at::LineEnding(ending));
    }

    // A pseudo-terminal has no DTR or RTS: switching them and pulsing give one red entry, not
    // one each, and the port stays open. A switch made while closed waits for the open; a pulse
    // needs an open port. Under RTS/CTS flow control RTS is not the user's.
    void controlLines() {
        pulse();
        QCOMPARE(redEntries("Not pulsed: the port is not open"), 1);
        m_w.action("dtr")->setChecked(false);
        QCOMPARE(logRuns().size(), 1);
        m_w.openClose()->click();
        const QString none = m_w.port()->portName() + " has no control lines";
        QCOMPARE(redEntries(none), 1);
        m_w.action("rts")->setChecked(false);
        m_w.action("dtr")->setChecked(true);
        pulse();
        m_w.openClose()->click();
        m_w.openClose()->click();
        QVERIFY(m_w.port()->isOpen());
        QCOMPARE(redEntries(none), 1);
        QCOMPARE(m_w.port()->error(), QSerialPort::NoError);
        QCOMPARE(redEntries("\n"), 2);
        QVERIFY(m_w.action("rts")->isEnabled());
        QVERIFY(m_w.pick("flowControl", int(QSerialPort::HardwareControl)));
        QVERIFY(!m_w.action("rts")->isEnabled());
        m_w.type("AT");
        QVERIFY(m_peer.waitFor("AT\r\n"));
    }

    // Picked as the device vanishes, a setting is not named refused: the loss is the port's
    // own error, told once, and the window closes the port as for any loss.
    void lineVanishing() {
        test::PtyPeer device;
        m_w.destroy();
        QVERIFY(m_w.create(device.slavePath()));
        m_w.openClose()->click();
        QVERIFY(m_w.pick("flowControl", int(QSerialPort::HardwareControl)));
        device.vanish();
        QVERIFY(m_w.pick("stopBits", int(QSerialPort::TwoStop)));
        m_w.action("dtr")->setChecked(false);
        QTRY_VERIFY(!m_w.port()->isOpen());
        QCOMPARE(redEntries("does not take"), 0);
        QCOMPARE(redEntries("Serial port error:  "), 1);
        QCOMPARE(m_w.widget()->findChild<QLabel*>("line-shape")->text(), "8N1 RTS/CTS");
        QCOMPARE(redEntries("\n"), 1);
    }

    // Add opens the new row's text cell for typing, with the default period.
    void addButton() {
        show();
        addCommand("AT+FIRST");
        QTest::mouseClick(m_w.button("Add"), Qt::LeftButton);
        QCOMPARE(view()->currentIndex(), model()->index(1, 1));
        QCOMPARE(UserCommands::_self.command(1).period(), 1000u);
        auto* editor = qobject_cast<QLineEdit*>(view()->indexWidget(model()->index(1, 1)));
        QVERIFY(editor);
        QTRY_VERIFY(editor->hasFocus());
        QTest::keyClicks(editor, "AT+NEW");
        view()->setFocus();
        QTRY_VERIFY(!view()->indexWidget(model()->index(1, 1)));
        QCOMPARE(UserCommands::_self.command(1).value(), "AT+NEW");
    }

    // Remove takes the selected rows; the current cell moves to the text column of a
    // surviving row, or stays untouched when nothing was selected.
    void removeButton_data() {
        // clang-format off
        // currentRow: before the removal: 2
        QTest::addColumn<QList<int>>("selected"); QTest::addColumn<QStringList>("remaining");
        QTest::addColumn<int>("currentRow");
        QTest::newRow("scattered") << QList<int>{4, 1, 3} << QStringList{"C0", "C2", "C5"} << 0;
        QTest::newRow("tail") << QList<int>{3, 5} << QStringList{"C0", "C1", "C2", "C4"} << 2;
        QTest::newRow("nothing selected") << QList<int>{} << QStringList{"C0", "C1", "C2", "C3", "C4", "C5"} << 2;
    }
    void removeButton() {
        QFETCH(QList<int>, selected); QFETCH(QStringList, remaining); QFETCH(int, currentRow);
        // clang-format on
        show();
        for (const char* value : {"C0", "C1", "C2", "C3", "C4", "C5"})
            addCommand(value);
        view()->selectionModel()->setCurrentIndex(model()->index(2, 2), QItemSelectionModel::Clear);
        for (int row : selected)
            view()->selectionModel()->select(model()->index(row, 0), QItemSelectionModel::Select |
                                                                         QItemSelectionModel::Rows);
        QTest::mouseClick(m_w.button("Remove"), Qt::LeftButton);
        QStringList values;
        for (int i = 0; i < model()->rowCount(); ++i)
            values << model()->index(i, 1).data().toString();
        QCOMPARE(values, remaining);
        QCOMPARE(view()->currentIndex(), model()->index(currentRow, selected.isEmpty() ? 2 : 1));
    }

    // "..." opens its menu right under it, right edges aligned, and looks pressed while it is
    // open.
    void moreMenu() {
        show();
        auto* more = m_w.widget()->findChild<QToolButton*>("more");
        QMenu* menu = nullptr;
        for (QMenu* candidate : m_w.widget()->findChildren<QMenu*>())
            menu = candidate->actions().contains(m_w.action("update-firmware")) ? candidate : menu;
        QVERIFY(more && menu && more->autoRaise());
        QTest::mouseClick(more, Qt::LeftButton);
        QTRY_VERIFY(menu->isVisible());
        QVERIFY(more->isChecked());
        QCOMPARE(menu->pos(),
                 more->mapToGlobal(QPoint(more->width() - menu->width(), more->height())));
        menu->hide();
        QVERIFY(!more->isChecked());
    }

    // Typing in the log goes on in the input line while the log's shortcuts stay there; Ctrl+Q
    // closes the window.
    void keys() {
        show();
        m_w.type("AT");
        QTRY_VERIFY(m_w.log().contains("AT"));
        logEdit()->setFocus();
        QTest::keyClick(logEdit(), Qt::Key_A, Qt::ControlModifier);
        QVERIFY(logEdit()->textCursor().hasSelection());
        QTest::keyClicks(logEdit(), "AT+Ver");
        QCOMPARE(m_w.input()->text(), "AT+Ver");
        QCOMPARE(QApplication::focusWidget(), m_w.input());
        QTest::keyClick(logEdit(), Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(!m_w.widget()->isVisible());
    }

    // Last, as its catalogues stay installed. The extra ports (./run.sh names the simulator)
    // come first and the first is chosen; a link to a device is listed while it exists; the
    // program's and the toolkit's texts come from the catalogues of the desktop's language.
    void firstStart() {
        QTranslator qtTranslator, mainTranslator;
        QLocale::setDefault(QLocale("pt_BR"));     // the toolkit has only qtbase_pt_BR
        QCoreApplication::setOrganizationName({}); // start-up names the program for its files
        QCoreApplication::setApplicationName({});
        app::prepare(qtTranslator, mainTranslator);
        QCOMPARE(QCoreApplication::organizationName() + '/' + QCoreApplication::applicationName() +
                     ' ' + QCoreApplication::applicationVersion(),
                 "Tavrosk/Kelvra 1.0.0 build 4");
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "Select All"),
                 "Selecionar tudo");
        QLocale::setDefault(QLocale::system());
        app::prepare(qtTranslator, mainTranslator);
        m_w.destroy();
        QSettings().clear();
        test::PtyPeer b;
        const QString link = m_dir.filePath("module");
        QVERIFY(m_w.create(link + ':' + b.slavePath() + ':' + m_peer.slavePath(), false));
        QCOMPARE(m_w.openClose()->text(), "Открыть");
        QCOMPARE(m_w.button("AT+VERSION")->toolTip(), "Проверить версию устройства");
        QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "Select All"), "Выделить всё");
        QCOMPARE(QCoreApplication::translate("QSerialPort", "Error reading from device"),
                 "Ошибка чтения из устройства");
        QStringList names, want{b.slavePath(), m_peer.slavePath()};
        for (int i = 0; i < combo()->count(); ++i)
            names << combo()->itemData(i).toString();
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            want << info.portName();
        want << QString(); // "Other port..."
        QCOMPARE(names.join("|"), want.join("|"));
        QCOMPARE(combo()->itemText(combo()->currentIndex()), b.slavePath() + " (виртуальный)");
        QCOMPARE(m_w.port()->portName(), QSerialPort(b.slavePath()).portName());
        QVERIFY(QFile::link(m_peer.slavePath(), link));
        QTRY_VERIFY_WITH_TIMEOUT(combo()->contains(link), 5000);
        QVERIFY(QFile::remove(link));
        QTRY_VERIFY_WITH_TIMEOUT(!combo()->contains(link), 5000);
    }
};

int main(int argc, char** argv) {
    // The desktop's language as the program sees it at start-up.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication application(argc, argv);
    TestMainWidget test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwidget.moc"
