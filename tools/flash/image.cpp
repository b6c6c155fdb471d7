#include "tools/flash/image.h"

#include "tools/common/console.h"

#include <QFile>
#include <QFileInfo>

namespace flash {

using tools::tr;

namespace {

ImageResult refuse(const QString& message) {
    ImageResult result;
    result.message = message;
    return result;
}

QString tooLarge(const QString& path, qint64 size, qint64 limit) {
    return tr("the image '%1' is too large: %2 bytes, at most %3 (%4 MiB) can be sent")
        .arg(path)
        .arg(size)
        .arg(limit)
        .arg(limit / (1024 * 1024));
}

} // namespace

ImageResult loadImage(const QString& path, qint64 limit) {
    const QFileInfo info(path);
    if (!info.exists())
        return refuse(tr("cannot read the image '%1': no such file").arg(path));
    if (info.isDir())
        return refuse(tr("cannot read the image '%1': it is a directory").arg(path));
    if (!info.isFile())
        return refuse(tr("cannot read the image '%1': not a regular file").arg(path));
    if (info.size() > limit)
        return refuse(tooLarge(path, info.size(), limit));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refuse(tr("cannot read the image '%1': %2").arg(path, file.errorString()));
    // One byte more tells a file that grew since the check.
    const QByteArray data = file.read(limit + 1);
    if (file.error() != QFileDevice::NoError)
        return refuse(tr("cannot read the image '%1': %2").arg(path, file.errorString()));
    if (data.size() > limit)
        return refuse(tooLarge(path, qMax(file.size(), qint64(data.size())), limit));
    if (data.isEmpty())
        return refuse(tr("the image '%1' is empty").arg(path));

    ImageResult result;
    result.code = tools::Success;
    result.data = data;
    return result;
}

} // namespace flash
