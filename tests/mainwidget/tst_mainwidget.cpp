// The real window on a pseudo-terminal: toolbar, log, dispatch, settings, the command
// catalogue (also in Russian) and the user commands panel.

#include "common/ptypeer.h"
#include "input/binarydialog.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "mainwidget/harness.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTranslator>

#include <algorithm>

namespace {

// One coloured stretch of the log; block ends are folded into the entry they end.
struct Run {
    QString text;
    QColor color;
};

QList<Run> runs(const QTextDocument* doc) {
    QList<Run> out;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QColor color = it.fragment().charFormat().foreground().color();
            if (!out.isEmpty() && out.last().color == color)
                out.last().text += it.fragment().text();
            else
                out.append({it.fragment().text(), color});
        }
        if (block.next().isValid() && !out.isEmpty())
            out.last().text += '\n';
    }
    return out;
}

const QColor sentColor = QColor(Qt::blue);
const QColor receivedColor = QColor(Qt::green).darker(200);
const QColor sentBinaryColor = QColor(Qt::blue).lighter(150);
const QColor receivedBinaryColor = QColor(Qt::green).darker(120);
const QColor errorColor = QColor(Qt::red);

// Types hex into the next binary payload dialog and accepts it; "-" cancels it.
void answerPayload(test::Modals& modals, const QString& hex, int* maxSize = nullptr) {
    modals.add([=](QWidget* w) {
        auto* d = qobject_cast<BinaryDialog*>(w);
        if (!d)
            return false;
        if (maxSize)
            *maxSize = d->maxDataSize();
        QTest::keyClicks(d->findChild<BinaryEditor*>(), hex == "-" ? QString() : hex);
        hex == "-" ? d->reject() : d->accept();
        return true;
    });
}

} // namespace

class TestMainWidget : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void openClose();
    void entries_data();
    void entries();
    void dispatch_data();
    void dispatch();
    void settings();

    void catalogue_data();
    void catalogue();
    void russian();

    void addButton();
    void removeButton_data();
    void removeButton();
    void doubleClick_data();
    void doubleClick();

private:
    LogEdit* log() const { return m_w.widget()->findChild<LogEdit*>(); }
    wdt::serialport::PortNameCombo* combo() const {
        return m_w.widget()->findChild<wdt::serialport::PortNameCombo*>();
    }
    wdt::serialport::BaudrateCombo* baud() const {
        return m_w.widget()->findChild<wdt::serialport::BaudrateCombo*>();
    }
    QTableView* view() const { return m_w.widget()->findChild<QTableView*>(); }
    QAbstractItemModel* model() const { return view()->model(); }
    void show();
    int addCommand(const QString& value);
    // Everything the window wrote so far, known complete once a marker behind it arrived.
    QByteArray receivedUpToMarker();

    test::PtyPeer m_peer;
    test::Window m_w;
    QTemporaryDir m_dir;
};

void TestMainWidget::initTestCase() {
    test::setIdentity();
    QVERIFY(m_peer.isOpen());
}

void TestMainWidget::init() {
    QSettings().clear();
    QVERIFY(m_w.create(m_peer.slavePath()));
    m_peer.clearReceived();
}

void TestMainWidget::cleanup() {
    // The list is a program-wide singleton: leave it empty for the next case.
    UserCommands::_self.removeRange(0, UserCommands::_self.size());
    m_w.destroy();
}

void TestMainWidget::show() {
    // The user commands panel starts hidden; shown as its view action would.
    view()->parentWidget()->show();
    m_w.widget()->show();
    QVERIFY(QTest::qWaitForWindowActive(m_w.widget()));
}

int TestMainWidget::addCommand(const QString& value) {
    const int row = UserCommands::_self.append();
    model()->setData(model()->index(row, 1), value, Qt::EditRole);
    return row;
}

QByteArray TestMainWidget::receivedUpToMarker() {
    // Straight through the client, so the marker adds nothing to the window's history.
    if (!m_w.port()->isOpen() && !m_w.client()->serialPortOpen(true))
        return "(port not open) " + m_peer.received();
    m_w.client()->userCommand("AT+MARK", QByteArray());
    if (!m_peer.waitFor("AT+MARK\r\n"))
        return "(marker missing) " + m_peer.received();
    QByteArray all = m_peer.takeReceived();
    all.chop(9);
    return all;
}

