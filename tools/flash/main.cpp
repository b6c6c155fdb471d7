#include "tools/flash/display.h"
#include "tools/flash/exitcode.h"
#include "tools/flash/flasher.h"
#include "tools/flash/image.h"
#include "tools/flash/interrupt.h"
#include "tools/flash/options.h"

#include "app/version.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

namespace {

void print(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Tavrosk"));
    QCoreApplication::setOrganizationDomain(QStringLiteral("tavrosk.example"));
    QCoreApplication::setApplicationName(QStringLiteral("kelvra-flash"));
    QCoreApplication::setApplicationVersion(app::versionNumber::text());

    const flash::ParseResult parsed = flash::parseArguments(QCoreApplication::arguments());
    switch (parsed.request) {
    case flash::Request::Help:
        print(stdout, flash::helpText());
        return flash::Success;
    case flash::Request::Version:
        print(stdout, flash::versionText());
        return flash::Success;
    case flash::Request::Error:
        print(stderr, QStringLiteral("kelvra-flash: %1\n%2\n")
                          .arg(parsed.message,
                               QCoreApplication::translate("Flash", "Try 'kelvra-flash --help'.")));
        return flash::Usage;
    case flash::Request::Run:
        break;
    }

    const flash::ImageResult image = flash::loadImage(parsed.options.image);
    if (image.code != flash::Success) {
        print(stderr, QStringLiteral("kelvra-flash: %1\n").arg(image.message));
        return image.code;
    }

    // The bar goes to whichever of the two is a terminal, errors first.
    FILE* barStream = isatty(fileno(stderr)) ? stderr : isatty(fileno(stdout)) ? stdout : nullptr;
    flash::Display display(barStream, stdout);
    flash::Interrupt interrupt;
    flash::Flasher flasher(parsed.options, image.data, &display);
    QObject::connect(&interrupt, &flash::Interrupt::interrupted, &flasher,
                     [&flasher](int) { flasher.interrupt(); });
    QObject::connect(&flasher, &flash::Flasher::finished, &application,
                     [](int code) { QCoreApplication::exit(code); });

    const flash::ExitCode started = flasher.start();
    if (started != flash::Success)
        return started;
    return QCoreApplication::exec();
}
