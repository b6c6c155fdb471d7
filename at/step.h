#pragma once

#include <QByteArray>
#include <QRegularExpression>
#include <QString>

namespace at {

// One thing to do on the line, as written on the command line or in a line of input.
struct Step {
    // The line's control steps (dtr, rts, pulse) would join as kinds of their own.
    enum Kind { Command, Wait, Invalid };
    Kind kind = Command;
    // Command: the line as sent (a binary write's size filled in). Wait: the pattern as
    // written. Invalid: why the step cannot run.
    QString text;
    QByteArray payload; // a binary write's bytes
    QRegularExpression pattern;
    int timeoutMs = 0;
};

// "AT...": a command; "AT+WRITEB=<index>,<size>[,...] HEX": a binary write with its payload;
// "wait [TIME] PATTERN": an unsolicited line that matches PATTERN (* any run of characters,
// ? one) as a whole; a first word of digits and letters is a TIME. False with the reason in
// *error.
bool parseStep(const QString& text, int timeoutMs, Step* step, QString* error);

// "250", "250ms", "5s", "2min" in milliseconds, at least 1; false for anything else.
bool parseDuration(const QString& text, int* ms, bool unitRequired = false);

} // namespace at
