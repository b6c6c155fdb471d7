#include "at/client.h"
#include "common/dialogs.h"
#include "common/ptypeer.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// One coloured stretch of the log; block ends are folded in as "\n".
struct Run {
    QString text;
    QColor color;
};

QList<Run> runs(const QTextDocument* doc) {
    QList<Run> out;
    auto add = [&out](const QString& text, const QColor& color) {
        if (!out.isEmpty() && out.last().color == color)
            out.last().text += text;
        else
            out.append({text, color});
    };
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            add(fragment.text(), fragment.charFormat().foreground().color());
        }
        if (block.next().isValid()) {
            // The line break belongs to the entry that ends the block.
            if (out.isEmpty())
                add(QStringLiteral("\n"), QColor(Qt::black));
            else
                out.last().text += QLatin1Char('\n');
        }
    }
    return out;
}

// Handles modal dialogs from inside their nested event loops, one handler per dialog.
class ModalDriver : public QObject {
public:
    using Handler = std::function<bool(QWidget*)>;

    explicit ModalDriver(QObject* parent = nullptr)
        : QObject(parent) {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last || m_handlers.isEmpty())
                return;
            if (m_handlers.first()(modal)) {
                m_last = modal;
                m_handlers.removeFirst();
                ++handled;
            }
        });
        m_timer.start();
    }
    void add(Handler handler) { m_handlers.append(std::move(handler)); }
    int pending() const { return int(m_handlers.size()); }

    int handled = 0;

private:
    QTimer m_timer;
    QList<Handler> m_handlers;
    QPointer<QWidget> m_last;
};

const QColor sentColor = QColor(Qt::blue);
const QColor receivedColor = QColor(Qt::green).darker(200);
const QColor sentBinaryColor = QColor(Qt::blue).lighter(150);
const QColor receivedBinaryColor = QColor(Qt::green).darker(120);
const QColor errorColor = QColor(Qt::red);

} // namespace

class TestMainWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void initialState();
    void openClose();
    void openMissingPort();
    void typedCommand();
    void receivedEntries_data();
    void receivedEntries();
    void errorEntry();
    void newEntryDropsSelection();
    void clearFromContextMenu();
    void dispatch_data();
    void dispatch();
    void enterOnEmptyLine();
    void queuedUserCommand();
    void settingsFirstRun();
    void settingsRoundTrip();
    void settingsIgnoreUnknown();
    void firmwareRefusals();
    void firmwareCancelBetweenBlocks();

private:
    void makeWindow();
    at::Client* client() const { return m_window->findChild<at::Client*>(); }
    // The port reports names under /dev without that directory.
    QString portPath() const {
        const QString name = client()->serialPort()->portName();
        return name.startsWith(QLatin1Char('/')) ? name : QStringLiteral("/dev/") + name;
    }
    LogEdit* log() const { return m_window->findChild<LogEdit*>(); }
    InputEdit* inputEdit() const { return m_window->findChild<InputEdit*>(); }
    QPushButton* openButton() const {
        return m_window->findChild<QPushButton*>(QStringLiteral("open-close"));
    }
    wdt::serialport::PortNameCombo* portCombo() const {
        return m_window->findChild<wdt::serialport::PortNameCombo*>();
    }
    wdt::serialport::BaudrateCombo* baudCombo() const {
        return m_window->findChild<wdt::serialport::BaudrateCombo*>();
    }
    QAction* action(const QString& name) const { return m_window->findChild<QAction*>(name); }
    void typeAndEnter(const QString& text);

    std::unique_ptr<test::PtyPeer> m_peer;
    std::unique_ptr<MainWidget> m_window;
    QTemporaryDir m_dir;
};

void TestMainWidget::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    m_peer = std::make_unique<test::PtyPeer>();
    QVERIFY(m_peer->isOpen());
    qputenv("KELVRA_EXTRA_PORTS", m_peer->slavePath().toLocal8Bit());
    QVERIFY(m_dir.isValid());
}

