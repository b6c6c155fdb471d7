// A command repeating every 100 ms while the user closes the port and while the device
// vanishes and comes back: it reopens the port, stops flooding the log while the device
// is gone, never opens a port the user did not pick, and keeps its settings.

#include "common/modsim.h"
#include "faults/harness.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class TestRepeat : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void repeat();
};

void TestRepeat::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
}

void TestRepeat::repeat() {
    QTemporaryDir dir;
    const QString link = dir.filePath(QStringLiteral("module"));
    auto module = std::make_unique<test::Modsim>();
    QVERIFY(module->start({QStringLiteral("--link"), link}));
    UserCommands::_self.restore();
    faults::Window window;
    QVERIFY(window.create(link));

    const int row = UserCommands::_self.append();
    UserCommand& command = UserCommands::_self.command(row);
    command.setValue(QStringLiteral("AT"));
    command.setPeriod(100);
    command.setAuto(true);
    const auto sent = [&] { return window.count(QStringLiteral("<< AT\n")); };
    const auto answered = [&] { return window.count(QStringLiteral(">> OK")); };

    // The first tick opens the closed port.
    QVERIFY(QTest::qWaitFor([&] { return answered() >= 3; }));
    QCOMPARE(window.openClose()->text(), QStringLiteral("Close"));
    // The user closes it: the next tick opens it again.
    window.openClose()->click();
    const int before = answered();
    QVERIFY(QTest::qWaitFor([&] { return answered() >= before + 3; }));
    QCOMPARE(window.openClose()->text(), QStringLiteral("Close"));

    // The device goes. The chooser drops it within a second and falls back to another
    // port if there is one; the repetition must not open that one.
    QSignalSpy opened(window.client(), &at::Client::opened);
    module.reset();
    QVERIFY(QTest::qWaitFor([&] { return window.openClose()->text() == QLatin1String("Open"); }));
    const int sentWhileGone = sent();
    QTest::qWait(2000);
    QCOMPARE(opened.size(), 0);
    QCOMPARE(sent(), sentWhileGone);
    // The loss and the device missing: two entries, not one per tick.
    QVERIFY2(window.count(QStringLiteral("Serial port error:  ")) <= 2,
             qPrintable(window.log().right(600)));

    // Back under its name, picked again by the user: the repetition goes on by itself.
    test::Modsim again;
    QVERIFY(again.start({QStringLiteral("--link"), link}));
    QVERIFY(window.choosePort(link));
    const int okBefore = answered();
    QVERIFY(QTest::qWaitFor([&] { return answered() >= okBefore + 3; }));

    QCOMPARE(UserCommands::_self.size(), 1);
    QCOMPARE(UserCommands::_self.command(0).value(), QStringLiteral("AT"));
    QCOMPARE(UserCommands::_self.command(0).period(), 100u);
    QVERIFY(UserCommands::_self.command(0).isAuto());
    command.setAuto(false);
    window.destroy();
}

QTEST_MAIN(TestRepeat)
#include "tst_repeat.moc"
