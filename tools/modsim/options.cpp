#include "tools/modsim/options.h"

#include "tools/common/cli.h"
#include "tools/common/console.h"

namespace modsim {

namespace {

bool toCount(const QString& text, qint64 min, qint64 max, qint64* out) {
    if (text.isEmpty())
        return false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    }
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    if (!ok || value < min || value > max)
        return false;
    *out = value;
    return true;
}

QCommandLineOption option(const char* name, const char* description, const char* value = nullptr) {
    return value ? QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description),
                                      QString::fromLatin1(value))
                 : QCommandLineOption(QString::fromLatin1(name), QString::fromLatin1(description));
}

} // namespace

int parseOptions(const QStringList& arguments, Options* options) {
    tools::CommandLine line(
        QStringLiteral("Usage: kelvra-modsim [options]"),
        QStringLiteral("Plays the AT module on a pseudo-terminal. The first line on stdout is the\n"
                       "terminal's path; runs until SIGTERM/SIGINT/SIGHUP."));
    QCommandLineParser& parser = line.parser();
    parser.addOptions({
        option("link", "also make the symlink PATH to the terminal (removed on exit)", "PATH"),
        option("silent",
               "never answer the command CMD (VERSION, FWWRITE, FWUPDATE, AT for the plain AT, "
               "...); repeatable",
               "CMD"),
        option("fail-block", "answer FAIL to the Nth FWWRITE request (1-based); repeatable", "N"),
        option("error-block", "answer ERROR to the Nth FWWRITE request (1-based); repeatable", "N"),
        option("cme-error", "answer +CME ERROR: 10 to the Nth command line (1-based); repeatable",
               "N"),
        option("progress-lines", "send +FWWRITE:<offset> before each FWWRITE OK and "
                                 "+FWUPDATE:<size>,<crc> before the FWUPDATE answer"),
        option("delay", "delay every answer by MS milliseconds", "MS"),
        option("vanish-after", "close the terminal and exit right after the Nth command", "N"),
        option("trace", "append every received byte to FILE", "FILE"),
        option("echo", "echo each command line before answering"),
    });
    line.addLineOptions();
    line.setNotes(QStringLiteral(
        "A command ends at a line feed or a carriage return (CR LF ends it once). Answers\n"
        "(lines end in CR LF): AT -> OK; AT+VERSION, AT+UID, AT+FWINFO, AT+WFMODE? -> one\n"
        "+NAME:... line, OK; AT+WFSCANAP -> three +WFSCANAP: lines, OK;\n"
        "AT+WFCONNAP=<ssid>[,...] -> OK, and 500 ms later the unsolicited line\n"
        "+WFEVENT:CONNECTED,<ssid> (a scan answered before then carries it after its first\n"
        "line); AT+DATAMODE=0|1|2 -> OK; AT+WRITEB=<index>,<size>[,<addr>,<port>] and <size>\n"
        "raw bytes -> OK, in data mode 2 then +READB:<size>:<index> and the bytes;\n"
        "AT+FWWRITE=0,<offset>,<hex> -> OK or FAIL; AT+FWUPDATE=0,<size>,<crc> -> OK or FAIL;\n"
        "anything else -> ERROR; a blank line -> nothing.\n"
        "With any of --data-bits, --parity, --stop-bits and --flow the terminal is set so, and\n"
        "what arrives while the other end has set it otherwise is not understood (a line of\n"
        "another shape). A pseudo-terminal keeps 8 data bits without parity whatever it is\n"
        "told, so those two cannot differ on it.\n"));
    if (const int code = line.parse(arguments); code >= 0)
        return code;
    if (!parser.positionalArguments().isEmpty())
        return tools::usageError(
            QStringLiteral("unexpected argument: %1").arg(parser.positionalArguments().first()));

    Options result;
    if (!line.lineSettings(&result.line))
        return tools::Usage;
    for (const char* name : {"data-bits", "parity", "stop-bits", "flow"})
        result.checkLine = result.checkLine || parser.isSet(QString::fromLatin1(name));
    result.faults.progressLines = parser.isSet(QStringLiteral("progress-lines"));
    result.faults.echo = parser.isSet(QStringLiteral("echo"));
    const auto bad = [](const char* name, const QString& value) {
        return tools::usageError(
            QStringLiteral("bad value for --%1: '%2'").arg(QString::fromLatin1(name), value));
    };
    for (const char* name : {"link", "trace"}) {
        if (parser.isSet(QString::fromLatin1(name)) &&
            parser.value(QString::fromLatin1(name)).isEmpty())
            return bad(name, QString());
    }
    result.link = parser.value(QStringLiteral("link"));
    result.trace = parser.value(QStringLiteral("trace"));
    for (const QString& value : parser.values(QStringLiteral("silent"))) {
        QByteArray cmd = value.toLatin1().toUpper();
        if (cmd.startsWith("AT+"))
            cmd = cmd.mid(3);
        if (cmd.isEmpty() || cmd.contains('=') || cmd.contains('?'))
            return bad("silent", value);
        result.faults.silent.insert(cmd);
    }
    qint64 n = 0;
    for (const QString& value : parser.values(QStringLiteral("fail-block"))) {
        if (!toCount(value, 1, 0x7FFFFFFF, &n))
            return bad("fail-block", value);
        result.faults.failBlocks.insert(n);
    }
    for (const QString& value : parser.values(QStringLiteral("error-block"))) {
        if (!toCount(value, 1, 0x7FFFFFFF, &n))
            return bad("error-block", value);
        result.faults.errorBlocks.insert(n);
    }
    for (const QString& value : parser.values(QStringLiteral("cme-error"))) {
        if (!toCount(value, 1, 0x7FFFFFFF, &n))
            return bad("cme-error", value);
        result.faults.cmeCommands.insert(n);
    }
    if (parser.isSet(QStringLiteral("delay"))) {
        if (!toCount(parser.value(QStringLiteral("delay")), 0, 3600 * 1000, &n))
            return bad("delay", parser.value(QStringLiteral("delay")));
        result.delayMs = int(n);
    }
    if (parser.isSet(QStringLiteral("vanish-after"))) {
        if (!toCount(parser.value(QStringLiteral("vanish-after")), 1, 0x7FFFFFFF, &n))
            return bad("vanish-after", parser.value(QStringLiteral("vanish-after")));
        result.vanishAfter = n;
    }
    *options = result;
    return -1;
}

} // namespace modsim
