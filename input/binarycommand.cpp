#include "input/binarycommand.h"

#include <QStringList>

BinaryCommand parseBinaryCommand(const QString& command) {
    static const QString at_writeb_key = QStringLiteral("AT+WRITEB");
    BinaryCommand result;
    if (!command.startsWith(at_writeb_key, Qt::CaseSensitive))
        return result;
    const QStringList parts = command.split(QLatin1Char('='), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return result;
    const QStringList fields = parts.at(1).split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (fields.size() < 2)
        return result;

    const QString& sizeText = fields.at(1);
    if (sizeText.isEmpty()) {
        result.sizeEmpty = true;
    } else {
        bool ok = false;
        const uint size = sizeText.toUInt(&ok, 10);
        if (!ok || size > BinaryCommand::sizeLimit)
            return result;
        result.maxSize = size;
    }
    result.valid = true;
    return result;
}
