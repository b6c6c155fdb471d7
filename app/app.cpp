#include "app/app.h"

#include <QApplication>

namespace app {

namespace {
constexpr int major = 1;
constexpr int minor = 0;
constexpr int patch = 0;
constexpr int build = 4;
} // namespace

QString name()
{
    return QStringLiteral("Kelvra");
}

QString version()
{
    return QStringLiteral("%1.%2.%3 build %4").arg(major).arg(minor).arg(patch).arg(build);
}

} // namespace app

int qMain(int argc, char** argv)
{
    QApplication application(argc, argv);
    return application.exec();
}
