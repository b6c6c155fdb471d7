#include "tools/at/report.h"

#include "at/hexdump.h"
#include "tools/common/console.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringList>

namespace atcmd {

namespace {

// UTF-8 with each byte that is not part of it as U+DC80..U+DCFF, which JSON carries as \udc80..
// \udcff: a reader gets the bytes back as Python's "surrogateescape" does.
QString lossless(const QByteArray& data) {
    QString out;
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData());
    const qsizetype n = data.size();
    for (qsizetype i = 0; i < n;) {
        const unsigned char b = p[i];
        int length = b < 0x80                 ? 1
                     : b >= 0xc2 && b <= 0xdf ? 2
                     : b >= 0xe0 && b <= 0xef ? 3
                     : b >= 0xf0 && b <= 0xf4 ? 4
                                              : 0;
        char32_t code = length == 1   ? b
                        : length == 2 ? b & 0x1f
                        : length == 3 ? b & 0x0f
                                      : b & 0x07;
        for (int k = 1; k < length; ++k) {
            if (i + k >= n || (p[i + k] & 0xc0) != 0x80) {
                length = 0;
                break;
            }
            code = (code << 6) | (p[i + k] & 0x3f);
        }
        // Overlong forms, surrogates and code points beyond Unicode are no UTF-8 either.
        if ((length == 3 && (code < 0x800 || (code >= 0xd800 && code <= 0xdfff))) ||
            (length == 4 && (code < 0x10000 || code > 0x10ffff)))
            length = 0;
        if (length == 0) {
            out += QChar(0xdc00 + b);
            ++i;
            continue;
        }
        out += QString::fromUcs4(&code, 1);
        i += length;
    }
    return out;
}

QStringList lossless(const QList<QByteArray>& lines) {
    QStringList out;
    for (const QByteArray& line : lines)
        out.append(lossless(line));
    return out;
}

QString binary(const QByteArray& data) {
    return QStringLiteral("hex[%1]{%2}\n   str{%3}")
        .arg(QString::number(data.size()), QString::fromLatin1(data.toHex()), printable(data));
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

QString printable(const QByteArray& data) {
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
        // C1 controls, which some terminals obey, and the marks that reorder what they show.
        else if ((c.unicode() >= 0x80 && c.unicode() < 0xa0) ||
                 (c.unicode() >= 0x202a && c.unicode() <= 0x202e) ||
                 (c.unicode() >= 0x2066 && c.unicode() <= 0x2069))
            out += QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
        else
            out += c;
    }
    return out;
}

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

void Report::received(const QByteArray& line, at::Exchange::Role role) {
    // The module's echo of the command says nothing new.
    if (role == at::Exchange::Echo)
        return;
    traffic(QStringLiteral(">> ") + printable(line) +
            (role == at::Exchange::Unsolicited ? QStringLiteral("  (unsolicited)")
             : role == at::Exchange::Late      ? QStringLiteral("  (late)")
                                               : QString()));
}

void Report::receivedBinary(const QByteArray& data) {
    traffic(QStringLiteral(">> ") + binary(data));
}

void Report::hexRows(const QString& prefix, const QByteArray& data) {
    traffic(prefix + at::hexText(data, QString(prefix.size(), u' ')).chopped(1));
}

void Report::ended(const at::StepRecord& record) {
    if (!m_json)
        return;
    static const char* const statuses[] = {"ok",          "error",     "timeout",
                                           "port failed", "cancelled", "refused"};
    QJsonObject object;
    if (record.number > 0) {
        object[QStringLiteral("step")] = record.number;
        if (record.step.kind == at::Step::Wait) {
            object[QStringLiteral("wait")] = record.step.text;
        } else if (record.step.kind == at::Step::Control) {
            object[QStringLiteral("line")] = record.step.text;
        } else {
            object[QStringLiteral("command")] = record.step.text;
            if (!record.step.payload.isEmpty())
                object[QStringLiteral("payload")] =
                    QString::fromLatin1(record.step.payload.toHex());
            object[QStringLiteral("echo")] = record.echo;
        }
        object[QStringLiteral("answer")] = QJsonArray::fromStringList(lossless(record.answer));
    }
    // Only where a command timed out and its answer came after all.
    if (!record.late.isEmpty())
        object[QStringLiteral("late")] = QJsonArray::fromStringList(lossless(record.late));
    object[QStringLiteral("unsolicited")] =
        QJsonArray::fromStringList(lossless(record.unsolicited));
    QJsonArray blocks;
    for (const QByteArray& block : record.blocks)
        blocks.append(QJsonObject{{QStringLiteral("hex"), QString::fromLatin1(block.toHex())},
                                  {QStringLiteral("text"), lossless(block)}});
    object[QStringLiteral("blocks")] = blocks;
    if (record.number > 0) {
        object[QStringLiteral("result")] =
            record.result.isEmpty() ? QJsonValue() : QJsonValue(lossless(record.result));
        object[QStringLiteral("status")] = QLatin1String(statuses[record.status]);
        if (!record.failure.isEmpty())
            object[QStringLiteral("failure")] = record.failure;
        object[QStringLiteral("ms")] = record.ms;
    }
    tools::print(stdout, QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact)) +
                             QLatin1Char('\n'));
}

} // namespace atcmd
