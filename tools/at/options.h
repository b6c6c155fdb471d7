#pragma once

#include "at/line.h"
#include "at/step.h"

#include <QList>
#include <QString>

namespace atcmd {

struct Options {
    QString port;
    qint32 baud = 115200;
    at::LineSettings line;
    at::LineEnding lineEnding = at::LineEnding::CrLf;
    // --baud auto: the rate is found before the steps run.
    bool autoBaud = false;
    int timeoutMs = 5000;
    bool json = false;
    bool keepGoing = false;
    bool quiet = false;
    // The traffic as hex rows, every byte as it went and came.
    bool hex = false;
    // Empty: the steps come from standard input.
    QList<at::Step> steps;
};

// Reads the arguments, program name first. -1 to go on with *options; otherwise the exit
// status once the help, the version or a usage error has been printed.
int parseArguments(const QStringList& arguments, Options* options);

} // namespace atcmd
