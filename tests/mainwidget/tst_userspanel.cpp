#include "at/client.h"
#include "common/ptypeer.h"
#include "input/binaryeditor.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QDialog>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

class TestUsersPanel : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void table();
    void repeatingCommand();
    void addButton_data();
    void addButton();
    void removeButton_data();
    void removeButton();
    void doubleClickSendCell();
    void doubleClickTextCell();
    void doubleClickBinaryWrite_data();
    void doubleClickBinaryWrite();

private:
    QToolButton* toolButton(const QString& text) const;
    InputEdit* inputEdit() const;
    at::Client* client() const;
    QAbstractItemModel* model() const { return m_view->model(); }
    int addCommand(const QString& value);
    void doubleClick(int row, int column);
    // Sends a marker line and waits for it, so that
    // everything the window wrote before has reached the peer.
    QByteArray receivedUpToMarker();

    std::unique_ptr<test::PtyPeer> m_peer;
    std::unique_ptr<MainWidget> m_window;
    QTableView* m_view = nullptr;
};

void TestUsersPanel::initTestCase() {
    m_peer = std::make_unique<test::PtyPeer>();
    QVERIFY(m_peer->isOpen());
    qputenv("KELVRA_EXTRA_PORTS", m_peer->slavePath().toLocal8Bit());

    m_window = std::make_unique<MainWidget>();
    auto* ports = m_window->findChild<wdt::serialport::PortNameCombo*>();
    QVERIFY(ports);
    ports->setPortName(m_peer->slavePath());

    m_view = m_window->findChild<QTableView*>();
    QVERIFY(m_view);
    // the panel starts hidden; show it as its view action would
    QVERIFY(!m_view->isVisibleTo(m_window.get()));
    m_view->parentWidget()->show();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(inputEdit());
}

void TestUsersPanel::cleanupTestCase() {
    m_window.reset();
    m_peer.reset();
}

void TestUsersPanel::init() {
    QCOMPARE(UserCommands::_self.size(), 0);
    client()->serialPortClose(true);
    QVERIFY(!client()->serialPort()->isOpen());
    m_peer->clearReceived();
    inputEdit()->clear();
}

void TestUsersPanel::cleanup() {
    // The list is a program-wide singleton: leave it empty for the next case.
    if (UserCommands::_self.size() > 0)
        UserCommands::_self.removeRange(0, UserCommands::_self.size());
    // let sends still queued by repetition go out, and drain them from the peer
    QCoreApplication::processEvents();
    if (client()->serialPort()->isOpen())
        receivedUpToMarker();
}

QToolButton* TestUsersPanel::toolButton(const QString& text) const {
    const auto buttons = m_window->findChildren<QToolButton*>();
    for (QToolButton* b : buttons) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

InputEdit* TestUsersPanel::inputEdit() const {
    const auto edits = m_window->findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits) {
        if (auto* input = dynamic_cast<InputEdit*>(edit))
            return input;
    }
    return nullptr;
}

at::Client* TestUsersPanel::client() const {
    return m_window->findChild<at::Client*>();
}

int TestUsersPanel::addCommand(const QString& value) {
    const int row = UserCommands::_self.append();
    model()->setData(model()->index(row, 1), value, Qt::EditRole);
    return row;
}

