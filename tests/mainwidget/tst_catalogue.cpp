#include "at/client.h"
#include "common/ptypeer.h"
#include "input/inputedit.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLayout>
#include <QPushButton>
#include <QTest>
#include <QTranslator>
#include <QVBoxLayout>

#include <memory>

namespace {

// Marks every text of the window's context, so a test can tell a
// translated text from its source.
class MarkingTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char* = nullptr,
                      int = -1) const override {
        if (qstrcmp(context, "MainWidget") != 0)
            return QString();
        return QStringLiteral("<%1>").arg(QString::fromUtf8(sourceText));
    }
};

} // namespace

class TestCatalogue : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void layout();
    void toolTips_data();
    void toolTips();
    void sentButtons_data();
    void sentButtons();
    void preparedButtons_data();
    void preparedButtons();
    void preparedThenEntered();
    void toolTipsAreTranslated();

private:
    QPushButton* button(const QString& label) const;
    InputEdit* inputEdit() const;
    at::Client* client() const;

    std::unique_ptr<test::PtyPeer> m_peer;
    std::unique_ptr<MainWidget> m_window;
};

void TestCatalogue::initTestCase() {
    m_peer = std::make_unique<test::PtyPeer>();
    QVERIFY(m_peer->isOpen());
    qputenv("KELVRA_EXTRA_PORTS", m_peer->slavePath().toLocal8Bit());

    m_window = std::make_unique<MainWidget>();
    auto* ports = m_window->findChild<wdt::serialport::PortNameCombo*>();
    QVERIFY(ports);
    ports->setPortName(m_peer->slavePath());
    QCOMPARE(ports->portName(), m_peer->slavePath());

    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(inputEdit());
}

void TestCatalogue::cleanupTestCase() {
    m_window.reset();
    m_peer.reset();
}

void TestCatalogue::init() {
    client()->serialPortClose(true);
    QVERIFY(!client()->serialPort()->isOpen());
    m_peer->clearReceived();
    inputEdit()->clear();
}

QPushButton* TestCatalogue::button(const QString& label) const {
    const auto buttons = m_window->findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->text() == label)
            return b;
    }
    return nullptr;
}

InputEdit* TestCatalogue::inputEdit() const {
    // InputEdit carries no meta-object of its own.
    const auto edits = m_window->findChildren<QLineEdit*>();
    for (QLineEdit* edit : edits) {
        if (auto* input = dynamic_cast<InputEdit*>(edit))
            return input;
    }
    return nullptr;
}

at::Client* TestCatalogue::client() const {
    return m_window->findChild<at::Client*>();
}

void TestCatalogue::layout() {
    // The rows are found from the first button's container, so stray buttons
    // elsewhere in the window cannot be counted in.
    QPushButton* first = button("AT");
    QVERIFY(first);
    auto* column = qobject_cast<QVBoxLayout*>(first->parentWidget()->layout());
    QVERIFY(column);

    const QList<QStringList> expected = {
        {"AT", "AT+VERSION", "AT+UID"},
        {"AT+RESET", "AT+SLEEP"},
        {"AT+WFMODE?", "AT+WFMODE=<mode>"},
        {"AT+WFSCANAP"},
        {"AT+WFSCANAPOPT?", "AT+WFSCANAPOPT="},
        {"AT+WFSTAIP?", "AT+WFSTAIP=0", "AT+WFSTAIP=1,"},
        {"AT+WFSTAMAC?", "AT+WFSTAMAC=<mac>"},
        {"AT+WFCONNAP=", "AT+WFDISCONNAP"},
        {"AT+WFAPIP?", "AT+WFAPIP=<ip>,<mac>"},
        {"AT+WFAPMAC?", "AT+WFAPMAC=<mac>"},
        {"AT+WFAPCONF="},
        {"AT+PING=", "AT+DNS=", "AT+DATAMODE="},
        {"AT+UDPOPEN="},
        {"AT+TCPCONN=", "AT+TCPLISTEN="},
        {"AT+WRITE=", "AT+WRITEB="},
        {"AT+CLOSE=<index>", "AT+SSTAT"},
        {"AT+FWINFO", "AT+FWSEL="},
    };

    QList<QStringList> rows;
    int buttons = 0;
    for (int i = 0; i < column->count(); ++i) {
        QLayout* row = column->itemAt(i)->layout();
        if (!row) {
            // only the closing stretch may stand outside a row
            QVERIFY(column->itemAt(i)->spacerItem());
            QCOMPARE(i, column->count() - 1);
            continue;
        }
        QStringList labels;
        for (int j = 0; j < row->count(); ++j) {
            if (auto* b = qobject_cast<QPushButton*>(row->itemAt(j)->widget())) {
                labels << b->text();
                ++buttons;
            } else {
                QVERIFY(row->itemAt(j)->spacerItem());
            }
        }
        rows << labels;
    }
    QCOMPARE(rows, expected);
    QCOMPARE(rows.size(), 17);
    QCOMPARE(buttons, 34);
}

