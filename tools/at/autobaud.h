#pragma once

#include "at/line.h"
#include "tools/common/exitcode.h"

#include <QString>

namespace atcmd {

// --baud auto: the rate the module on port answers AT at, in *rate, the line shaped as the
// steps will have it; the rate is printed.
// Anything but Success has been told on standard error.
tools::ExitCode findBaudRate(const QString& port, const at::LineSettings& line, bool toStderr,
                             qint32* rate);

} // namespace atcmd
