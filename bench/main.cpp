// Throughput, responsiveness, start-up time and memory of the main window, each measured
// against a baseline taken in the same run. Every scenario runs in a child process of its
// own (this program started again with --mode), so peak memory is per scenario.

#include "bench/scenarios.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

int parent(int argc, char** argv, const bench::Options& options, const QString& only) {
    QCoreApplication application(argc, argv);
    // Children keep their settings and data away from the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    QFile load(QStringLiteral("/proc/loadavg"));
    std::printf("load average before: %s",
                load.open(QIODevice::ReadOnly) ? load.readAll().constData() : "?\n");
    const auto want = [&](const char* name) { return only.isEmpty() || only == name; };
    QList<bench::Row> rows;
    if (want("flood"))
        rows << bench::floodRows(options);
    if (want("paced"))
        rows << bench::pacedRows(options);
    if (want("startup"))
        rows << bench::startupRows();
    // Long: never part of a run of everything.
    if (only == QLatin1String("longrun"))
        rows << bench::longRunRows(options);
    if (only == QLatin1String("session"))
        rows << bench::sessionRows(options);
    if (only == QLatin1String("longline"))
        rows << bench::longLineRows(options);
    if (only == QLatin1String("sendfile"))
        rows << bench::sendFileRows();
    bench::printTable(rows);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QString mode;
    QString only;
    bench::Options options;
    bool seconds = false;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--mode" && hasValue)
            mode = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--lines" && hasValue)
            options.lines = QByteArray(argv[++i]).toULongLong();
        else if (arg == "--seconds" && hasValue)
            options.seconds = QByteArray(argv[++i]).toDouble(), seconds = true;
        else if (arg == "--limit" && hasValue)
            options.limit = QByteArray(argv[++i]).toDouble();
        else if (arg == "--shape" && hasValue)
            options.shape = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--bound" && hasValue)
            options.bound = QByteArray(argv[++i]).toInt();
        else if (arg == "--characters" && hasValue)
            options.characters = QByteArray(argv[++i]).toLongLong();
        else if (arg == "--rate" && hasValue)
            options.rate = QByteArray(argv[++i]).toDouble();
        else if (arg == "--only" && hasValue)
            only = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--lines N] [--seconds S] [--rate LINES_PER_S] "
                         "[--only flood|paced|startup|longrun|session|longline|sendfile] "
                         "[--bound N] [--characters N] [--shape NAME] [--limit S]\n",
                         argv[0]);
            return 1;
        }
    }
    if (options.lines == 0)
        options.lines = only == QLatin1String("longrun") ? 5000000 : 1000000;
    // The trickle of line noise runs for three minutes.
    if (only == QLatin1String("longline") && !seconds)
        options.seconds = 180;
    if (options.seconds <= 0 || options.rate < 0)
        return 1;

    if (mode.isEmpty())
        return parent(argc, argv, options, only);
    if (mode == QLatin1String("bare-flood") || mode == QLatin1String("bare-paced"))
        return bench::streamChild(argc, argv, false, options);
    if (mode == QLatin1String("window-flood") || mode == QLatin1String("window-paced"))
        return bench::streamChild(argc, argv, true, options);
    if (mode == QLatin1String("window-longrun"))
        return bench::longRunChild(argc, argv, options);
    if (mode == QLatin1String("longline"))
        return bench::longLineChild(argc, argv, options);
    if (mode == QLatin1String("window-sendfile"))
        return bench::sendFileChild(argc, argv);
    if (mode.startsWith(QLatin1String("session-")))
        return bench::sessionChild(argc, argv, mode, options);
    const int startup = bench::startupChild(argc, argv, mode);
    return startup >= 0 ? startup : 1;
}
