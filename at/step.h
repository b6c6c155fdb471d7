#pragma once

#include "at/line.h"

#include <QByteArray>
#include <QList>
#include <QRegularExpression>
#include <QString>

namespace at {

// One thing to do on the line, as written on the command line or in a line of input.
struct Step {
    enum Kind { Command, Wait, Control, Invalid };
    Kind kind = Command;
    // Command: the line as sent (a binary write's size filled in). Wait: the pattern as
    // written. Control: the step in its plain form ("dtr on", "pulse dtr,rts 100ms").
    // Invalid: why the step cannot run.
    QString text;
    // Control: the lines, in order, set to on or, with pulseMs, inverted for that long.
    QList<ControlLine> lines;
    bool on = false;
    int pulseMs = 0;
    QByteArray payload; // a binary write's bytes
    QRegularExpression pattern;
    int timeoutMs = 0;
};

// "AT...": a command; "AT+WRITEB=<index>,<size>[,...] HEX": a binary write with its payload;
// "wait [TIME] PATTERN": an unsolicited line that matches PATTERN (* any run of characters,
// ? one) as a whole; a first word of digits and letters is a TIME; "dtr on|off", "rts on|off":
// a control line set; "pulse LINE[,LINE] TIME": the lines inverted, in order, and back after
// TIME, the last first. False with the reason in *error.
bool parseStep(const QString& text, int timeoutMs, Step* step, QString* error);

// "250", "250ms", "5s", "2min" in milliseconds, at least 1; false for anything else.
bool parseDuration(const QString& text, int* ms, bool unitRequired = false);

} // namespace at
