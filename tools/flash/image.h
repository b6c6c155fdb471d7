#pragma once

#include "tools/flash/exitcode.h"

#include <QByteArray>
#include <QString>

#include <limits>

namespace flash {

struct ImageResult {
    ExitCode code = BadImage;
    QByteArray data;
    QString message; // why it was refused; empty on success
};

// The transfer counts sizes and offsets in signed 32 bits.
constexpr qint64 maxImageSize = std::numeric_limits<qint32>::max();

// Reads the whole image. The size is checked before a byte is read, and
// streams without a size (pipes) are read only up to the limit.
ImageResult loadImage(const QString& path, qint64 limit = maxImageSize);

} // namespace flash
