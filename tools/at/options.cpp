#include "tools/at/options.h"

#include "tools/common/cli.h"
#include "tools/common/console.h"

namespace atcmd {

using namespace tools;

int parseArguments(const QStringList& arguments, Options* options) {
    CommandLine line(tr("Usage: kelvra-at [options] PORT STEP...\n"
                        "       kelvra-at [options] PORT -"),
                     tr("Sends AT commands to the module on a serial port and checks its "
                        "answers."));
    QCommandLineParser& parser = line.parser();
    const QCommandLineOption timeout({QStringLiteral("t"), QStringLiteral("timeout")},
                                     tr("time for each step (default 5s): 800, 800ms, 5s, 2min"),
                                     QStringLiteral("TIME"), QStringLiteral("5000"));
    const QCommandLineOption json({QStringLiteral("j"), QStringLiteral("json")},
                                  tr("one JSON object for each step on standard output"));
    const QCommandLineOption keepGoing(
        {QStringLiteral("k"), QStringLiteral("keep-going")},
        tr("go on after a step that fails or times out (the exit status is still the "
           "first failure's)"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   tr("no traffic on standard output: the exit status tells"));
    line.addPortArguments();
    parser.addOptions({timeout, json, keepGoing, quiet});
    parser.addPositionalArgument(QStringLiteral("STEP"),
                                 tr("what to do, in order (below); - reads the steps from "
                                    "standard input, one a line"));
    line.setNotes(
        tr("Steps:\n"
           "  AT+VERSION             a command, sent as the window sends a typed line; its\n"
           "                         answer runs to OK, ERROR, FAIL, +CME ERROR: n or\n"
           "                         +CMS ERROR: n. The module's echo of it is recognised, and\n"
           "                         a + line of another command is reported as unsolicited.\n"
           "  'AT+WRITEB=0, 48656C'  a binary write, its payload in hex behind a blank (blanks\n"
           "                         between bytes allowed); an empty or 0 size field gets the\n"
           "                         payload's length.\n"
           "  'wait 30s +WFEVENT:*'  wait for an unsolicited line that matches the pattern\n"
           "                         (* any characters, ? one) as a whole; TIME is optional.\n"
           "A line of standard input is a step; blank lines and lines that begin with # are\n"
           "skipped. Received +READB blocks are shown as hex and text. Ctrl-C stops the run.\n"));
    line.setExitCodes({
        {Success, QT_TRANSLATE_NOOP("Tools", "every step succeeded")},
        {ModuleFail,
         QT_TRANSLATE_NOOP("Tools", "a step was answered ERROR, FAIL or +CME/+CMS ERROR")},
        {Usage, QT_TRANSLATE_NOOP("Tools", "bad command line or step")},
        {Timeout, QT_TRANSLATE_NOOP("Tools", "no final answer or matching line in time")},
        {Cancelled, QT_TRANSLATE_NOOP("Tools", "stopped by Ctrl-C")},
        {PortUnavailable, QT_TRANSLATE_NOOP("Tools", "the serial port cannot be opened")},
        {PortLost, QT_TRANSLATE_NOOP("Tools", "the serial port failed during the run")},
    });
    if (const int code = line.parse(arguments); code >= 0)
        return code;

    options->autoBaud = parser.value(QStringLiteral("baud")) == QLatin1String("auto");
    if (!options->autoBaud && !line.baudRate(&options->baud))
        return Usage;
    if (!parseDuration(parser.value(timeout), &options->timeoutMs))
        return usageError(
            tr("invalid time '%1': expected e.g. 800, 800ms, 5s").arg(parser.value(timeout)));
    options->json = parser.isSet(json);
    options->keepGoing = parser.isSet(keepGoing);
    options->quiet = parser.isSet(quiet);

    const QStringList positional = parser.positionalArguments();
    if (positional.size() < 2)
        return usageError(tr("expected a serial port and at least one step"));
    options->port = positional.at(0);
    if (options->port.isEmpty())
        return usageError(tr("the serial port must not be empty"));
    const QStringList steps = positional.mid(1);
    if (steps.contains(QStringLiteral("-"))) {
        if (steps.size() > 1)
            return usageError(tr("- reads every step from standard input: give no other"));
        return -1;
    }
    for (qsizetype i = 0; i < steps.size(); ++i) {
        Step step;
        QString error;
        if (!parseStep(steps.at(i), options->timeoutMs, &step, &error))
            return usageError(tr("step %1: %2").arg(i + 1).arg(error));
        options->steps.append(step);
    }
    return -1;
}

} // namespace atcmd
