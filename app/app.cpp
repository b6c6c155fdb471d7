#include "app/app.h"
#include "app/commandline.h"
#include "app/version.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTextStream>
#include <QTranslator>

#include <csignal>

namespace app {

QString name() {
    return QStringLiteral("Kelvra");
}

QString version() {
    return versionNumber::text();
}

} // namespace app

namespace {

// Fills pattern with the locale's full name, then with its language alone (pt_BR and zh_CN
// have only catalogues of the full name), and loads the first file of them found in
// directory.
bool loadCatalogue(QTranslator& translator, const QString& pattern, const QString& directory) {
    const QLocale locale;
    for (const QString& name : {locale.name(), QLocale::languageToCode(locale.language())}) {
        const QString file = pattern.arg(name);
        if (QFileInfo::exists(QDir(directory).filePath(file)) && translator.load(file, directory))
            return true;
    }
    return false;
}

void identify() {
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrosk.example"));
    QCoreApplication::setApplicationName(QStringLiteral("Kelvra"));
    QCoreApplication::setApplicationVersion(app::version());
}

void installCatalogues(QTranslator& qtTranslator, QTranslator& mainTranslator) {
    // A catalogue shipped beside the program wins; a Linux desktop keeps the toolkit's own
    // catalogues in the system's Qt translations directory.
    const QString qtDirectory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (loadCatalogue(qtTranslator, QStringLiteral("translations/qt_%1.qm"), QString()) ||
        loadCatalogue(qtTranslator, QStringLiteral("qtbase_%1.qm"), qtDirectory))
        QCoreApplication::installTranslator(&qtTranslator);
    // The serial port's own error texts, which the log shows, have a catalogue of their own.
    auto* serialTranslator = new QTranslator(QCoreApplication::instance());
    if (loadCatalogue(*serialTranslator, QStringLiteral("qtserialport_%1.qm"), qtDirectory))
        QCoreApplication::installTranslator(serialTranslator);
    else
        delete serialTranslator;

    if (loadCatalogue(mainTranslator, QStringLiteral(":/main_%1.qm"), QString()))
        QCoreApplication::installTranslator(&mainTranslator);
}

} // namespace

void app::prepare(QTranslator& qtTranslator, QTranslator& mainTranslator) {
    identify();
    installCatalogues(qtTranslator, mainTranslator);
    UserCommands::_self.restore();
}

int app::answerOptions(int argc, char** argv, CommandLine* line) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    const bool parsed = parseCommandLine(arguments, line, &error);
    if (parsed && !line->help && !line->version)
        return -1;
    QCoreApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    installCatalogues(qtTranslator, mainTranslator);
    const QString usage = QCoreApplication::translate(
        "app", "A terminal for serial modules that speak AT commands.\n"
               "\n"
               "Usage: kelvra [options]\n"
               "  -h, --help     show this text and exit\n"
               "  -v, --version  show the version and exit\n"
               "Without them the window opens; it takes the toolkit's own options too\n"
               "(-platform, -style, ...). KELVRA_EXTRA_PORTS=/path/one:/path/two lists more\n"
               "device paths first in the port chooser.\n");
    const QString portUsage = QCoreApplication::translate(
        "app", "\n"
               "Usage: kelvra [PORT] [-b|--baud RATE]\n"
               "  PORT             the serial port to choose and open at start, by its name or\n"
               "                   its path; a path the system does not list is listed too\n"
               "  -b, --baud RATE  its baud rate (without it, the rate last chosen)\n");
    if (!parsed) {
        QTextStream err(stderr);
        err << "kelvra: " << error << "\n\n" << usage << portUsage;
        return 2;
    }
    QTextStream out(stdout);
    out << name() << ' ' << app::version() << '\n';
    if (line->help)
        out << usage << portUsage;
    return 0;
}

int qMain(int argc, char** argv) {
    // A closed pipe (a terminal's output piped on, a recording's reader gone) must end the
    // write, not the window with the run's settings and user commands.
    std::signal(SIGPIPE, SIG_IGN);
    // Answered before the application object exists: no window, no display needed.
    app::CommandLine line;
    if (const int code = app::answerOptions(argc, argv, &line); code >= 0)
        return code;
    QApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);

    int result = 0;
    {
        MainWidget window;
        window.openAtStart(line.port, line.baudrate);
        window.show();
        result = application.exec();
        UserCommands::_self.save();
    }
    return result;
}
