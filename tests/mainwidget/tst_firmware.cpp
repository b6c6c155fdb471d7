// Firmware update end to end against the module simulator: progress, failures, time-outs,
// cancel (also inside the progress dialog's setValue), the port state, refusals before anything
// is sent, user commands held back until the update is over.

#include "mainwidget/harness.h"

#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QProgressBar>
#include <QSettings>

#include <sys/stat.h>

class TestFirmware : public QObject {
    Q_OBJECT

    QTemporaryDir m_dir;
    test::Modsim m_module;
    test::Window m_w;
    QString tracePath() const {
        return m_dir.filePath(QString(QTest::currentTestFunction()) + QTest::currentDataTag());
    }
    QByteArray trace() const { return test::readFile(tracePath()); }
    // The update of a 600-byte image, picked in the file dialog.
    bool update600(test::Modals& modals) {
        const QString image = m_dir.filePath("image.bin");
        modals.chooseFile(image);
        if (!test::writeFile(image, QByteArray(600, '\x5a')))
            return false;
        m_w.action("update-firmware")->trigger();
        return true;
    }
    bool start(const QStringList& args) {
        return m_module.start(args + QStringList{"--trace", tracePath()}) &&
               m_w.create(m_module.portPath());
    }

private slots:
    void initTestCase() { test::setIdentity(); }
    void cleanup() {
        m_w.destroy();
        QSettings().remove("line"); // one test's line is not the next one's
        m_module.stop();
    }

