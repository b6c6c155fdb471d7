// Throughput, responsiveness, start-up time and memory of the main window, each measured
// against a baseline taken in the same run. Every scenario runs in a child process of its
// own (this program started again with --mode), so peak memory is per scenario.

#include "app/app.h"
#include "at/client.h"
#include "mainwidget/logedit.h"
#include "mainwidget/mainwidget.h"
#include "widgets/serialport/baudratecombo.h"
#include "widgets/serialport/portnamecombo.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QMap>
#include <QProcess>
#include <QPushButton>
#include <QSerialPort>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QTranslator>
#include <QWidget>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <memory>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr int line_size = 40;
constexpr int flood_baud = 4000000;

qint64 nowNs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

qint64 maxRssBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

void report(const char* key, double value) {
    std::printf("KB %s %.6g\n", key, value);
    std::fflush(stdout);
}

// One line of the stream: "+DATA:" and a running number, 40 bytes with CR LF.
void formatLine(char* out, quint64 number) {
    char text[line_size + 1];
    std::snprintf(text, sizeof text, "+DATA:%08llu,abcdefghijklmnopqrstuvw\r\n",
                  static_cast<unsigned long long>(number % 100000000));
    std::memcpy(out, text, line_size);
}

// The module's end of a pseudo-terminal, fed from a thread of its own so the reader under
// test never waits for the writer. Lines are made in small chunks: a prepared 40 MB stream
// would count towards the peak memory of the process under test.
class Feeder {
public:
    Feeder() {
        char name[256] = {};
        termios tio{};
        cfmakeraw(&tio);
        cfsetspeed(&tio, B4000000);
        if (openpty(&m_master, &m_slave, name, &tio, nullptr) == 0) {
            m_path = QString::fromLocal8Bit(name);
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
        }
    }
    ~Feeder() {
        m_stop.store(true);
        if (m_thread.joinable())
            m_thread.join();
        if (m_master >= 0)
            ::close(m_master);
        if (m_slave >= 0)
            ::close(m_slave);
    }
    bool isOpen() const { return !m_path.isEmpty(); }
    QString slavePath() const { return m_path; }

    // rate 0: as fast as the terminal takes the bytes.
    void start(quint64 lines, double rate) {
        m_thread = std::thread([this, lines, rate] { run(lines, rate); });
    }
    quint64 written() const { return m_written.load(); }
    bool done() const { return m_done.load(); }

private:
    void run(quint64 lines, double rate) {
        constexpr quint64 chunk_lines = 100;
        char chunk[chunk_lines * line_size];
        const qint64 start = nowNs();
        quint64 sent = 0;
        while (sent < lines) {
            quint64 due = lines;
            if (rate > 0) {
                due = std::min<quint64>(lines, quint64(double(nowNs() - start) * rate / 1e9));
                if (due <= sent) {
                    timespec pause{0, 200000};
                    nanosleep(&pause, nullptr);
                    continue;
                }
            }
            const quint64 count = std::min(chunk_lines, due - sent);
            for (quint64 i = 0; i < count; ++i)
                formatLine(chunk + i * line_size, sent + i);
            if (!writeAll(chunk, count * line_size))
                break;
            sent += count;
            m_written.store(sent);
        }
        m_done.store(true);
    }
    bool writeAll(const char* data, size_t size) {
        while (size > 0) {
            // A reader that gave up must not keep the writer (and the exit) waiting.
            pollfd out{m_master, POLLOUT, 0};
            if (::poll(&out, 1, 50) <= 0) {
                if (m_stop.load())
                    return false;
                continue;
            }
            const ssize_t n = ::write(m_master, data, size);
            if (n < 0) {
                if (errno == EINTR || errno == EAGAIN)
                    continue;
                return false;
            }
            data += n;
            size -= size_t(n);
        }
        return true;
    }

    int m_master = -1;
    int m_slave = -1;
    QString m_path;
    std::thread m_thread;
    std::atomic<quint64> m_written{0};
    std::atomic<bool> m_done{false};
    std::atomic<bool> m_stop{false};
};

