// A real line at a fixed rate (by default 10,000 40-byte lines a second, a 4 Mbaud UART): what
// it costs the window to keep up, and whether it stays smooth meanwhile.

#include "bench/scenarios.h"

namespace bench {

QList<Row> pacedRows(const Options& options) {
    const QString offscreen = QStringLiteral("offscreen");
    const double rate = options.rate > 0 ? options.rate : 10000;
    const QStringList args{QStringLiteral("--lines"),
                           QString::number(quint64(options.seconds * rate)),
                           QStringLiteral("--rate"), QString::number(rate)};
    const int timeout = int(options.seconds * 1000) + 120000;
    const Figures bare =
        runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("bare-paced")} + args,
                 offscreen, timeout);
    const Figures ui =
        runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("window-paced")} + args,
                 offscreen, timeout);
    const bool complete = ui.value(QStringLiteral("complete")) > 0;
    QList<Row> rows;
    const double entries = ui.value(QStringLiteral("entries_rate"));
    rows << Row{QStringLiteral("paced entries"),
                entries,
                bare.value(QStringLiteral("entries_rate")),
                QStringLiteral(">=0.99x"),
                complete && entries >= 0.99 * bare.value(QStringLiteral("entries_rate")),
                QStringLiteral("lines/s")};
    const double cpu = ui.value(QStringLiteral("cpu_pct"));
    rows << atMost(QStringLiteral("paced CPU"), cpu, bare.value(QStringLiteral("cpu_pct")), 10,
                   QStringLiteral("%"));
    const double stall = ui.value(QStringLiteral("stall_ms"));
    rows << atMost(QStringLiteral("paced worst stall"), stall,
                   bare.value(QStringLiteral("stall_ms")), 100, QStringLiteral("ms"));
    const double lag = ui.value(QStringLiteral("lag_lines"));
    rows << Row{QStringLiteral("paced lag at end"),
                lag,
                bare.value(QStringLiteral("lag_lines")),
                QStringLiteral("<=1000 (0.1 s)"),
                lag <= 1000 && complete,
                QStringLiteral("lines")};
    const double catchUp = ui.value(QStringLiteral("catchup_ms"));
    rows << atMost(QStringLiteral("paced catch-up after end"), catchUp,
                   bare.value(QStringLiteral("catchup_ms")), 100, QStringLiteral("ms"));
    return rows;
}

} // namespace bench
