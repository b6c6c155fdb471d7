#include "app/dir.h"

#include <QStandardPaths>

namespace dir {

QDir userDir() {
    QDir dir(QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    if (!dir.exists())
        dir.mkpath(dir.absolutePath()); // a failure shows when the caller opens a file there
    return dir;
}

QString userPath() {
    return userDir().absolutePath();
}

QString filename(const QString& name) {
    return userDir().absoluteFilePath(name);
}

} // namespace dir
