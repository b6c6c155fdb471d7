// Hours of a chatty module in one go, in the window's default size: the entry rate must not
// decay and memory must stop growing once the log trims its oldest entries.

#include "bench/feeder.h"
#include "bench/meters.h"
#include "bench/scenarios.h"
#include "mainwidget/harness.h"

#include <QApplication>
#include <QTextDocument>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace bench {

int longRunChild(int argc, char** argv, const Options& options) {
    Feeder feeder;
    QApplication application(argc, argv);
    test::Window window;
    if (const int failed = showWindow(window, feeder, false))
        return failed;

    struct State {
        quint64 received = 0;
        int lastBlocks = 0;
        qint64 start = 0;
        qint64 firstMillion = 0;
        qint64 lastMillionStart = 0;
        qint64 lastTrace = 0;
        qint64 rssFirstTrim = -1;
        qint64 peakHalf = -1; // the peak RSS half-way
        quint64 linesFirstTrim = 0;
        int trims = 0;
    };
    auto state = std::make_shared<State>();
    const quint64 lines = options.lines;
    const quint64 million = std::min<quint64>(1000000, lines / 2);
    LogEdit* log = window.logEdit();
    // Other bounds than the log's own, to choose it by measurement.
    if (options.bound > 0)
        log->setMaxEntries(options.bound);
    if (options.characters > 0)
        log->setMaxCharacters(options.characters);
    QObject::connect(window.client(), &at::Client::received, window.widget(),
                     [state, million, lines] {
                         const quint64 n = ++state->received;
                         if (n == million)
                             state->firstMillion = nowNs();
                         if (n == lines - million)
                             state->lastMillionStart = nowNs();
                     });
    QTextDocument* document = log->document();
    // Only a trim makes the block count drop.
    QObject::connect(document, &QTextDocument::blockCountChanged, window.widget(),
                     [state, lines](int blocks) {
                         if (blocks < state->lastBlocks) {
                             if (++state->trims == 1) {
                                 state->rssFirstTrim = currentRssBytes();
                                 state->linesFirstTrim = state->received;
                             }
                             if (state->peakHalf < 0 && state->received >= lines / 2)
                                 state->peakHalf = maxRssBytes();
                         }
                         state->lastBlocks = blocks;
                     });

    QTimer::singleShot(100, window.widget(), [&, state, lines, million] {
        if (!openWindow(window, feeder)) {
            QCoreApplication::exit(5);
            return;
        }
        report("log_width", log->viewport()->width());
        report("log_height", log->viewport()->height());
        auto* meter = new StallMeter(window.widget());
        state->start = nowNs();
        feeder.start(lines, 0);
        meter->start([&, state, meter, lines, million] {
            const qint64 now = nowNs();
            if (now - state->lastTrace > 10000000000LL) {
                state->lastTrace = now;
                std::fprintf(
                    stderr, "%.0f s: %llu entries, %d blocks, RSS %.0f MiB, worst %.0f ms\n",
                    double(now - state->start) / 1e9,
                    static_cast<unsigned long long>(state->received), document->blockCount(),
                    double(currentRssBytes()) / 1048576, meter->worstMs());
            }
            const bool complete = state->received >= lines;
            if (!complete && double(now - state->start) / 1e9 < 3600)
                return;
            meter->stop();
            report("lines", double(state->received));
            report("seconds", double(now - state->start) / 1e9);
            report("rate_first",
                   state->firstMillion
                       ? double(million) * 1e9 / double(state->firstMillion - state->start)
                       : -1);
            report("rate_last", complete && state->lastMillionStart
                                    ? double(million) * 1e9 / double(now - state->lastMillionStart)
                                    : -1);
            report("stall_ms", meter->worstMs());
            report("trims", state->trims);
            report("lines_first_trim", double(state->linesFirstTrim));
            report("rss_first_trim", double(state->rssFirstTrim));
            report("peak_half", double(state->peakHalf));
            report("rss_end", double(currentRssBytes()));
            report("rss_peak", double(maxRssBytes()));
            report("blocks_end", document->blockCount());
            std::_Exit(0);
        });
    });
    return application.exec();
}

QList<Row> longRunRows(const Options& options) {
    const Figures f = runChild(
        {QStringLiteral("--mode"), QStringLiteral("window-longrun"), QStringLiteral("--lines"),
         QString::number(options.lines), QStringLiteral("--bound"), QString::number(options.bound),
         QStringLiteral("--characters"), QString::number(options.characters)},
        QStringLiteral("offscreen"), 4000 * 1000);
    const bool complete = f.value(QStringLiteral("lines")) >= double(options.lines);
    std::printf("long run: %.0f of %llu entries in %.0f s at %.0fx%.0f, %.0f trims, the first "
                "after %.0f entries\n",
                f.value(QStringLiteral("lines")), static_cast<unsigned long long>(options.lines),
                f.value(QStringLiteral("seconds")), f.value(QStringLiteral("log_width")),
                f.value(QStringLiteral("log_height")), f.value(QStringLiteral("trims")),
                f.value(QStringLiteral("lines_first_trim")));
    const double first = f.value(QStringLiteral("rate_first"));
    const double last = f.value(QStringLiteral("rate_last"));
    QList<Row> rows;
    rows << Row{QStringLiteral("entry rate, last million"),
                last,
                first,
                QStringLiteral(">=0.8x first million"),
                complete && last >= 0.8 * first,
                QStringLiteral("entries/s")};
    const double stall = f.value(QStringLiteral("stall_ms"));
    rows << atMost(QStringLiteral("long run worst stall"), stall, -1, 250, QStringLiteral("ms"));
    // Once the log trims, memory stops growing: the second half of the run adds no peak. (The
    // RSS itself swings by a fifth between two trims, as the allocator hands memory back.)
    const double half = f.value(QStringLiteral("peak_half"));
    const double end = f.value(QStringLiteral("rss_peak"));
    rows << Row{QStringLiteral("RSS at the first trim, information"),
                f.value(QStringLiteral("rss_first_trim")) / 1048576,
                -1,
                QStringLiteral("-"),
                true,
                QStringLiteral("MiB")};
    rows << Row{QStringLiteral("peak RSS at the end"),
                end / 1048576,
                half / 1048576,
                QStringLiteral("<=1.1x at half-way"),
                complete && half > 0 && end <= 1.1 * half,
                QStringLiteral("MiB")};
    return rows;
}

} // namespace bench
