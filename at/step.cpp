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

bool parseLines(const QString& text, QList<ControlLine>* lines) {
    for (const QString& name : text.split(QLatin1Char(','))) {
        ControlLine line = ControlLine::Dtr;
        if (name.compare(QLatin1String("dtr"), Qt::CaseInsensitive) == 0)
            line = ControlLine::Dtr;
        else if (name.compare(QLatin1String("rts"), Qt::CaseInsensitive) == 0)
            line = ControlLine::Rts;
        else
            return false;
        if (lines->contains(line))
            return false;
        lines->append(line);
    }
    return true;
}

// "dtr on", "RTS off", "pulse dtr,rts 100ms".
bool parseControl(const QStringList& words, Step* step, QString* error) {
    const bool pulse = words.first().compare(QLatin1String("pulse"), Qt::CaseInsensitive) == 0;
    if (pulse) {
        if (words.size() != 3 || !parseLines(words.at(1), &step->lines) ||
            !parseDuration(words.at(2), &step->pulseMs)) {
            *error = QCoreApplication::translate(
                "at",
                "a pulse is written pulse dtr|rts|dtr,rts|rts,dtr TIME, e.g. pulse dtr 100ms");
            return false;
        }
    } else {
        const QString level = words.size() == 2 ? words.at(1).toLower() : QString();
        if ((level != QLatin1String("on") && level != QLatin1String("off")) ||
            !parseLines(words.first(), &step->lines)) {
            *error = QCoreApplication::translate("at", "a control line is set with dtr on|off or "
                                                       "rts on|off");
            return false;
        }
        step->on = level == QLatin1String("on");
    }
    QStringList names;
    for (const ControlLine line : std::as_const(step->lines))
        names << controlLineName(line).toLower();
    step->kind = Step::Control;
    step->text =
        pulse ? QStringLiteral("pulse %1 %2ms").arg(names.join(QLatin1Char(','))).arg(step->pulseMs)
              : QStringLiteral("%1 %2").arg(names.constFirst(), step->on ? QStringLiteral("on")
                                                                         : QStringLiteral("off"));
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
    // No command of the module begins so: commands begin with AT.
    const QStringList words = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    static const QRegularExpression control(QStringLiteral("^(dtr|rts|pulse)$"),
                                            QRegularExpression::CaseInsensitiveOption);
    if (control.match(words.first()).hasMatch())
        return parseControl(words, step, error);
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
