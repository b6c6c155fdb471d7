// A wrong baud rate turns the line into noise: megabytes of random bytes with and
// without line feeds, fake "+READB" headers and stray OK/FAIL lines while a firmware
// update runs. The window must stay responsive, end the update with a defined outcome,
// and show a normal line again once the noise stops.

#include "common/ptypeer.h"
#include "faults/harness.h"
#include "mainwidget/mainwidget.h"

#include <QElapsedTimer>
#include <QFile>
#include <QPointer>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

class TestNoise : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void noise();
};

void TestNoise::initTestCase() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
}

void TestNoise::noise() {
    QTemporaryDir dir;
    test::PtyPeer peer;
    QVERIFY(peer.isOpen());
    faults::Window window;
    QVERIFY(window.create(peer.slavePath()));
    window.openClose()->click();
    QCOMPARE(window.openClose()->text(), QStringLiteral("Close"));

    const QString path = dir.filePath(QStringLiteral("image.bin"));
    QFile image(path);
    QVERIFY(image.open(QIODevice::WriteOnly));
    image.write(QByteArray(2560, '\x11'));
    image.close();
    faults::MessageBoxes boxes;
    QSignalSpy completed(window.client(), &at::Client::firmwareUpdateCompleated);
    QVERIFY(window.startFirmware(path));
    QPointer<QWidget> dialog = window.progressDialog();

    // Every pass of the event loop ticks; the longest gap is reported.
    int ticks = 0;
    qint64 maxGap = 0;
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    ticker.setInterval(0);
    connect(&ticker, &QTimer::timeout, this, [&] {
        ++ticks;
        maxGap = qMax(maxGap, sinceTick.restart());
    });
    ticker.start();

    // Headers at the start of a line, each after a piece of noise. The huge ones must
    // not swallow what follows; a FAIL comes after them and ends the update.
    const QList<QByteArray> inserts = {
        "\n+READB:2000000000\r\n",
        "\nOK\r\n",
        "\n+READB:-7\r\n",
        "\n+READB:abc\r\n",
        "\n+readb:16777217:1\r\n",
        "\n+READB:99999999999\r\n",
        "\n+READB:\r\n",
        "\n+READB:5\r\nHELLO",
        "\nOK\r\n",
        "\nFAIL\r\n",
        "\nOK\r\n",
        "\n+READB:300\r\n",
        "\n+READB:1073741824\r\n",
        "\nFAIL\r\n",
        "\nOK\r\n",
        "\n+READB:0\r\n",
    };
    QRandomGenerator random(20240611);
    const qsizetype chunk = 256 * 1024;
    qsizetype total = 0;
    for (int i = 0; i < inserts.size(); ++i) {
        QByteArray noise(chunk, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32*>(noise.data()), chunk / 4);
        if (i >= inserts.size() / 2)
            noise.replace('\n', '\v'); // the second half carries no line feed at all
        const int before = ticks;
        QVERIFY(peer.write(noise + inserts.at(i)));
        total += noise.size();
        QTest::qWait(1);
        QVERIFY2(ticks > before, qPrintable(QString::number(i)));
    }
    qInfo("%lld bytes of noise; longest event-loop gap %lld ms; peak RSS %.0f MiB",
          qlonglong(total), qlonglong(maxGap), faults::peakRssMiB());

    // One outcome, its message box, the dialog gone.
    QVERIFY(QTest::qWaitFor([&] { return completed.size() == 1 && !dialog; }, 8000));
    const auto err = completed.first().first().value<at::Error>();
    QVERIFY2(err == at::Fail || err == at::Timeout, qPrintable(at::toText(err)));
    QVERIFY(QTest::qWaitFor([&] { return boxes.seen.size() == 1; }));
    QCOMPARE(boxes.seen.first(), QStringLiteral("Error|") + at::toText(err));

    // The noise stops: a normal line and a real block are shown again, and AT goes out.
    QVERIFY(peer.write("\r\nAFTER-NOISE\r\n+READB:3:0\r\nabc\r\nOK\r\n"));
    QVERIFY2(
        QTest::qWaitFor([&] { return window.log().contains(QStringLiteral(">> AFTER-NOISE")); }),
        "a fake block count swallowed the traffic behind it");
    QVERIFY(
        QTest::qWaitFor([&] { return window.log().contains(QStringLiteral("hex[3]{616263}")); }));
    peer.clearReceived();
    window.type(QStringLiteral("AT"));
    QVERIFY(peer.waitFor("AT\r\n"));
    QCOMPARE(completed.size(), 1);
    QVERIFY(!window.client()->transaction());
    QVERIFY(window.client()->serialPort()->isOpen());
    ticker.stop();
    window.destroy();
}

QTEST_MAIN(TestNoise)
#include "tst_noise.moc"
