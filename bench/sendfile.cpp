// Send file: 10 MB through the real window to a terminal whose other end a thread reads as fast
// as it comes; the rate and the window's longest stall meanwhile.

#include "bench/meters.h"
#include "bench/scenarios.h"
#include "mainwidget/filesender.h"
#include "mainwidget/harness.h"

#include <QApplication>
#include <QTemporaryDir>

#include <atomic>
#include <pty.h>
#include <thread>
#include <unistd.h>

namespace bench {

namespace {
constexpr qint64 file_bytes = 10 * 1000 * 1000;
} // namespace

QList<Row> sendFileRows() {
    const Figures f = runChild({QStringLiteral("--mode"), QStringLiteral("window-sendfile")},
                               QStringLiteral("offscreen"), 120000);
    const double rate = f.value(QStringLiteral("mb_per_s"), -1);
    return {{QStringLiteral("send file 10 MB: rate"), rate, -1, QStringLiteral("-"), rate > 0,
             QStringLiteral("MB/s")},
            atMost(QStringLiteral("send file 10 MB: longest stall"),
                   f.value(QStringLiteral("stall_ms"), -1), -1, 50, QStringLiteral("ms"))};
}

int sendFileChild(int argc, char** argv) {
    QApplication application(argc, argv);
    test::setIdentity();
    int master = -1, slave = -1;
    char name[256] = {};
    termios tio{};
    cfmakeraw(&tio);
    if (openpty(&master, &slave, name, &tio, nullptr) != 0)
        return 1;
    std::atomic<qint64> got{0};
    std::thread reader([&] {
        char buf[65536];
        while (got < file_bytes) {
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n <= 0)
                break;
            got += n;
        }
    });
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("ten.bin"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || !file.write(QByteArray(file_bytes, '\x55')))
            return 1;
    }
    test::Window window;
    if (!window.create(QString::fromLocal8Bit(name)))
        return 1;
    window.widget()->show();
    auto* sender = window.widget()->findChild<FileSender*>();
    StallMeter stalls(nullptr);
    stalls.start([] {});
    const qint64 start = nowNs();
    if (!sender->start(path))
        return 1;
    while (got < file_bytes)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    const double seconds = double(nowNs() - start) / 1e9;
    stalls.stop();
    reader.join();
    report("mb_per_s", double(file_bytes) / 1e6 / seconds);
    report("stall_ms", stalls.worstMs());
    ::close(slave);
    return 0;
}

} // namespace bench
