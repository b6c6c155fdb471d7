#include "app/app.h"
#include "app/version.h"
#include "mainwidget/mainwidget.h"
#include "usercommands/usercommands.h"

#include <QApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace app {

QString name() {
    return QStringLiteral("Kelvra");
}

QString version() {
    return versionNumber::text();
}

} // namespace app

void app::prepare(QTranslator& qtTranslator, QTranslator& mainTranslator) {
    QApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QApplication::setOrganizationDomain(QStringLiteral("tavrosk.example"));
    QApplication::setApplicationName(QStringLiteral("Kelvra"));
    QApplication::setApplicationVersion(app::version());

    const QString language = QLocale::languageToCode(QLocale::system().language());

    // A catalogue shipped beside the program wins; a Linux desktop keeps the toolkit's own
    // catalogues in the system's Qt translations directory.
    if (qtTranslator.load(QStringLiteral("translations/qt_%1.qm").arg(language)) ||
        qtTranslator.load(QStringLiteral("qtbase_%1").arg(language),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTranslator);
    // The serial port's own error texts, which the log shows, have a catalogue of their own.
    auto* serialTranslator = new QTranslator(QCoreApplication::instance());
    if (serialTranslator->load(QStringLiteral("qtserialport_%1").arg(language),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(serialTranslator);
    else
        delete serialTranslator;

    const QString mainCatalogue = QStringLiteral(":/main_%1.qm").arg(language);
    if (QFile::exists(mainCatalogue) && mainTranslator.load(mainCatalogue))
        QApplication::installTranslator(&mainTranslator);

    UserCommands::_self.restore();
}

int qMain(int argc, char** argv) {
    QApplication application(argc, argv);
    QTranslator qtTranslator;
    QTranslator mainTranslator;
    app::prepare(qtTranslator, mainTranslator);

    int result = 0;
    {
        MainWidget window;
        window.show();
        result = application.exec();
        UserCommands::_self.save();
    }
    return result;
}
