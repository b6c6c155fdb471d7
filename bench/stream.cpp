#include "bench/feeder.h"
#include "bench/meters.h"
#include "bench/scenarios.h"
#include "mainwidget/harness.h"

#include "app/app.h"

#include <QApplication>
#include <QSerialPort>
#include <QTranslator>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace bench {

namespace {

// Runs the stream once the reader is ready and reports its figures; count() tells how many
// lines the reader has taken in so far.
void runStream(const Options& options, Feeder& feeder, std::function<quint64()> count) {
    struct State {
        qint64 rssBefore = 0;
        qint64 start = 0;
        qint64 cpuStart = 0;
        qint64 feedEnd = 0;
        quint64 lagAtFeedEnd = 0;
        double entriesRate = 0;
        double cpuPct = 0;
        qint64 lastTrace = 0;
    };
    const bool trace = qEnvironmentVariableIsSet("KELVRA_BENCH_TRACE");
    // A flood that the reader cannot take in within 150 s is reported as far as it got.
    const double timeoutS = options.rate > 0 ? double(options.lines) / options.rate + 60 : 150;
    auto state = std::make_shared<State>();
    auto* meter = new StallMeter(QCoreApplication::instance());
    state->rssBefore = maxRssBytes();
    state->start = nowNs();
    state->cpuStart = processCpuNs();
    feeder.start(options.lines, options.rate);
    meter->start([=, &feeder] {
        const quint64 have = count();
        const qint64 now = nowNs();
        if (!state->feedEnd && feeder.done()) {
            const quint64 written = feeder.written();
            state->feedEnd = now;
            state->lagAtFeedEnd = written - std::min(have, written);
            const double seconds = double(now - state->start) / 1e9;
            state->entriesRate = double(have) / seconds;
            // The feeder's thread is the module's, not the reader's.
            state->cpuPct = double(processCpuNs() - state->cpuStart - feeder.cpuNs()) /
                            double(now - state->start) * 100;
        }
        if (trace && now - state->lastTrace > 1000000000) {
            state->lastTrace = now;
            std::fprintf(stderr, "%.1f s: %llu lines, worst stall %.0f ms\n",
                         double(now - state->start) / 1e9, static_cast<unsigned long long>(have),
                         meter->worstMs());
        }
        const bool complete = have >= options.lines;
        if (!complete && double(now - state->start) / 1e9 < timeoutS)
            return;
        meter->stop();
        const double seconds = double(now - state->start) / 1e9;
        report("lines", double(have));
        report("seconds", seconds);
        report("rate", double(have) / seconds);
        report("complete", complete ? 1 : 0);
        report("stall_ms", meter->worstMs());
        report("rss_before", double(state->rssBefore));
        report("rss_peak", double(maxRssBytes()));
        report("lag_lines", double(state->lagAtFeedEnd));
        report("catchup_ms", state->feedEnd ? double(now - state->feedEnd) / 1e6 : -1);
        report("entries_rate", state->entriesRate);
        report("cpu_pct", state->cpuPct);
        report("written", double(feeder.written()));
        // Tearing down a log of a million lines is not what is measured.
        std::_Exit(0);
    });
}

int bareChild(int argc, char** argv, const Options& options) {
    QCoreApplication application(argc, argv);
    Feeder feeder;
    if (!feeder.isOpen())
        return 2;
    QSerialPort port;
    port.setPortName(feeder.slavePath());
    port.setBaudRate(flood_baud);
    if (!port.open(QIODevice::ReadWrite))
        return 3;
    quint64 lines = 0;
    QObject::connect(&port, &QSerialPort::readyRead, &port, [&] {
        const QByteArray data = port.readAll();
        lines += quint64(data.count('\n'));
    });
    runStream(options, feeder, [&] { return lines; });
    const int result = application.exec();
    port.close();
    return result;
}

int windowChild(int argc, char** argv, const Options& options) {
    Feeder feeder;
    QApplication application(argc, argv);
    test::Window window;
    if (const int failed = showWindow(window, feeder, true))
        return failed;
    applySession(window);

    QTimer::singleShot(100, window.widget(), [&] {
        if (!openWindow(window, feeder)) {
            QCoreApplication::exit(5);
            return;
        }
        report("log_width", window.logEdit()->viewport()->width());
        // The log keeps only the newest lines: count them as they are appended (the window's
        // own connection, made first, has put each into the log by then).
        auto received = std::make_shared<quint64>(0);
        QObject::connect(window.client(), &at::Client::received, window.widget(),
                         [received] { ++*received; });
        runStream(options, feeder, [received] { return *received; });
    });
    return application.exec();
}

} // namespace

bool openWindow(test::Window& window, const Feeder& feeder) {
    window.baudrate()->setBaudrate(flood_baud);
    window.openClose()->click();
    QSerialPort* port = window.port();
    if (!port->isOpen()) {
        std::fprintf(stderr, "port not opened: %s\n", qPrintable(port->errorString()));
        return false;
    }
    report("baud", port->baudRate());
    return feeder.isOpen();
}

int showWindow(test::Window& window, const Feeder& feeder, bool desktop) {
    // Installed for the life of the process, as start-up's are.
    static QTranslator qtTranslator;
    static QTranslator mainTranslator;
    if (!feeder.isOpen())
        return 2;
    app::prepare(qtTranslator, mainTranslator);
    if (!window.create(feeder.slavePath()))
        return 4;
    if (desktop)
        window.widget()->resize(1280, 800);
    window.widget()->show();
    return 0;
}

int streamChild(int argc, char** argv, bool window, const Options& options) {
    return window ? windowChild(argc, argv, options) : bareChild(argc, argv, options);
}

} // namespace bench
