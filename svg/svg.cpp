#include "svg/svg.h"

#include <QPainter>
#include <QSvgRenderer>

namespace svg {

QPixmap render(const QStringList& filenames, const QSize& size, const QMargins& margins) {
    if (filenames.isEmpty())
        return QPixmap();
    QPixmap pixmap(margins.left() + size.width() + margins.right(),
                   margins.top() + size.height() + margins.bottom());
    if (pixmap.isNull())
        return pixmap;
    pixmap.fill(Qt::transparent);
    const QRectF target(margins.left(), margins.top(), size.width(), size.height());
    for (const QString& filename : filenames) {
        QSvgRenderer renderer(filename);
        if (!renderer.isValid())
            return QPixmap();
        QPainter painter(&pixmap);
        renderer.render(&painter, target);
    }
    return pixmap;
}

QPixmap render(const QStringList& filenames, const QSize& size, int margin) {
    return render(filenames, size, QMargins(margin, margin, margin, margin));
}

QPixmap render(const QStringList& filenames, int width, int height, int margin) {
    return render(filenames, QSize(width, height < 0 ? width : height), margin);
}

QPixmap render(const QString& filename, const QSize& size, const QMargins& margins) {
    return render(QStringList{filename}, size, margins);
}

QPixmap render(const QString& filename, const QSize& size, int margin) {
    return render(QStringList{filename}, size, margin);
}

QPixmap render(const QString& filename, int width, int height, int margin) {
    return render(QStringList{filename}, width, height, margin);
}

} // namespace svg
