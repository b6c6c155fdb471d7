// What a desktop user meets: the first start in their language, the keys, the bounded log
// and the flasher's words about a busy port.

#include "app/app.h"
#include "at/client.h"
#include "common/ptypeer.h"
#include "flash/flashrun.h"
#include "input/inputedit.h"
#include "mainwidget/harness.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QScrollBar>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTranslator>

using wdt::serialport::PortNameCombo;

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() {
        test::setIdentity();
        QVERIFY(m_peer.isOpen());
    }
    void cleanup() { m_w.destroy(); }
    void firstStart();
    void portAppearsAndVanishes();
    void keys();
    void logBound_data();
    void logBound();
    void flasherPortInUse();

private:
    // Shown and active, so that shortcuts reach the window.
    bool show() {
        m_w.widget()->show();
        m_w.widget()->activateWindow();
        return QTest::qWaitForWindowActive(m_w.widget());
    }

    test::PtyPeer m_peer;
    test::Window m_w;
};

// The extra ports (./run.sh names the simulator) come first and the first is chosen; the
// toolkit's own texts come from the system's catalogue.
void TestDesktop::firstStart() {
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    QSettings().clear();
    test::PtyPeer b;
    QVERIFY(m_w.create(b.slavePath() + ':' + m_peer.slavePath(), false));
    QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "Select All"), "Выделить всё");

    auto* combo = m_w.widget()->findChild<PortNameCombo*>();
    QStringList names;
    for (int i = 0; i < combo->count(); ++i)
        names << combo->itemData(i).toString();
    QStringList want{b.slavePath(), m_peer.slavePath()};
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        want << info.portName();
    QCOMPARE(names, want);
    QCOMPARE(combo->itemText(combo->currentIndex()), b.slavePath() + " (виртуальный)");
    QCOMPARE(m_w.port()->portName(), QSerialPort(b.slavePath()).portName());
}

// A link to a pseudo-terminal, as ./run.sh makes for the simulator, is listed while it exists.
void TestDesktop::portAppearsAndVanishes() {
    QTemporaryDir dir;
    const QString link = dir.filePath("module");
    qputenv("KELVRA_EXTRA_PORTS", link.toLocal8Bit());
    PortNameCombo combo;
    QVERIFY(!combo.contains(link));
    QVERIFY(QFile::link(m_peer.slavePath(), link));
    QTRY_VERIFY_WITH_TIMEOUT(combo.contains(link), 5000);
    QVERIFY(QFile::remove(link));
    QTRY_VERIFY_WITH_TIMEOUT(!combo.contains(link), 5000);
}

// Typing in the log goes on in the input line while its shortcuts stay there; Return on a
// user command row sends it; Ctrl+Q closes the window.
void TestDesktop::keys() {
    UserCommands::_self.removeRange(0, UserCommands::_self.size());
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT+FIRST");
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT+SECOND");
    QVERIFY(m_w.create(m_peer.slavePath()));
    QVERIFY(show());
    auto* log = m_w.widget()->findChild<LogEdit*>();
    m_w.type("AT");
    QTRY_VERIFY(m_w.log().contains("AT"));
    log->setFocus();
    QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(log->textCursor().hasSelection());
    QTest::keyClicks(log, "AT+Ver");
    QCOMPARE(m_w.input()->text(), "AT+Ver");
    QCOMPARE(QApplication::focusWidget(), m_w.input());

    m_w.action("user-commands")->setChecked(true);
    auto* view = m_w.widget()->findChild<QTableView*>();
    view->setFocus();
    view->setCurrentIndex(view->model()->index(1, 1));
    m_peer.clearReceived();
    QTest::keyClick(view, Qt::Key_Return);
    QVERIFY(m_peer.waitFor("AT+SECOND\r\n"));
    QVERIFY(!m_peer.received().contains("AT+FIRST"));
    UserCommands::_self.removeRange(0, UserCommands::_self.size());

    QTest::keyClick(log, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_w.widget()->isVisible());
}

void TestDesktop::logBound_data() {
    QTest::addColumn<QString>("user");
    QTest::newRow("following the end") << "";
    QTest::newRow("text selected") << "select";
    QTest::newRow("scrolled up") << "scroll";
}

// The log keeps the newest entries, trimming the oldest whole; the view ends at the end.
void TestDesktop::logBound() {
    QFETCH(QString, user);
    QVERIFY(m_w.create(m_peer.slavePath()));
    auto* log = m_w.widget()->findChild<LogEdit*>();
    QCOMPARE(log->maxEntries(), LogEdit::default_max_entries);
    constexpr int bound = 10;
    log->setMaxEntries(bound);
    m_w.widget()->resize(500, 300);
    QVERIFY(show());
    m_w.openClose()->click();
    // A carriage return inside a line makes every entry two blocks.
    QByteArray lines;
    for (int i = 0; i < 50; ++i)
        lines += QString("first %1\rsecond %1\r\n").arg(i).toLatin1();
    const qsizetype half = lines.indexOf("first 30");
    QVERIFY(m_peer.write(lines.left(half)));
    QVERIFY(QTest::qWaitFor([&] { return m_w.log().contains("second 29"); }));
    QScrollBar* bar = log->verticalScrollBar();
    if (user == "select")
        log->selectAll();
    if (user == "scroll")
        bar->setValue(0);
    QVERIFY(m_peer.write(lines.mid(half)));
    // Trimmed at the latest when the burst is in: never twice the bound.
    QVERIFY2(QTest::qWaitFor(
                 [&] { return m_w.log().contains("second 49") && m_w.count(">> ") < 2 * bound; }),
             qPrintable(m_w.log()));

    const QString text = m_w.log();
    const int oldest = text.section('\n', 0, 0).section(' ', 2).toInt();
    QString expected;
    for (int i = oldest; i < 50; ++i)
        expected += QString(">> first %1\nsecond %1\n").arg(i);
    QCOMPARE(text, expected);
    QVERIFY(50 - oldest >= bound);
    QVERIFY(!log->textCursor().hasSelection() && log->textCursor().atEnd());
    QVERIFY(QTest::qWaitFor(
        [&] { return bar->value() > 0 && log->viewport()->rect().contains(log->cursorRect()); }));
}

// A port another program holds is in use, not forbidden: no advice to join a group.
void TestDesktop::flasherPortInUse() {
    QSerialPort holder(m_peer.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QTemporaryDir dir;
    const QString image = dir.filePath("image.bin");
    QVERIFY(flashrun::writeFile(image, flashrun::image(600)));
    QProcess process;
    flashrun::prepare(process, {m_peer.slavePath(), image});
    process.start();
    const flashrun::Result r = flashrun::collect(process, 20000);
    QCOMPARE(r.code, 5);
    const QString want =
        "kelvra-flash: the serial port '%1' is in use by another program: PID %2 (";
    QVERIFY2(
        r.err.startsWith(want.arg(m_peer.slavePath()).arg(QCoreApplication::applicationPid())) &&
            r.err.contains("tst_desktop") && !r.err.contains("group"),
        qPrintable(r.err));
}

int main(int argc, char** argv) {
    // The desktop's language as the program sees it at start-up.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication application(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
