#pragma once

#include <QString>
#include <QStringList>

namespace at {

// The path the serial port opens for a name: a path as it stands, a bare name under /dev
// ("pts/0", "ttyUSB0"). Empty for an empty name.
QString portLocation(const QString& portName);

// The device file at portLocation, links followed. Empty when there is no such file.
QString devicePath(const QString& portName);

// Why the port's path cannot be a serial port ("/dev/null is not a terminal", "... is a
// directory"), naming the path it was looked up as; empty when it may be one (a terminal, or
// nothing there: opening it says so).
QString notTerminal(const QString& portName);

// The other processes that have the port's device open, each as "PID 123 (command)". Left
// out: this process and its ancestors (flock, a shell holding the port for this process), and
// the device's own side of a pseudo-terminal (whoever holds its master: the module's
// simulator or a test's peer). Processes of other users stay hidden unless this one runs as
// root.
QStringList portHolders(const QString& portName);

} // namespace at