void TestMainWidget::openClose() {
    // A rate chosen while closed reaches the port at once.
    baud()->setBaudrate(9600);
    QCOMPARE(m_w.port()->baudRate(), 9600);
    m_w.openClose()->click();
    QVERIFY(m_w.port()->isOpen());
    QCOMPARE(m_w.openClose()->text(), "Close");
    QVERIFY(!m_w.choosersEnabled());
    m_w.openClose()->click();
    QVERIFY(!m_w.port()->isOpen());
    QCOMPARE(m_w.openClose()->text(), "Open");
    QVERIFY(m_w.choosersEnabled());
    QVERIFY(m_w.log().isEmpty());

    // A port that cannot be opened: one red line, the toolbar stays closed.
    m_w.port()->setPortName(m_dir.filePath("no-such-tty"));
    m_w.openClose()->click();
    QVERIFY(!m_w.port()->isOpen());
    QCOMPARE(m_w.openClose()->text(), "Open");
    QVERIFY(m_w.choosersEnabled());
    const QList<Run> r = runs(log()->document());
    QCOMPARE(r.size(), 1);
    QVERIFY2(r.at(0).text.startsWith("Serial port error:  "), qPrintable(r.at(0).text));
    QCOMPARE(r.at(0).text.count('\n'), 1);
    QCOMPARE(r.at(0).color, errorColor);
}

void TestMainWidget::entries_data() {
    QTest::addColumn<QByteArray>("wire"); // what the module says; empty: AT is typed
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QColor>("color");

    // clang-format off
    QTest::newRow("typed") << QByteArray() << "<< " << "AT" << sentColor;
    QTest::newRow("line") << QByteArray("OK\r\n") << ">> " << "OK" << receivedColor;
    // A placeholder, a line feed and a byte that is no UTF-8, all in one block.
    QTest::newRow("binary") << QByteArray("+READB:4\r\n%1\n\xff") << ">> "
                            << "hex[4]{25310aff}\n   str{%1\n\ufffd}" << receivedBinaryColor;
    // clang-format on
}

void TestMainWidget::entries() {
    QFETCH(QByteArray, wire);
    QFETCH(QString, prefix);
    QFETCH(QString, text);
    QFETCH(QColor, color);

    if (wire.isEmpty()) {
        m_w.type("AT");
        QVERIFY(m_peer.waitFor("AT\r\n"));
        QCOMPARE(m_peer.received(), QByteArray("AT\r\n"));
        QCOMPARE(m_w.openClose()->text(), "Close");
        QVERIFY(m_w.input()->text().isEmpty());
    } else {
        m_w.openClose()->click();
        QVERIFY(m_peer.write(wire));
    }
    QVERIFY(QTest::qWaitFor([&] {
        const QList<Run> r = runs(log()->document());
        return r.size() >= 2 && r.last().color == color && r.last().text.endsWith('\n');
    }));
    const QList<Run> r = runs(log()->document());
    QCOMPARE(r.at(r.size() - 2).text, prefix);
    QCOMPARE(r.at(r.size() - 2).color, QColor(Qt::black));
    QCOMPARE(r.last().text, text + '\n');
    // The next entry starts on a line of its own.
    m_w.type("AT+MARK");
    QVERIFY(m_peer.waitFor("AT+MARK\r\n"));
    QVERIFY(m_w.log().contains(text + "\n<< AT+MARK"));
}

