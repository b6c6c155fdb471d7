#pragma once

#include <QString>

namespace app {

QString name();
QString version();

} // namespace app

int qMain(int argc, char** argv);
