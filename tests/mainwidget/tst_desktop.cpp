#include "common/ptypeer.h"
#include "flash/flashrun.h"
#include "mainwidget/harness.h"

#include "app/app.h"
#include "input/inputedit.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommand.h"
#include "usercommands/usercommands.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLibraryInfo>
#include <QMenu>
#include <QSerialPort>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTranslator>

// What a desktop user meets first: the toolkit's texts in their language, the keys, and the
// flasher's words about a busy port.
class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void toolkitCatalogue_data();
    void toolkitCatalogue();
    void quitKey();
    void typingInLog();
    void returnOnRow_data();
    void returnOnRow();
    void flasherPortInUse();

private:
    // The real window on the peer, shown and active so that shortcuts reach it.
    bool showWindow();

    test::PtyPeer m_peer;
    test::Window m_window;
};

void TestDesktop::initTestCase() {
    test::setIdentity();
    QVERIFY(m_peer.isOpen());
    QCOMPARE(QLocale::system().language(), QLocale::Russian);
}

bool TestDesktop::showWindow() {
    if (!m_window.create(m_peer.slavePath()))
        return false;
    m_window.widget()->show();
    m_window.widget()->activateWindow();
    return QTest::qWaitForWindowActive(m_window.widget());
}

// A catalogue beside the working directory is taken first; without it, Qt's own.
void TestDesktop::toolkitCatalogue_data() {
    QTest::addColumn<bool>("local");
    QTest::newRow("system catalogue") << false;
    QTest::newRow("local catalogue first") << true;
}

void TestDesktop::toolkitCatalogue() {
    QFETCH(bool, local);
    const QString system =
        QDir(QLibraryInfo::path(QLibraryInfo::TranslationsPath)).filePath("qtbase_ru.qm");
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("translations"));
    const QString beside = QDir(dir.path()).filePath("translations/qt_ru.qm");
    if (local)
        QVERIFY(QFile::copy(system, beside));
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    const QString loaded = QFileInfo(qtTranslator.filePath()).canonicalFilePath();
    QDir::setCurrent(previous);
    QCOMPARE(loaded, QFileInfo(local ? beside : system).canonicalFilePath());

    QVERIFY(showWindow());
    auto* log = m_window.widget()->findChild<LogEdit*>();
    QStringList texts;
    QTimer reader;
    connect(&reader, &QTimer::timeout, this, [&texts] {
        if (auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())) {
            for (QAction* action : menu->actions())
                texts << action->text().section('\t', 0, 0);
            menu->close();
        }
    });
    reader.start(10);
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5),
                            log->viewport()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(log->viewport(), &event);
    reader.stop();
    QVERIFY2(texts.contains("&Копировать") && texts.contains("Выделить всё") &&
                 texts.contains("Очистить"),
             qPrintable(texts.join('|')));
    m_window.destroy();
}

// Ctrl+Q closes the window as its close button does, which ends the program's loop; the
// program then saves everything.
void TestDesktop::quitKey() {
    QVERIFY(showWindow());
    QTest::keyClick(m_window.widget()->findChild<LogEdit*>(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(!m_window.widget()->isVisible());
    m_window.destroy();
}

// Typing in the log goes on in the input line; the log's own shortcuts stay there.
void TestDesktop::typingInLog() {
    QVERIFY(showWindow());
    auto* log = m_window.widget()->findChild<LogEdit*>();
    m_window.type("AT");
    QTRY_VERIFY(m_window.log().contains("AT"));
    log->setFocus();
    QTest::keyClick(log, Qt::Key_A, Qt::ControlModifier);
    QVERIFY(log->textCursor().hasSelection());
    QCOMPARE(m_window.input()->text(), QString());
    QTest::keyClicks(log, "AT+Ver");
    QCOMPARE(m_window.input()->text(), QStringLiteral("AT+Ver"));
    QCOMPARE(QApplication::focusWidget(), m_window.input());
    m_window.destroy();
}

void TestDesktop::returnOnRow_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::newRow("Return") << int(Qt::Key_Return) << int(Qt::NoModifier);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier);
}

// Return on a row sends its command, as a double-click on the send cell does.
void TestDesktop::returnOnRow() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    UserCommands::_self.removeRange(0, UserCommands::_self.size());
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT+FIRST");
    UserCommands::_self.command(UserCommands::_self.append()).setValue("AT+SECOND");
    QVERIFY(showWindow());
    m_window.action("user-commands")->setChecked(true);
    auto* view = m_window.widget()->findChild<QTableView*>();
    view->setFocus();
    view->setCurrentIndex(view->model()->index(1, 1));
    m_peer.clearReceived();
    QTest::keyClick(view, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QVERIFY(m_peer.waitFor("AT+SECOND\r\n"));
    QVERIFY(!m_peer.received().contains("AT+FIRST"));
    m_window.destroy();
    UserCommands::_self.removeRange(0, UserCommands::_self.size());
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
    QVERIFY(!r.crashed);
    QCOMPARE(r.code, 5);
    QVERIFY2(r.err.startsWith(QStringLiteral("kelvra-flash: the serial port '%1' is in use by "
                                             "another program: PID %2 (")
                                  .arg(m_peer.slavePath())
                                  .arg(QCoreApplication::applicationPid())),
             qPrintable(r.err));
    QVERIFY2(r.err.contains("tst_desktop") && !r.err.contains("group"), qPrintable(r.err));
}

int main(int argc, char** argv) {
    // The desktop's language as the program sees it at start-up.
    qputenv("LC_ALL", "ru_RU.UTF-8");
    QApplication application(argc, argv);
    TestDesktop test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_desktop.moc"
