#pragma once

#include <QFileInfo>
#include <QTemporaryDir>

// Scratch directory in memory where possible: every input writes and syncs a file there.
inline QString fuzzDirTemplate() {
    const bool shm = QFileInfo(QStringLiteral("/dev/shm")).isWritable();
    return (shm ? QStringLiteral("/dev/shm") : QDir::tempPath()) + "/kelvra-fuzz-XXXXXX";
}
