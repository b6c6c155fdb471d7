#pragma once

#include "at/firmware.h"
#include "tools/common/exitcode.h"

#include <QByteArray>
#include <QString>

namespace flash {

struct ImageResult {
    tools::ExitCode code = tools::BadImage;
    QByteArray data;
    QString message; // why it was refused; empty on success
};

// Reads the whole image: a regular file (a device or a pipe could be read for ever, swapped
// arguments would read the serial port) whose size is checked before a byte is read.
ImageResult loadImage(const QString& path, qint64 limit = at::maxFirmwareSize);

} // namespace flash
