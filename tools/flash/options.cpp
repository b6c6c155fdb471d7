#include "tools/flash/options.h"

#include "app/version.h"
#include "tools/flash/exitcode.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace flash {

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("Flash", text);
}

void setUp(QCommandLineParser& parser, QCommandLineOption& baud) {
    parser.setApplicationDescription(
        tr("Writes a firmware image to the module on a serial port, block by block,\n"
           "and asks the module to check and apply it."));
    parser.addOption(baud);
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PORT"),
                                 tr("serial port of the module, e.g. /dev/ttyUSB0"));
    parser.addPositionalArgument(QStringLiteral("IMAGE"), tr("firmware image file"));
}

QCommandLineOption baudOption() {
    return QCommandLineOption({QStringLiteral("b"), QStringLiteral("baud")},
                              tr("baud rate of the port (default 115200)"), QStringLiteral("N"),
                              QStringLiteral("115200"));
}

} // namespace

ParseResult parseArguments(const QStringList& arguments) {
    ParseResult result;
    QCommandLineOption baud = baudOption();
    QCommandLineParser parser;
    setUp(parser, baud);
    if (!parser.parse(arguments)) {
        result.message = parser.errorText();
        return result;
    }
    if (parser.isSet(QStringLiteral("help")) || parser.isSet(QStringLiteral("help-all"))) {
        result.request = Request::Help;
        return result;
    }
    if (parser.isSet(QStringLiteral("version"))) {
        result.request = Request::Version;
        return result;
    }

    bool ok = false;
    const QString baudText = parser.value(baud);
    const qint32 rate = baudText.toInt(&ok);
    if (!ok || rate <= 0) {
        result.message =
            tr("invalid baud rate '%1': expected a positive whole number").arg(baudText);
        return result;
    }

    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        result.message = positional.size() < 2
                             ? tr("expected a serial port and an image file")
                             : tr("too many arguments: expected a serial port and an image file");
        return result;
    }
    if (positional.at(0).isEmpty() || positional.at(1).isEmpty()) {
        result.message = tr("the serial port and the image file must not be empty");
        return result;
    }

    result.request = Request::Run;
    result.options.port = positional.at(0);
    result.options.image = positional.at(1);
    result.options.baud = rate;
    return result;
}

QString helpText() {
    QCommandLineOption baud = baudOption();
    QCommandLineParser parser;
    setUp(parser, baud);
    QString text = parser.helpText();
    // Qt names the program by the path it was started with; the name reads better.
    const qsizetype firstLine = text.indexOf(QLatin1Char('\n'));
    text.replace(0, firstLine, tr("Usage: kelvra-flash [options] PORT IMAGE"));
    text += QLatin1Char('\n');
    text += tr("Ctrl-C cancels while blocks are being written; once the module is applying\n"
               "the image the program waits for its answer.\n");
    text += QLatin1Char('\n');
    text += tr("Exit status:\n");
    const struct {
        ExitCode code;
        const char* meaning;
    } codes[] = {
        {Success, QT_TRANSLATE_NOOP("Flash", "the module accepted and applied the image")},
        {ModuleFail, QT_TRANSLATE_NOOP("Flash", "the module answered FAIL")},
        {Usage, QT_TRANSLATE_NOOP("Flash", "bad command line")},
        {Timeout, QT_TRANSLATE_NOOP("Flash", "the module did not answer in time")},
        {Cancelled, QT_TRANSLATE_NOOP("Flash", "cancelled by Ctrl-C")},
        {PortUnavailable, QT_TRANSLATE_NOOP("Flash", "the serial port cannot be opened")},
        {BadImage,
         QT_TRANSLATE_NOOP("Flash", "the image cannot be read, is empty or is too large")},
        {PortLost, QT_TRANSLATE_NOOP("Flash", "the serial port failed during the transfer")},
    };
    for (const auto& c : codes)
        text += QStringLiteral("  %1  %2\n").arg(int(c.code)).arg(tr(c.meaning));
    return text;
}

QString versionText() {
    return QStringLiteral("kelvra-flash %1\n").arg(app::versionNumber::text());
}

} // namespace flash