void TestMainWidget::init() {
    QSettings().clear();
    makeWindow();
}

void TestMainWidget::makeWindow() {
    m_window = std::make_unique<MainWidget>();
    portCombo()->setPortName(m_peer->slavePath());
    QCOMPARE(portPath(), m_peer->slavePath());
    m_peer->clearReceived();
}

void TestMainWidget::cleanup() {
    m_window.reset();
    m_peer->clearReceived();
}

void TestMainWidget::typeAndEnter(const QString& text) {
    inputEdit()->clear();
    QTest::keyClicks(inputEdit(), text);
    QTest::keyClick(inputEdit(), Qt::Key_Return);
}

void TestMainWidget::initialState() {
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Kelvra 1.0.0 build 4"));
    QCOMPARE(openButton()->text(), QStringLiteral("Open"));
    QVERIFY(portCombo()->isEnabled());
    QVERIFY(baudCombo()->isEnabled());
    QCOMPARE(m_window->focusWidget(), static_cast<QWidget*>(inputEdit()));
    QVERIFY(m_window->findChild<QPushButton*>(QStringLiteral("enter")));

    const QList<QAction*> actions = m_window->findChild<QMenu*>()->actions();
    QCOMPARE(actions.size(), 4);
    QCOMPARE(actions.at(0)->text(), QStringLiteral("User commands"));
    QCOMPARE(actions.at(1)->text(), QStringLiteral("Command list"));
    QVERIFY(actions.at(2)->isSeparator());
    QCOMPARE(actions.at(3)->text(), QStringLiteral("Update firmware"));
    QVERIFY(!actions.at(3)->isCheckable());

    // Choosing a rate while closed reaches the port at once.
    baudCombo()->setBaudrate(9600);
    QCOMPARE(client()->serialPort()->baudRate(), 9600);
}

void TestMainWidget::openClose() {
    QTest::mouseClick(openButton(), Qt::LeftButton);
    QVERIFY(client()->serialPort()->isOpen());
    QCOMPARE(openButton()->text(), QStringLiteral("Close"));
    QVERIFY(!portCombo()->isEnabled());
    QVERIFY(!baudCombo()->isEnabled());

    QTest::mouseClick(openButton(), Qt::LeftButton);
    QVERIFY(!client()->serialPort()->isOpen());
    QCOMPARE(openButton()->text(), QStringLiteral("Open"));
    QVERIFY(portCombo()->isEnabled());
    QVERIFY(baudCombo()->isEnabled());
    QVERIFY(log()->toPlainText().isEmpty());
}

void TestMainWidget::openMissingPort() {
    client()->serialPort()->setPortName(m_dir.filePath(QStringLiteral("no-such-tty")));
    QTest::mouseClick(openButton(), Qt::LeftButton);
    QVERIFY(!client()->serialPort()->isOpen());
    QCOMPARE(openButton()->text(), QStringLiteral("Open"));
    QVERIFY(portCombo()->isEnabled());

    const QList<Run> r = runs(log()->document());
    QCOMPARE(r.size(), 1);
    QVERIFY2(r.at(0).text.startsWith(QStringLiteral("Serial port error:  ")),
             qPrintable(r.at(0).text));
    QVERIFY(r.at(0).text.endsWith(QLatin1Char('\n')));
    QCOMPARE(r.at(0).text.count(QLatin1Char('\n')), 1);
    QCOMPARE(r.at(0).color, errorColor);
}

