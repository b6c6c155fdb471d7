// The module disappears under an open port: idle, during a firmware update, in the middle of
// a binary block, under a repeating command. The user sees the loss once, gets a closed port
// back, keeps the log, and carries on once the device is back.

#include "mainwidget/harness.h"

#include <ctime>
#include <memory>

class TestDevice : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    // The device is reached through a link that a new device can take over later. A vanished
    // device takes its link along at once: left dangling, the link would lead to the next
    // terminal opened anywhere on the machine, which gets the freed number.
    QString m_link = m_dir.filePath("module");
    test::Window m_w;

private slots:
    void cleanup() { m_w.destroy(); }
    void initTestCase() { test::setIdentity(); }

    void vanish_data() {
        QTest::addColumn<QString>("during");
        QTest::newRow("idle, module killed") << "idle";
        QTest::newRow("firmware update") << "firmware";
        QTest::newRow("inside a +READB block") << "block";
        QTest::newRow("repeating command") << "repeat";
    }
    void vanish() {
        QFETCH(QString, during);
        QFile::remove(m_link);
        test::Modsim module;
        test::PtyPeer peer;
        if (during == "block")
            QVERIFY(QFile::link(peer.slavePath(), m_link));
        else
            QVERIFY(module.start(QStringList{"--vanish-after", "3", "--link", m_link}.mid(
                during == "firmware" ? 0 : 2)));
        QVERIFY(m_w.create(m_link));
        test::Modals modals;
        QPointer<QWidget> dialog;
        UserCommands::_self.removeRange(0, UserCommands::_self.size());
        UserCommand& command = UserCommands::_self.command(UserCommands::_self.append());
        command.setValue("AT");
        command.setPeriod(100);
        const auto answered = [&] { return m_w.count(">> OK"); };

        if (during == "idle" || during == "repeat") {
            if (during == "idle") {
                m_w.openClose()->click();
                QVERIFY(m_w.atOk());
            } else {
                // The first tick opens the closed port; after the user closes it, the next one.
                command.setAuto(true);
                QVERIFY(QTest::qWaitFor([&] { return answered() >= 3; }));
                m_w.openClose()->click();
                const int before = answered();
                QVERIFY(QTest::qWaitFor([&] { return answered() >= before + 3; }));
                QCOMPARE(m_w.openClose()->text(), "Close");
            }
            module.process().kill();
            QFile::remove(m_link);
        } else if (during == "firmware") {
            // Ten blocks, the port opened by the client; the module vanishes after the second.
            const QString image = m_dir.filePath("image.bin");
            QVERIFY(test::writeFile(image, QByteArray(2560, '\x5a')));
            modals.chooseFile(image);
            m_w.action("update-firmware")->trigger();
            dialog = m_w.progressDialog();
            QVERIFY(dialog);
        } else {
            // An echo of a binary write, cut after 40 of its 100 bytes when the device goes.
            m_w.openClose()->click();
            QVERIFY(peer.write("+READB:100:0\r\n" + QByteArray(40, 'x')));
            QVERIFY(QTest::qWaitFor([&] { return m_w.log().contains("+READB:100:0"); }));
            peer.vanish();
            QFile::remove(m_link);
        }

        // One red entry for the loss, the port closed, the choosers back.
        QVERIFY2(QTest::qWaitFor([&] { return m_w.openClose()->text() == "Open"; }),
                 qPrintable(m_w.log().right(400)));
        QVERIFY(!m_w.port()->isOpen());
        QVERIFY(m_w.choosersEnabled());
        if (during == "firmware") {
            // The update ends with its message box instead of waiting out five seconds.
            QVERIFY(QTest::qWaitFor([&] { return !modals.boxes.isEmpty() && !dialog; }, 3000));
            QCOMPARE(modals.boxes, QStringList{"Error|Timeout"});
            QVERIFY(!m_w.client()->transaction());
            QCOMPARE(m_w.count("Error(-2):  Timeout"), 1);
        }
        if (during == "block") {
            // What arrived of the cut block is shown, not kept back to swallow later traffic.
            QVERIFY(
                m_w.log().contains(QStringLiteral("hex[40]{%1}").arg(QString("78").repeated(40))));
        }
        // Neither a busy loop nor a repetition that opens the chooser's fallback or floods
        // the log while the device is gone.
        QSignalSpy opened(m_w.client(), &at::Client::opened);
        const int sent = m_w.count("<< AT\n");
        const std::clock_t start = std::clock();
        QTest::qWait(1000);
        const double cpu = double(std::clock() - start) / CLOCKS_PER_SEC;
        QVERIFY2(cpu < 0.3, qPrintable(QString::number(cpu)));
        QCOMPARE(opened.size(), 0);
        QCOMPARE(m_w.count("<< AT\n"), sent);
        // The loss, and for a repetition the device missing: not one entry per tick.
        const int errors = m_w.count("Serial port error:  ");
        QVERIFY2(errors == 1 || (during == "repeat" && errors == 2), qPrintable(m_w.log()));
        QVERIFY(modals.boxes.size() <= 1);
        const QString before = m_w.log();

        // The device comes back under the same name: Open and AT work again, the log is kept;
        // picked again by the user, the repetition goes on by itself.
        test::Modsim again;
        QVERIFY(again.start({"--link", m_link}));
        QVERIFY(m_w.choosePort(m_link));
        if (during == "repeat") {
            QVERIFY(QTest::qWaitFor([&] { return answered() >= sent + 3; }));
            QVERIFY(command.isAuto() && command.period() == 100);
            command.setAuto(false);
        } else {
            m_w.openClose()->click();
            QVERIFY2(m_w.atOk(), qPrintable(m_w.log().right(400)));
        }
        QVERIFY(m_w.log().startsWith(before));
        QCOMPARE(m_w.count("Serial port error:  "), errors);
    }
};

QTEST_MAIN(TestDevice)
#include "tst_device.moc"
