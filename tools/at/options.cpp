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
    const QCommandLineOption eol(
        QStringLiteral("eol"),
        tr("what ends a command line: crlf, cr, lf or none (default crlf); payloads and a "
           "line that ends in a line feed go as they are"),
        QStringLiteral("END"), QStringLiteral("crlf"));
    const QCommandLineOption hex(
        QStringLiteral("hex"),
        tr("the traffic as hex rows (16 bytes, then the printable characters) behind << and >>: "
           "every byte sent and received, line ends, blank lines and the echo included; "
           "--json stays as it is"));
    line.addPortArguments();
    parser.addOptions({timeout, json, keepGoing, quiet, eol, hex});
    parser.addPositionalArgument(QStringLiteral("STEP"),
                                 tr("what to do, in order (below); - reads the steps from "
                                    "standard input, one a line"));
    line.setNotes(
        tr("Steps:\n"
           "  AT+VERSION             a command, sent as the window sends a typed line; its\n"
           "                         answer is what arrives after it was written, up to OK,\n"
           "                         ERROR, FAIL, +CME ERROR: n or +CMS ERROR: n. The module's\n"
           "                         echo of it is recognised, and a + line of another command\n"
           "                         is reported as unsolicited.\n"
           "  'AT+WRITEB=0, 48656C'  a binary write, its payload in hex behind a blank (blanks\n"
           "                         between bytes allowed); an empty or 0 size field gets the\n"
           "                         payload's length.\n"
           "  'wait 30s +WFEVENT:*'  wait for an unsolicited line that matches the pattern\n"
           "                         (* any characters, ? one) as a whole, also one that came\n"
           "                         earlier, after the line the previous wait matched; TIME\n"
           "                         is optional.\n"
           "  'dtr on', 'rts off'    set a control line of the port.\n"
           "  'pulse dtr 100ms'      invert a line (dtr, rts, or both in the order written:\n"
           "                         dtr,rts) and set it back after the time, the last first,\n"
           "                         each the time apart. A port without control lines (a\n"
           "                         pseudo-terminal) fails the step: exit status 7.\n"
           "A line of standard input is a step; blank lines and lines that begin with # are\n"
           "skipped; the end of input ends the steps. Received +READB blocks are shown as hex\n"
           "and text. Ctrl-C stops the run.\n"
           "Lines that came before a command was written are not its answer: they are shown\n"
           "as (unsolicited). After a time-out with -k, the next command waits until the port\n"
           "has been quiet for 300 ms (at most one more time-out); what comes meanwhile is the\n"
           "late answer, shown as (late) and in JSON under \"late\".\n"
           "Control characters the module sends are shown escaped (\\x1b, \\r, a backslash as\n"
           "\\\\). In JSON, a byte that is not UTF-8 is given as \\udc80 to \\udcff (Python's\n"
           "surrogateescape gets the bytes back: s.encode('utf-8', 'surrogateescape')).\n"));
    line.setExitCodes({
        {Success, QT_TRANSLATE_NOOP("Tools", "every step succeeded")},
        {ModuleFail,
         QT_TRANSLATE_NOOP("Tools", "a step was answered ERROR, FAIL or +CME/+CMS ERROR")},
        {Usage, QT_TRANSLATE_NOOP("Tools", "bad command line or step")},
        {Timeout, QT_TRANSLATE_NOOP("Tools", "no final answer or matching line in time")},
        {Cancelled, QT_TRANSLATE_NOOP("Tools", "stopped by Ctrl-C")},
        {PortUnavailable, QT_TRANSLATE_NOOP("Tools", "the serial port cannot be opened")},
        {PortLost, QT_TRANSLATE_NOOP("Tools", "the serial port failed during the run")},
        {OutputFailed, QT_TRANSLATE_NOOP("Tools", "standard output could not be written (a full "
                                                  "disk); a closed pipe is no failure")},
    });
    if (const int code = line.parse(arguments); code >= 0)
        return code;

    options->autoBaud = parser.value(QStringLiteral("baud")) == QLatin1String("auto");
    if ((!options->autoBaud && !line.baudRate(&options->baud)) ||
        !line.lineSettings(&options->line))
        return Usage;
    if (!at::parseLineEnding(parser.value(eol), &options->lineEnding))
        return usageError(
            tr("invalid --eol '%1': expected crlf, cr, lf or none").arg(parser.value(eol)));
    if (!at::parseDuration(parser.value(timeout), &options->timeoutMs))
        return usageError(
            tr("invalid time '%1': expected e.g. 800, 800ms, 5s").arg(parser.value(timeout)));
    options->json = parser.isSet(json);
    options->keepGoing = parser.isSet(keepGoing);
    options->quiet = parser.isSet(quiet);
    options->hex = parser.isSet(hex);

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
        at::Step step;
        QString error;
        if (!at::parseStep(steps.at(i), options->timeoutMs, &step, &error))
            return usageError(tr("step %1: %2").arg(i + 1).arg(error));
        options->steps.append(step);
    }
    return -1;
}

} // namespace atcmd
