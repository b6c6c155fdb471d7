#pragma once

#include <QString>

namespace tools {

// Texts of the progress display, apart from the terminal that shows them.
namespace progress {

// "512 B", "1.5 KiB", "12.0 MiB"
QString bytes(qint64 count);
// bytes per second over the elapsed time, "--" before anything can be said
QString rate(qint64 done, qint64 elapsedMs);
// "0:07", "12:34", "1:02:03"; "--:--" when unknown
QString duration(qint64 seconds);
// whole percent, rounded down so 100 means really finished
int percent(qint64 done, qint64 total);
// seconds left at the average rate so far, -1 when unknown
qint64 secondsLeft(qint64 done, qint64 total, qint64 elapsedMs);

// One terminal line of at most width columns:
// "[#####-----]  524288/1048576 B  50%  12.3 KiB/s  0:42 left"
QString bar(qint64 done, qint64 total, qint64 elapsedMs, int width);

// The line printed each time a new tenth is reached when not on a terminal:
// " 50%  524288 of 1048576 bytes"
QString step(qint64 done, qint64 total);

// The tenth (0 to 10) that done has reached.
int tenth(qint64 done, qint64 total);

} // namespace progress
} // namespace tools