void TestMainWidget::dispatch_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("maxSize"); // of the binary dialog; -1: no dialog
    QTest::addColumn<QString>("hex"); // typed into it; "-": cancelled
    QTest::addColumn<QByteArray>("wire");
    QTest::addColumn<QString>("inputAfter");

    // clang-format off
    QTest::newRow("padded") << "AT+WRITEB=1,4" << 4 << "0102" << QByteArray("AT+WRITEB=1,4\r\n\x01\x02\x00\x00", 19) << "";
    QTest::newRow("cut") << "AT+WRITEB=1,2" << 2 << "010203" << QByteArray("AT+WRITEB=1,2\r\n\x01\x02") << "";
    QTest::newRow("size appended") << "AT+WRITEB=1," << 0 << "0a0b0c" << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c") << "";
    QTest::newRow("udp fields kept") << "AT+WRITEB=1,2,10.0.0.1,80" << 2 << "abcd" << QByteArray("AT+WRITEB=1,2,10.0.0.1,80\r\n\xab\xcd") << "";
    QTest::newRow("zero size") << "AT+WRITEB=1,0" << 0 << "abc" << QByteArray("AT+WRITEB=1,0\r\n\x0a\xbc") << "";
    QTest::newRow("empty size, nothing typed") << "AT+WRITEB=1," << 0 << "" << QByteArray() << "AT+WRITEB=1,";
    QTest::newRow("cancel") << "AT+WRITEB=0,16" << 16 << "-" << QByteArray() << "AT+WRITEB=0,16";
    QTest::newRow("empty line") << "" << -1 << "" << QByteArray() << "";
    // clang-format on
    // No dialog pads gigabytes of zeros: sizes beyond 16 MiB go out as they are.
    for (const char* p : {"AT+WRITEB=1,x", "at+writeb=1,4", "AT+WRITEB", "AT+WRITEB=1,4294967296",
                          "AT+WRITEB=1,16777217"})
        QTest::newRow(p) << QString(p) << -1 << QString() << QByteArray(p) + "\r\n" << QString();
}

void TestMainWidget::dispatch() {
    QFETCH(QString, command);
    QFETCH(int, maxSize);
    QFETCH(QString, hex);
    QFETCH(QByteArray, wire);
    QFETCH(QString, inputAfter);

    test::Modals modals;
    int seenMax = -1;
    answerPayload(modals, hex, &seenMax);
    m_w.type(command);
    QCOMPARE(modals.answered, maxSize < 0 ? 0 : 1);
    QCOMPARE(seenMax, maxSize);
    QCOMPARE(m_w.input()->text(), inputAfter);
    QCOMPARE(m_w.input()->history.entries.last(), command);
    QVERIFY(m_w.port()->isOpen());

    // Everything that went out, and nothing else.
    QCOMPARE(receivedUpToMarker(), wire);
    if (maxSize >= 0 && !wire.isEmpty()) {
        const QByteArray data = wire.mid(wire.indexOf('\n') + 1);
        const QString entry =
            QString("hex[%1]{%2}\n   str{%3}\n")
                .arg(QString::number(data.size()), data.toHex(), QString::fromUtf8(data));
        const QList<Run> r = runs(log()->document());
        QVERIFY(std::any_of(r.begin(), r.end(), [&](const Run& run) {
            return run.color == sentBinaryColor && run.text == entry;
        }));
    }
}

void TestMainWidget::settings() {
    QVERIFY(!m_w.action("user-commands")->isChecked());
    QVERIFY(m_w.action("command-list")->isChecked());
    QCOMPARE(baud()->baudrate(), 115200);
    m_w.widget()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.widget()));
    m_w.widget()->setGeometry(40, 50, 700, 400);
    baud()->setBaudrate(9600);
    m_w.action("user-commands")->setChecked(true);
    m_w.action("command-list")->setChecked(false);
    auto* splitter = m_w.widget()->findChild<QSplitter*>();
    QTest::qWait(20);
    splitter->setSizes({300, 200});
    const QList<int> sizes = splitter->sizes();
    const QSize size = m_w.widget()->size();

    m_w.destroy();
    QVERIFY(m_w.create(m_peer.slavePath(), false));
    QCOMPARE(combo()->portName(), m_peer.slavePath());
    QVERIFY(m_w.action("user-commands")->isChecked());
    QVERIFY(!m_w.action("command-list")->isChecked());
    QCOMPARE(baud()->baudrate(), 9600);
    QCOMPARE(m_w.port()->baudRate(), 9600);
    m_w.widget()->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_w.widget()));
    QCOMPARE(m_w.widget()->size(), size);
    QCOMPARE(m_w.widget()->findChild<QSplitter*>()->sizes(), sizes);
    // The command list, the window's only panel of its own, came back hidden.
    auto hidden = [this] {
        int n = 0;
        for (QWidget* c : m_w.widget()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            n += !c->isWindow() && c->isHidden();
        return n;
    };
    QCOMPARE(hidden(), 1);
    m_w.action("command-list")->setChecked(true);
    QCOMPARE(hidden(), 0);

    // Values this system does not offer are ignored.
    m_w.destroy();
    QSettings settings;
    settings.setValue("port", m_dir.filePath("gone"));
    settings.setValue("baudrate", 12345);
    settings.sync();
    QVERIFY(m_w.create(m_peer.slavePath(), false));
    QVERIFY(!combo()->portName().isEmpty());
    QVERIFY(combo()->portName() != m_dir.filePath("gone"));
    QCOMPARE(baud()->baudrate(), 115200);
    QCOMPARE(m_w.port()->baudRate(), 115200);
}