void TestMainWidget::typedCommand() {
    typeAndEnter(QStringLiteral("AT"));
    QVERIFY(m_peer->waitFor("AT\r\n"));
    QCOMPARE(m_peer->received(), QByteArray("AT\r\n"));
    QCOMPARE(openButton()->text(), QStringLiteral("Close"));
    QVERIFY(inputEdit()->text().isEmpty());

    const QList<Run> r = runs(log()->document());
    QCOMPARE(r.size(), 2);
    QCOMPARE(r.at(0).text, QStringLiteral("<< "));
    QCOMPARE(r.at(0).color, QColor(Qt::black));
    QCOMPARE(r.at(1).text.trimmed(), QStringLiteral("AT"));
    QVERIFY(r.at(1).text.endsWith(QLatin1Char('\n')));
    QCOMPARE(r.at(1).color, sentColor);
}

void TestMainWidget::receivedEntries_data() {
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color");

    QTest::newRow("line") << QByteArray("OK\r\n") << QStringLiteral("OK") << receivedColor;
    QTest::newRow("binary") << QByteArray("+READB:2\r\nHi")
                            << QStringLiteral("hex[2]{4869}\n   str{Hi}") << receivedBinaryColor;
    QTest::newRow("binary with placeholder")
        << QByteArray("+READB:2\r\n%1") << QStringLiteral("hex[2]{2531}\n   str{%1}")
        << receivedBinaryColor;
    QTest::newRow("binary not utf-8")
        << QByteArray("+READB:2\r\n\xff\x41") << QStringLiteral("hex[2]{ff41}\n   str{\ufffdA}")
        << receivedBinaryColor;
    QTest::newRow("binary line break")
        << QByteArray("+READB:3\r\na\nb") << QStringLiteral("hex[3]{610a62}\n   str{a\nb}")
        << receivedBinaryColor;
}

void TestMainWidget::receivedEntries() {
    QFETCH(QByteArray, wire);
    QFETCH(QString, text);
    QFETCH(QColor, color);

    QTest::mouseClick(openButton(), Qt::LeftButton);
    QVERIFY(client()->serialPort()->isOpen());
    QVERIFY(m_peer->write(wire));
    QVERIFY(QTest::qWaitFor([&] { return runs(log()->document()).size() >= 2; }));
    QTest::qWait(50);

    // A binary block comes after its header line; the last entry is the one under test.
    const QList<Run> r = runs(log()->document());
    QVERIFY(r.size() >= 2);
    QCOMPARE(r.at(r.size() - 2).text, QStringLiteral(">> "));
    QCOMPARE(r.at(r.size() - 2).color, QColor(Qt::black));
    QCOMPARE(r.last().text.trimmed(), text);
    QVERIFY(r.last().text.endsWith(QLatin1Char('\n')));
    QCOMPARE(r.last().color, color);

    // The next entry starts on a line of its own.
    typeAndEnter(QStringLiteral("AT"));
    QVERIFY(m_peer->waitFor("AT\r\n"));
    QVERIFY(log()->toPlainText().contains(QStringLiteral("}\n<< AT")) ||
            log()->toPlainText().contains(QStringLiteral("OK\n<< AT")));
}

void TestMainWidget::errorEntry() {
    // No answer to the version query: the transaction times out.
    QVERIFY(client()->test());
    QVERIFY(
        QTest::qWaitFor([&] { return log()->toPlainText().contains(QStringLiteral("Error(")); }));
    const QList<Run> r = runs(log()->document());
    QCOMPARE(r.last().text, QStringLiteral("Error(-2):  %1\n").arg(at::toText(at::Timeout)));
    QCOMPARE(r.last().color, errorColor);
    // No prefix of its own: what stands before is the end of the sent request.
    QCOMPARE(r.at(r.size() - 2).color, sentColor);
}

