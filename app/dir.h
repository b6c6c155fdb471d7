#pragma once

#include <QDir>
#include <QString>

// The per-user directory of the program's data files. Nothing is cached:
// every call finds the location again and creates it when missing.
namespace dir {

QDir userDir();
QString userPath();
QString filename(const QString& name);

} // namespace dir
