#pragma once

#include <QString>
#include <QStringList>

namespace flash {

struct Options {
    QString port;
    QString image;
    qint32 baud = 115200;
};

// What the command line asks for; on Error the message says why.
enum class Request { Run, Help, Version, Error };

struct ParseResult {
    Request request = Request::Error;
    Options options;
    QString message;
};

// Reads the arguments, program name first; does not print or exit.
ParseResult parseArguments(const QStringList& arguments);

QString helpText();
QString versionText();

} // namespace flash
