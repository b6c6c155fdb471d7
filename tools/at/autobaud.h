#pragma once

#include "tools/common/exitcode.h"

#include <QString>

namespace atcmd {

// --baud auto: the rate the module on port answers AT at, in *rate; the rate is printed.
// Anything but Success has been told on standard error.
tools::ExitCode findBaudRate(const QString& port, bool toStderr, qint32* rate);

} // namespace atcmd