// The worst gap between two ticks of a zero-interval timer: how long the event loop was
// kept from its other work.
class StallMeter : public QObject {
public:
    explicit StallMeter(QObject* parent)
        : QObject(parent) {
        m_timer.setInterval(0);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            const qint64 now = nowNs();
            m_worst = std::max(m_worst, now - m_last);
            m_last = now;
            if (m_tick)
                m_tick();
        });
    }
    void start(std::function<void()> tick) {
        m_tick = std::move(tick);
        m_last = nowNs();
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    double worstMs() const { return double(m_worst) / 1e6; }

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    std::function<void()> m_tick;
};

struct StreamOptions {
    quint64 lines = 0;
    double rate = 0; // lines per second, 0 for a flood
    double timeoutS = 180;
};

// Runs the stream once the reader is ready and reports its figures; count() tells how many
// lines the reader has taken in so far.
void runStream(const StreamOptions& options, Feeder& feeder, std::function<quint64()> count) {
    struct State {
        qint64 rssBefore = 0;
        qint64 start = 0;
        qint64 feedEnd = 0;
        quint64 lagAtFeedEnd = 0;
        qint64 lastTrace = 0;
    };
    const bool trace = qEnvironmentVariableIsSet("KELVRA_BENCH_TRACE");
    auto state = std::make_shared<State>();
    auto* meter = new StallMeter(QCoreApplication::instance());
    state->rssBefore = maxRssBytes();
    state->start = nowNs();
    feeder.start(options.lines, options.rate);
    meter->start([=, &feeder] {
        const quint64 have = count();
        const qint64 now = nowNs();
        if (!state->feedEnd && feeder.done()) {
            const quint64 written = feeder.written();
            state->feedEnd = now;
            state->lagAtFeedEnd = written - std::min(have, written);
        }
        if (trace && now - state->lastTrace > 1000000000) {
            state->lastTrace = now;
            std::fprintf(stderr, "%.1f s: %llu lines, worst stall %.0f ms\n",
                         double(now - state->start) / 1e9, static_cast<unsigned long long>(have),
                         meter->worstMs());
        }
        const bool complete = have >= options.lines;
        if (!complete && double(now - state->start) / 1e9 < options.timeoutS)
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
        report("written", double(feeder.written()));
        // Tearing down a log of a million lines is not what is measured.
        std::_Exit(0);
    });
}