void TestMainWidget::newEntryDropsSelection() {
    typeAndEnter(QStringLiteral("AT"));
    QVERIFY(m_peer->waitFor("AT\r\n"));
    log()->selectAll();
    QVERIFY(log()->textCursor().hasSelection());
    QVERIFY(m_peer->write("OK\r\n"));
    QVERIFY(QTest::qWaitFor([&] { return log()->toPlainText().contains(QStringLiteral("OK")); }));
    QVERIFY(!log()->textCursor().hasSelection());
    QCOMPARE(log()->textCursor().position(), log()->document()->characterCount() - 1);
    QVERIFY(!log()->document()->isUndoRedoEnabled());

    // Scrolled up without a selection: the next entries bring the end back into view,
    // and the cursor stays at the end.
    for (int i = 0; i < 100; ++i)
        m_peer->write("+LINE\r\n");
    QVERIFY(QTest::qWaitFor([&] { return log()->document()->blockCount() > 100; }));
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    QScrollBar* bar = log()->verticalScrollBar();
    QVERIFY(QTest::qWaitFor([&] { return bar->maximum() > 0; }));
    bar->setValue(0);
    QVERIFY(m_peer->write("OK\r\n"));
    QVERIFY(QTest::qWaitFor([&] {
        return bar->value() > 0 && log()->viewport()->rect().contains(log()->cursorRect());
    }));
    QVERIFY(log()->textCursor().atEnd());
}

void TestMainWidget::clearFromContextMenu() {
    typeAndEnter(QStringLiteral("AT"));
    QVERIFY(m_peer->waitFor("AT\r\n"));
    QVERIFY(!log()->toPlainText().isEmpty());

    bool triggered = false;
    QTimer::singleShot(50, this, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu)
            return;
        for (QAction* a : menu->actions()) {
            if (a->text() == QStringLiteral("Clear")) {
                triggered = true;
                menu->close();
                a->trigger();
                return;
            }
        }
        menu->close();
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            log()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(log()->viewport(), &event);
    QVERIFY(triggered);
    QVERIFY(log()->toPlainText().isEmpty());

    m_peer->clearReceived();
    typeAndEnter(QStringLiteral("AT"));
    QVERIFY(m_peer->waitFor("AT\r\n"));
    QVERIFY(log()->toPlainText().startsWith(QStringLiteral("<< AT")));
}

void TestMainWidget::dispatch_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("dialog");
    QTest::addColumn<int>("maxSize");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("inputAfter");

    QTest::newRow("padded") << "AT+WRITEB=1,4" << true << 4 << "0102" << true
                            << QByteArray("AT+WRITEB=1,4\r\n\x01\x02\x00\x00", 19) << "";
    QTest::newRow("cut") << "AT+WRITEB=1,2" << true << 2 << "010203" << true
                         << QByteArray("AT+WRITEB=1,2\r\n\x01\x02") << "";
    QTest::newRow("size appended") << "AT+WRITEB=1," << true << 0 << "0a0b0c" << true
                                   << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c") << "";
    QTest::newRow("udp fields kept") << "AT+WRITEB=1,2,10.0.0.1,80" << true << 2 << "abcd" << true
                                     << QByteArray("AT+WRITEB=1,2,10.0.0.1,80\r\n\xab\xcd") << "";
    QTest::newRow("empty size, nothing typed")
        << "AT+WRITEB=1," << true << 0 << "" << true << QByteArray() << "AT+WRITEB=1,";
    QTest::newRow("nothing typed, zeros") << "AT+WRITEB=1,4" << true << 4 << "" << true
                                          << QByteArray("AT+WRITEB=1,4\r\n\0\0\0\0", 19) << "";
    QTest::newRow("zero size") << "AT+WRITEB=1,0" << true << 0 << "abc" << true
                               << QByteArray("AT+WRITEB=1,0\r\n\x0a\xbc") << "";
    QTest::newRow("cancel") << "AT+WRITEB=0,16" << true << 16 << "01" << false << QByteArray()
                            << "AT+WRITEB=0,16";

    const char* plain[] = {
        "AT+WRITEB=1,x", "AT+WRITEB=1", "at+writeb=1,4", "AT+WRITEB=1,4=5",
        "AT+WRITEB=1,4294967296", "AT+WRITEB=1,-4", "AT+WRITEB", "AT+WRITEB=1,4294967295",
        // No dialog pads gigabytes of zeros: sizes beyond 16 MiB go out as they are.
        "AT+WRITEB=1,2000000000", "AT+WRITEB=1,16777217"};
    for (const char* p : plain) {
        QTest::newRow(p) << QString::fromLatin1(p) << false << 0 << "" << false
                         << QByteArray(p).append("\r\n") << "";
    }
}

