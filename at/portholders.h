#pragma once

#include <QString>
#include <QStringList>

namespace at {

// The path the serial port opens for a name: a path as it stands, a bare name under /dev
// ("pts/0", "ttyUSB0"). Empty for an empty name.
QString portLocation(const QString& portName);

// The device file at portLocation, links followed. Empty when there is no such file.
QString devicePath(const QString& portName);

// The other processes that have the port's device open, each as "PID 123 (command)". Left
// out: this process, and the device's own side of a pseudo-terminal (whoever holds its
// master: the module's simulator or a test's peer). Processes of other users stay hidden
// unless this one runs as root.
QStringList portHolders(const QString& portName);

} // namespace at
