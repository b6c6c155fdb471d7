#pragma once

#include <QString>
#include <QtGlobal>

namespace at {

// The binary write command "AT+WRITEB=<index>,<size>[,<dst-addr>,<dst-port>]", in any letter
// case as the module takes it: only the size field matters, the rest passes through untouched.
struct BinaryCommand {
    // Largest payload the editor is asked for. A bigger size is no payload anyone types
    // in a dialog, and padding it with zeros would take gigabytes of memory.
    static constexpr quint32 sizeLimit = 16 * 1024 * 1024;

    // The command has the recognised form and takes the payload path.
    bool valid = false;
    // The recognised form with a decimal size above sizeLimit: sent neither as a binary
    // write nor as text, where the module would take the next lines as its payload.
    bool tooLarge = false;
    // The size field was empty or 0: the payload's length goes into it when sending.
    bool sizeEmpty = false;
    // Where the size field stands in the command, and its length.
    int sizeAt = -1;
    int sizeLength = 0;
    // Exact payload size; 0 when the size field was empty or 0 (no fixed size).
    quint32 maxSize = 0;

    // True for any text that must not reach the wire without its payload.
    bool recognised() const { return valid || tooLarge; }
    // The command as it goes out before a payload of size bytes.
    QString withPayload(const QString& command, qsizetype size) const;
};

BinaryCommand parseBinaryCommand(const QString& command);

} // namespace at
