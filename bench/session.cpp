// Recording, times, pause and find under a fast line: the flood with the switches on against
// the same flood with them off, in the same run; the find bar over a log of 80,000 entries;
// a pause of millions of lines at full rate and its release.

#include "bench/feeder.h"
#include "bench/meters.h"
#include "bench/scenarios.h"
#include "mainwidget/harness.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTextBlock>

#include <algorithm>
#include <cstdio>

namespace bench {

namespace {

// Just under twice the log's bound in entries: it keeps them all.
constexpr quint64 find_entries = 79990;

// The reader's CPU per entry taken in, over the flood.
double cpuPerEntryUs(const Figures& flood) {
    const double rate = flood.value(QStringLiteral("entries_rate"));
    return rate > 0 ? flood.value(QStringLiteral("cpu_pct")) / 100 / rate * 1e6 : -1;
}

// The text of the n-th line of the feeder, as the log shows it.
QString feederLine(quint64 n) {
    return QStringLiteral("+DATA:%1,").arg(n % 100000000, 8, 10, QLatin1Char('0'));
}

void runUntil(const std::function<bool()>& done) {
    while (!done())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double msSince(qint64 startNs) {
    return double(nowNs() - startNs) / 1e6;
}

} // namespace

void applySession(test::Window& window) {
    const QStringList session =
        qEnvironmentVariable("KELVRA_BENCH_SESSION").split(QLatin1Char(','), Qt::SkipEmptyParts);
    for (const QString& what : session) {
        if (what == QLatin1String("times")) {
            window.action(QStringLiteral("show-times"))->setChecked(true);
        } else if (what == QLatin1String("hex")) {
            window.action(QStringLiteral("show-hex"))->setChecked(true);
        } else if (what == QLatin1String("exchanges")) {
            window.action(QStringLiteral("exchanges"))->setChecked(true);
        } else if (what.startsWith(QLatin1String("record="))) {
            test::Modals modals;
            modals.chooseFile(what.mid(7));
            window.action(QStringLiteral("record"))->trigger();
        }
    }
}

QList<Row> sessionRows(const Options& options) {
    const QString offscreen = QStringLiteral("offscreen");
    QTemporaryDir dir;
    const QString record = QStringLiteral("record=") + dir.filePath(QStringLiteral("record.log"));
    const auto flood = [&](const QString& session) {
        qputenv("KELVRA_BENCH_SESSION", session.toLocal8Bit());
        const Figures figures =
            runChild({QStringLiteral("--mode"), QStringLiteral("window-flood"),
                      QStringLiteral("--lines"), QString::number(options.lines)},
                     offscreen, 200000);
        qunsetenv("KELVRA_BENCH_SESSION");
        return figures;
    };
    const Figures off = flood(QString());
    const QList<std::pair<QString, Figures>> on{
        {QStringLiteral("times"), flood(QStringLiteral("times"))},
        {QStringLiteral("hex"), flood(QStringLiteral("hex"))},
        {QStringLiteral("recording"), flood(record)},
        {QStringLiteral("times and recording"), flood(QStringLiteral("times,") + record)}};
    QList<Row> rows;
    const double offRate = off.value(QStringLiteral("rate"));
    for (const auto& [name, figures] : on) {
        const double rate = figures.value(QStringLiteral("rate"));
        // Hex rows are five times the characters of the line they show: measured, no target.
        const bool measured = name == QLatin1String("hex");
        rows << Row{QStringLiteral("flood rate, ") + name,
                    rate,
                    offRate,
                    measured ? QStringLiteral("-") : QStringLiteral(">=0.5x"),
                    figures.value(QStringLiteral("complete")) > 0 &&
                        (measured || rate >= 0.5 * offRate),
                    QStringLiteral("lines/s")};
        rows << Row{QStringLiteral("CPU per entry, ") + name,
                    cpuPerEntryUs(figures),
                    cpuPerEntryUs(off),
                    QStringLiteral("-"),
                    true,
                    QStringLiteral("us")};
    }

    const Figures find =
        runChild({QStringLiteral("--mode"), QStringLiteral("session-find")}, offscreen, 300000);
    const double counted = find.value(QStringLiteral("count_ms"), 1e9);
    rows << atMost(QStringLiteral("find in 80,000 entries, counted"), counted, -1, 1000,
                   QStringLiteral("ms"));
    const double findStall = find.value(QStringLiteral("stall_ms"), 1e9);
    rows << atMost(QStringLiteral("find, worst stall"), findStall, -1, 100, QStringLiteral("ms"));

    const quint64 paused = std::max<quint64>(options.lines * 3, 1000000);
    const Figures pause = runChild({QStringLiteral("--mode"), QStringLiteral("session-pause"),
                                    QStringLiteral("--lines"), QString::number(paused)},
                                   offscreen, 600000);
    std::printf("pause: %llu lines\n", static_cast<unsigned long long>(paused));
    const double growth =
        (pause.value(QStringLiteral("rss_end"), 1e12) - pause.value(QStringLiteral("rss_tenth"))) /
        1048576;
    rows << atMost(QStringLiteral("paused, memory growth after a tenth"), growth, -1, 4,
                   QStringLiteral("MiB"));
    const double released = pause.value(QStringLiteral("release_ms"), 1e9);
    rows << atMost(QStringLiteral("resumed, all waiting entries in"), released, -1, 3000,
                   QStringLiteral("ms"));
    const double releaseStall = pause.value(QStringLiteral("release_stall_ms"), 1e9);
    rows << atMost(QStringLiteral("resumed, worst stall"), releaseStall, -1, 250,
                   QStringLiteral("ms"));
    return rows;
}

int sessionChild(int argc, char** argv, const QString& mode, const Options& options) {
    Feeder feeder;
    QApplication application(argc, argv);
    test::Window window;
    if (const int failed = showWindow(window, feeder, true))
        return failed;
    if (!openWindow(window, feeder))
        return 5;
    quint64 received = 0;
    QObject::connect(window.client(), &at::Client::received, window.widget(),
                     [&received] { ++received; });
    LogEdit* log = window.logEdit();
    StallMeter stall(&application);

    if (mode == QLatin1String("session-find")) {
        // The log keeps at most 1.6 million characters, fewer than 80,000 of these lines: the
        // bound is raised so the search covers more than a user's log can hold.
        log->setMaxCharacters(qint64(find_entries) * line_size * 2);
        feeder.start(find_entries, 0);
        runUntil([&] { return received >= find_entries; });
        log->flush();
        QTest::qWait(500);
        QTest::keyClick(window.input(), Qt::Key_F, Qt::ControlModifier);
        auto* field = window.widget()->findChild<QLineEdit*>(QStringLiteral("find"));
        auto* count = window.widget()->findChild<QLabel*>(QStringLiteral("find-count"));
        stall.start({});
        double worst = 0;
        // One match at the end, one in every entry, none.
        for (const QString& needle :
             {feederLine(find_entries - 1), QStringLiteral("abcdefgh"), QStringLiteral("zzz")}) {
            field->clear();
            QTest::keyClicks(field, needle);
            const qint64 typed = nowNs();
            runUntil([&] {
                return count->text().contains(QLatin1String(" of ")) ||
                       count->text() == QLatin1String("No matches");
            });
            worst = std::max(worst, msSince(typed));
            std::printf("find %s: %s after %.0f ms\n", qPrintable(needle),
                        qPrintable(count->text()), msSince(typed));
        }
        report("count_ms", worst);
        report("stall_ms", stall.worstMs());
    } else {
        QTest::keyClick(window.input(), Qt::Key_ScrollLock);
        feeder.start(options.lines, 0);
        qint64 tenth = 0;
        runUntil([&] {
            if (!tenth && received >= options.lines / 10)
                tenth = currentRssBytes();
            return received >= options.lines;
        });
        report("rss_tenth", double(tenth));
        report("rss_end", double(currentRssBytes()));
        stall.start({});
        const qint64 resumed = nowNs();
        QTest::keyClick(window.input(), Qt::Key_ScrollLock);
        const QString last = feederLine(options.lines - 1);
        runUntil([&] {
            const QTextBlock end = log->document()->lastBlock();
            return end.text().contains(last) || end.previous().text().contains(last);
        });
        report("release_ms", msSince(resumed));
        report("release_stall_ms", stall.worstMs());
    }
    std::_Exit(0);
}

} // namespace bench
