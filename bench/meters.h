#pragma once

// Clocks, memory and the event loop's stalls, and how a child hands its figures to the parent.

#include <QObject>
#include <QTimer>

#include <functional>

namespace bench {

qint64 nowNs();
// CPU time of the whole process (all threads), in nanoseconds.
qint64 processCpuNs();
// CPU time of the calling thread, in nanoseconds.
qint64 threadCpuNs();
qint64 maxRssBytes();
qint64 currentRssBytes();

// One figure of a child, read by the parent ("KB key value" on stdout).
void report(const char* key, double value);

// The longest gap between two ticks of a 10 ms timer: how long the event loop was kept from
// its other work. A zero-interval timer would tell it finer, but would keep a core busy and
// hide the CPU the window spends.
class StallMeter : public QObject {
public:
    static constexpr int interval_ms = 10;

    explicit StallMeter(QObject* parent);
    // tick runs at every tick, after the gap is taken.
    void start(std::function<void()> tick);
    void stop() { m_timer.stop(); }
    double worstMs() const { return double(m_worst) / 1e6; }

private:
    QTimer m_timer;
    qint64 m_last = 0;
    qint64 m_worst = 0;
    std::function<void()> m_tick;
};

} // namespace bench
