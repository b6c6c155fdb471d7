#include "bench/meters.h"

#include <QFile>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include <sys/resource.h>
#include <unistd.h>

namespace bench {

namespace {
qint64 clockNs(clockid_t clock) {
    timespec ts{};
    clock_gettime(clock, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}
} // namespace

qint64 nowNs() {
    return clockNs(CLOCK_MONOTONIC);
}

qint64 processCpuNs() {
    return clockNs(CLOCK_PROCESS_CPUTIME_ID);
}

qint64 threadCpuNs() {
    return clockNs(CLOCK_THREAD_CPUTIME_ID);
}

qint64 maxRssBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

qint64 currentRssBytes() {
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return -1;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields.at(1).toLongLong() * sysconf(_SC_PAGESIZE) : -1;
}

void report(const char* key, double value) {
    std::printf("KB %s %.6g\n", key, value);
    std::fflush(stdout);
}

StallMeter::StallMeter(QObject* parent)
    : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(interval_ms);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const qint64 now = nowNs();
        m_worst = std::max(m_worst, now - m_last);
        m_last = now;
        if (m_tick)
            m_tick();
    });
}

void StallMeter::start(std::function<void()> tick) {
    m_tick = std::move(tick);
    m_last = nowNs();
    m_timer.start();
}

} // namespace bench
