#pragma once

#include <QString>

class QTranslator;

namespace app {

QString name();
QString version();

// What start-up does between creating the application object and the window: identity,
// the translation catalogues (kept by the caller, which installs them for as long as they
// live) and the user commands.
void prepare(QTranslator& qtTranslator, QTranslator& mainTranslator);

} // namespace app

int qMain(int argc, char** argv);
