#include "app/datafile.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QMap>
#include <QSaveFile>

#include <utility>

namespace datafile {

namespace {

// By path, so that a file read again and again (tests, fuzzing) is told once.
QMap<QString, QString>& refusals() {
    static QMap<QString, QString> texts;
    return texts;
}

Read refuse(const QString& path, const QString& why) {
    const QString text =
        QCoreApplication::translate("datafile", "%1 not loaded and left as it is: %2")
            .arg(path, why);
    qWarning().noquote() << text;
    refusals().insert(path, text);
    return Read::Refused;
}

QString tooLarge() {
    return QCoreApplication::translate("datafile", "larger than %1 bytes").arg(maxSize);
}

} // namespace

Read read(const QString& path, QJsonArray* array) {
    *array = QJsonArray();
    const QFileInfo info(path);
    if (!info.exists())
        return Read::Missing;
    // A device or pipe in the file's place could be endless or block forever.
    if (!info.isFile())
        return refuse(path, QCoreApplication::translate("datafile", "not a regular file"));
    if (info.size() > maxSize)
        return refuse(path, tooLarge());
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(path, file.errorString());
    // Grows with what the file really holds, in case it grew since the check.
    QByteArray bytes;
    while (bytes.size() <= maxSize) {
        const QByteArray chunk = file.read(qMin<qint64>(64 * 1024, maxSize + 1 - bytes.size()));
        if (chunk.isEmpty())
            break;
        bytes.append(chunk);
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(path, file.errorString());
    if (bytes.size() > maxSize)
        return refuse(path, tooLarge());
    if (bytes.trimmed().isEmpty())
        return Read::Loaded;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError)
        return refuse(path,
                      QCoreApplication::translate("datafile", "not a JSON array (%1 at byte %2)")
                          .arg(error.errorString())
                          .arg(error.offset));
    if (!document.isArray())
        return refuse(path, QCoreApplication::translate("datafile", "not a JSON array"));
    *array = document.array();
    return Read::Loaded;
}

QStringList takeRefusals() {
    return std::exchange(refusals(), {}).values();
}

bool write(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    // Only where the directory refuses the copy (EACCES): a read-only directory of a user
    // who may still change the file.
    file.setDirectWriteFallback(true);
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
