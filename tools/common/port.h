#pragma once

#include "at/line.h"
#include "tools/common/exitcode.h"

#include <QSerialPort>
#include <QString>

namespace at {
class Client;
}

namespace tools {

// Opens the client's port for a tool at the given rate. Anything but Success leaves it closed,
// with the reason in *message: in use (naming the holders), no permission (and what to do
// about it), not a terminal, a rate or a line shape it does not take.
ExitCode openPort(at::Client& client, const QString& portName, qint32 baud, QString* message,
                  const at::LineSettings& line = {});

// Why the open port has failed for good (the device removed, a write refused); empty for an
// error the run survives.
QString portFailure(QSerialPort* port, QSerialPort::SerialPortError error);

} // namespace tools
