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
    bool help = false;
};

// Reads the command line (without the program name). On failure returns false and puts a
// message for the user into *error.
bool parseOptions(const QStringList& args, Options* options, QString* error);

QString helpText();

} // namespace modsim
