#pragma once

#include <QString>

// One definition of the version for every program of the project; Qt Core
// only, so the command-line tools can use it without widgets.
namespace app::versionNumber {

constexpr int major = 1;
constexpr int minor = 0;
constexpr int patch = 0;
constexpr int build = 4;

inline QString text() {
    return QStringLiteral("%1.%2.%3 build %4").arg(major).arg(minor).arg(patch).arg(build);
}

} // namespace app::versionNumber
