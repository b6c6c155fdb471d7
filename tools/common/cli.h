#pragma once

#include "at/line.h"
#include "tools/common/exitcode.h"

#include <QCommandLineParser>
#include <QList>
#include <QString>
#include <QStringList>

namespace tools {

struct ExitMeaning {
    ExitCode code;
    const char* meaning; // marked with QT_TRANSLATE_NOOP("Tools", ...)
};

// A tool's command line: the parser with --help and --version, and the texts around it.
class CommandLine {
public:
    // usage: the lines that name the program and its arguments, "Usage: " included.
    CommandLine(const QString& usage, const QString& description);

    QCommandLineParser& parser() { return m_parser; }
    // -b/--baud N and the argument PORT, as every tool that opens a port takes them.
    void addPortArguments();
    // The baud rate given; false after printing a usage error.
    bool baudRate(qint32* rate) const;
    // --data-bits, --parity, --stop-bits and --flow (part of the port arguments).
    void addLineOptions();
    // The line's shape given (8N1 without flow control unless told); false after printing a
    // usage error.
    bool lineSettings(at::LineSettings* line) const;
    // Text after the options and arguments.
    void setNotes(const QString& notes) { m_notes = notes; }
    void setExitCodes(const QList<ExitMeaning>& codes) { m_codes = codes; }

    // Parses the arguments, program name first. -1 to go on; otherwise the exit status once
    // the help, the version or a usage error has been printed.
    int parse(const QStringList& arguments);
    QString helpText() const;

private:
    QCommandLineParser m_parser;
    QCommandLineOption m_baud;
    QCommandLineOption m_dataBits;
    QCommandLineOption m_parity;
    QCommandLineOption m_stopBits;
    QCommandLineOption m_flow;
    QString m_usage;
    QString m_notes;
    QList<ExitMeaning> m_codes;
};

// Prints the complaint and the hint to --help; returns Usage.
int usageError(const QString& message);

} // namespace tools