void TestMainWidget::catalogue_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");    // -1: sent at once
    QTest::addColumn<QString>("typed"); // at the cursor, then Enter
    QTest::addColumn<QByteArray>("wire");

    // clang-format off
    QTest::newRow("sent") << "AT+VERSION" << "AT+VERSION" << -1 << "" << QByteArray("AT+VERSION\r\n");
    QTest::newRow("cursor at the end") << "AT+WFMODE=<mode>" << "AT+WFMODE=" << 10 << "" << QByteArray();
    QTest::newRow("quoted") << "AT+WFSTAIP=1," << "AT+WFSTAIP=1,\"\",\"255.255.255.0\",\"\"" << 14
                            << "10.0.0.2" << QByteArray("AT+WFSTAIP=1,\"10.0.0.2\",\"255.255.255.0\",\"\"\r\n");
    QTest::newRow("two quoted") << "AT+WFAPIP=<ip>,<mac>" << "AT+WFAPIP=\"\",\"\"" << 11 << "" << QByteArray();
    QTest::newRow("quoted, comma") << "AT+TCPCONN=" << "AT+TCPCONN=\"\"," << 12 << "" << QByteArray();
    QTest::newRow("udp open") << "AT+UDPOPEN=" << "AT+UDPOPEN" << 10 << "" << QByteArray();
    // The size typed, the payload ("abcd") given in the dialog.
    QTest::newRow("binary write") << "AT+WRITEB=" << "AT+WRITEB=," << 10 << "3" << QByteArray("AT+WRITEB=3,2\r\n\xab\xcd");
    // clang-format on
}

void TestMainWidget::catalogue() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(int, cursor);
    QFETCH(QString, typed);
    QFETCH(QByteArray, wire);

    show();
    test::Modals modals;
    answerPayload(modals, "abcd");
    InputEdit* edit = m_w.input();
    const QStringList history = edit->history.entries;
    // Whatever was typed is dropped, neither sent nor recorded.
    edit->setText("typed but not entered");
    edit->setCursorPosition(3);
    QTest::mouseClick(m_w.button(label), Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    if (cursor >= 0) {
        // Prepared in the line: neither the port opened nor anything sent.
        QCOMPARE(edit->text(), text);
        QCOMPARE(edit->cursorPosition(), cursor);
        QCOMPARE(edit->history.entries, history);
        QVERIFY(!m_w.port()->isOpen());
        if (typed.isEmpty())
            return;
        QTest::keyClicks(edit, typed);
        QTest::keyClick(edit, Qt::Key_Return);
    }
    QCOMPARE(modals.answered, label == "AT+WRITEB=" ? 1 : 0);
    QVERIFY(m_peer.waitForBytes(wire.size()));
    QCOMPARE(m_peer.received(), wire);
    QCOMPARE(edit->history.entries.last(), cursor < 0 ? text : text.insert(cursor, typed));
    QCOMPARE(edit->text(), QString());
}

void TestMainWidget::russian() {
    // Labels stay as they are; texts and tooltips come from the Russian catalogue.
    QTranslator translator;
    QVERIFY(translator.load(":/main_ru.qm"));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    test::Window ru;
    QVERIFY(ru.create(m_peer.slavePath(), false));
    QCoreApplication::removeTranslator(&translator);
    QCOMPARE(ru.openClose()->text(), "Открыть");
    QCOMPARE(ru.button("AT+VERSION")->toolTip(), "Проверить версию устройства");
}

void TestMainWidget::addButton() {
    const QString typed = "AT+NEW";
    show();
    addCommand("AT+FIRST");
    QTest::mouseClick(m_w.button("Add"), Qt::LeftButton);
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(view()->currentIndex(), model()->index(1, 1));
    QCOMPARE(UserCommands::_self.command(1).period(), 1000u);

    // The new row's text cell is open for typing.
    auto* editor = qobject_cast<QLineEdit*>(view()->indexWidget(model()->index(1, 1)));
    QVERIFY(editor);
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, typed);
    view()->setFocus();
    QTRY_VERIFY(!view()->indexWidget(model()->index(1, 1)));
    QCOMPARE(UserCommands::_self.size(), 2);
    QCOMPARE(UserCommands::_self.command(1).value(), typed);
    QCOMPARE(UserCommands::_self.command(0).value(), "AT+FIRST");
}

