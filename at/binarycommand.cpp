#include "at/binarycommand.h"

#include <QRegularExpression>
#include <QStringList>

namespace at {

BinaryCommand parseBinaryCommand(const QString& command) {
    static const QString at_writeb_key = QStringLiteral("AT+WRITEB");
    BinaryCommand result;
    if (!command.startsWith(at_writeb_key, Qt::CaseInsensitive))
        return result;
    const QStringList parts = command.split(QLatin1Char('='), Qt::KeepEmptyParts);
    if (parts.size() != 2)
        return result;
    const QStringList fields = parts.at(1).split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (fields.size() < 2)
        return result;

    const QString& sizeText = fields.at(1);
    if (!sizeText.isEmpty()) {
        bool ok = false;
        const uint size = sizeText.toUInt(&ok, 10);
        if (!ok) {
            // Digits beyond 32 bits are a size all the same, only a hopeless one.
            static const QRegularExpression digits(QStringLiteral("^[0-9]+$"));
            result.tooLarge = digits.match(sizeText).hasMatch();
            return result;
        }
        if (size > BinaryCommand::sizeLimit) {
            result.tooLarge = true;
            return result;
        }
        result.maxSize = size;
    }
    // A declared 0 would leave the payload to be taken as the start of the next command.
    result.sizeEmpty = result.maxSize == 0;
    result.valid = true;
    result.sizeAt = int(parts.at(0).size() + 1 + fields.at(0).size() + 1);
    result.sizeLength = int(sizeText.size());
    return result;
}

QString BinaryCommand::withPayload(const QString& command, qsizetype size) const {
    if (!sizeEmpty)
        return command;
    return QString(command).replace(sizeAt, sizeLength, QString::number(size));
}

} // namespace at
