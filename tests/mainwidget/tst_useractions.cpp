// The user's own actions in the real window: the first start in their language, the keys,
// binary writes that reach the wire exactly or not at all, failed opens, sends after a lost
// device, firmware refusals, data files kept, the bounded log, the flasher on a busy port.

#include "app/app.h"
#include "app/dir.h"
#include "common/datafiles.h"
#include "common/modsim.h"
#include "common/ptypeer.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "mainwidget/harness.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QSettings>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTranslator>

using wdt::serialport::PortNameCombo;

class TestUserActions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        test::setIdentity();
        QVERIFY(m_peer.isOpen());
    }
    void cleanup() {
        UserCommands::_self.removeRange(0, UserCommands::_self.size());
        m_w.destroy();
    }
    void firstStart();
    void keys();
    void dispatch_data();
    void dispatch();
    void portErrors_data();
    void portErrors();
    void afterLoss_data();
    void afterLoss();
    void firmware_data();
    void firmware();
    void files_data();
    void files();
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
    // Red entries of the log that read text.
    int redEntries(const QString& text) const {
        int n = 0;
        const QTextDocument* doc = m_w.widget()->findChild<LogEdit*>()->document();
        for (QTextCursor c = doc->find(text); !c.isNull(); c = doc->find(text, c))
            n += c.charFormat().foreground().color() == QColor(Qt::red);
        return n;
    }
    // Everything the window wrote to the peer, known complete once a marker behind it arrived.
    QByteArray wire() {
        if (!m_w.port()->isOpen() && !m_w.client()->serialPortOpen(true))
            return "(port not open) " + m_peer.received();
        m_w.client()->userCommand("AT+MARK", QByteArray());
        if (!m_peer.waitFor("AT+MARK\r\n"))
            return "(marker missing) " + m_peer.received();
        return m_peer.takeReceived().chopped(9);
    }

    test::PtyPeer m_peer;
    test::Window m_w;
    QTemporaryDir m_dir;
};

// The extra ports (./run.sh names the simulator) come first, the first is chosen, and a link
// to a device is listed while it exists; the toolkit's texts come from the system's catalogue.
void TestUserActions::firstStart() {
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    QSettings().clear();
    test::PtyPeer b;
    const QString link = m_dir.filePath("module");
    QVERIFY(m_w.create(link + ':' + b.slavePath() + ':' + m_peer.slavePath(), false));
    QCOMPARE(QCoreApplication::translate("QWidgetTextControl", "Select All"), "Выделить всё");
    QCOMPARE(QCoreApplication::translate("QSerialPort", "Error reading from device"),
             "Ошибка чтения из устройства");

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
    QVERIFY(QFile::link(m_peer.slavePath(), link));
    QTRY_VERIFY_WITH_TIMEOUT(combo->contains(link), 5000);
    QVERIFY(QFile::remove(link));
    QTRY_VERIFY_WITH_TIMEOUT(!combo->contains(link), 5000);
}

// Typing in the log goes on in the input line while its shortcuts stay there; Return on a
// user command row sends it; Ctrl+Q closes the window.
void TestUserActions::keys() {
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
    // A period that is no number is the floor.
    QSignalSpy changed(view->model(), &QAbstractItemModel::dataChanged);
    QVERIFY(view->model()->setData(view->model()->index(1, 2), "fast", Qt::EditRole));
    QCOMPARE(UserCommands::_self.command(1).period(), 100u);
    QCOMPARE(changed.size(), 1);

    QTest::keyClick(log, Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_w.widget()->isVisible());
}

void TestUserActions::dispatch_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("hex");     // typed into the payload dialog; empty: no dialog
    QTest::addColumn<QByteArray>("sent"); // none: the text stays in the line, the log says why
    // clang-format off
    QTest::newRow("empty size before udp fields") << "AT+WRITEB=0,,10.0.0.1,80" << "0a0b0c"
        << QByteArray("AT+WRITEB=0,3,10.0.0.1,80\r\n\x0a\x0b\x0c");
    QTest::newRow("size above bound") << "AT+WRITEB=1,16777217" << "" << QByteArray();
    QTest::newRow("size beyond 32 bits") << "AT+WRITEB=0,4294967296,10.0.0.1,80" << "" << QByteArray();
    // clang-format on
}

