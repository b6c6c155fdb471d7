#pragma once

#include <QByteArray>
#include <QJsonArray>
#include <QString>
#include <QStringList>

// Reading and writing the program's own small data files (history, user
// commands) so that a stray huge file cannot stall start-up, a file that was
// not read is never replaced, and a failed or interrupted write never leaves
// a truncated file behind.
namespace datafile {

// The program writes far less than this; a bigger file is not read at all.
inline constexpr qint64 maxSize = 16 * 1024 * 1024;

enum class Read {
    Loaded,  // *array holds the whole content
    Missing, // no file yet
    Refused, // a file that cannot or must not be read: too big, unreadable, not a regular
             // file, not a JSON array (a hand edit gone wrong). It must not be replaced;
             // why is told on stderr and by takeRefusals().
};

// An empty file is an empty array: it holds nothing to keep.
Read read(const QString& path, QJsonArray* array);

// One translated "... not loaded and left as it is: ..." text per file refused since the
// last call, for the window to show: a desktop launch shows no stderr.
QStringList takeRefusals();

// Replaces the file with bytes through a copy renamed over it; where the directory
// takes no new file but the file itself is writable, by writing it in place. False when
// any step fails; the old file is then left as it was (written in place, a full disk can
// cut it).
bool write(const QString& path, const QByteArray& bytes);

} // namespace datafile
