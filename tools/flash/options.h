#pragma once

#include "at/line.h"

#include <QString>
#include <QStringList>

namespace flash {

struct Options {
    QString port;
    QString image;
    qint32 baud = 115200;
    at::LineSettings line;
};

// Reads the arguments, program name first. -1 to go on with *options; otherwise the exit
// status once the help, the version or a usage error has been printed.
int parseArguments(const QStringList& arguments, Options* options);

} // namespace flash
