// The binary write command parser of the dispatch on arbitrary text.

#include "input/binarycommand.h"

#include <QStringList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString command = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    const BinaryCommand parsed = parseBinaryCommand(command);
    if (!parsed.valid) {
        if (parsed.sizeEmpty || parsed.maxSize != 0)
            std::abort();
        return 0;
    }

    // Only the recognised form gets this far, with a size the editor can fill.
    if (!command.startsWith(QLatin1String("AT+WRITEB")) || command.count(QLatin1Char('=')) != 1)
        std::abort();
    const QStringList fields = command.section(QLatin1Char('='), 1).split(QLatin1Char(','));
    if (fields.size() < 2)
        std::abort();
    if (parsed.maxSize > BinaryCommand::sizeLimit)
        std::abort();
    if (parsed.sizeEmpty != fields.at(1).isEmpty())
        std::abort();
    if (parsed.sizeEmpty && parsed.maxSize != 0)
        std::abort();
    // The size handed to the editor as an int must stay what was typed.
    if (int(parsed.maxSize) < 0)
        std::abort();
    if (!parsed.sizeEmpty && fields.at(1).toULongLong() != parsed.maxSize)
        std::abort();
    return 0;
}
