#pragma once

// The scenarios: each has a parent side, which runs its children and returns its rows of the
// table, and a child side, which runs in a process of its own so peak memory is per scenario.

#include "bench/table.h"

#include <QList>
#include <QString>

namespace test {
class Window;
}

namespace bench {

class Feeder;

struct Options {
    quint64 lines = 0;
    double seconds = 30;
    double rate = 0;       // lines per second, 0: as fast as the terminal takes them
    int bound = 0;         // the log's bound in entries, 0: its own
    qint64 characters = 0; // and in characters
    QString shape;         // longline: one shape only
    double limit = 600;    // longline: seconds a shape may take to settle
};

// flood.cpp, paced.cpp
QList<Row> floodRows(const Options& options);
QList<Row> pacedRows(const Options& options);
// stream.cpp: the children of both, the window or a bare reader taking the feeder's lines
int streamChild(int argc, char** argv, bool window, const Options& options);
// The real window on the feeder's terminal, opened as a user would: the harness of the tests
// finds its controls. False if the port did not open.
bool openWindow(test::Window& window, const Feeder& feeder);
// The window as start-up makes it (identity, catalogues, user commands) on the feeder's
// terminal, shown: desktop-sized (1280x800) or in its default size, where the log is so narrow
// that every line wraps several times. 0, or the child's exit status when it could not be made.
int showWindow(test::Window& window, const Feeder& feeder, bool desktop);

// startup.cpp
QList<Row> startupRows();
// -1 when mode is not one of start-up's.
int startupChild(int argc, char** argv, const QString& mode);

// longrun.cpp
QList<Row> longRunRows(const Options& options);
int longRunChild(int argc, char** argv, const Options& options);

// session.cpp: recording, times, pause and find
QList<Row> sessionRows(const Options& options);
int sessionChild(int argc, char** argv, const QString& mode, const Options& options);
// Turns on what $KELVRA_BENCH_SESSION names ("times", "hex", "exchanges", "record=FILE",
// comma-separated).
void applySession(test::Window& window);

// longline.cpp: text without break points
QList<Row> longLineRows(const Options& options);
int longLineChild(int argc, char** argv, const Options& options);
// sendfile.cpp
QList<Row> sendFileRows();
int sendFileChild(int argc, char** argv);

} // namespace bench
