#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing the program's own small data files (history, user
// commands) so that a stray huge file cannot stall start-up, a file that was
// not read is never replaced, and a failed or interrupted write never leaves
// a truncated file behind.
namespace datafile {

// The program writes far less than this; a bigger file is not read at all.
inline constexpr qint64 maxSize = 16 * 1024 * 1024;

enum class Read {
    Loaded,  // *bytes holds the whole content
    Missing, // no file yet
    Refused, // a file that cannot or must not be read: too big, unreadable, not a
             // regular file. Why is told on stderr; it must not be replaced.
};

Read read(const QString& path, QByteArray* bytes);

// Replaces the file with bytes through a copy renamed over it. False when
// any step fails; the old file is then left as it was.
bool write(const QString& path, const QByteArray& bytes);

} // namespace datafile
