#include "tools/modsim/options.h"

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

} // namespace

QString helpText() {
    return QStringLiteral(
        "Usage: kelvra-modsim [options]\n"
        "Plays the AT module on a pseudo-terminal. The first line on stdout is the\n"
        "terminal's path; runs until SIGTERM/SIGINT.\n"
        "\n"
        "Options:\n"
        "  --link PATH          also make the symlink PATH to the terminal (removed on exit)\n"
        "  --silent CMD         never answer the command CMD (VERSION, FWWRITE, FWUPDATE,\n"
        "                       AT for the plain AT, ...); repeatable\n"
        "  --fail-block N       answer FAIL to the Nth FWWRITE request (1-based); repeatable\n"
        "  --progress-lines     send +FWWRITE:<offset> before each FWWRITE OK and\n"
        "                       +FWUPDATE:<size>,<crc> before the FWUPDATE answer\n"
        "  --delay MS           delay every answer by MS milliseconds\n"
        "  --vanish-after N     close the terminal and exit right after the Nth command\n"
        "  --trace FILE         append every received byte to FILE\n"
        "  --echo               echo each command line before answering\n"
        "  --help               show this text\n"
        "\n"
        "Answers (lines end in CR LF): AT -> OK; AT+VERSION, AT+UID, AT+FWINFO,\n"
        "AT+WFMODE? -> one +NAME:... line, OK; AT+WFSCANAP -> three +WFSCANAP: lines, OK;\n"
        "AT+DATAMODE=0|1|2 -> OK; AT+WRITEB=<index>,<size>[,<addr>,<port>] and <size> raw\n"
        "bytes -> OK, in data mode 2 then +READB:<size>:<index> and the bytes;\n"
        "AT+FWWRITE=0,<offset>,<hex> -> OK or FAIL; AT+FWUPDATE=0,<size>,<crc> -> OK or\n"
        "FAIL; anything else -> ERROR; a blank line -> nothing.\n");
}

bool parseOptions(const QStringList& args, Options* options, QString* error) {
    Options result;
    for (qsizetype i = 0; i < args.size(); ++i) {
        QString name = args.at(i);
        QString value;
        bool inlineValue = false;
        const qsizetype eq = name.indexOf(QLatin1Char('='));
        if (name.startsWith(QLatin1String("--")) && eq > 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            inlineValue = true;
        }
        const bool takesValue =
            name == QLatin1String("--link") || name == QLatin1String("--silent") ||
            name == QLatin1String("--fail-block") || name == QLatin1String("--delay") ||
            name == QLatin1String("--vanish-after") || name == QLatin1String("--trace");
        const bool flag = name == QLatin1String("--progress-lines") ||
                          name == QLatin1String("--echo") || name == QLatin1String("--help");
        if (!takesValue && !flag) {
            *error = QStringLiteral("unknown option: %1").arg(args.at(i));
            return false;
        }
        if (flag && inlineValue) {
            *error = QStringLiteral("option %1 takes no value").arg(name);
            return false;
        }
        if (takesValue && !inlineValue) {
            if (i + 1 >= args.size()) {
                *error = QStringLiteral("option %1 needs a value").arg(name);
                return false;
            }
            value = args.at(++i);
        }

        qint64 n = 0;
        const auto badValue = [&] {
            *error = QStringLiteral("bad value for %1: '%2'").arg(name, value);
            return false;
        };
        if (name == QLatin1String("--help")) {
            result.help = true;
        } else if (name == QLatin1String("--progress-lines")) {
            result.faults.progressLines = true;
        } else if (name == QLatin1String("--echo")) {
            result.faults.echo = true;
        } else if (name == QLatin1String("--link")) {
            if (value.isEmpty())
                return badValue();
            result.link = value;
        } else if (name == QLatin1String("--trace")) {
            if (value.isEmpty())
                return badValue();
            result.trace = value;
        } else if (name == QLatin1String("--silent")) {
            QByteArray cmd = value.toLatin1().toUpper();
            if (cmd.startsWith("AT+"))
                cmd = cmd.mid(3);
            if (cmd.isEmpty() || cmd.contains('=') || cmd.contains('?'))
                return badValue();
            result.faults.silent.insert(cmd);
        } else if (name == QLatin1String("--fail-block")) {
            if (!toCount(value, 1, 0x7FFFFFFF, &n))
                return badValue();
            result.faults.failBlocks.insert(n);
        } else if (name == QLatin1String("--delay")) {
            if (!toCount(value, 0, 3600 * 1000, &n))
                return badValue();
            result.delayMs = int(n);
        } else if (name == QLatin1String("--vanish-after")) {
            if (!toCount(value, 1, 0x7FFFFFFF, &n))
                return badValue();
            result.vanishAfter = n;
        }
    }
    *options = result;
    return true;
}

} // namespace modsim
