#include "tools/flash/image.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

namespace flash {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Flash", text);
}

ImageResult refuse(const QString& message) {
    ImageResult result;
    result.message = message;
    return result;
}

QString tooLarge(const QString& path, const QString& size, qint64 limit) {
    return tr("the image '%1' is too large: %2 bytes, at most %3 can be sent")
        .arg(path, size)
        .arg(limit);
}

} // namespace

ImageResult loadImage(const QString& path, qint64 limit) {
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(tr("cannot read the image '%1': no such file").arg(path));
    if (info.isDir())
        return refuse(tr("cannot read the image '%1': it is a directory").arg(path));
    if (info.isFile() && info.size() > limit)
        return refuse(tooLarge(path, QString::number(info.size()), limit));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(tr("cannot read the image '%1': %2").arg(path, file.errorString()));

    QByteArray data;
    if (!file.isSequential()) {
        data = file.readAll();
    } else {
        constexpr qint64 chunk = 64 * 1024;
        for (;;) {
            const QByteArray piece = file.read(qMin(chunk, limit + 1 - data.size()));
            if (piece.isEmpty())
                break;
            data += piece;
            if (data.size() > limit)
                return refuse(tooLarge(path, tr("more than %1").arg(limit), limit));
        }
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(tr("cannot read the image '%1': %2").arg(path, file.errorString()));
    if (data.size() > limit) // the file grew between the check and the read
        return refuse(tooLarge(path, QString::number(data.size()), limit));
    if (data.isEmpty())
        return refuse(tr("the image '%1' is empty").arg(path));

    ImageResult result;
    result.code = Success;
    result.data = data;
    return result;
}

} // namespace flash
