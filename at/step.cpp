#include "at/step.h"

#include "at/binarycommand.h"

#include <QCoreApplication>

#include <limits>

namespace at {

namespace {

QRegularExpression glob(const QString& pattern) {
    QString expression;
    for (const QChar c : pattern) {
        if (c == QLatin1Char('*'))
            expression += QStringLiteral(".*");
        else if (c == QLatin1Char('?'))
            expression += QLatin1Char('.');
        else
            expression += QRegularExpression::escape(QString(c));
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(expression),
                              QRegularExpression::DotMatchesEverythingOption);
}

bool parseWait(const QString& rest, int timeoutMs, Step* step, QString* error) {
    QString pattern = rest.trimmed();
    const qsizetype space = pattern.indexOf(QLatin1Char(' '));
    int ms = 0;
    // "2sec" is no time of ours, and no line anyone waits for either.
    static const QRegularExpression time(QStringLiteral("^[0-9]+[A-Za-z]+$"));
    if (space > 0 && time.match(pattern.left(space)).hasMatch()) {
        if (!parseDuration(pattern.left(space), &ms, true)) {
            *error = QCoreApplication::translate("at",
                                                 "invalid time '%1': expected e.g. 800ms, 5s, 2min")
                         .arg(pattern.left(space));
            return false;
        }
        timeoutMs = ms;
        pattern = pattern.mid(space + 1).trimmed();
    }
    if (pattern.isEmpty()) {
        *error = QCoreApplication::translate("at", "a wait needs a pattern: wait [TIME] PATTERN");
        return false;
    }
    step->kind = Step::Wait;
    step->text = pattern;
    step->pattern = glob(pattern);
    step->timeoutMs = timeoutMs;
    return true;
}

// The binary write's command, its payload given in hex behind it.
bool parseWrite(const QString& text, const at::BinaryCommand& binary, Step* step, QString* error) {
    const qsizetype space = text.indexOf(QLatin1Char(' '));
    QString hex = space < 0 ? QString() : text.mid(space + 1);
    hex.remove(QLatin1Char(' '));
    const QByteArray payload = QByteArray::fromHex(hex.toLatin1());
    static const QRegularExpression digits(QStringLiteral("^([0-9A-Fa-f]{2})+$"));
    if (hex.isEmpty()) {
        *error = QCoreApplication::translate(
            "at", "a binary write needs its payload in hex: AT+WRITEB=<index>,<size> HEX");
        return false;
    }
    if (!digits.match(hex).hasMatch()) {
        *error = QCoreApplication::translate(
                     "at", "the payload '%1' is not hex: two digits 0-9, A-F for each byte")
                     .arg(text.mid(space + 1));
        return false;
    }
    if (payload.size() > qsizetype(at::BinaryCommand::sizeLimit)) {
        *error = QCoreApplication::translate("at", "a binary write carries at most %1 bytes")
                     .arg(at::BinaryCommand::sizeLimit);
        return false;
    }
    const QString command = text.left(space);
    // As the window does: an empty or 0 size field takes the payload's length.
    if (!binary.sizeEmpty && binary.maxSize != quint32(payload.size())) {
        *error =
            QCoreApplication::translate("at", "the command announces %1 bytes, the payload has %2")
                .arg(binary.maxSize)
                .arg(payload.size());
        return false;
    }
    step->text = binary.withPayload(command, payload.size());
    step->payload = payload;
    return true;
}

} // namespace

bool parseDuration(const QString& text, int* ms, bool unitRequired) {
    static const QRegularExpression form(QStringLiteral("^([0-9]{1,9})(ms|s|min)?$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch() || (unitRequired && m.captured(2).isEmpty()))
        return false;
    const qint64 unit = m.captured(2) == QLatin1String("s")     ? 1000
                        : m.captured(2) == QLatin1String("min") ? 60000
                                                                : 1;
    const qint64 value = m.captured(1).toLongLong() * unit;
    if (value < 1 || value > std::numeric_limits<int>::max())
        return false;
    *ms = int(value);
    return true;
}

bool parseStep(const QString& text, int timeoutMs, Step* step, QString* error) {
    *step = Step();
    step->timeoutMs = timeoutMs;
    if (text.trimmed().isEmpty()) {
        *error = QCoreApplication::translate("at", "an empty command");
        return false;
    }
    if (text == QLatin1String("wait") || text.startsWith(QLatin1String("wait ")))
        return parseWait(text.mid(4), timeoutMs, step, error);
    const at::BinaryCommand binary = at::parseBinaryCommand(text.section(QLatin1Char(' '), 0, 0));
    if (binary.tooLarge) {
        *error = QCoreApplication::translate("at", "a binary write carries at most %1 bytes")
                     .arg(at::BinaryCommand::sizeLimit);
        return false;
    }
    if (binary.valid)
        return parseWrite(text, binary, step, error);
    step->text = text;
    return true;
}

} // namespace at