void TestCatalogue::toolTips_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("toolTip");

    QTest::newRow("first") << "AT"
                           << "Test command";
    QTest::newRow("last") << "AT+FWSEL="
                          << "Switch firmware";
    QTest::newRow("multi-line") << "AT+WFMODE=<mode>"
                                << "Setup Wi-Fi mode.\n  <mode> - operating mode:\n    0 - Off\n"
                                   "    1 - Station\n    2 - Access point\n"
                                   "    3 - Station and access point";
    QTest::newRow("trailing line break")
        << "AT+WFAPIP=<ip>,<mac>"
        << "Setup IP address for access point\n"
           "  <ip> - IP address (gate way for connected stations)\n  <mask> - subnet mask\n";
    QTest::newRow("blank line") << "AT+DNS="
                                << "Get domain IP address\n\nAT+DNS=<domain>\n"
                                   "  <domain> - domain name";
    QTest::newRow("binary write")
        << "AT+WRITEB="
        << "Write data in BIN data mode\n\nAT+WRITEB=<index>,<size>,<dst-addr>,<dst-port>\n"
           "<BIN>\n  <index> - socket number\n  <size> - data size\n"
           "  <dst-addr> - remote IP address or domain name (optional, used for UDP)\n"
           "  <dst-port> - remote port (optional, used for UDP)\n  <BIN> - data in BIN format";
    QTest::newRow("socket close") << "AT+CLOSE=<index>"
                                  << "Close socket\n  <index> - socket number";
}

void TestCatalogue::toolTips() {
    QFETCH(QString, label);
    QFETCH(QString, toolTip);
    QPushButton* b = button(label);
    QVERIFY(b);
    QCOMPARE(b->toolTip(), toolTip);
}

void TestCatalogue::sentButtons_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("line");

    const char* sent[] = {"AT",          "AT+VERSION",   "AT+UID",       "AT+RESET",
                          "AT+SLEEP",    "AT+WFMODE?",   "AT+WFSCANAP",  "AT+WFSCANAPOPT?",
                          "AT+WFSTAIP?", "AT+WFSTAIP=0", "AT+WFSTAMAC?", "AT+WFDISCONNAP",
                          "AT+WFAPIP?",  "AT+WFAPMAC?",  "AT+SSTAT",     "AT+FWINFO"};
    for (const char* label : sent)
        QTest::newRow(label) << label << label;
}

void TestCatalogue::sentButtons() {
    QFETCH(QString, label);
    QFETCH(QString, line);

    QPushButton* b = button(label);
    QVERIFY(b);
    InputEdit* edit = inputEdit();
    const QStringList historyBefore = edit->history.entries;
    // whatever was typed is dropped, neither sent nor recorded
    edit->setText("typed but not entered");

    QTest::mouseClick(b, Qt::LeftButton);

    QVERIFY(client()->serialPort()->isOpen());
    QVERIFY(m_peer->waitFor(line.toLatin1() + "\r\n"));
    QCOMPARE(m_peer->received(), line.toLatin1() + "\r\n");
    QCOMPARE(edit->history.entries, historyBefore + QStringList{line});
    QCOMPARE(edit->text(), QString());
    QTRY_VERIFY(edit->hasFocus());
}

