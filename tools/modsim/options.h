#pragma once

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
};

// Reads the arguments, program name first. -1 to go on with *options; otherwise the exit
// status once the help, the version or a usage error has been printed.
int parseOptions(const QStringList& arguments, Options* options);

} // namespace modsim
