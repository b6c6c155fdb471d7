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

struct CommandLine;

// Reads the command line into *line. Prints what --help or --version (-h, -v) ask for and
// returns the exit code 0, prints the fault and the usage and returns 2 for a bad command
// line; -1 when the window is to open.
int answerOptions(int argc, char** argv, CommandLine* line);

} // namespace app

int qMain(int argc, char** argv);
