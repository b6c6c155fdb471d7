// Text without break points, in both directions: line noise trickling in without line feeds,
// a megabyte of it at once, and binary blocks of 64 KiB to 16 MiB received and sent through
// the payload dialog. Each shape in a child of its own: the longest stall, the time until the
// window is quiet again and the peak memory, against the flood's peak memory.

#include "bench/feeder.h"
#include "bench/meters.h"
#include "bench/scenarios.h"
#include "input/binarydialog.h"
#include "mainwidget/harness.h"

#include <QApplication>
#include <QClipboard>
#include <QPlainTextEdit>
#include <QRandomGenerator>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace bench {

namespace {

constexpr int trickle_bytes = 384;
constexpr int trickle_ms = 33;
constexpr qint64 burst_bytes = 1000000;
constexpr int chunk_bytes = 64 * 1024;
// The window counts as settled after this long without a gap of quiet_gap_ms.
constexpr int quiet_ms = 1500;
constexpr int quiet_gap_ms = 50;

struct Shape {
    const char* name;
    char kind; // 't'rickle, 'b'urst, 'r'eceived block, 's'ent block
    qint64 bytes;
};

const Shape shapes[] = {
    {"trickle", 't', 0},
    {"burst 1 MB", 'b', burst_bytes},
    {"received 64 KiB", 'r', 1 << 16},
    {"received 128 KiB", 'r', 1 << 17},
    {"received 1 MiB", 'r', 1 << 20},
    {"received 16 MiB", 'r', 1 << 24},
    {"sent 64 KiB", 's', 1 << 16},
    {"sent 256 KiB", 's', 1 << 18},
    {"sent 1 MiB", 's', 1 << 20},
    {"sent 16 MiB", 's', 1 << 24},
};

// Random bytes, the same in every run.
QByteArray randomBytes(qint64 size, quint32 seed) {
    QByteArray out(size, Qt::Uninitialized);
    QRandomGenerator random(seed);
    random.fillRange(reinterpret_cast<quint32*>(out.data()), size / 4);
    for (qint64 i = size / 4 * 4; i < size; ++i)
        out[i] = char(random.generate());
    return out;
}

} // namespace

