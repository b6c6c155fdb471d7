#include "app/commandline.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace app {

namespace {

// The options the toolkit takes from the command line when the application object is made:
// they are known here too, so that none of them counts as unknown and no value of theirs as
// the port.
const char* const toolkitValueOptions[] = {"platform",
                                           "platformpluginpath",
                                           "platformtheme",
                                           "plugin",
                                           "qwindowgeometry",
                                           "geometry",
                                           "qwindowicon",
                                           "icon",
                                           "qwindowtitle",
                                           "title",
                                           "session",
                                           "style",
                                           "stylesheet",
                                           "display",
                                           "name",
                                           "visual",
                                           "qmljsdebugger"};
const char* const toolkitFlags[] = {"reverse", "testability", "widgetcount",
                                    "dograb",  "nograb",      "qdebug"};

} // namespace

bool parseCommandLine(const QStringList& arguments, CommandLine* line, QString* error) {
    *line = CommandLine();
    QCommandLineParser parser;
    // The toolkit's options are words after one dash.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    const QCommandLineOption baud({QStringLiteral("b"), QStringLiteral("baud")}, QString(),
                                  QStringLiteral("RATE"));
    parser.addOptions({help, version, baud});
    for (const char* name : toolkitValueOptions)
        parser.addOption(
            QCommandLineOption(QString::fromLatin1(name), QString(), QStringLiteral("value")));
    for (const char* name : toolkitFlags)
        parser.addOption(QCommandLineOption(QString::fromLatin1(name)));
    if (!parser.parse(arguments)) {
        *error = parser.errorText();
        return false;
    }
    line->help = parser.isSet(help);
    line->version = parser.isSet(version);
    const QStringList ports = parser.positionalArguments();
    if (ports.size() > 1) {
        *error = QCoreApplication::translate("app", "one port at most, not '%1' and '%2'")
                     .arg(ports.at(0), ports.at(1));
        return false;
    }
    if (!ports.isEmpty())
        line->port = ports.constFirst();
    if (parser.isSet(baud)) {
        // What the port takes: a positive 32-bit rate; whether the device does, the open tells.
        bool ok = false;
        const qint32 rate = parser.value(baud).toInt(&ok);
        if (!ok || rate <= 0) {
            *error = QCoreApplication::translate(
                         "app", "invalid baud rate '%1': expected a positive whole number")
                         .arg(parser.value(baud));
            return false;
        }
        line->baudrate = rate;
    }
    return true;
}

} // namespace app
