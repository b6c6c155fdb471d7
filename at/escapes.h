#pragma once

#include <QByteArray>
#include <QString>

namespace at {

// A typed command with \r, \n, \t, \\ and \xHH standing for their bytes; the rest goes out in
// the local 8-bit encoding as a typed line does.
struct Unescaped {
    QByteArray bytes;
    // Index of the backslash that starts an escape this does not know; -1 when all is well.
    qsizetype errorAt = -1;
    bool ok() const { return errorAt < 0; }
};

// A half escape is refused rather than guessed at: \x4 might mean 0x04 or the start of 0x4n,
// and a stray backslash at the end is most likely a typo.
Unescaped unescape(const QString& text);

} // namespace at