void TestMainWidget::dispatch() {
    QFETCH(QString, command);
    QFETCH(bool, dialog);
    QFETCH(int, maxSize);
    QFETCH(QString, hex);
    QFETCH(bool, accept);
    QFETCH(QByteArray, wire);
    QFETCH(QString, inputAfter);

    ModalDriver driver;
    int seenMax = -1;
    driver.add([&](QWidget* w) {
        auto* d = qobject_cast<BinaryDialog*>(w);
        if (!d)
            return false;
        seenMax = d->maxDataSize();
        auto* editor = d->findChild<BinaryEditor*>();
        if (editor)
            QTest::keyClicks(editor, hex);
        if (accept)
            d->accept();
        else
            d->reject();
        return true;
    });

    typeAndEnter(command);
    QCOMPARE(driver.handled, dialog ? 1 : 0);
    if (dialog)
        QCOMPARE(seenMax, maxSize);
    QCOMPARE(inputEdit()->text(), inputAfter);
    if (!inputAfter.isEmpty())
        QCOMPARE(m_window->focusWidget(), static_cast<QWidget*>(inputEdit()));

    // A marker behind it shows everything that went out, and that nothing else did. Each
    // send first clears what the port still holds, so let the command leave first.
    QCOMPARE(inputEdit()->history.entries.last(), command);
    QVERIFY(QTest::qWaitFor([this] { return client()->serialPort()->bytesToWrite() == 0; }));
    QTest::qWait(20);
    typeAndEnter(QStringLiteral("AT+MARK"));
    QVERIFY(m_peer->waitFor("AT+MARK\r\n"));
    QCOMPARE(m_peer->received(), wire + "AT+MARK\r\n");

    if (dialog && !wire.isEmpty()) {
        const QByteArray payload = wire.mid(wire.indexOf('\n') + 1);
        const QList<Run> r = runs(log()->document());
        bool found = false;
        for (const Run& run : r) {
            if (run.color == sentBinaryColor) {
                QCOMPARE(run.text, QStringLiteral("hex[%1]{%2}\n   str{%3}\n")
                                       .arg(QString::number(payload.size()),
                                            QString::fromLatin1(payload.toHex()),
                                            QString::fromUtf8(payload)));
                found = true;
            }
        }
        QVERIFY(found);
    }
}

void TestMainWidget::enterOnEmptyLine() {
    const qsizetype before = inputEdit()->history.entries.size();
    typeAndEnter(QString());
    QVERIFY(client()->serialPort()->isOpen());
    QCOMPARE(inputEdit()->history.entries.size(), before + 1);
    typeAndEnter(QStringLiteral("AT+MARK"));
    QVERIFY(m_peer->waitFor("AT+MARK\r\n"));
    QCOMPARE(m_peer->received(), QByteArray("AT+MARK\r\n"));
}

void TestMainWidget::queuedUserCommand() {
    const qsizetype before = inputEdit()->history.entries.size();
    emit UserCommands::_self.sendCommand(QStringLiteral("AT+WRITEB=1,4"));
    // Queued: nothing has happened yet when the emit returns.
    QVERIFY(!client()->serialPort()->isOpen());
    QVERIFY(log()->toPlainText().isEmpty());

    ModalDriver driver;
    driver.add([](QWidget* w) {
        if (auto* d = qobject_cast<QDialog*>(w))
            d->reject();
        return true;
    });
    QVERIFY(m_peer->waitFor("AT+WRITEB=1,4\r\n"));
    QTest::qWait(50);
    QCOMPARE(driver.handled, 0);
    QCOMPARE(m_peer->received(), QByteArray("AT+WRITEB=1,4\r\n"));
    QCOMPARE(inputEdit()->history.entries.size(), before);
    QCOMPARE(openButton()->text(), QStringLiteral("Close"));
}