void TestUsersPanel::doubleClick(int row, int column) {
    const QModelIndex index = model()->index(row, column);
    const QPoint pos = m_view->visualRect(index).center();
    // the double-click event alone does not carry the press the view expects first
    QTest::mouseClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
    QTest::mouseDClick(m_view->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
}

QByteArray TestUsersPanel::receivedUpToMarker() {
    // The marker is written straight through the client: the window's own
    // send paths discard output the device has not taken yet, which would
    // hide what came before.
    if (!client()->serialPort()->isOpen() && !client()->serialPortOpen(true))
        return "(port not open) " + m_peer->received();
    client()->userCommand("AT+MARK", QByteArray());
    const QByteArray marker = "AT+MARK\r\n";
    if (!m_peer->waitFor(marker))
        return "(marker missing) " + m_peer->received();
    QByteArray all = m_peer->takeReceived();
    all.chop(marker.size());
    return all;
}

void TestUsersPanel::table() {
    QCOMPARE(model()->columnCount(), 3);
    QHeaderView* header = m_view->horizontalHeader();
    QCOMPARE(header->sectionSize(0), 24);
    QCOMPARE(header->sectionSize(2), 80);
    QCOMPARE(header->sectionResizeMode(1), QHeaderView::Stretch);
    QCOMPARE(m_view->verticalHeader()->defaultSectionSize(), 24);
    QVERIFY(m_view->verticalHeader()->isHidden());

    QToolButton* add = toolButton("Add");
    QToolButton* remove = toolButton("Remove");
    QVERIFY(add);
    QVERIFY(remove);
    QCOMPARE(add->toolTip(), QString("Add user command"));
    QCOMPARE(remove->toolTip(), QString("Remove user commands"));
}

void TestUsersPanel::repeatingCommand() {
    const int row = addCommand("AT+TICK");
    model()->setData(model()->index(row, 2), 100, Qt::EditRole);
    QCOMPARE(UserCommands::_self.command(row).period(), 100u);

    // A tick only asks the window to send; the send itself comes from the
    // event loop afterwards, so the emission cannot open the port by itself.
    emit UserCommands::_self.sendCommand("AT+QUEUED");
    QVERIFY(!client()->serialPort()->isOpen());
    QVERIFY(m_peer->waitFor("AT+QUEUED\r\n"));
    QVERIFY(client()->serialPort()->isOpen());
    client()->serialPortClose(true);
    m_peer->clearReceived();

    // Repetition opens the port and sends again and again.
    QVERIFY(model()->setData(model()->index(row, 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(UserCommands::_self.command(row).isAuto());
    QTRY_VERIFY_WITH_TIMEOUT(m_peer->received().count("AT+TICK\r\n") >= 3, 5000);
    QByteArray rest = m_peer->received();
    rest.replace("AT+TICK\r\n", "");
    QVERIFY2(QByteArray("AT+TICK\r\n").startsWith(rest), rest.constData());
    // the history belongs to typed commands only
    QVERIFY(!inputEdit()->history.entries.contains("AT+TICK"));

    // New text reaches the following ticks.
    QVERIFY(model()->setData(model()->index(row, 1), "AT+TOCK", Qt::EditRole));
    QTRY_VERIFY_WITH_TIMEOUT(m_peer->received().count("AT+TOCK\r\n") >= 2, 5000);

    // A new period restarts the timer; the command keeps coming.
    QVERIFY(model()->setData(model()->index(row, 2), 150, Qt::EditRole));
    QCOMPARE(UserCommands::_self.command(row).period(), 150u);
    m_peer->clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(m_peer->received().count("AT+TOCK\r\n") >= 2, 5000);

    // Switched off, it falls silent. A second command on the same period
    // serves as the clock: while it ticks three times the first would have
    // ticked at least once more.
    QVERIFY(model()->setData(model()->index(row, 2), Qt::Unchecked, Qt::CheckStateRole));
    const int clock = addCommand("AT+CLOCK");
    model()->setData(model()->index(clock, 2), 100, Qt::EditRole);
    QVERIFY(model()->setData(model()->index(clock, 2), Qt::Checked, Qt::CheckStateRole));
    QVERIFY(m_peer->waitFor("AT+CLOCK\r\n", 5000));
    // a send already queued at the switch-off may still come before the first clock tick
    m_peer->clearReceived();
    QTRY_VERIFY_WITH_TIMEOUT(m_peer->received().count("AT+CLOCK\r\n") >= 3, 5000);
    const QByteArray after = m_peer->received();
    QVERIFY2(!after.contains("AT+TOCK"), after.constData());
    QVERIFY(model()->setData(model()->index(clock, 2), Qt::Unchecked, Qt::CheckStateRole));
}

void TestUsersPanel::addButton_data() {
    QTest::addColumn<QString>("typed");
    QTest::newRow("left empty") << QString();
    QTest::newRow("typed") << "AT+NEW";
}

void TestUsersPanel::addButton() {
    QFETCH(QString, typed);
    addCommand("AT+FIRST");
    QToolButton* add = toolButton("Add");
    QVERIFY(add);

    QTest::mouseClick(add, Qt::LeftButton);

    QCOMPARE(UserCommands::_self.size(), 2);
    QCOMPARE(model()->rowCount(), 2);
    QCOMPARE(m_view->currentIndex(), model()->index(1, 1));
    QCOMPARE(UserCommands::_self.command(1).value(), QString());
    QCOMPARE(UserCommands::_self.command(1).period(), 1000u);

    // the new row's text cell is open for typing
    auto* editor = qobject_cast<QLineEdit*>(m_view->indexWidget(model()->index(1, 1)));
    QVERIFY(editor);
    QTRY_VERIFY(editor->hasFocus());
    QTest::keyClicks(editor, typed);
    m_view->setFocus();
    QTRY_VERIFY(!m_view->indexWidget(model()->index(1, 1)));
    // an editor left empty keeps an empty command
    QCOMPARE(UserCommands::_self.size(), 2);
    QCOMPARE(UserCommands::_self.command(1).value(), typed);
    QCOMPARE(UserCommands::_self.command(0).value(), QString("AT+FIRST"));
}

void TestUsersPanel::removeButton_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<QList<int>>("selected");
    QTest::addColumn<QStringList>("remaining");
    QTest::addColumn<int>("currentRow"); // -1: no current cell
    QTest::addColumn<int>("currentColumn");

    // before the removal the current cell is row 2, column 2
    QTest::newRow("middle block") << 6 << QList<int>{1, 2, 3} << QStringList{"C0", "C4", "C5"} << 0
                                  << 1;
    QTest::newRow("all") << 2 << QList<int>{0, 1} << QStringList{} << -1 << -1;
    QTest::newRow("scattered") << 6 << QList<int>{4, 1, 3} << QStringList{"C0", "C2", "C5"} << 0
                               << 1;
    QTest::newRow("from the top") << 4 << QList<int>{0, 1} << QStringList{"C2", "C3"} << 0 << 1;
    QTest::newRow("tail") << 6 << QList<int>{3, 5} << QStringList{"C0", "C1", "C2", "C4"} << 2 << 1;
    QTest::newRow("last row") << 3 << QList<int>{2} << QStringList{"C0", "C1"} << 1 << 1;
    QTest::newRow("nothing selected")
        << 4 << QList<int>{} << QStringList{"C0", "C1", "C2", "C3"} << 2 << 2;
}

void TestUsersPanel::removeButton() {
    QFETCH(int, count);
    QFETCH(QList<int>, selected);
    QFETCH(QStringList, remaining);
    QFETCH(int, currentRow);
    QFETCH(int, currentColumn);

    for (int i = 0; i < count; ++i)
        addCommand(QString("C%1").arg(i));
    QItemSelectionModel* selection = m_view->selectionModel();
    selection->setCurrentIndex(model()->index(2, 2), QItemSelectionModel::NoUpdate);
    selection->clearSelection();
    for (int row : selected)
        selection->select(model()->index(row, 0),
                          QItemSelectionModel::Select | QItemSelectionModel::Rows);

    QToolButton* remove = toolButton("Remove");
    QVERIFY(remove);
    QTest::mouseClick(remove, Qt::LeftButton);

    QStringList values;
    for (int i = 0; i < UserCommands::_self.size(); ++i)
        values << UserCommands::_self.command(i).value();
    QCOMPARE(values, remaining);
    QCOMPARE(model()->rowCount(), remaining.size());
    if (currentRow < 0) {
        QVERIFY(!m_view->currentIndex().isValid());
    } else {
        QCOMPARE(m_view->currentIndex(), model()->index(currentRow, currentColumn));
    }
}

void TestUsersPanel::doubleClickSendCell() {
    addCommand("AT+FIRST");
    const int row = addCommand("AT+VERSION");
    const QStringList history = inputEdit()->history.entries;

    doubleClick(row, 0);

    QVERIFY(client()->serialPort()->isOpen());
    QCOMPARE(receivedUpToMarker(), QByteArray("AT+VERSION\r\n"));
    // a manual send leaves the history and the repetition alone
    QCOMPARE(inputEdit()->history.entries, history);
    QVERIFY(!UserCommands::_self.command(row).isAuto());
}

void TestUsersPanel::doubleClickTextCell() {
    const int row = addCommand("AT+VERSION");

    doubleClick(row, 1);

    QVERIFY(!client()->serialPort()->isOpen());
    QVERIFY(qobject_cast<QLineEdit*>(m_view->indexWidget(model()->index(row, 1))));
    QCOMPARE(receivedUpToMarker(), QByteArray());

    // the period cell as well
    doubleClick(row, 2);
    QCOMPARE(receivedUpToMarker(), QByteArray());
    QCOMPARE(UserCommands::_self.command(row).value(), QString("AT+VERSION"));
}

void TestUsersPanel::doubleClickBinaryWrite_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("hex");
    QTest::addColumn<bool>("accept");
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QString>("inputLine");

    QTest::newRow("cut to size") << "AT+WRITEB=1,2"
                                 << "010203" << true << QByteArray("AT+WRITEB=1,2\r\n\x01\x02", 17)
                                 << QString();
    QTest::newRow("padded") << "AT+WRITEB=0,3"
                            << "ff" << true << QByteArray("AT+WRITEB=0,3\r\n\xff\0\0", 18)
                            << QString();
    QTest::newRow("size appended")
        << "AT+WRITEB=1,"
        << "0a0b0c" << true << QByteArray("AT+WRITEB=1,3\r\n\x0a\x0b\x0c", 18) << QString();
    QTest::newRow("cancelled") << "AT+WRITEB=1,2"
                               << "0102" << false << QByteArray() << "AT+WRITEB=1,2";
}

void TestUsersPanel::doubleClickBinaryWrite() {
    QFETCH(QString, command);
    QFETCH(QString, hex);
    QFETCH(bool, accept);
    QFETCH(QByteArray, sent);
    QFETCH(QString, inputLine);

    const int row = addCommand(command);
    bool dialogSeen = false;
    // ends pending retries if the dialog never shows
    QObject guard;
    std::function<void()> drive = [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* editor = dialog ? dialog->findChild<BinaryEditor*>() : nullptr;
        if (!editor) {
            QTimer::singleShot(10, &guard, drive);
            return;
        }
        dialogSeen = true;
        QTest::keyClicks(editor, hex);
        if (accept)
            dialog->accept();
        else
            dialog->reject();
    };
    QTimer::singleShot(0, &guard, drive);

    doubleClick(row, 0);

    QVERIFY(dialogSeen);
    // an abandoned payload leaves the command in the input line for editing
    QCOMPARE(inputEdit()->text(), inputLine);
    QCOMPARE(receivedUpToMarker().toHex(' '), sent.toHex(' '));
}

QTEST_MAIN(TestUsersPanel)
#include "tst_userspanel.moc"