void TestMainWidget::removeButton_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("currentRow"); // -1: no current cell; before the removal: 2

    // clang-format off
    QTest::newRow("middle block") << 6 << QList<int>{1, 2, 3} << QStringList{"C0", "C4", "C5"} << 0;
    QTest::newRow("all") << 2 << QList<int>{0, 1} << QStringList{} << -1;
    QTest::newRow("scattered") << 6 << QList<int>{4, 1, 3} << QStringList{"C0", "C2", "C5"} << 0;
    QTest::newRow("tail") << 6 << QList<int>{3, 5} << QStringList{"C0", "C1", "C2", "C4"} << 2;
    QTest::newRow("nothing selected") << 4 << QList<int>{} << QStringList{"C0", "C1", "C2", "C3"} << 2;
    // clang-format on
}

void TestMainWidget::removeButton() {
    QFETCH(int, count);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, remaining);
    QFETCH(int, currentRow);

    show();
    for (int i = 0; i < count; ++i)
        addCommand(QString("C%1").arg(i));
    QItemSelectionModel* selection = view()->selectionModel();
    selection->setCurrentIndex(model()->index(2, 2), QItemSelectionModel::NoUpdate);
    selection->clearSelection();
    for (int row : selected)
        selection->select(model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::mouseClick(m_w.button("Remove"), Qt::LeftButton);

    QStringList values;
    for (int i = 0; i < UserCommands::_self.size(); ++i)
        values << UserCommands::_self.command(i).value();
    QCOMPARE(values, remaining);
    QCOMPARE(model()->rowCount(), remaining.size());
    // The current cell moves to the text column of a surviving row, or stays untouched.
    QCOMPARE(view()->currentIndex(), currentRow < 0
                                         ? QModelIndex()
                                         : model()->index(currentRow, selected.isEmpty() ? 2 : 1));
}

void TestMainWidget::doubleClick_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("hex"); // typed into the payload dialog; "-": cancelled
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("inputLine");

    // clang-format off
    QTest::newRow("send cell") << "AT+VERSION" << 0 << "" << QByteArray("AT+VERSION\r\n") << "";
    QTest::newRow("text cell") << "AT+VERSION" << 1 << "" << QByteArray() << "";
    QTest::newRow("period cell") << "AT+VERSION" << 2 << "" << QByteArray() << "";
    QTest::newRow("binary write") << "AT+WRITEB=1," << 0 << "0a0b0c" << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c") << "";
    // An abandoned payload leaves the command in the input line for editing.
    QTest::newRow("binary write cancelled") << "AT+WRITEB=1,2" << 0 << "-" << QByteArray() << "AT+WRITEB=1,2";
    // clang-format on
}

void TestMainWidget::doubleClick() {
    QFETCH(QString, command);
    QFETCH(int, column);
    QFETCH(QString, hex);
    QFETCH(QByteArray, sent);
    QFETCH(QString, inputLine);

    show();
    addCommand("AT+FIRST");
    const int row = addCommand(command);
    const QStringList history = m_w.input()->history.entries;
    test::Modals modals;
    answerPayload(modals, hex);
    const QPoint pos = view()->visualRect(model()->index(row, column)).center();
    // The double-click alone does not carry the press the view expects first.
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, pos);

    QCOMPARE(modals.answered, command.startsWith("AT+WRITEB") ? 1 : 0);
    QCOMPARE(m_w.port()->isOpen(), column == 0);
    if (column == 1)
        QVERIFY(qobject_cast<QLineEdit*>(view()->indexWidget(model()->index(row, 1))));
    QCOMPARE(m_w.input()->text(), inputLine);
    QCOMPARE(receivedUpToMarker().toHex(' '), sent.toHex(' '));
    // A manual send leaves the history, the text and the repetition alone.
    QCOMPARE(m_w.input()->history.entries, history);
    QCOMPARE(UserCommands::_self.command(row).value(), command);
    QVERIFY(!UserCommands::_self.command(row).isAuto());
}

QTEST_MAIN(TestMainWidget)
#include "tst_mainwidget.moc"