void TestMainWidget::settingsFirstRun() {
    QVERIFY(!action(QStringLiteral("user-commands"))->isChecked());
    QVERIFY(action(QStringLiteral("command-list"))->isChecked());
    QCOMPARE(baudCombo()->baudrate(), 115200);

    m_window.reset();
    QSettings settings;
    QVERIFY(!settings.value(QStringLiteral("geometry")).toByteArray().isEmpty());
    QVERIFY(!settings.value(QStringLiteral("splitter")).toByteArray().isEmpty());
    QCOMPARE(settings.value(QStringLiteral("port")).toString(), m_peer->slavePath());
    QCOMPARE(settings.value(QStringLiteral("baudrate")).toInt(), 115200);
    QCOMPARE(settings.value(QStringLiteral("view/user-commands")), QVariant(false));
    QCOMPARE(settings.value(QStringLiteral("view/command-list")), QVariant(true));
}

void TestMainWidget::settingsRoundTrip() {
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    m_window->setGeometry(40, 50, 700, 400);
    baudCombo()->setBaudrate(9600);
    action(QStringLiteral("user-commands"))->setChecked(true);
    action(QStringLiteral("command-list"))->setChecked(false);
    auto* splitter = m_window->findChild<QSplitter*>();
    QTest::qWait(20);
    splitter->setSizes({300, 200});
    const QList<int> sizes = splitter->sizes();
    const QSize size = m_window->size();
    QWidget* commands = splitter->widget(1);
    QVERIFY(commands->isVisible());

    m_window.reset();
    m_window = std::make_unique<MainWidget>();
    QVERIFY(action(QStringLiteral("user-commands"))->isChecked());
    QVERIFY(!action(QStringLiteral("command-list"))->isChecked());
    QCOMPARE(baudCombo()->baudrate(), 9600);
    QCOMPARE(client()->serialPort()->baudRate(), 9600);
    QCOMPARE(portCombo()->portName(), m_peer->slavePath());
    QCOMPARE(portPath(), m_peer->slavePath());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    splitter = m_window->findChild<QSplitter*>();
    QVERIFY(!splitter->widget(1)->isHidden());
    QCOMPARE(m_window->size(), size);
    QCOMPARE(splitter->sizes(), sizes);

    // The command list panel, the window's only hidden panel of its own, came back hidden
    // and its menu entry shows it again.
    auto hiddenPanels = [this] {
        int n = 0;
        for (QWidget* w : m_window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (!w->isWindow() && w->isHidden())
                ++n;
        }
        return n;
    };
    QCOMPARE(hiddenPanels(), 1);
    action(QStringLiteral("command-list"))->setChecked(true);
    QCOMPARE(hiddenPanels(), 0);
}

void TestMainWidget::settingsIgnoreUnknown() {
    m_window.reset();
    QSettings settings;
    settings.setValue(QStringLiteral("port"), m_dir.filePath(QStringLiteral("gone")));
    settings.setValue(QStringLiteral("baudrate"), 12345);
    settings.sync();
    m_window = std::make_unique<MainWidget>();
    QCOMPARE(baudCombo()->baudrate(), 115200);
    QCOMPARE(client()->serialPort()->baudRate(), 115200);
    QVERIFY(!portCombo()->portName().isEmpty());
    QVERIFY(portPath().endsWith(portCombo()->portName()));
}

