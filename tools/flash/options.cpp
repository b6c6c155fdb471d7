#include "tools/flash/options.h"

#include "tools/common/cli.h"
#include "tools/common/console.h"

namespace flash {

using namespace tools;

int parseArguments(const QStringList& arguments, Options* options) {
    CommandLine line(tr("Usage: kelvra-flash [options] PORT IMAGE"),
                     tr("Writes a firmware image to the module on a serial port, block by "
                        "block,\nand asks the module to check and apply it."));
    QCommandLineParser& parser = line.parser();
    line.addPortArguments();
    parser.addPositionalArgument(QStringLiteral("IMAGE"), tr("firmware image file"));
    line.setNotes(tr("Ctrl-C cancels while blocks are being written; once the module is "
                     "applying\nthe image the program waits for its answer. A closed output "
                     "(| head -1)\nstops the messages, not the transfer.\n"));
    line.setExitCodes({
        {Success, QT_TRANSLATE_NOOP("Tools", "the module accepted and applied the image")},
        {ModuleFail, QT_TRANSLATE_NOOP("Tools", "the module answered FAIL")},
        {Usage, QT_TRANSLATE_NOOP("Tools", "bad command line")},
        {Timeout, QT_TRANSLATE_NOOP("Tools", "the module did not answer in time")},
        {Cancelled, QT_TRANSLATE_NOOP("Tools", "cancelled by Ctrl-C")},
        {PortUnavailable, QT_TRANSLATE_NOOP("Tools", "the serial port cannot be opened")},
        {BadImage, QT_TRANSLATE_NOOP("Tools", "the image is no regular file, cannot be read, "
                                              "is empty or is too large")},
        {PortLost, QT_TRANSLATE_NOOP("Tools", "the serial port failed during the transfer")},
    });
    if (const int code = line.parse(arguments); code >= 0)
        return code;

    if (!line.baudRate(&options->baud) || !line.lineSettings(&options->line))
        return Usage;
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2)
        return usageError(positional.size() < 2
                              ? tr("expected a serial port and an image file")
                              : tr("too many arguments: expected a serial port and an image "
                                   "file"));
    if (positional.at(0).isEmpty() || positional.at(1).isEmpty())
        return usageError(tr("the serial port and the image file must not be empty"));
    options->port = positional.at(0);
    options->image = positional.at(1);
    return -1;
}

} // namespace flash