void TestCatalogue::preparedButtons_data() {
    QTest::addColumn<QString>("label");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("cursor");

    // cursor -1: at the end of the text
    QTest::newRow("mode") << "AT+WFMODE=<mode>"
                          << "AT+WFMODE=" << -1;
    QTest::newRow("scan mask") << "AT+WFSCANAPOPT="
                               << "AT+WFSCANAPOPT=1023" << -1;
    QTest::newRow("static ip") << "AT+WFSTAIP=1,"
                               << "AT+WFSTAIP=1,\"\",\"255.255.255.0\",\"\"" << 14;
    QTest::newRow("station mac") << "AT+WFSTAMAC=<mac>"
                                 << "AT+WFSTAMAC=\"\"" << 13;
    QTest::newRow("connect") << "AT+WFCONNAP="
                             << "AT+WFCONNAP=\"\"" << 13;
    QTest::newRow("ap ip") << "AT+WFAPIP=<ip>,<mac>"
                           << "AT+WFAPIP=\"\",\"\"" << 11;
    QTest::newRow("ap mac") << "AT+WFAPMAC=<mac>"
                            << "AT+WFAPMAC=\"\"" << 12;
    QTest::newRow("ap conf") << "AT+WFAPCONF="
                             << "AT+WFAPCONF=\"\"" << 13;
    QTest::newRow("ping") << "AT+PING="
                          << "AT+PING=\"\"" << 9;
    QTest::newRow("dns") << "AT+DNS="
                         << "AT+DNS=\"\"" << 8;
    QTest::newRow("data mode") << "AT+DATAMODE="
                               << "AT+DATAMODE=" << -1;
    QTest::newRow("udp open") << "AT+UDPOPEN="
                              << "AT+UDPOPEN" << -1;
    QTest::newRow("tcp connect") << "AT+TCPCONN="
                                 << "AT+TCPCONN=\"\"," << 12;
    QTest::newRow("tcp listen") << "AT+TCPLISTEN="
                                << "AT+TCPLISTEN=" << -1;
    QTest::newRow("write") << "AT+WRITE="
                           << "AT+WRITE=," << 9;
    QTest::newRow("binary write") << "AT+WRITEB="
                                  << "AT+WRITEB=," << 10;
    QTest::newRow("close") << "AT+CLOSE=<index>"
                           << "AT+CLOSE=" << -1;
    QTest::newRow("firmware select") << "AT+FWSEL="
                                     << "AT+FWSEL=" << -1;
}

void TestCatalogue::preparedButtons() {
    QFETCH(QString, label);
    QFETCH(QString, text);
    QFETCH(int, cursor);

    QPushButton* b = button(label);
    QVERIFY(b);
    InputEdit* edit = inputEdit();
    const QStringList historyBefore = edit->history.entries;
    edit->setText("typed but not entered");
    edit->setCursorPosition(3);

    QTest::mouseClick(b, Qt::LeftButton);

    QCOMPARE(edit->text(), text);
    QCOMPARE(edit->cursorPosition(), cursor < 0 ? text.size() : cursor);
    QCOMPARE(edit->history.entries, historyBefore);
    // preparing neither opens the port nor sends
    QVERIFY(!client()->serialPort()->isOpen());
    QTRY_VERIFY(edit->hasFocus());
}

void TestCatalogue::preparedThenEntered() {
    // A prepared text with the parameter typed at the cursor goes out as one
    // line when Enter is pressed.
    QPushButton* b = button("AT+WFSTAIP=1,");
    QVERIFY(b);
    InputEdit* edit = inputEdit();
    QTest::mouseClick(b, Qt::LeftButton);
    QTRY_VERIFY(edit->hasFocus());
    QTest::keyClicks(edit, "10.0.0.2");
    QTest::keyClick(edit, Qt::Key_Return);

    const QByteArray line = "AT+WFSTAIP=1,\"10.0.0.2\",\"255.255.255.0\",\"\"\r\n";
    QVERIFY(m_peer->waitFor(line));
    QCOMPARE(m_peer->received(), line);
    QCOMPARE(edit->text(), QString());
}

void TestCatalogue::toolTipsAreTranslated() {
    MarkingTranslator translator;
    QVERIFY(QCoreApplication::installTranslator(&translator));
    MainWidget window;
    QCoreApplication::removeTranslator(&translator);

    QPushButton* version = nullptr;
    QPushButton* mode = nullptr;
    const auto buttons = window.findChildren<QPushButton*>();
    for (QPushButton* b : buttons) {
        if (b->text() == "AT+VERSION")
            version = b;
        else if (b->text() == "AT+WFMODE=<mode>")
            mode = b;
    }
    // labels stay untranslated, tooltips come from the catalogue
    QVERIFY(version);
    QVERIFY(mode);
    QCOMPARE(version->toolTip(), QString("<Check device version>"));
    QCOMPARE(mode->toolTip(), QString("<Setup Wi-Fi mode.\n  <mode> - operating mode:\n"
                                      "    0 - Off\n    1 - Station\n    2 - Access point\n"
                                      "    3 - Station and access point>"));
}

QTEST_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
