#include "at/client.h"
#include "common/dialogs.h"
#include "common/modsim.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/portnamecombo.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>

namespace {

// Answers the modal dialogs that open inside the window's slots, in order; a handler
// returns false for a dialog it does not take (the progress dialog is modal too).
class ModalAnswers : public QObject {
public:
    using Handler = std::function<bool(QWidget*)>;

    ModalAnswers() {
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || modal == m_last || m_handlers.isEmpty())
                return;
            if (m_handlers.first()(modal)) {
                m_last = modal;
                m_handlers.removeFirst();
                ++answered;
            }
        });
        m_timer.start();
    }
    void add(Handler handler) { m_handlers.append(std::move(handler)); }

    void chooseFile(const QString& path, std::function<void()> afterAccept = {}) {
        add([path, afterAccept](QWidget* w) {
            if (!test::acceptFileDialog(w, path))
                return false;
            if (afterAccept)
                afterAccept();
            return true;
        });
    }
    // Records "title|text" and the icon of the next message box, then closes it.
    void takeMessage() {
        add([this](QWidget* w) {
            auto* box = qobject_cast<QMessageBox*>(w);
            if (!box)
                return false;
            message = box->windowTitle() + QLatin1Char('|') + box->text();
            icon = box->icon();
            box->button(QMessageBox::Ok)->click();
            return true;
        });
    }

    int answered = 0;
    QString message;
    QMessageBox::Icon icon = QMessageBox::NoIcon;

private:
    QTimer m_timer;
    QList<Handler> m_handlers;
    QPointer<QWidget> m_last;
};

enum class CancelAt {
    Never,
    DialogShown,    // while the first block waits for its answer
    InsideSetValue, // during the progress dialog's setValue of the second block
};

} // namespace

Q_DECLARE_METATYPE(CancelAt)

class TestFirmware : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();

    void update_data();
    void update();
    void refused_data();
    void refused();

private:
    bool startModule(const QStringList& args);
    QString writeImage(int size);
    QByteArray trace() const;
    at::Client* client() const { return m_window->findChild<at::Client*>(); }
    QString logText() const { return m_window->findChild<LogEdit*>()->toPlainText(); }
    QAction* updateAction() const;

    QTemporaryDir m_dir;
    QString m_tracePath;
    std::unique_ptr<test::Modsim> m_module;
    std::unique_ptr<MainWidget> m_window;
};

void TestFirmware::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QVERIFY(m_dir.isValid());
    QVERIFY2(QFile::exists(test::Modsim::program()), qPrintable(test::Modsim::program()));
}

void TestFirmware::cleanup() {
    m_window.reset();
    m_module.reset();
}

bool TestFirmware::startModule(const QStringList& args) {
    m_tracePath = m_dir.filePath(QStringLiteral("trace-%1").arg(QTest::currentDataTag()));
    QFile::remove(m_tracePath);
    m_module = std::make_unique<test::Modsim>();
    if (!m_module->start(args + QStringList{QStringLiteral("--trace"), m_tracePath}))
        return false;
    // The port list only offers ports that exist when the window is built.
    qputenv("KELVRA_EXTRA_PORTS", m_module->portPath().toLocal8Bit());
    m_window = std::make_unique<MainWidget>();
    m_window->findChild<wdt::serialport::PortNameCombo*>()->setPortName(m_module->portPath());
    return client()->serialPort()->portName().endsWith(
        m_module->portPath().section(QLatin1Char('/'), -1));
}