void TestMainWidget::firmwareRefusals() {
    // Larger than the transfer's counts: refused before it is read.
    const QString huge = m_dir.filePath(QStringLiteral("huge.bin"));
    {
        QFile file(huge);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(1) << 31));
    }
    ModalDriver driver;
    QString message;
    auto chooseFile = [&driver](const QString& path) {
        driver.add([path](QWidget* w) { return test::acceptFileDialog(w, path); });
    };
    auto takeMessage = [&driver, &message] {
        driver.add([&message](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return false;
            message = box->windowTitle() + QLatin1Char('|') + box->text();
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    };

    chooseFile(huge);
    takeMessage();
    action(QStringLiteral("update-firmware"))->trigger();
    QCOMPARE(driver.handled, 2);
    QVERIFY2(message.startsWith(QStringLiteral("Error|File is too large")), qPrintable(message));
    QVERIFY(message.endsWith(huge));
    QVERIFY(!client()->serialPort()->isOpen());
    QVERIFY(!m_window->findChild<QProgressDialog*>());
    QFile::remove(huge);

    // A port that cannot be opened.
    const QString small = m_dir.filePath(QStringLiteral("small.bin"));
    {
        QFile file(small);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("abc");
    }
    client()->serialPort()->setPortName(m_dir.filePath(QStringLiteral("no-such-tty")));
    chooseFile(small);
    takeMessage();
    action(QStringLiteral("update-firmware"))->trigger();
    QCOMPARE(driver.handled, 4);
    QCOMPARE(message, QStringLiteral("Error|Failed to write firmware"));
    QVERIFY(!m_window->findChild<QProgressDialog*>());

    // Cancelled file dialog: nothing at all.
    driver.add([](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (dialog)
            dialog->reject();
        return dialog != nullptr;
    });
    message.clear();
    action(QStringLiteral("update-firmware"))->trigger();
    QCOMPARE(driver.handled, 5);
    QTest::qWait(30);
    QVERIFY(message.isEmpty());
}

void TestMainWidget::firmwareCancelBetweenBlocks() {
    const QString image = m_dir.filePath(QStringLiteral("image.bin"));
    {
        QFile file(image);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(1000, 'x'));
    }
    // The module confirms every block.
    int blocks = 0;
    connect(m_peer.get(), &test::PtyPeer::dataReceived, this, [&] {
        while (m_peer->received().count("AT+FWWRITE") > blocks) {
            ++blocks;
            m_peer->write("OK\r\n");
        }
    });
    // "Cancel" pressed while the first confirmation is being reported, when no block
    // transaction is current (as when setValue of the modal dialog runs the press).
    bool pressed = false;
    connect(client(), &at::Client::firmwareUpdateProgress, this, [&] {
        auto* dialog = m_window->findChild<QProgressDialog*>();
        if (pressed || !dialog)
            return;
        pressed = true;
        QVERIFY(!client()->transaction());
        dialog->findChild<QPushButton*>()->click();
    });

    ModalDriver driver;
    QString message;
    driver.add([&](QWidget* w) { return test::acceptFileDialog(w, image); });
    action(QStringLiteral("update-firmware"))->trigger();
    QCOMPARE(driver.handled, 1);
    driver.add([&](QWidget* w) {
        if (auto* box = qobject_cast<QMessageBox*>(w)) {
            message = box->text();
            box->button(QMessageBox::Ok)->click();
            return true;
        }
        return false;
    });

    QVERIFY(QTest::qWaitFor([&] { return log()->toPlainText().contains(QStringLiteral("Error(")); },
                            8000));
    QTest::qWait(100);
    disconnect(m_peer.get(), nullptr, this, nullptr);
    QVERIFY(pressed);
    QVERIFY2(!m_peer->received().contains("AT+FWUPDATE"), m_peer->received().left(200).constData());
    QVERIFY(blocks <= 2);
    QVERIFY(log()->toPlainText().contains(
        QStringLiteral("Error(-1):  %1").arg(at::toText(at::Cancel))));
    QVERIFY(message.isEmpty());
    QVERIFY(QTest::qWaitFor([&] { return !m_window->findChild<QProgressDialog*>(); }));
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"
