// The module goes silent during the version query, a firmware block and the final
// firmware step: each ends with Timeout, and the window works afterwards.

#include "common/modsim.h"
#include "faults/harness.h"
#include "mainwidget/mainwidget.h"

#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestSilent : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void silent_data();
    void silent();

private:
    QTemporaryDir m_dir;
    faults::Window m_window;
};

void TestSilent::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
}

void TestSilent::cleanup() {
    m_window.destroy();
}

void TestSilent::silent_data() {
    QTest::addColumn<QString>("command");
    QTest::newRow("version query") << "VERSION";
    QTest::newRow("firmware block") << "FWWRITE";
    QTest::newRow("final firmware step") << "FWUPDATE";
}

void TestSilent::silent() {
    QFETCH(QString, command);
    test::Modsim module;
    QVERIFY(module.start({QStringLiteral("--silent"), command}));
    QVERIFY(m_window.create(module.portPath()));
    faults::MessageBoxes boxes;
    QSignalSpy closed(m_window.client(), &at::Client::closed);

    if (command == QLatin1String("VERSION")) {
        QSignalSpy done(m_window.client(), &at::Client::testCompleated);
        QVERIFY(m_window.client()->test());
        QVERIFY(done.wait(3000));
        QCOMPARE(done.first().first().value<at::Error>(), at::Timeout);
        QVERIFY(boxes.seen.isEmpty()); // the window shows the query's end in the log only
    } else {
        const QString path = m_dir.filePath(QStringLiteral("image.bin"));
        QFile image(path);
        QVERIFY(image.open(QIODevice::WriteOnly));
        image.write(QByteArray(600, '\x5a'));
        image.close();
        QVERIFY(m_window.startFirmware(path));
        QPointer<QWidget> dialog = m_window.progressDialog();
        QVERIFY(QTest::qWaitFor([&] { return !boxes.seen.isEmpty(); }, 8000));
        QCOMPARE(boxes.seen, QStringList{QStringLiteral("Error|Timeout")});
        QVERIFY(QTest::qWaitFor([&] { return !dialog; }));
        // A block without an answer sends nothing more; the final step comes only after
        // every block was confirmed.
        QCOMPARE(m_window.count(QStringLiteral("AT+FWWRITE=")),
                 command == QLatin1String("FWWRITE") ? 1 : 3);
        QCOMPARE(m_window.count(QStringLiteral("AT+FWUPDATE=")),
                 command == QLatin1String("FWUPDATE") ? 1 : 0);
    }
    QCOMPARE(m_window.count(QStringLiteral("Error(-2):  Timeout")), 1);
    QVERIFY(!m_window.client()->transaction());
    // The client opened the port for the transaction and gave it back.
    QCOMPARE(closed.size(), 1);
    QCOMPARE(m_window.openClose()->text(), QStringLiteral("Open"));
    QVERIFY(m_window.atOk());
}

QTEST_MAIN(TestSilent)
#include "tst_silent.moc"