int longLineChild(int argc, char** argv, const Options& options) {
    const Shape* shape = nullptr;
    for (const Shape& s : shapes) {
        if (options.shape == QLatin1String(s.name))
            shape = &s;
    }
    if (!shape)
        return 6;
    Feeder feeder;
    QApplication application(argc, argv);
    test::Window window;
    if (const int failed = showWindow(window, feeder, true))
        return failed;
    applySession(window);
    if (!openWindow(window, feeder))
        return 5;
    report("log_width", window.logEdit()->viewport()->width());

    struct State {
        qint64 start = 0;
        qint64 arrived = 0; // all bytes in (received) or handed to the client (sent)
        qint64 lastGap = 0;
        qint64 bytes = 0;
        qint64 lastTrace = 0;
    };
    auto state = std::make_shared<State>();
    at::Client* client = window.client();
    QObject::connect(client, &at::Client::received, window.widget(),
                     [state](const QByteArray& data) { state->bytes += data.size(); });
    QObject::connect(client, &at::Client::receivedBinary, window.widget(),
                     [state](const QByteArray& data) { state->bytes += data.size(); });
    QObject::connect(client, &at::Client::sendedBinary, window.widget(),
                     [state](const QByteArray& data) { state->bytes += data.size(); });
    // What has to reach the window before it can settle: the noise is shown in whole pieces
    // of 64 KiB, the rest waits for its line feed.
    qint64 expected = shape->bytes;
    quint64 chunks = 0;
    int interval = 0;
    std::function<QByteArray(quint64)> chunk;
    if (shape->kind == 't') {
        chunks = quint64(options.seconds * 1000 / trickle_ms);
        interval = trickle_ms;
        expected = qint64(chunks) * trickle_bytes / chunk_bytes * chunk_bytes;
        chunk = [](quint64) { return QByteArray(trickle_bytes, char(0xff)); };
    } else if (shape->kind == 'b') {
        chunks = quint64((burst_bytes + chunk_bytes - 1) / chunk_bytes);
        expected = burst_bytes / chunk_bytes * chunk_bytes;
        chunk = [](quint64 i) {
            return QByteArray(
                int(std::min<qint64>(chunk_bytes, burst_bytes - qint64(i) * chunk_bytes)),
                char(0xff));
        };
    } else if (shape->kind == 'r') {
        const qint64 size = shape->bytes;
        const QByteArray header = "+READB:" + QByteArray::number(size) + "\r\n";
        expected = size + header.size();
        chunks = quint64(1 + (size + chunk_bytes - 1) / chunk_bytes);
        chunk = [header, size](quint64 i) {
            if (i == 0)
                return header;
            const qint64 from = qint64(i - 1) * chunk_bytes;
            return randomBytes(std::min<qint64>(chunk_bytes, size - from), quint32(i));
        };
    }

    // The user resizing the window all along ($KELVRA_BENCH_RESIZE): every block is laid out
    // again at the new width.
    if (qEnvironmentVariableIsSet("KELVRA_BENCH_RESIZE")) {
        auto* resize = new QTimer(window.widget());
        QObject::connect(resize, &QTimer::timeout, window.widget(), [&window] {
            QWidget* w = window.widget();
            w->resize(w->width() == 1280 ? 700 : 1280, 800);
        });
        resize->start(500);
    }
    auto* meter = new StallMeter(window.widget());
    const auto finish = [state, meter, shape] {
        meter->stop();
        report("stall_ms", meter->worstMs());
        report("settle_ms", double(std::max(state->arrived, state->lastGap) - state->start) / 1e6);
        report("rss_peak", double(maxRssBytes()));
        report("bytes", double(state->bytes));
        std::fprintf(stderr, "%s: done\n", shape->name);
        std::_Exit(0);
    };
    const double limitS = shape->kind == 't' ? options.seconds + 120 : options.limit;
    state->start = nowNs();
    meter->start([=, &feeder] {
        const qint64 now = nowNs();
        if (now - state->lastTrace > 10000000000LL) {
            state->lastTrace = now;
            std::fprintf(stderr, "%s %.0f s: %lld bytes, worst stall %.0f ms, RSS %.0f MiB\n",
                         shape->name, double(now - state->start) / 1e9,
                         static_cast<long long>(state->bytes), meter->worstMs(),
                         double(currentRssBytes()) / 1048576);
        }
        // The gap that ended with this tick.
        static qint64 last = 0;
        if (last && now - last >= quiet_gap_ms * 1000000LL)
            state->lastGap = now;
        last = now;
        const bool in = state->bytes >= expected && (shape->kind == 's' || feeder.done());
        if (in && !state->arrived)
            state->arrived = now;
        if ((in && now - std::max(state->arrived, state->lastGap) > quiet_ms * 1000000LL) ||
            double(now - state->start) / 1e9 > limitS)
            finish();
    });
    if (shape->kind == 's') {
        QTimer::singleShot(0, window.widget(), [&window, shape, state] {
            auto* modals = new test::Modals;
            const QByteArray payload = randomBytes(shape->bytes, 1);
            modals->add([payload](QWidget* w) {
                auto* dialog = qobject_cast<BinaryDialog*>(w);
                if (!dialog)
                    return false;
                // Pasted, as a user would.
                auto* editor = dialog->findChild<QPlainTextEdit*>();
                QApplication::clipboard()->setText(QString::fromLatin1(payload.toHex()));
                const qint64 pasted = nowNs();
                editor->paste();
                report("paste_ms", double(nowNs() - pasted) / 1e6);
                dialog->accept();
                return true;
            });
            QTest::keyClicks(window.input(), QStringLiteral("AT+WRITEB=1,%1").arg(shape->bytes));
            // The log's part: from the command line's entry to the payload's.
            auto sent = std::make_shared<qint64>(0);
            QObject::connect(window.client(), &at::Client::sended, window.widget(),
                             [sent] { *sent = nowNs(); });
            QObject::connect(window.client(), &at::Client::sendedBinary, window.widget(),
                             [sent] { report("log_ms", double(nowNs() - *sent) / 1e6); });
            const qint64 before = nowNs();
            QTest::keyClick(window.input(), Qt::Key_Return);
            report("enter_ms", double(nowNs() - before) / 1e6);
        });
    } else {
        feeder.startChunks(chunk, chunks, interval);
    }
    return application.exec();
}