void TestUserActions::dispatch() {
    QFETCH(QString, command);
    QFETCH(QString, hex);
    QFETCH(QByteArray, sent);

    QVERIFY(m_w.create(m_peer.slavePath()));
    m_peer.clearReceived();
    test::Modals modals;
    modals.add([hex](QWidget* w) {
        auto* d = qobject_cast<BinaryDialog*>(w);
        if (!d)
            return false;
        QTest::keyClicks(d->findChild<BinaryEditor*>(), hex);
        d->accept();
        return true;
    });
    m_w.type(command);
    QCOMPARE(modals.answered, hex.isEmpty() ? 0 : 1);
    QCOMPARE(m_w.input()->text(), sent.isEmpty() ? command : QString());
    QCOMPARE(wire().toHex(' '), sent.toHex(' '));
    const QString why = QStringLiteral("Not sent: a binary write carries at most 16777216 bytes");
    QCOMPARE(redEntries(why), sent.isEmpty() ? 1 : 0);
}

void TestUserActions::portErrors_data() {
    QTest::addColumn<QString>("action");
    QTest::newRow("Open pressed twice") << "open";
    QTest::newRow("Enter pressed twice") << "enter";
}

void TestUserActions::portErrors() {
    QFETCH(QString, action);
    QVERIFY(m_w.create(m_peer.slavePath()));
    m_w.port()->setPortName(m_dir.filePath("no-such-tty"));
    const auto press = [&] { action == "open" ? m_w.openClose()->click() : m_w.type("AT"); };

    press();
    QCOMPARE(redEntries("Serial port error:  "), 1);
    press();
    QCOMPARE(redEntries("Serial port error:  "), 2);
    QVERIFY(!m_w.port()->isOpen());
}

void TestUserActions::afterLoss_data() {
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("pick"); // the user picks the other port first
    QTest::addColumn<QString>("inputAfter");
    QTest::newRow("Enter") << "enter" << false << "AT";
    QTest::newRow("table double-click") << "double-click" << false << "typed";
    QTest::newRow("Enter after a pick") << "enter" << true << "";
}

void TestUserActions::afterLoss() {
    QFETCH(QString, action);
    QFETCH(bool, pick);
    QFETCH(QString, inputAfter);

    // Through a link of its own, so that no other terminal taking the number brings it back.
    auto lost = std::make_unique<test::PtyPeer>();
    const QString lostPath = m_dir.filePath("lost");
    QFile::remove(lostPath);
    QVERIFY(QFile::link(lost->slavePath(), lostPath));
    QVERIFY(m_w.create(lostPath + ':' + m_peer.slavePath(), false));
    QVERIFY(m_w.choosePort(lostPath));
    const QString lostName = m_w.port()->portName();
    m_w.openClose()->click();
    lost->vanish();
    QFile::remove(lostPath);
    auto* combo = m_w.widget()->findChild<PortNameCombo*>();
    QVERIFY(QTest::qWaitFor([&] { return !m_w.port()->isOpen() && !combo->contains(lostPath); }));
    m_peer.clearReceived();

    if (pick) {
        combo->setCurrentIndex(combo->findData(m_peer.slavePath()));
        emit combo->activated(combo->currentIndex());
    }
    QSignalSpy opened(m_w.client(), &at::Client::opened);
    m_w.input()->setText("typed");
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT");
    if (action == "enter") {
        m_w.type("AT");
    } else {
        auto* view = m_w.widget()->findChild<QTableView*>();
        emit view->doubleClicked(view->model()->index(0, 0));
    }
    QCOMPARE(m_w.input()->text(), inputAfter);
    QCOMPARE(redEntries(QString("Not sent: the device %1 is gone, choose a port").arg(lostName)),
             pick ? 0 : 1);
    QCOMPARE(opened.size(), pick ? 1 : 0);
    if (pick)
        QCOMPARE(wire().left(4), "AT\r\n");
}

void TestUserActions::firmware_data() {
    QTest::addColumn<int>("size");
    QTest::newRow("empty file, refused") << 0;
    QTest::newRow("Return does not cancel") << 1280;
}

