#pragma once

#include <QString>
#include <QtGlobal>

// The binary write command "AT+WRITEB=<index>,<size>[,<dst-addr>,<dst-port>]" as the
// dispatch reads it: only the size field matters, the rest passes through untouched.
struct BinaryCommand {
    // Largest payload the editor is asked for. A bigger size is no payload anyone types
    // in a dialog, and padding it with zeros would take gigabytes of memory, so such a
    // command is not taken as a binary write and goes out as plain text, like any
    // other size the dispatch cannot read.
    static constexpr quint32 sizeLimit = 16 * 1024 * 1024;

    // The command has the recognised form and takes the payload path.
    bool valid = false;
    // The size field was empty: the payload's length is appended when sending.
    bool sizeEmpty = false;
    // Exact payload size; 0 when the size field was empty or 0 (no fixed size).
    quint32 maxSize = 0;
};

BinaryCommand parseBinaryCommand(const QString& command);
