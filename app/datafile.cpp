#include "app/datafile.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace datafile {

namespace {

Read refuse(const QString& path, const QString& why) {
    qWarning().noquote() << QStringLiteral("%1 not loaded and left as it is: %2").arg(path, why);
    return Read::Refused;
}

} // namespace

Read read(const QString& path, QByteArray* bytes) {
    bytes->clear();
    const QFileInfo info(path);
    if (!info.exists())
        return Read::Missing;
    // A device or pipe in the file's place could be endless or block forever.
    if (!info.isFile())
        return refuse(path, QStringLiteral("not a regular file"));
    if (info.size() > maxSize)
        return refuse(path, QStringLiteral("larger than %1 bytes").arg(maxSize));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(path, file.errorString());
    // Grows with what the file really holds, in case it grew since the check.
    while (bytes->size() <= maxSize) {
        const QByteArray chunk = file.read(qMin<qint64>(64 * 1024, maxSize + 1 - bytes->size()));
        if (chunk.isEmpty())
            break;
        bytes->append(chunk);
    }
    if (file.error() != QFileDevice::NoError) {
        bytes->clear();
        return refuse(path, file.errorString());
    }
    if (bytes->size() > maxSize) {
        bytes->clear();
        return refuse(path, QStringLiteral("larger than %1 bytes").arg(maxSize));
    }
    return Read::Loaded;
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
