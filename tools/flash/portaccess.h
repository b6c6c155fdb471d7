#pragma once

#include <QString>
#include <QStringList>

namespace flash {

// What to do about a port that cannot be opened for lack of rights: names
// the group that owns the device and how to join it. Empty when the device
// cannot be examined.
QString permissionHint(const QString& portPath);

// Whether this process's rights let it read and write the device; a refusal then comes
// from another program holding it.
bool mayAccess(const QString& portPath);

// The other processes that have the device open, each as "PID 123 (command)". Processes of
// other users stay hidden unless this one runs as root.
QStringList portHolders(const QString& portPath);

} // namespace flash
