#pragma once

#include "at/line.h"
#include "tools/modsim/modem.h"

#include <QString>
#include <QStringList>

namespace modsim {

struct Options {
    Faults faults;
    int delayMs = 0;
    // Commands after which the device disappears; 0 never.
    qint64 vanishAfter = 0;
    QString link;
    QString trace;
    // The module's line; with checkLine it answers only a terminal set to the same.
    at::LineSettings line;
    bool checkLine = false;
};

// Reads the arguments, program name first. -1 to go on with *options; otherwise the exit
// status once the help, the version or a usage error has been printed.
int parseOptions(const QStringList& arguments, Options* options);

} // namespace modsim
