#include "tools/at/report.h"

#include "tools/common/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace atcmd {

namespace {

// Printable on a terminal: control characters (an escape would drive it) as \r, \n, \xNN.
QString text(const QByteArray& data) {
    QString out;
    for (const QChar c : QString::fromUtf8(data)) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

QString binary(const QByteArray& data) {
    return QStringLiteral("hex[%1]{%2}\n   str{%3}")
        .arg(QString::number(data.size()), QString::fromLatin1(data.toHex()), text(data));
}

QString lineOf(const QByteArray& sent) {
    QByteArray line = sent;
    if (line.endsWith('\n'))
        line.chop(1);
    if (line.endsWith('\r'))
        line.chop(1);
    return QString::fromLocal8Bit(line);
}

} // namespace

void Report::traffic(const QString& line) {
    if (!m_json && !m_quiet)
        tools::print(stdout, line + QLatin1Char('\n'));
}

void Report::sent(const QByteArray& line) {
    traffic(QStringLiteral("<< ") + lineOf(line));
}

void Report::sentBinary(const QByteArray& data) {
    traffic(QStringLiteral("<< ") + binary(data));
}

void Report::received(const QString& line, bool unsolicited) {
    traffic(QStringLiteral(">> ") + line +
            (unsolicited ? QStringLiteral("  (unsolicited)") : QString()));
}

void Report::receivedBinary(const QByteArray& data) {
    traffic(QStringLiteral(">> ") + binary(data));
}

void Report::ended(const Record& record) {
    if (!m_json)
        return;
    static const char* const statuses[] = {"ok", "error", "timeout", "port failed", "cancelled"};
    QJsonObject object;
    if (record.number > 0) {
        object[QStringLiteral("step")] = record.number;
        if (record.step.kind == Step::Wait) {
            object[QStringLiteral("wait")] = record.step.text;
        } else {
            object[QStringLiteral("command")] = record.step.text;
            if (!record.step.payload.isEmpty())
                object[QStringLiteral("payload")] =
                    QString::fromLatin1(record.step.payload.toHex());
            object[QStringLiteral("echo")] = record.echo;
        }
        object[QStringLiteral("answer")] = QJsonArray::fromStringList(record.answer);
    }
    object[QStringLiteral("unsolicited")] = QJsonArray::fromStringList(record.unsolicited);
    QJsonArray blocks;
    for (const QByteArray& block : record.blocks)
        blocks.append(QJsonObject{{QStringLiteral("hex"), QString::fromLatin1(block.toHex())},
                                  {QStringLiteral("text"), QString::fromUtf8(block)}});
    object[QStringLiteral("blocks")] = blocks;
    if (record.number > 0) {
        object[QStringLiteral("result")] =
            record.result.isNull() ? QJsonValue() : QJsonValue(record.result);
        object[QStringLiteral("status")] = QLatin1String(statuses[record.status]);
        object[QStringLiteral("ms")] = record.ms;
    }
    tools::print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
                             QLatin1Char('\n'));
}

} // namespace atcmd
