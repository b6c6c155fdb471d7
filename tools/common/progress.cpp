#include "tools/common/progress.h"

#include "tools/common/console.h"

namespace tools::progress {

QString bytes(qint64 count) {
    if (count < 1024)
        return QStringLiteral("%1 B").arg(count);
    const char* units[] = {"KiB", "MiB", "GiB"};
    double value = double(count) / 1024.0;
    int unit = 0;
    while (value >= 1024.0 && unit < 2) {
        value /= 1024.0;
        ++unit;
    }
    return QStringLiteral("%1 %2").arg(value, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString rate(qint64 done, qint64 elapsedMs) {
    if (elapsedMs <= 0 || done <= 0)
        return QStringLiteral("-- B/s");
    return bytes(done * 1000 / elapsedMs) + QStringLiteral("/s");
}

QString duration(qint64 seconds) {
    if (seconds < 0)
        return QStringLiteral("--:--");
    const qint64 h = seconds / 3600;
    const qint64 m = seconds / 60 % 60;
    const qint64 s = seconds % 60;
    if (h > 0)
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QLatin1Char('0'))
            .arg(s, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}

int percent(qint64 done, qint64 total) {
    if (total <= 0)
        return 100;
    done = qBound<qint64>(0, done, total);
    // totals stay below 2^31, so the product fits in 64 bits
    return int(done * 100 / total);
}

qint64 secondsLeft(qint64 done, qint64 total, qint64 elapsedMs) {
    if (done >= total)
        return 0;
    if (done <= 0 || elapsedMs <= 0)
        return -1;
    const qint64 leftMs = (total - done) * elapsedMs / done;
    return (leftMs + 999) / 1000;
}

int tenth(qint64 done, qint64 total) {
    return percent(done, total) / 10;
}

QString bar(qint64 done, qint64 total, qint64 elapsedMs, int width) {
    // Fixed field widths keep the bar from jumping as the figures change.
    const int digits = int(QString::number(qMax<qint64>(total, 0)).size());
    const QString figures =
        QStringLiteral("  %1/%2 B  %3%  %4  %5")
            .arg(qBound<qint64>(0, done, qMax<qint64>(total, 0)), digits)
            .arg(total)
            .arg(percent(done, total), 3)
            .arg(rate(done, elapsedMs), 11)
            .arg(tr("%1 left").arg(duration(secondsLeft(done, total, elapsedMs)), 5));
    // The bar takes what is left of the line, but never fewer than 10 cells.
    const int cells = qMax(10, width - int(figures.size()) - 2);
    const int filled = total <= 0 ? cells : int(qBound<qint64>(0, done, total) * cells / total);
    QString line = QLatin1Char('[') + QString(filled, QLatin1Char('#')) +
                   QString(cells - filled, QLatin1Char('-')) + QLatin1Char(']') + figures;
    if (line.size() > width && width > 0)
        line.truncate(width);
    return line;
}

QString step(qint64 done, qint64 total) {
    return tr("%1%  %2 of %3 bytes").arg(percent(done, total), 3).arg(done).arg(total);
}

} // namespace tools::progress
