// Start-up: process start to the first painted window, against programs that show an empty
// window or one label, measured the same way.

#include "bench/meters.h"
#include "bench/scenarios.h"

#include "app/app.h"
#include "mainwidget/mainwidget.h"

#include <QApplication>
#include <QLabel>
#include <QStandardPaths>
#include <QTimer>
#include <QTranslator>

#include <cstdio>

namespace bench {

namespace {

// The time from the parent's start of this process to the first painted window, taken once
// the paint pass that showed it has returned to the event loop.
class FirstPaint : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (!m_seen && (event->type() == QEvent::Paint || event->type() == QEvent::Expose)) {
            m_seen = true;
            QTimer::singleShot(0, this, [] {
                const qint64 t0 = qEnvironmentVariable("KELVRA_BENCH_T0").toLongLong();
                report("startup_ms", double(nowNs() - t0) / 1e6);
                report("rss_peak", double(maxRssBytes()));
                QCoreApplication::exit(0);
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool m_seen = false;
};

int startWindow(int argc, char** argv) {
    // What qMain does, up to the shown window.
    QApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    MainWidget window;
    window.show();
    return application.exec();
}

// label: the window shows one line of text, so the font database is loaded as in any
// window with text; the empty window never needs it.
int startMinimal(int argc, char** argv, bool label) {
    QApplication application(argc, argv);
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    QWidget window;
    if (label)
        new QLabel(QStringLiteral("Kelvra"), &window);
    window.show();
    return application.exec();
}

Figures startupSet(const QString& platform, int runs) {
    QList<double> window;
    QList<double> minimal;
    QList<double> label;
    const auto startup = [&](const char* mode) {
        return runChild({QStringLiteral("--mode"), QString::fromLatin1(mode)}, platform, 30000)
            .value(QStringLiteral("startup_ms"), -1);
    };
    for (int i = 0; i < runs; ++i) {
        label << startup("start-label");
        minimal << startup("start-minimal");
        window << startup("start-window");
    }
    Figures out;
    out.insert(QStringLiteral("window"), median(window));
    out.insert(QStringLiteral("minimal"), median(minimal));
    out.insert(QStringLiteral("label"), median(label));
    return out;
}

void addRows(QList<Row>& rows, const QString& name, const Figures& f) {
    const double window = f.value(QStringLiteral("window"));
    rows << Row{name,
                window,
                f.value(QStringLiteral("minimal")),
                QStringLiteral("<=1.5x"),
                window <= 1.5 * f.value(QStringLiteral("minimal")),
                QStringLiteral("ms")};
    rows << Row{QStringLiteral("  against a window with one label"),
                window,
                f.value(QStringLiteral("label")),
                QStringLiteral("(information)"),
                true,
                QStringLiteral("ms")};
}

} // namespace

QList<Row> startupRows() {
    QList<Row> rows;
    addRows(rows, QStringLiteral("start-up offscreen (median 5)"),
            startupSet(QStringLiteral("offscreen"), 5));
    Figures x;
    if (qEnvironmentVariableIsSet("DISPLAY")) {
        x = startupSet(QStringLiteral("xcb"), 5);
    } else {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
        // Under xvfb-run: the server is up before the clock of any measured child starts.
        if (!xvfb.isEmpty())
            x = runChild({QStringLiteral("--mode"), QStringLiteral("start-set-xcb")},
                         QStringLiteral("offscreen"), 120000, xvfb);
    }
    if (x.contains(QStringLiteral("window")))
        addRows(rows, QStringLiteral("start-up Xvfb (median 5)"), x);
    else
        std::printf("start-up under Xvfb: not measured (no DISPLAY, no xvfb-run)\n");
    return rows;
}

int startupChild(int argc, char** argv, const QString& mode) {
    if (mode == QLatin1String("start-window"))
        return startWindow(argc, argv);
    if (mode == QLatin1String("start-minimal"))
        return startMinimal(argc, argv, false);
    if (mode == QLatin1String("start-label"))
        return startMinimal(argc, argv, true);
    if (mode == QLatin1String("start-set-xcb")) {
        QCoreApplication application(argc, argv);
        const Figures x = startupSet(QStringLiteral("xcb"), 5);
        report("window", x.value(QStringLiteral("window")));
        report("minimal", x.value(QStringLiteral("minimal")));
        report("label", x.value(QStringLiteral("label")));
        return 0;
    }
    return -1;
}

} // namespace bench