QString TestFirmware::writeImage(int size) {
    const QString path = m_dir.filePath(QStringLiteral("image-%1.bin").arg(size));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    QByteArray image(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        image[i] = char(i * 7 + 3);
    file.write(image);
    return path;
}

QByteArray TestFirmware::trace() const {
    QFile file(m_tracePath);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QAction* TestFirmware::updateAction() const {
    for (QAction* action : m_window->findChild<QMenu*>()->actions()) {
        if (action->text() == QLatin1String("Update firmware"))
            return action;
    }
    return nullptr;
}

void TestFirmware::update_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("size");
    QTest::addColumn<bool>("holdOpen");
    QTest::addColumn<CancelAt>("cancelAt");
    QTest::addColumn<QList<int>>("values");
    QTest::addColumn<int>("err");    // the ending; its text is the box's, if any
    QTest::addColumn<int>("blocks"); // FWWRITE requests the module gets

    const QStringList none;
    const QStringList slow = {QStringLiteral("--delay"), QStringLiteral("200")};
    const QList<int> all = {256, 512, 600};
    QTest::newRow("600 bytes") << none << 600 << false << CancelAt::Never << all << int(at::None)
                               << 3;
    QTest::newRow("600 bytes, port held open")
        << none << 600 << true << CancelAt::Never << all << int(at::None) << 3;
    QTest::newRow("progress lines") << QStringList{QStringLiteral("--progress-lines")} << 600
                                    << false << CancelAt::Never << all << int(at::None) << 3;
    QTest::newRow("empty image") << none << 0 << false << CancelAt::Never << QList<int>{0}
                                 << int(at::None) << 1;
    QTest::newRow("second block fails")
        << QStringList{QStringLiteral("--fail-block"), QStringLiteral("2")} << 600 << false
        << CancelAt::Never << QList<int>{256} << int(at::Fail) << 2;
    QTest::newRow("silent module")
        << QStringList{QStringLiteral("--silent"), QStringLiteral("FWWRITE")} << 600 << false
        << CancelAt::Never << QList<int>{} << int(at::Timeout) << 1;
    QTest::newRow("cancel") << slow << 600 << false << CancelAt::DialogShown << QList<int>{}
                            << int(at::Cancel) << 1;
    QTest::newRow("cancel, port held open")
        << slow << 600 << true << CancelAt::DialogShown << QList<int>{} << int(at::Cancel) << 1;
    // The press is handled while no block transaction is current; it must still stop
    // the transfer at the next block instead of being lost.
    QTest::newRow("cancel inside setValue") << slow << 8192 << false << CancelAt::InsideSetValue
                                            << QList<int>{256, 512} << int(at::Cancel) << 2;
}

void TestFirmware::update() {
    QFETCH(QStringList, args);
    QFETCH(int, size);
    QFETCH(bool, holdOpen);
    QFETCH(CancelAt, cancelAt);
    QFETCH(QList<int>, values);
    QFETCH(int, err);
    QFETCH(int, blocks);
    const auto error = at::Error(err);

    QVERIFY(startModule(args));
    const QString image = writeImage(size);
    QVERIFY(!image.isEmpty());
    auto* openClose = m_window->findChild<QPushButton*>(QStringLiteral("open-close"));
    if (holdOpen) {
        openClose->click();
        QVERIFY(client()->serialPort()->isOpen());
    }

    bool pressedBetweenBlocks = false;
    if (cancelAt == CancelAt::InsideSetValue) {
        // Connected before the window's own slot, so the press is queued just before
        // the window sets the dialog's value. setValue runs pending events only once a
        // value has shown the dialog, which a long estimated duration does at once
        // (hence a large image); the press comes with the second block.
        connect(client(), &at::Client::firmwareUpdateProgress, this,
                [this, &pressedBetweenBlocks](int writed) {
                    auto* dialog = m_window->findChild<QProgressDialog*>();
                    if (writed != 512 || !dialog)
                        return;
                    auto* button = dialog->findChild<QPushButton*>();
                    QMetaObject::invokeMethod(
                        button,
                        [this, button, &pressedBetweenBlocks] {
                            pressedBetweenBlocks = !client()->transaction();
                            button->click();
                        },
                        Qt::QueuedConnection);
                });
    }

    ModalAnswers answers;
    answers.chooseFile(image);
    updateAction()->trigger();
    QCOMPARE(answers.answered, 1);

    QPointer<QProgressDialog> dialog = m_window->findChild<QProgressDialog*>();
    QVERIFY(dialog);
    QVERIFY(dialog->isVisible());
    QVERIFY(dialog->isModal());
    QCOMPARE(dialog->minimum(), 0);
    QCOMPARE(dialog->maximum(), size);
    QList<int> seen;
    connect(dialog->findChild<QProgressBar*>(), &QProgressBar::valueChanged, this,
            [&seen](int value) { seen << value; });
    if (error != at::None && error != at::Cancel)
        answers.takeMessage();
    if (cancelAt == CancelAt::DialogShown) {
        QVERIFY(QTest::qWaitFor([&] { return trace().contains("AT+FWWRITE="); }));
        dialog->findChild<QPushButton*>()->click();
    }

    const QString errorLine = QStringLiteral("Error(%1):  %2").arg(err).arg(at::toText(error));
    if (error == at::None) {
        QVERIFY(QTest::qWaitFor(
            [&] { return logText().contains(QStringLiteral("AT+FWUPDATE=")) && !dialog; }, 5000));
        // The module checks size and CRC of what it got; its "OK" is its acceptance.
        QVERIFY(QTest::qWaitFor([&] {
            return logText()
                .section(QStringLiteral("AT+FWUPDATE="), -1)
                .contains(QStringLiteral(">> OK"));
        }));
        QVERIFY(!logText().contains(QStringLiteral("Error(")));
        QVERIFY(trace().contains("AT+FWUPDATE=0," + QByteArray::number(size) + ','));
    } else {
        QVERIFY2(QTest::qWaitFor([&] { return logText().contains(errorLine); }, 8000),
                 qPrintable(logText().right(300)));
    }
    QVERIFY(QTest::qWaitFor([&] { return !client()->transaction() && !dialog; }));
    // Answers that are still on their way must not restart anything.
    QTest::qWait(300);

    QCOMPARE(seen, values);
    if (error == at::None || error == at::Cancel) {
        QCOMPARE(answers.answered, 1);
    } else {
        QCOMPARE(answers.answered, 2);
        QCOMPARE(answers.message, QStringLiteral("Error|") + at::toText(error));
        QCOMPARE(answers.icon, QMessageBox::Critical);
    }
    const QByteArray received = trace();
    if (cancelAt == CancelAt::InsideSetValue) {
        QVERIFY(pressedBetweenBlocks);
        // Honoured before the next block is even built, not one block late.
        QVERIFY(!logText().contains(QStringLiteral("AT+FWWRITE=0,512,")));
    }
    QCOMPARE(received.count("AT+FWWRITE="), blocks);
    QCOMPARE(received.contains("AT+FWUPDATE="), error == at::None);

    // The port is left as it was found.
    QCOMPARE(client()->serialPort()->isOpen(), holdOpen);
    QCOMPARE(openClose->text(), holdOpen ? QStringLiteral("Close") : QStringLiteral("Open"));
    QVERIFY(!m_window->findChild<QProgressDialog*>());
}

void TestFirmware::refused_data() {
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QMessageBox::Icon>("icon");

    QTest::newRow("file gone before it is opened") << "gone"
                                                   << "Failed to open file" << QMessageBox::Warning;
    QTest::newRow("file beyond the transfer's counts")
        << "huge"
        << "File is too large" << QMessageBox::Critical;
}

void TestFirmware::refused() {
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(QMessageBox::Icon, icon);

    QVERIFY(startModule({}));
    const QString path = m_dir.filePath(kind + QStringLiteral(".bin"));
    {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (kind == QLatin1String("huge")) {
            // Sparse: nothing is written, so reading it would be the fault to catch.
            QVERIFY(file.resize(qint64(1) << 31));
        } else {
            file.write("abc");
        }
    }
    ModalAnswers answers;
    // The file dialog only takes an existing file; it disappears right after the choice.
    answers.chooseFile(path, [&] {
        if (kind == QLatin1String("gone"))
            QFile::remove(path);
    });
    answers.takeMessage();
    updateAction()->trigger();
    QFile::remove(path);

    QCOMPARE(answers.answered, 2);
    QCOMPARE(answers.message, QStringLiteral("Error|%1:\n\n%2").arg(text, path));
    QCOMPARE(answers.icon, icon);
    QVERIFY(!m_window->findChild<QProgressDialog*>());
    QVERIFY(!client()->serialPort()->isOpen());
    QTest::qWait(50);
    QVERIFY(trace().isEmpty());
}

QTEST_MAIN(TestFirmware)
#include "tst_firmware.moc"
