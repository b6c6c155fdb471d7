#pragma once

#include <QString>

namespace flash {

// What to do about a port that cannot be opened for lack of rights: names
// the group that owns the device and how to join it. Empty when the device
// cannot be examined.
QString permissionHint(const QString& portPath);

} // namespace flash
