#pragma once

#include <QDir>
#include <QFileInfo>
#include <QString>

// A template for the targets' scratch directories: in memory where possible, since
// every input writes and reads a file there.
inline QString fuzzDirTemplate() {
    const QString shm = QStringLiteral("/dev/shm");
    if (QFileInfo(shm).isDir() && QFileInfo(shm).isWritable())
        return shm + QStringLiteral("/kelvra-fuzz-XXXXXX");
    return QDir::tempPath() + QStringLiteral("/kelvra-fuzz-XXXXXX");
}