int bareMode(int argc, char** argv, const StreamOptions& options) {
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

// The controls a scenario drives, found as a test would find them.
struct Controls {
    explicit Controls(const MainWidget& window)
        : log(window.findChild<QTextEdit*>())
        , port(window.findChild<wdt::serialport::PortNameCombo*>(QStringLiteral("port")))
        , baud(window.findChild<wdt::serialport::BaudrateCombo*>(QStringLiteral("baudrate")))
        , openButton(window.findChild<QPushButton*>(QStringLiteral("open-close")))
        , client(window.findChild<at::Client*>()) {}

    bool complete() const { return log && port && baud && openButton && client; }

    // Picks the feeder's terminal at the flood rate and presses Open, as a user would.
    bool open(const Feeder& feeder) const {
        port->updateList();
        port->setPortName(feeder.slavePath());
        baud->setBaudrate(flood_baud);
        openButton->click();
        return client->serialPort()->isOpen();
    }

    QTextEdit* log;
    wdt::serialport::PortNameCombo* port;
    wdt::serialport::BaudrateCombo* baud;
    QPushButton* openButton;
    at::Client* client;
};

int windowMode(int argc, char** argv, const StreamOptions& options) {
    Feeder feeder;
    if (!feeder.isOpen())
        return 2;
    // The port chooser offers the terminal as it offers any extra port.
    qputenv("KELVRA_EXTRA_PORTS", feeder.slavePath().toLocal8Bit());
    QApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    MainWidget window;
    // A desktop-sized window: in the chooser's default size the log is so narrow that every
    // line wraps several times.
    window.resize(1280, 800);
    window.show();

    const Controls controls(window);
    if (!controls.complete())
        return 4;
    QTextEdit* log = controls.log;
    at::Client* client = controls.client;

    QTimer::singleShot(100, &window, [&] {
        QSerialPort* port = client->serialPort();
        if (!controls.open(feeder)) {
            std::fprintf(stderr, "port not opened: %s\n", qPrintable(port->errorString()));
            QCoreApplication::exit(5);
            return;
        }
        report("baud", port->baudRate());
        report("log_width", log->viewport()->width());
        // The log keeps only the newest lines: count them as they are appended (the window's
        // own connection, made first, has put each into the log by then).
        auto received = std::make_shared<quint64>(0);
        QObject::connect(client, &at::Client::received, &window, [received] { ++*received; });
        runStream(options, feeder, [received] { return *received; });
    });
    return application.exec();
}

qint64 currentRssBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

// Hours of a chatty module in one go, in the window's default size: the entry rate must not
// decay and memory must stop growing once the log trims its oldest entries.
int longRunMode(int argc, char** argv, quint64 lines, int maxEntries) {
    Feeder feeder;
    if (!feeder.isOpen())
        return 2;
    qputenv("KELVRA_EXTRA_PORTS", feeder.slavePath().toLocal8Bit());
    QApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);
    MainWidget window;
    window.show();

    const Controls controls(window);
    if (!controls.complete())
        return 4;
    QTextEdit* log = controls.log;
    at::Client* client = controls.client;

    struct State {
        quint64 received = 0;
        int maxBlocks = 0;
        qint64 start = 0;
        qint64 firstMillion = 0;
        qint64 lastMillionStart = 0;
        qint64 lastTrace = 0;
        qint64 rssBound = -1;
        qint64 rssFirstTrim = -1;
        quint64 linesFirstTrim = 0;
        int trims = 0;
    };
    auto state = std::make_shared<State>();
    const quint64 million = std::min<quint64>(1000000, lines / 2);
    auto* edit = window.findChild<LogEdit*>();
    // Other bounds than the log's own, to choose it by measurement.
    if (maxEntries > 0)
        edit->setMaxEntries(maxEntries);
    const quint64 bound = quint64(edit->maxEntries());
    QObject::connect(client, &at::Client::received, &window, [state, million, lines, bound] {
        const quint64 n = ++state->received;
        if (n == bound)
            state->rssBound = currentRssBytes();
        if (n == million)
            state->firstMillion = nowNs();
        if (n == lines - million)
            state->lastMillionStart = nowNs();
    });
    QTextDocument* document = log->document();
    // A drop of the block count is a trim; the first one comes when the log is at its fullest.
    QObject::connect(document, &QTextDocument::blockCountChanged, &window, [state](int blocks) {
        if (blocks >= state->maxBlocks) {
            state->maxBlocks = blocks;
            return;
        }
        if (blocks < state->maxBlocks / 2 + state->maxBlocks / 4 && ++state->trims == 1) {
            state->rssFirstTrim = currentRssBytes();
            state->linesFirstTrim = state->received;
        }
        state->maxBlocks = blocks;
    });

    QTimer::singleShot(100, &window, [&, state, lines, million] {
        if (!controls.open(feeder)) {
            QCoreApplication::exit(5);
            return;
        }
        report("log_width", log->viewport()->width());
        report("log_height", log->viewport()->height());
        auto* meter = new StallMeter(&window);
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
            report("rss_bound", double(state->rssBound));
            report("rss_first_trim", double(state->rssFirstTrim));
            report("rss_end", double(currentRssBytes()));
            report("rss_peak", double(maxRssBytes()));
            report("blocks_end", document->blockCount());
            std::_Exit(0);
        });
    });
    return application.exec();
}

// Start-up: the time from the parent's start of this process to the first painted window,
// taken once the paint pass that showed it has returned to the event loop.
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