QList<Row> longLineRows(const Options& options) {
    const QString offscreen = QStringLiteral("offscreen");
    const Figures flood = runChild({QStringLiteral("--mode"), QStringLiteral("window-flood"),
                                    QStringLiteral("--lines"), QString::number(options.lines)},
                                   offscreen, 200000);
    const double floodPeak = flood.value(QStringLiteral("rss_peak")) / 1048576;
    std::printf("flood of %llu lines: peak memory %.0f MiB\n",
                static_cast<unsigned long long>(options.lines), floodPeak);
    QList<Row> rows;
    for (const Shape& shape : shapes) {
        if (!options.shape.isEmpty() && options.shape != QLatin1String(shape.name))
            continue;
        const int limitMs =
            int(shape.kind == 't' ? options.seconds + 150 : options.limit + 20) * 1000;
        const Figures f = runChild({QStringLiteral("--mode"), QStringLiteral("longline"),
                                    QStringLiteral("--shape"), QString::fromLatin1(shape.name),
                                    QStringLiteral("--seconds"), QString::number(options.seconds),
                                    QStringLiteral("--limit"), QString::number(options.limit)},
                                   offscreen, limitMs);
        const QString name = QString::fromLatin1(shape.name);
        // A child killed at its time limit reports nothing: its figures show as that limit.
        const bool done = f.contains(QStringLiteral("stall_ms"));
        if (!done)
            std::printf("%s: not settled within %d s\n", shape.name, limitMs / 1000);
        rows << atMost(name + QStringLiteral(", worst stall"),
                       f.value(QStringLiteral("stall_ms"), limitMs), -1, 100, QStringLiteral("ms"));
        if (shape.kind == 's') {
            // Enter returns when the dialog has closed and the client has written it all;
            // pasting into the dialog happens inside it.
            rows << Row{name + QStringLiteral(", paste into the dialog"),
                        f.value(QStringLiteral("paste_ms"), limitMs),
                        -1,
                        QStringLiteral("-"),
                        true,
                        QStringLiteral("ms")};
            rows << atMost(name + QStringLiteral(", the log's part of Enter"),
                           f.value(QStringLiteral("log_ms"), limitMs), -1, 100,
                           QStringLiteral("ms"));
            rows << Row{name + QStringLiteral(", Enter took"),
                        f.value(QStringLiteral("enter_ms"), limitMs),
                        -1,
                        QStringLiteral("-"),
                        true,
                        QStringLiteral("ms")};
        }
        if (shape.kind != 't')
            rows << Row{name + QStringLiteral(", settled after"),
                        f.value(QStringLiteral("settle_ms"), limitMs),
                        -1,
                        QStringLiteral("-"),
                        done,
                        QStringLiteral("ms")};
        const double peak = f.value(QStringLiteral("rss_peak"), -1) / 1048576;
        rows << Row{name + QStringLiteral(", peak memory"),
                    peak,
                    floodPeak,
                    QStringLiteral("<=1x flood"),
                    done && peak <= floodPeak,
                    QStringLiteral("MiB")};
    }
    return rows;
}

} // namespace bench
