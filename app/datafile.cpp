#include "app/datafile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace datafile {

bool read(const QString& path, QByteArray* bytes) {
    bytes->clear();
    // A device or pipe in the file's place could be endless or block forever.
    const QFileInfo info(path);
    if (!info.isFile())
        return false;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    if (info.size() > maxSize)
        return true;
    // Grows with what the file really holds, in case it grew since the check.
    while (bytes->size() <= maxSize) {
        const QByteArray chunk = file.read(qMin<qint64>(64 * 1024, maxSize + 1 - bytes->size()));
        if (chunk.isEmpty())
            break;
        bytes->append(chunk);
    }
    if (bytes->size() > maxSize)
        bytes->clear();
    return true;
}

bool write(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    // commit() alone would publish a copy cut short by a full disk or a size
    // limit: a short buffered write reports no error there, so compare what
    // reached the file before renaming it over the old one.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

} // namespace datafile
