// Lines written as fast as the terminal takes them: how much headroom the window has.

#include "bench/feeder.h"
#include "bench/scenarios.h"

#include <algorithm>
#include <cstdio>

namespace bench {

QList<Row> floodRows(const Options& options) {
    const QString offscreen = QStringLiteral("offscreen");
    const QString n = QString::number(options.lines);
    const QStringList args{QStringLiteral("--lines"), n};
    const Figures bare =
        runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("bare-flood")} + args,
                 offscreen, 200000);
    const Figures ui =
        runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("window-flood")} + args,
                 offscreen, 200000);
    const double rate = ui.value(QStringLiteral("rate"));
    const double bareRate = bare.value(QStringLiteral("rate"));
    const bool complete = ui.value(QStringLiteral("complete")) > 0;
    if (!complete)
        std::printf("flood: the window did not take in all lines; its rate is over the time it "
                    "ran\n");
    std::printf("flood: window %.0f of %s lines in %.2f s; bare reader %.2f s\n",
                ui.value(QStringLiteral("lines")), qPrintable(n),
                ui.value(QStringLiteral("seconds")), bare.value(QStringLiteral("seconds")));
    QList<Row> rows;
    rows << Row{QStringLiteral("flood rate"),
                rate,
                bareRate,
                QStringLiteral(">=0.5x, >=10000"),
                complete && rate >= 0.5 * bareRate && rate >= 10000,
                QStringLiteral("lines/s")};
    const double stall = ui.value(QStringLiteral("stall_ms"));
    rows << atMost(QStringLiteral("flood worst stall"), stall,
                   bare.value(QStringLiteral("stall_ms")), 250, QStringLiteral("ms"));
    const double peak = ui.value(QStringLiteral("rss_peak"));
    rows << Row{QStringLiteral("flood peak memory"),
                peak / 1048576,
                bare.value(QStringLiteral("rss_peak")) / 1048576,
                QStringLiteral("-"),
                true,
                QStringLiteral("MiB")};
    // Per byte that reached the log (a flood cut short by the time limit logged fewer).
    const double perByte = (peak - ui.value(QStringLiteral("rss_before"))) /
                           (std::max(1.0, ui.value(QStringLiteral("lines"))) * line_size);
    rows << Row{QStringLiteral("memory per logged byte"),
                perByte,
                -1,
                QStringLiteral("<=10"),
                complete && perByte <= 10,
                QStringLiteral("B/B")};
    return rows;
}

} // namespace bench