int startWindowMode(int argc, char** argv) {
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
int startMinimalMode(int argc, char** argv, bool label) {
    QApplication application(argc, argv);
    FirstPaint firstPaint;
    application.installEventFilter(&firstPaint);
    QWidget window;
    if (label)
        new QLabel(QStringLiteral("Kelvra"), &window);
    window.show();
    return application.exec();
}

// ---- the parent ---------------------------------------------------------------------------

using Figures = QMap<QString, double>;

Figures runChild(const QStringList& arguments, const QString& platform, int timeoutMs,
                 const QString& wrapper = QString()) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QString program = QCoreApplication::applicationFilePath();
    QStringList args = arguments;
    if (!wrapper.isEmpty()) {
        args.prepend(program);
        args = QStringList{QStringLiteral("-a")} + args;
        program = wrapper;
    }
    // The clock starts here: process creation and loading count towards start-up.
    env.insert(QStringLiteral("KELVRA_BENCH_T0"), QString::number(nowNs()));
    child.setProcessEnvironment(env);
    child.start(program, args);
    Figures figures;
    if (!child.waitForFinished(timeoutMs)) {
        child.kill();
        child.waitForFinished();
        std::fprintf(stderr, "%s timed out\n", qPrintable(arguments.join(' ')));
    }
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray& line : lines) {
        const QList<QByteArray> parts = line.split(' ');
        if (parts.size() == 3 && parts.at(0) == "KB")
            figures.insert(QString::fromLatin1(parts.at(1)), parts.at(2).toDouble());
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
        std::fprintf(stderr, "%s failed (%d)\n", qPrintable(arguments.join(' ')), child.exitCode());
    return figures;
}

