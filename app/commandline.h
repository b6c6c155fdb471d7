#pragma once

#include <QString>
#include <QStringList>

namespace app {

// What the command line asks of the program.
struct CommandLine {
    QString port;        // chosen and opened at start; empty: the remembered port, closed
    qint32 baudrate = 0; // 0: the remembered rate
    bool help = false;
    bool version = false;
};

// Reads the arguments (the program's name first); the toolkit's own options (-platform,
// -style, ...) are passed over. False with the reason in *error for an unknown option, a
// missing value, a bad rate or a second port.
bool parseCommandLine(const QStringList& arguments, CommandLine* line, QString* error);

} // namespace app
