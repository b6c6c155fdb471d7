#include "tools/common/console.h"
#include "tools/common/display.h"
#include "tools/common/interrupt.h"
#include "tools/flash/flasher.h"
#include "tools/flash/image.h"
#include "tools/flash/options.h"

#include <QCoreApplication>

#include <cstdio>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    tools::setUpTool("kelvra-flash");
    flash::Options options;
    if (const int code = flash::parseArguments(QCoreApplication::arguments(), &options); code >= 0)
        return code;

    const flash::ImageResult image = flash::loadImage(options.image);
    if (image.code != tools::Success) {
        tools::complain(image.message);
        return image.code;
    }

    // The bar goes to whichever of the two is a terminal, errors first.
    FILE* barStream = isatty(fileno(stderr)) ? stderr : isatty(fileno(stdout)) ? stdout : nullptr;
    tools::Display display(barStream, stdout);
    tools::Interrupt interrupt;
    flash::Flasher flasher(options, image.data, &display);
    QObject::connect(&interrupt, &tools::Interrupt::interrupted, &flasher,
                     [&flasher](int) { flasher.interrupt(); });
    QObject::connect(&flasher, &flash::Flasher::finished, &application,
                     [](int code) { QCoreApplication::exit(code); });

    const tools::ExitCode started = flasher.start();
    if (started != tools::Success)
        return started;
    return QCoreApplication::exec();
}