void TestUserActions::firmware() {
    QFETCH(int, size);
    test::Modsim module;
    QVERIFY(module.start({"--delay", "50"}));
    QVERIFY(m_w.create(module.portPath()));
    const QString image = m_dir.filePath("image.bin");
    QVERIFY(test::writeFile(image, QByteArray(size, '\x5a')));
    test::Modals modals;
    modals.chooseFile(image);
    QSignalSpy opened(m_w.client(), &at::Client::opened);
    QSignalSpy completed(m_w.client(), &at::Client::firmwareUpdateCompleated);
    m_w.widget()->show();
    m_w.action("update-firmware")->trigger();
    if (!size) {
        QCOMPARE(opened.size(), 0);
        QCOMPARE(modals.boxes, QStringList{"Error|File is empty:\n\n" + image});
        return;
    }
    QWidget* dialog = m_w.progressDialog();
    QVERIFY(dialog && QTest::qWaitForWindowActive(dialog));
    // At the dialog and at the button that has the focus, as a user's key would be.
    QTest::keyClick(dialog, Qt::Key_Return);
    QTest::keyClick(dialog->findChild<QPushButton*>(), Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return !completed.isEmpty(); }, 10000));
    QCOMPARE(completed.first().first().value<at::Error>(), at::None);
    QVERIFY(modals.boxes.isEmpty());
}

void TestUserActions::files_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");   // empty: a sparse file above 16 MiB
    QTest::addColumn<QStringList>("commands"); // loaded from user_commands.json
    QTest::newRow("history above bound") << "history.json" << QByteArray() << QStringList{};
    QTest::newRow("commands above bound") << "user_commands.json" << QByteArray() << QStringList{};
    QTest::newRow("element not an object")
        << "user_commands.json" << QByteArray(R"([1, {"value": "a"}, null])")
        << QStringList{"", "a", ""};
}

void TestUserActions::files() {
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(QStringList, commands);

    const QString path = dir::filename(name);
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(content.isEmpty() ? file.resize(17 << 20) : file.write(content) == content.size());
    file.close();
    if (content.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(name + ".*not loaded.*larger"));

    // A run that changes both files.
    UserCommands::_self.restore();
    QStringList loaded;
    for (int i = 0; i < UserCommands::_self.size(); ++i)
        loaded << UserCommands::_self.command(i).value();
    QCOMPARE(loaded, commands);
    QVERIFY(m_w.create(m_peer.slavePath()));
    m_w.type("AT+NEW");
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT+NEW");
    UserCommands::_self.save();
    m_w.destroy();
    if (content.isEmpty())
        QCOMPARE(QFileInfo(path).size(), qint64(17 << 20));
    QFile::remove(path);
}

void TestUserActions::logBound_data() {
    QTest::addColumn<QString>("user");
    QTest::newRow("following the end") << "";
    QTest::newRow("text selected") << "select";
    QTest::newRow("scrolled up") << "scroll";
}

// The log keeps the newest entries, trimming the oldest whole; the view ends at the end.
void TestUserActions::logBound() {
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
void TestUserActions::flasherPortInUse() {
    QSerialPort holder(m_peer.slavePath());
    QVERIFY(holder.open(QIODevice::ReadWrite));
    QTemporaryDir dir;
    const QString image = dir.filePath("image.bin");
    QVERIFY(test::writeFile(image, QByteArray(600, 'x')));
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(QStringLiteral(KELVRA_FLASH), {m_peer.slavePath(), image});
    QVERIFY(process.waitForFinished(20000));
    QCOMPARE(process.exitCode(), 5);
    const QString err = QString::fromLocal8Bit(process.readAllStandardError());
    const QString want =
        "kelvra-flash: the serial port '%1' is in use by another program: PID %2 (";
    QVERIFY2(err.startsWith(want.arg(m_peer.slavePath()).arg(QCoreApplication::applicationPid())) &&
                 err.contains("tst_useractions") && !err.contains("group"),
             qPrintable(err));
}

int main(int argc, char** argv) {
    // The desktop's language as the program sees it at start-up.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication application(argc, argv);
    TestUserActions test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_useractions.moc"
