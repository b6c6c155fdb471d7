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

// Prints what --help or --version (-h, -v) ask for and returns the exit code 0; -1 when the
// command line asks for neither.
int answerOptions(int argc, char** argv);

} // namespace app

int qMain(int argc, char** argv);
