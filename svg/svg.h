#pragma once

#include <QMargins>
#include <QPixmap>
#include <QSize>
#include <QString>
#include <QStringList>

// SVG files drawn into a transparent pixmap; several files stack, first
// at the bottom. Any file that is not valid SVG gives a null pixmap.
namespace svg {

QPixmap render(const QStringList& filenames, const QSize& size, const QMargins& margins);
QPixmap render(const QStringList& filenames, const QSize& size, int margin = 0);
QPixmap render(const QStringList& filenames, int width, int height = -1, int margin = 0);
QPixmap render(const QString& filename, const QSize& size, const QMargins& margins);
QPixmap render(const QString& filename, const QSize& size, int margin = 0);
QPixmap render(const QString& filename, int width, int height = -1, int margin = 0);

} // namespace svg
