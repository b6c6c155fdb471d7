#pragma once

#include <QByteArray>
#include <QString>

// Reading and writing the program's own small data files (history, user
// commands) so that a stray huge file cannot stall start-up and a failed or
// interrupted write never leaves a truncated file behind.
namespace datafile {

// The program writes far less than this; a bigger file is not read at all.
inline constexpr qint64 maxSize = 16 * 1024 * 1024;

// False when the path is not a regular file that can be opened for reading.
// Otherwise true, with *bytes holding the content, or empty when the file
// is larger than maxSize.
bool read(const QString& path, QByteArray* bytes);

// Replaces the file with bytes through a copy renamed over it. False when
// any step fails; the old file is then left as it was.
bool write(const QString& path, const QByteArray& bytes);

} // namespace datafile