    void update_data() {
        // clang-format off
        // cancel: "shown": at the first block; "setValue": see below; "return": Return pressed, no cancel;
        // "dialog": the file dialog cancelled; "no port": the port cannot be opened; "noread":
        // unreadable; "fifo", "zero": a FIFO or /dev/zero; "nodot": picked among all files
        // err: the ending; its text is the box's, if any
        // blocks: FWWRITE requests the module gets
        // refusal: the box when nothing is sent; %1: the file
        // detail: under the ending's text in its box; %1: the port
        QTest::addColumn<QStringList>("args"); QTest::addColumn<int>("size"); QTest::addColumn<bool>("holdOpen");
        QTest::addColumn<QString>("cancel"); QTest::addColumn<QList<int>>("values"); QTest::addColumn<int>("err");
        QTest::addColumn<int>("blocks"); QTest::addColumn<QString>("refusal"); QTest::addColumn<QString>("detail");
        const QStringList slow = {"--delay", "200"};
        const QList<int> all = {256, 512, 600};
        QTest::newRow("600 bytes") << QStringList() << 600 << false << "" << all << int(at::None) << 3 << "" << "";
        QTest::newRow("600 bytes, port held open") << QStringList() << 600 << true << "" << all << int(at::None) << 3 << "" << "";
        QTest::newRow("Return does not cancel") << QStringList{"--delay", "50"} << 1280 << false << "return" << QList<int>{256, 512, 768, 1024, 1280} << int(at::None) << 5 << "" << "";
        QTest::newRow("second block fails") << QStringList{"--fail-block", "2"} << 600 << false << "" << QList<int>{256} << int(at::Fail) << 2 << "" << "the module on '%1' answered FAIL to the block at offset 256 (256 of 600 bytes confirmed)";
        QTest::newRow("silent at a block") << QStringList{"--silent", "FWWRITE"} << 600 << false << "" << QList<int>{} << int(at::Timeout) << 1 << "" << "the module on '%1' did not answer in time to the block at offset 0 (0 of 600 bytes confirmed)";
        QTest::newRow("silent at the final step") << QStringList{"--silent", "FWUPDATE"} << 600 << false << "" << all << int(at::Timeout) << 3 << "" << "the module on '%1' did not answer in time when asked to apply the image (600 bytes written)";
        // ERROR is no answer a block ends on: it runs out its time, and the box says what came.
        QTest::newRow("block answered ERROR") << QStringList{"--error-block", "2"} << 600 << false << "" << QList<int>{256} << int(at::Timeout) << 2 << "" << "the module on '%1' answered ERROR to the block at offset 256 (256 of 600 bytes confirmed)";
        QTest::newRow("cancel") << slow << 600 << false << "shown" << QList<int>{} << int(at::Cancel) << 1 << "" << "";
        // A press handled while no block transaction is current still stops the transfer at
        // the next block instead of being lost.
        QTest::newRow("cancel inside setValue") << slow << 8192 << false << "setValue" << QList<int>{256, 512} << int(at::Cancel) << 2 << "" << "";
        QTest::newRow("file too large") << QStringList() << -1 << false << "" << QList<int>{} << 0 << 0 << "Error|File is too large (more than 16777216 bytes):\n\n%1" << "";
        // Neither waited for nor read until memory runs out.
        QTest::newRow("FIFO") << QStringList() << 600 << false << "fifo" << QList<int>{} << 0 << 0 << "Error|Not a regular file:\n\n%1" << "";
        QTest::newRow("the zero device") << QStringList() << 600 << false << "zero" << QList<int>{} << 0 << 0 << "Error|Not a regular file:\n\n%1" << "";
        QTest::newRow("file without a dot, all files listed") << QStringList() << 600 << false << "nodot" << all << int(at::None) << 3 << "" << "";
        QTest::newRow("unreadable file") << QStringList() << 600 << false << "noread" << QList<int>{} << 0 << 0 << "Error|Failed to open file:\n\n%1" << "";
        QTest::newRow("empty file") << QStringList() << 0 << false << "" << QList<int>{} << 0 << 0 << "Error|File is empty:\n\n%1" << "";
        QTest::newRow("port cannot be opened") << QStringList() << 600 << false << "no port" << QList<int>{} << 0 << 0 << "Error|Failed to write firmware" << "";
        QTest::newRow("file dialog cancelled") << QStringList() << 600 << false << "dialog" << QList<int>{} << 0 << 0 << "" << "";
    }
    void update() {
        QFETCH(QStringList, args); QFETCH(int, size); QFETCH(bool, holdOpen); QFETCH(QString, cancel);
        QFETCH(QList<int>, values); QFETCH(int, err); QFETCH(int, blocks); QFETCH(QString, refusal);
        QFETCH(QString, detail);
        // clang-format on
        QVERIFY(start(args));
        const QString image =
            cancel == "zero" ? "/dev/zero"
                             : m_dir.filePath(cancel == "nodot" ? "firmware" : cancel + ".bin");
        QByteArray bytes(qMax(size, 0), Qt::Uninitialized);
        for (int i = 0; i < size; ++i)
            bytes[i] = char(i * 7 + 3);
        if (cancel == "fifo")
            QCOMPARE(mkfifo(QFile::encodeName(image).constData(), 0600), 0);
        else if (cancel != "zero")
            QVERIFY(test::writeFile(image, bytes));
        if (size < 0) // sparse: nothing is written, so reading it would be the fault
            QVERIFY(QFile::resize(image, 16 * 1024 * 1024 + 1));
        if (cancel == "no port")
            m_w.port()->setPortName(m_dir.filePath("no-such-tty"));
        if (holdOpen)
            m_w.openClose()->click();
        bool pressedBetweenBlocks = false;
        if (cancel == "setValue") {
            // Connected before the window's own slot, so the press is queued just before the
            // window sets the dialog's value. setValue runs pending events only once a value
            // has shown the dialog, which a long estimated duration (a large image) does at once.
            connect(m_w.client(), &at::Client::firmwareUpdateProgress, this, [&](int writed) {
                auto* button = m_w.progressDialog()->findChild<QPushButton*>();
                if (writed == 512) {
                    QMetaObject::invokeMethod(
                        button,
                        [&, button] {
                            pressedBetweenBlocks = !m_w.client()->transaction();
                            button->click();
                        },
                        Qt::QueuedConnection);
                }
            });
        }
        test::Modals modals;
        int tries = 0;
        if (cancel == "nodot") { // the user looks under "All files (*.*)": listed there too
            modals.add([&](QWidget* w) {
                auto* d = qobject_cast<QFileDialog*>(w);
                if (d && d->selectedNameFilter() != "All files (*.*)") {
                    d->setDirectory(m_dir.path());
                    d->selectNameFilter("All files (*.*)");
                }
                // What the list shows (looking the path up would add it to the list).
                const auto* list = d ? d->findChild<QListView*>("listView") : nullptr;
                QStringList names;
                for (int row = 0; list && row < list->model()->rowCount(list->rootIndex()); ++row)
                    names << list->model()->index(row, 0, list->rootIndex()).data().toString();
                if (!d || (!names.contains("firmware") && ++tries < 400))
                    return false;
                d->findChild<QLineEdit*>("fileNameEdit")->setText(image);
                tries < 400 ? static_cast<QDialog*>(d)->accept() : d->reject();
                return true;
            });
        }
        modals.chooseFile(cancel == "dialog" ? QString() : image);
        // A box shows once the update is over and the port given back.
        bool openAtBox = holdOpen;
        modals.onBox = [&] { openAtBox = m_w.port()->isOpen(); };
        if (cancel == "noread")
            QVERIFY(QFile::setPermissions(image, QFile::Permissions()));
        test::saveUnderSizeLimit(RLIM_INFINITY, [&] { // unreadable for root too
            m_w.action("update-firmware")->trigger();
            return true;
        });
        if (!refusal.isEmpty() || cancel == "dialog") {
            QTest::qWait(50);
            QCOMPARE(modals.answered, 1);
            QCOMPARE(modals.boxes,
                     refusal.isEmpty() ? QStringList() : QStringList{refusal.arg(image)});
            QVERIFY(!m_w.progressDialog() && !m_w.port()->isOpen() && trace().isEmpty());
            return;
        }
        QPointer<QProgressDialog> dialog = qobject_cast<QProgressDialog*>(m_w.progressDialog());
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        QCOMPARE(dialog->maximum(), size);
        QList<int> seen;
        connect(dialog->findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
                [&seen](int value) { seen << value; });
        if (cancel == "shown") {
            QVERIFY(QTest::qWaitFor([&] { return trace().contains("AT+FWWRITE="); }));
            dialog->findChild<QPushButton*>()->click();
        }
        if (cancel == "return") { // at the dialog and at the button that has the focus
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            QTest::keyClick(dialog, Qt::Key_Return);
            QTest::keyClick(dialog->findChild<QPushButton*>(), Qt::Key_Return);
        }
        // The module checks size and CRC of what it got; its "OK" is its acceptance.
        const QString ending =
            err ? QString("Error(%1):  %2").arg(err).arg(at::toText(at::Error(err)))
                : QString(">> OK");
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return !dialog && m_w.log().section("AT+FW", -1).contains(ending); }, 10000),
            qPrintable(m_w.log().right(300)));
        QTest::qWait(300); // answers still on their way must not restart anything
        QCOMPARE(seen, values);
        const bool box = err != at::None && err != at::Cancel;
        QCOMPARE(modals.boxes, box ? QStringList{"Error|" + at::toText(at::Error(err)) + "\n\n" +
                                                 detail.arg(m_w.port()->portName())}
                                   : QStringList());
        QCOMPARE(m_w.count("Firmware update complete: " + QString::number(size) +
                           " bytes written and accepted"),
                 err == at::None ? 1 : 0);
        QCOMPARE(modals.icon, box ? QMessageBox::Critical : QMessageBox::NoIcon);
        QCOMPARE(openAtBox, holdOpen);
        QCOMPARE(pressedBetweenBlocks, cancel == "setValue");
        QCOMPARE(trace().count("AT+FWWRITE="), blocks);
        // The final step comes only after every block was confirmed.
        QCOMPARE(trace().count("AT+FWUPDATE=0," + QByteArray::number(size) + ','),
                 !seen.isEmpty() && seen.last() == size ? 1 : 0);
        // The port is left as it was found, and it works.
        QCOMPARE(m_w.port()->isOpen(), holdOpen);
        QCOMPARE(m_w.openClose()->text(), holdOpen ? "Close" : "Open");
        QVERIFY(m_w.atOk());
    }

    // User commands wait while the update runs: a repetition's ticks are skipped and a typed
    // command goes out once, first after the update's last answer.
    // The transfer keeps its own framing whatever ends a typed line (here LF), and the line's
    // shape does not change under it: a pick while it runs is refused, once.
    void heldBack() {
        QVERIFY(start({"--delay", "60"}));
        QVERIFY(m_w.pick("lineEnding", int(at::LineEnding::Lf)));
        UserCommand& repeating = test::userCommand("AT");
        // The repetition starts with the first block, so no answer to it is on its way when the
        // update begins; a command is typed while the module holds its answer to the last request.
        connect(m_w.client(), &at::Client::sended, this, [&](const QByteArray& data) {
            if (data.startsWith("AT+FWWRITE=0,0,"))
                repeating.setAuto(true);
            if (data.startsWith("AT+FWWRITE=0,256,"))
                QMetaObject::invokeMethod(
                    this, [&] { m_w.pick("flowControl", QSerialPort::HardwareControl); },
                    Qt::QueuedConnection);
            if (data.startsWith("AT+FWUPDATE="))
                QMetaObject::invokeMethod(
                    this, [&] { m_w.type("AT+UID"); }, Qt::QueuedConnection);
        });
        test::Modals modals;
        QVERIFY(update600(modals));
        QVERIFY2(QTest::qWaitFor([&] { return m_w.log().contains("+UID:"); }, 10000),
                 qPrintable(m_w.log().right(600)));
        repeating.setAuto(false);
        UserCommands::_self.remove(UserCommands::_self.size() - 1);
        const QString log = m_w.log();
        const qsizetype from = log.indexOf("<< AT+FWWRITE=");
        const qsizetype answer = log.indexOf(">> ", log.indexOf("<< AT+FWUPDATE=", from));
        QVERIFY(from >= 0 && answer > from);
        QCOMPARE(log.mid(answer, 5), ">> OK");
        const QString during = log.mid(from, answer - from);
        QCOMPARE(during.count("<< "), during.count("<< AT+FW"));
        QCOMPARE(log.indexOf("<< ", answer), log.indexOf("<< AT+UID", answer));
        QVERIFY(modals.boxes.isEmpty());
        QCOMPARE(m_w.log().count("Line settings not changed while the firmware update runs"), 1);
        QCOMPARE(m_w.port()->flowControl(), QSerialPort::NoFlowControl);
        QCOMPARE(trace().count("AT+FWUPDATE="), 1);
        QCOMPARE(trace().count("AT+FW"), 4);
        QCOMPARE(trace().count("\r\n"), 4);
        QCOMPARE(trace().count("AT+UID\n"), 1);
    }
};

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