double median(QList<double> values) {
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

struct Row {
    QString name;
    double value;
    double baseline; // < 0: none
    QString target;
    bool pass;
    QString unit;
};

QString number(double v) {
    if (v < 0)
        return QStringLiteral("-");
    if (v >= 1000)
        return QString::number(v, 'f', 0);
    return QString::number(v, 'g', 4);
}

void printTable(const QList<Row>& rows) {
    std::printf("\n%-34s %12s %12s %8s %-22s %s\n", "figure", "value", "baseline", "ratio",
                "target", "result");
    for (const Row& row : rows) {
        const QString ratio = row.baseline > 0 ? QString::number(row.value / row.baseline, 'f', 2)
                                               : QStringLiteral("-");
        std::printf("%-34s %12s %12s %8s %-22s %s\n", qPrintable(row.name + " " + row.unit),
                    qPrintable(number(row.value)), qPrintable(number(row.baseline)),
                    qPrintable(ratio), qPrintable(row.target), row.pass ? "PASS" : "MISS");
    }
    std::fflush(stdout);
}

Figures startupSet(const QString& platform, int runs) {
    QList<double> window;
    QList<double> minimal;
    QList<double> label;
    for (int i = 0; i < runs; ++i) {
        label << runChild({QStringLiteral("--mode"), QStringLiteral("start-label")}, platform,
                          30000)
                     .value(QStringLiteral("startup_ms"), -1);
        minimal << runChild({QStringLiteral("--mode"), QStringLiteral("start-minimal")}, platform,
                            30000)
                       .value(QStringLiteral("startup_ms"), -1);
        window << runChild({QStringLiteral("--mode"), QStringLiteral("start-window")}, platform,
                           30000)
                      .value(QStringLiteral("startup_ms"), -1);
    }
    Figures out;
    out.insert(QStringLiteral("window"), median(window));
    out.insert(QStringLiteral("minimal"), median(minimal));
    out.insert(QStringLiteral("label"), median(label));
    return out;
}

int parentMode(int argc, char** argv, quint64 lines, double seconds, const QString& only,
               int bound) {
    QCoreApplication application(argc, argv);
    // Children keep their settings and data away from the user's.
    QTemporaryDir home;
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
    qputenv("XDG_DATA_HOME", (home.path() + QStringLiteral("/.local/share")).toLocal8Bit());
    const QString offscreen = QStringLiteral("offscreen");
    const QString n = QString::number(lines);
    const auto want = [&](const char* name) { return only.isEmpty() || only == name; };
    std::printf("load average before: %s", qPrintable([] {
                    QFile f(QStringLiteral("/proc/loadavg"));
                    return f.open(QIODevice::ReadOnly) ? QString::fromLatin1(f.readAll())
                                                       : QStringLiteral("?\n");
                }()));
    QList<Row> rows;

    if (want("flood")) {
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
        if (ui.value(QStringLiteral("complete")) <= 0)
            std::printf("flood: the window did not take in all lines; its rate is over the "
                        "time it ran\n");
        std::printf("flood: window %.0f of %s lines in %.2f s; bare reader %.2f s\n",
                    ui.value(QStringLiteral("lines")), qPrintable(n),
                    ui.value(QStringLiteral("seconds")), bare.value(QStringLiteral("seconds")));
        rows << Row{QStringLiteral("flood rate"),
                    rate,
                    bareRate,
                    QStringLiteral(">=0.5x, >=10000"),
                    complete && rate >= 0.5 * bareRate && rate >= 10000,
                    QStringLiteral("lines/s")};
        const double stall = ui.value(QStringLiteral("stall_ms"));
        rows << Row{QStringLiteral("flood worst stall"),
                    stall,
                    bare.value(QStringLiteral("stall_ms")),
                    QStringLiteral("<=250"),
                    stall <= 250,
                    QStringLiteral("ms")};
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
    }

    if (want("paced")) {
        const QString count = QString::number(quint64(seconds * 10000));
        const QStringList args{QStringLiteral("--lines"), count, QStringLiteral("--rate"),
                               QStringLiteral("10000")};
        const int timeout = int(seconds * 1000) + 120000;
        const Figures bare =
            runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("bare-paced")} + args,
                     offscreen, timeout);
        const Figures ui =
            runChild(QStringList{QStringLiteral("--mode"), QStringLiteral("window-paced")} + args,
                     offscreen, timeout);
        const double stall = ui.value(QStringLiteral("stall_ms"));
        rows << Row{QStringLiteral("paced worst stall"),
                    stall,
                    bare.value(QStringLiteral("stall_ms")),
                    QStringLiteral("<=100"),
                    stall <= 100,
                    QStringLiteral("ms")};
        const double lag = ui.value(QStringLiteral("lag_lines"));
        rows << Row{QStringLiteral("paced lag at end"),
                    lag,
                    bare.value(QStringLiteral("lag_lines")),
                    QStringLiteral("<=1000 (0.1 s)"),
                    lag <= 1000 && ui.value(QStringLiteral("complete")) > 0,
                    QStringLiteral("lines")};
        rows << Row{
            QStringLiteral("paced catch-up after end"),    ui.value(QStringLiteral("catchup_ms")),
            bare.value(QStringLiteral("catchup_ms")),      QStringLiteral("<=100"),
            ui.value(QStringLiteral("catchup_ms")) <= 100, QStringLiteral("ms")};
    }

    if (want("startup")) {
        const Figures off = startupSet(offscreen, 5);
        rows << Row{QStringLiteral("start-up offscreen (median 5)"),
                    off.value(QStringLiteral("window")),
                    off.value(QStringLiteral("minimal")),
                    QStringLiteral("<=1.5x"),
                    off.value(QStringLiteral("window")) <=
                        1.5 * off.value(QStringLiteral("minimal")),
                    QStringLiteral("ms")};
        rows << Row{QStringLiteral("  against a window with one label"),
                    off.value(QStringLiteral("window")),
                    off.value(QStringLiteral("label")),
                    QStringLiteral("(information)"),
                    true,
                    QStringLiteral("ms")};
        Figures x;
        if (qEnvironmentVariableIsSet("DISPLAY")) {
            x = startupSet(QStringLiteral("xcb"), 5);
        } else {
            const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
            if (!xvfb.isEmpty())
                x = runChild({QStringLiteral("--mode"), QStringLiteral("start-set-xcb")}, offscreen,
                             120000, xvfb);
        }
        if (x.contains(QStringLiteral("window"))) {
            rows << Row{QStringLiteral("start-up Xvfb (median 5)"),
                        x.value(QStringLiteral("window")),
                        x.value(QStringLiteral("minimal")),
                        QStringLiteral("<=1.5x"),
                        x.value(QStringLiteral("window")) <=
                            1.5 * x.value(QStringLiteral("minimal")),
                        QStringLiteral("ms")};
            rows << Row{QStringLiteral("  against a window with one label"),
                        x.value(QStringLiteral("window")),
                        x.value(QStringLiteral("label")),
                        QStringLiteral("(information)"),
                        true,
                        QStringLiteral("ms")};
        } else {
            std::printf("start-up under Xvfb: not measured (no DISPLAY, no xvfb-run)\n");
        }
    }
    // Long: never part of a run of everything.
    if (only == QLatin1String("longrun")) {
        const Figures f = runChild({QStringLiteral("--mode"), QStringLiteral("window-longrun"),
                                    QStringLiteral("--lines"), n, QStringLiteral("--bound"),
                                    QString::number(bound)},
                                   offscreen, 4000 * 1000);
        const bool complete = f.value(QStringLiteral("lines")) >= double(lines);
        std::printf("long run: %.0f of %s entries in %.0f s at %.0fx%.0f, %.0f trims, the first "
                    "after %.0f entries\n",
                    f.value(QStringLiteral("lines")), qPrintable(n),
                    f.value(QStringLiteral("seconds")), f.value(QStringLiteral("log_width")),
                    f.value(QStringLiteral("log_height")), f.value(QStringLiteral("trims")),
                    f.value(QStringLiteral("lines_first_trim")));
        const double first = f.value(QStringLiteral("rate_first"));
        const double last = f.value(QStringLiteral("rate_last"));
        rows << Row{QStringLiteral("entry rate, last million"),
                    last,
                    first,
                    QStringLiteral(">=0.8x first million"),
                    complete && last >= 0.8 * first,
                    QStringLiteral("entries/s")};
        const double stall = f.value(QStringLiteral("stall_ms"));
        rows << Row{QStringLiteral("long run worst stall"),
                    stall,
                    -1,
                    QStringLiteral("<=250"),
                    stall <= 250,
                    QStringLiteral("ms")};
        const double atBound = f.value(QStringLiteral("rss_bound"));
        const double atTrim = f.value(QStringLiteral("rss_first_trim"));
        const double end = f.value(QStringLiteral("rss_end"));
        rows << Row{QStringLiteral("RSS at the bound, information"),
                    atBound / 1048576,
                    -1,
                    QStringLiteral("-"),
                    true,
                    QStringLiteral("MiB")};
        rows << Row{QStringLiteral("RSS at the end"),
                    end / 1048576,
                    atTrim / 1048576,
                    QStringLiteral("<=1.1x first trim"),
                    complete && atTrim > 0 && end <= 1.1 * atTrim,
                    QStringLiteral("MiB")};
    }
    printTable(rows);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QString mode;
    QString only;
    quint64 lines = 0;
    double seconds = 30;
    double rate = 0;
    int bound = 0;
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--mode" && hasValue)
            mode = QString::fromLocal8Bit(argv[++i]);
        else if (arg == "--lines" && hasValue)
            lines = QByteArray(argv[++i]).toULongLong();
        else if (arg == "--seconds" && hasValue)
            seconds = QByteArray(argv[++i]).toDouble();
        else if (arg == "--bound" && hasValue)
            bound = QByteArray(argv[++i]).toInt();
        else if (arg == "--rate" && hasValue)
            rate = QByteArray(argv[++i]).toDouble();
        else if (arg == "--only" && hasValue)
            only = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: %s [--lines N] [--seconds S] [--only flood|paced|startup|longrun] "
                         "[--bound N]\n",
                         argv[0]);
            return 1;
        }
    }
    if (lines == 0)
        lines = only == QLatin1String("longrun") ? 5000000 : 1000000;
    if (seconds <= 0)
        return 1;

    // A flood that the window cannot take in within 150 s is reported as far as it got.
    const StreamOptions options{lines, rate, rate > 0 ? double(lines) / rate + 60 : 150};
    if (mode.isEmpty())
        return parentMode(argc, argv, lines, seconds, only, bound);
    if (mode == QLatin1String("bare-flood") || mode == QLatin1String("bare-paced"))
        return bareMode(argc, argv, options);
    if (mode == QLatin1String("window-flood") || mode == QLatin1String("window-paced"))
        return windowMode(argc, argv, options);
    if (mode == QLatin1String("window-longrun"))
        return longRunMode(argc, argv, lines, bound);
    if (mode == QLatin1String("start-window"))
        return startWindowMode(argc, argv);
    if (mode == QLatin1String("start-minimal"))
        return startMinimalMode(argc, argv, false);
    if (mode == QLatin1String("start-label"))
        return startMinimalMode(argc, argv, true);
    if (mode == QLatin1String("start-set-xcb")) {
        // Under xvfb-run: the server is up before the clock of any measured child starts.
        QCoreApplication application(argc, argv);
        const Figures x = startupSet(QStringLiteral("xcb"), 5);
        report("window", x.value(QStringLiteral("window")));
        report("minimal", x.value(QStringLiteral("minimal")));
        report("label", x.value(QStringLiteral("label")));
        return 0;
    }
    return 1;
}
